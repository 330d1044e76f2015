// A receipt of 100 positions driven through the cash page against orvaemu on loopback:
// open, the receipt's requisites, 100 positions each with its requisites (settlement
// method, subject, unit), a payment and the close, as the buttons do it, with the main
// window and its overlays. The register is brought into registration once beforehand, so
// every operation's mode change finds it there (abort, state request, command).
//
// Arguments: emulator state and journal files (0/1), the program's log (0/1), the wait
// overlays (0: the root knows no main window, so the page's overlay calls do nothing).
// Counters: device commands per receipt, aborts, and where the wall time went: waiting for
// the register on each kind of command, and the rest, spent in the GUI thread.

#include "cashmodewidget.h"
#include "emulatorprocess.h"
#include "frcfgroot.h"
#include "frcommandscontroller.h"
#include "mainwindow.h"
#include "tempprofile.h"
#include "userprompts.h"
#include "waitmessagewidget.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <map>
#include <memory>

namespace {

const int POSITIONS = 100;

void dropMessages(QtMsgType, const QMessageLogContext &, const QString &) { }

// Answers every prompt at once and ends the wait of the step that caused it.
class Prompts : public UserPrompts::Handler
{
public:
    UserPrompts::Reply prompt(QWidget *, const UserPrompts::Request &r) override
    {
        UserPrompts::Reply reply;
        if (r.kind == UserPrompts::TextInput) {
            reply.accepted = true;
            reply.text = QStringLiteral("Смена 1");
            return reply;
        }
        last = r.text;
        if (r.kind != UserPrompts::Information)
            failed = true;
        if (loop)
            loop->quit();
        reply.accepted = r.kind != UserPrompts::Question;
        return reply;
    }
    QEventLoop *loop = nullptr;
    QString last;
    bool failed = false;
};

// Time from each task's add-task frame to its result, by command code, and of each abort.
class LinkProbe : public QObject
{
public:
    explicit LinkProbe(FrCommandsController *c)
    {
        m_clock.start();
        connect(c, &FrCommandsController::needSendCommand, this,
            [this](quint8, const QByteArray &data) {
                if (data.isEmpty())
                    return;
                if (quint8(data.at(0)) == 0xC4) {
                    m_abortStart = m_clock.nsecsElapsed();
                    ++aborts;
                } else if (quint8(data.at(0)) == 0xC1 && data.size() >= 6) {
                    const quint8 tid = quint8(data.at(2));
                    if (!m_start.count(tid)) {
                        m_start[tid] = { quint8(data.at(5)), m_clock.nsecsElapsed() };
                        ++commands;
                    }
                }
            });
        connect(c, &FrCommandsController::clearBufferComplete, this,
            [this]() { waitNs[0xC4] += m_clock.nsecsElapsed() - m_abortStart; });
        const auto done = [this](quint8 tid, const QByteArray &) {
            const auto it = m_start.find(tid);
            if (it == m_start.end())
                return;
            waitNs[it->second.first] += m_clock.nsecsElapsed() - it->second.second;
            m_start.erase(it);
        };
        connect(c, &FrCommandsController::assyncAnswer, this, done);
        connect(c, &FrCommandsController::assyncError, this, done);
    }
    void reset()
    {
        commands = 0;
        aborts = 0;
        waitNs.clear();
        m_start.clear();
    }

    qint64 commands = 0;
    qint64 aborts = 0;
    std::map<int, qint64> waitNs; // command code (0xC4: abort) -> nanoseconds

private:
    QElapsedTimer m_clock;
    qint64 m_abortStart = 0;
    std::map<quint8, std::pair<quint8, qint64>> m_start;
};

struct Rig
{
    std::unique_ptr<QTemporaryDir> files;
    std::unique_ptr<EmulatorProcess> emulator;
    std::unique_ptr<MainWindow> window;
    CashModeWidget *page = nullptr;
    Prompts prompts;

    template<typename T>
    T *w(const char *name) const
    {
        return page->findChild<T *>(QLatin1String(name));
    }

    // Clicks and runs the event loop until the page tells the user the outcome.
    bool step(const char *button)
    {
        QEventLoop loop;
        prompts.loop = &loop;
        QTimer::singleShot(10000, &loop, &QEventLoop::quit);
        w<QAbstractButton>(button)->click();
        loop.exec();
        prompts.loop = nullptr;
        return !prompts.failed && page->pendingOperation() == CashModeWidget::NoOperation;
    }
};

bool waitFor(const std::function<bool()> &done, int msecs)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < msecs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
}

