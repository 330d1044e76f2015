// orvactl: the register's command line for service scripts and diagnostics.

#include "busrunner.h"
#include "ctloptions.h"
#include "ctlrunner.h"
#include "frcoreconfig.h"
#include "initconfig.h"
#include "loggermanager.h"

#include <QCoreApplication>

namespace {

// Without --verbose standard output carries results only and standard error complaints
// only; the controller's protocol lines are dropped.
void quietMessages(QtMsgType type, const QMessageLogContext &, const QString &msg)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        CtlRunner::writeErr(msg + QLatin1Char('\n'));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orvactl"));

    CtlOptions options;
    if (!options.parse(QCoreApplication::arguments())) {
        CtlRunner::writeErr(
            QStringLiteral("orvactl: %1\n\n%2").arg(options.error(), CtlOptions::usage()));
        return CtlRunner::ExitUsage;
    }
    if (options.helpRequested) {
        CtlRunner::writeOut(CtlOptions::usage());
        return CtlRunner::ExitOk;
    }

    if (options.verbose) {
        qt5ext::LoggerManager::setDebugOuts(qt5ext::LoggerManager::StderrOutput);
        qt5ext::LoggerManager::initLog(QString(), 1, QtDebugMsg);
    } else {
        qInstallMessageHandler(quietMessages);
    }

    qt5ext::InitConfig::setAppWorkDir(QStringLiteral("ORVI"));
    if (options.command == CtlOptions::Bus)
        return BusRunner(options).run();
    if (options.host.isEmpty())
        options.host = QStringLiteral("localhost");
    if (options.port == 0)
        options.port = FrCoreConfig().atolTcpPort();

    CtlRunner runner(options);
    QObject::connect(
        &runner, &CtlRunner::finished, &app, &QCoreApplication::exit, Qt::QueuedConnection);
    runner.start();
    return QCoreApplication::exec();
}
