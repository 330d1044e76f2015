// orvaemu: a register on the ATOL 3.1 link, with its fiscal core service on the application
// bus, for the configurator and its tests.

#include "atolserver.h"
#include "busserver.h"
#include "emulatoroptions.h"
#include "faultinjector.h"
#include "frcoreconfig.h"
#include "initconfig.h"
#include "journalfile.h"
#include "receiptpublisher.h"
#include "registermodel.h"
#include "statefile.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLockFile>
#include <QRandomGenerator>
#include <QScopedPointer>

#include <cstdio>

namespace {

void say(FILE *to, const QString &text)
{
    std::fprintf(to, "%s\n", text.toLocal8Bit().constData());
    std::fflush(to);
}

} // namespace

int main(int argc, char *argv[])
{
    qSetMessagePattern(QStringLiteral("orvaemu: %{message}"));
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    EmulatorOptions options;
    QString error;
    const bool parsed = options.parse(arguments, &error);
    // Drawing receipts needs fonts, hence a GUI application; it never shows a window.
    if (parsed && !options.receiptsPath.isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QScopedPointer<QCoreApplication> app(parsed && !options.receiptsPath.isEmpty()
            ? new QGuiApplication(argc, argv)
            : new QCoreApplication(argc, argv));
    QCoreApplication::setApplicationName(QStringLiteral("orvaemu"));

    if (!parsed) {
        say(stderr, QStringLiteral("orvaemu: %1 (see --help)").arg(error));
        return 1;
    }
    if (options.helpRequested()) {
        say(stdout, EmulatorOptions::helpText());
        return 0;
    }

    RegisterState state = RegisterState::fresh();
    QScopedPointer<StateFile> stateFile;
    QScopedPointer<QLockFile> lock;
    if (!options.statePath.isEmpty()) {
        // Two registers on one state file would overwrite each other's counters.
        lock.reset(new QLockFile(options.statePath + QStringLiteral(".lock")));
        if (!lock->tryLock(0)) {
            say(stderr,
                QStringLiteral("orvaemu: %1 is in use by another orvaemu").arg(options.statePath));
            return 2;
        }
        stateFile.reset(new StateFile(options.statePath));
        if (!stateFile->load(&state, &error)) {
            say(stderr, QStringLiteral("orvaemu: %1").arg(error));
            return 2;
        }
    }
    QScopedPointer<JournalFile> journal;
    if (!options.journalPath.isEmpty()) {
        journal.reset(new JournalFile(options.journalPath));
        if (!journal->open(&error)) {
            say(stderr, QStringLiteral("orvaemu: %1").arg(error));
            return 2;
        }
    }

    RegisterModel model(state);
    model.setPassword(options.password);
    model.setPaperPresent(!options.noPaper);
    QObject::connect(&model, &RegisterModel::stateChanged, [&model, &stateFile]() {
        QString why;
        if (stateFile && !stateFile->save(model.state(), &why))
            qCritical().noquote() << why;
    });
    QObject::connect(
        &model, &RegisterModel::documentPrinted, [&journal](const QJsonObject &document) {
            if (journal && !journal->append(document))
                qCritical() << "cannot append to the journal";
        });
    QScopedPointer<ReceiptPublisher> receipts;
    if (!options.receiptsPath.isEmpty()) {
        receipts.reset(new ReceiptPublisher(options.receiptsPath));
        if (!receipts->prepare(&error)) {
            say(stderr, QStringLiteral("orvaemu: %1").arg(error));
            return 2;
        }
        QObject::connect(&model, &RegisterModel::documentPrinted,
            [&model, &receipts](
                const QJsonObject &document) { receipts->publish(document, model.state()); });
    }
    // Online, documents left waiting by an earlier offline run get their tickets now.
    model.setOfdOnline(!options.offline);
    if (options.ageShiftHours > 0)
        model.ageShift(options.ageShiftHours);

    quint16 port = 0;
    if (options.port >= 0) {
        port = quint16(options.port);
    } else {
        qt5ext::InitConfig::setAppWorkDir(QStringLiteral("ORVI"));
        port = FrCoreConfig().atolTcpPort();
    }
    const quint32 seed = options.seeded ? options.seed : QRandomGenerator::global()->generate();
    FaultInjector faults(options.dropRate, options.corruptRate, seed);
    AtolSession::Options sessionOptions;
    sessionOptions.answers = options.answersOnRequest ? AtolSession::OnRequest : AtolSession::Async;
    sessionOptions.delayMs = options.delayMs;
    sessionOptions.logFrames = options.logFrames;
    sessionOptions.stuckRequisiteTag = options.stuckRequisiteTag;
    AtolServer server(&model, &faults, sessionOptions);
    if (!server.listen(port)) {
        say(stderr,
            QStringLiteral("orvaemu: cannot listen on 127.0.0.1:%1: %2")
                .arg(port)
                .arg(server.errorString()));
        return 3;
    }
    // The fiscal core service of the same register, beside its ATOL port. On the driver's
    // own socket only when standing in for the driver (on its ATOL port): emulators of tests,
    // on ports of their own, would otherwise fight over that one socket.
    QScopedPointer<BusServer> bus;
    if (!options.noBus && (options.port < 0 || !options.busName.isEmpty())) {
        qt5ext::InitConfig::setAppWorkDir(QStringLiteral("ORVI"));
        const QString busName
            = options.busName.isEmpty() ? FrCoreConfig::busServerName() : options.busName;
        bus.reset(new BusServer(&model));
        bus->setReplyDelay(options.busDelayMs);
        if (!bus->listen(busName)) {
            say(stderr,
                QStringLiteral("orvaemu: cannot serve the bus on %1: %2")
                    .arg(busName, bus->errorString()));
            return 3;
        }
        say(stdout, QStringLiteral("orvaemu: bus on %1").arg(bus->fullServerName()));
    }
    if (faults.isActive())
        say(stdout, QStringLiteral("orvaemu: fault seed %1").arg(seed));
    say(stdout, QStringLiteral("orvaemu: listening on 127.0.0.1:%1").arg(server.port()));
    return app->exec();
}