bool setUp(Rig &rig, bool files)
{
    FrCfgRoot *root = FrCfgRoot::instance();
    FrCommandsController *c = root->commandsController();
    rig.files.reset(new QTemporaryDir);
    rig.emulator.reset(new EmulatorProcess);
    QStringList args;
    if (files)
        args << "--state" << rig.files->filePath("state.json") << "--journal"
             << rig.files->filePath("journal.jsonl");
    if (!rig.emulator->start(args))
        return false;
    c->setTcpEndpoint(QStringLiteral("127.0.0.1"), rig.emulator->port());
    c->start();
    if (!waitFor([c]() { return c->isConnected() && c->bufferSize() == 0; }, 10000))
        return false;
    rig.window.reset(new MainWindow(root->sessionManager()));
    root->setMainWindow(rig.window.get());
    rig.window->resize(1400, 900);
    rig.window->show();
    rig.window->findChild<QAbstractButton *>(QStringLiteral("pbRegs"))->click();
    rig.page = rig.window->findChild<CashModeWidget *>(QStringLiteral("pageCashbox"));
    UserPrompts::setHandler(&rig.prompts);
    // Into registration once; the timed receipts then find the register there.
    return rig.page && rig.step("pbCycleOpen");
}

void tearDown(Rig &rig)
{
    UserPrompts::setHandler(nullptr);
    FrCfgRoot *root = FrCfgRoot::instance();
    root->setMainWindow(nullptr);
    rig.window.reset();
    root->commandsController()->stop();
    waitFor([root]() { return !root->commandsController()->isConnected(); }, 5000);
    rig.emulator.reset();
}

bool receipt(Rig &rig)
{
    auto *tabs = rig.w<QTabWidget>("mainTabWidget");
    tabs->setCurrentWidget(rig.w<QWidget>("tabMainRekvs"));
    if (!rig.step("pbCheckOpen") || !rig.step("pbSendMainRekv"))
        return false;
    tabs->setCurrentWidget(rig.w<QWidget>("tabRegPosition"));
    for (int i = 0; i < POSITIONS; ++i) {
        rig.w<QLineEdit>("lePosProductName")->setText(QStringLiteral("Товар %1").arg(i + 1));
        rig.w<QDoubleSpinBox>("sbPositionSumm")->setValue(10 + i);
        rig.w<QDoubleSpinBox>("sbPositionProductCount")->setValue(1.5);
        if (!rig.step("pbRegPosition"))
            return false;
    }
    tabs->setCurrentWidget(rig.w<QWidget>("tabPayment"));
    rig.w<QDoubleSpinBox>("sbCheckPaySumm")->setValue(10000);
    return rig.step("pbRegCheckPayment") && rig.step("pbCloseCheck");
}

void BM_Receipt100(benchmark::State &state)
{
    const bool files = state.range(0) != 0;
    const bool log = state.range(1) != 0;
    const bool overlays = state.range(2) != 0;
    QtMessageHandler previous = nullptr;
    if (!log)
        previous = qInstallMessageHandler(dropMessages);
    Rig rig;
    if (!setUp(rig, files)) {
        state.SkipWithError("the page cannot reach orvaemu");
        tearDown(rig);
        return;
    }
    rig.w<QLineEdit>("lePositionEdinica")->setText(QStringLiteral("кг"));
    if (!overlays)
        FrCfgRoot::instance()->setMainWindow(nullptr);
    LinkProbe probe(FrCfgRoot::instance()->commandsController());
    qint64 receipts = 0;
    QElapsedTimer wall;
    qint64 wallNs = 0;
    for (auto _ : state) {
        wall.start();
        if (!receipt(rig)) {
            state.SkipWithError(
                qPrintable(QStringLiteral("receipt failed: %1").arg(rig.prompts.last)));
            break;
        }
        wallNs += wall.nsecsElapsed();
        ++receipts;
    }
    if (receipts > 0) {
        const double n = double(receipts);
        state.counters["commands"] = double(probe.commands) / n;
        state.counters["aborts"] = double(probe.aborts) / n;
        qint64 waited = 0;
        const std::pair<int, const char *> kinds[] = { { 0xC4, "abort_ms" }, { 0x3F, "state_ms" },
            { 0xE6, "position_ms" }, { 0xE8, "requisite_ms" } };
        for (const auto &k : kinds) {
            state.counters[k.second] = double(probe.waitNs[k.first]) / n / 1e6;
            waited += probe.waitNs[k.first];
        }
        qint64 other = 0;
        for (const auto &p : probe.waitNs)
            other += p.second;
        other -= waited;
        state.counters["other_cmd_ms"] = double(other) / n / 1e6;
        state.counters["gui_ms"] = double(wallNs - waited - other) / n / 1e6;
    }
    tearDown(rig);
    if (!log)
        qInstallMessageHandler(previous);
}

} // namespace

BENCHMARK(BM_Receipt100)
    ->ArgNames({ "files", "log", "overlays" })
    ->Args({ 0, 0, 0 })
    ->Args({ 0, 0, 1 })
    ->Args({ 0, 1, 1 })
    ->Args({ 1, 1, 1 })
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(3.0);

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TempProfile profile;
    QApplication app(argc, argv);
    FrCfgRoot root(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
