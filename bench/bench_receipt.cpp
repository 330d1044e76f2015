// A receipt of 100 positions driven through the cash page against orvaemu on loopback:
// open, the receipt's requisites, 100 positions each with its requisites, a payment and
// the close, as the buttons do it, with the main window and its overlays. The register is
// brought into registration once beforehand, so every operation's mode change finds it there.
//
// Arguments: emulator state and journal files (0/1), the wait overlays (0: the root knows no
// main window, so the page's overlay calls do nothing). Counters per receipt: device commands
// and aborts.

#include "cashmodewidget.h"
#include "emulatorprocess.h"
#include "frcfgroot.h"
#include "frcommandscontroller.h"
#include "mainwindow.h"
#include "tempprofile.h"
#include "userprompts.h"

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

#include <memory>

namespace {

// Answers every prompt at once and ends the wait of the step that caused it.
class Prompts : public UserPrompts::Handler
{
public:
    UserPrompts::Reply prompt(QWidget *, const UserPrompts::Request &r) override
    {
        UserPrompts::Reply reply;
        reply.accepted = r.kind != UserPrompts::Question;
        reply.text = QStringLiteral("Смена 1");
        if (r.kind == UserPrompts::TextInput)
            return reply;
        last = r.text;
        ++shown;
        failed |= r.kind != UserPrompts::Information;
        if (loop)
            loop->quit();
        return reply;
    }
    QEventLoop *loop = nullptr;
    QString last;
    int shown = 0;
    bool failed = false;
};

class Rig
{
public:
    explicit Rig(bool files)
    {
        FrCommandsController *c = FrCfgRoot::instance()->commandsController();
        QObject::connect(c, &FrCommandsController::needSendCommand, &m_context,
            [this](quint8, const QByteArray &data) {
                aborts += data.startsWith('\xC4');
                // A resent add-task record carries the same TID.
                if (data.startsWith('\xC1') && data.size() >= 6 && quint8(data[2]) != m_lastTid) {
                    m_lastTid = quint8(data[2]);
                    ++commands;
                }
            });
        QStringList args;
        if (files)
            args << "--state" << m_files.filePath("state.json") << "--journal"
                 << m_files.filePath("journal.jsonl");
        if (!m_emulator.start(args))
            return;
        c->setTcpEndpoint(QStringLiteral("127.0.0.1"), m_emulator.port());
        c->start();
        QElapsedTimer t;
        t.start();
        while (!(c->isConnected() && c->bufferSize() == 0) && t.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        m_window.reset(new MainWindow(FrCfgRoot::instance()->sessionManager()));
        FrCfgRoot::instance()->setMainWindow(m_window.get());
        m_window->show();
        m_window->findChild<QAbstractButton *>(QStringLiteral("pbRegs"))->click();
        m_page = m_window->findChild<CashModeWidget *>(QStringLiteral("pageCashbox"));
        UserPrompts::setHandler(&prompts);
    }
    ~Rig()
    {
        UserPrompts::setHandler(nullptr);
        FrCfgRoot::instance()->setMainWindow(nullptr);
        m_window.reset();
        FrCfgRoot::instance()->commandsController()->stop();
    }

    // Clicks and runs the event loop until the page tells the user the outcome.
    bool step(const char *button)
    {
        QEventLoop loop;
        prompts.loop = &loop;
        const int shown = prompts.shown;
        QTimer::singleShot(10000, &loop, &QEventLoop::quit);
        w<QAbstractButton>(button)->click();
        loop.exec();
        prompts.loop = nullptr;
        return prompts.shown > shown && !prompts.failed
            && m_page->pendingOperation() == CashModeWidget::NoOperation;
    }
    bool receipt()
    {
        auto *tabs = w<QTabWidget>("mainTabWidget");
        tabs->setCurrentWidget(w<QWidget>("tabMainRekvs"));
        if (!step("pbCheckOpen") || !step("pbSendMainRekv"))
            return false;
        tabs->setCurrentWidget(w<QWidget>("tabRegPosition"));
        for (int i = 0; i < 100; ++i) {
            w<QLineEdit>("lePosProductName")->setText(QStringLiteral("Товар %1").arg(i + 1));
            w<QDoubleSpinBox>("sbPositionSumm")->setValue(10 + i);
            w<QDoubleSpinBox>("sbPositionProductCount")->setValue(1.5);
            if (!step("pbRegPosition"))
                return false;
        }
        tabs->setCurrentWidget(w<QWidget>("tabPayment"));
        w<QDoubleSpinBox>("sbCheckPaySumm")->setValue(10000);
        return step("pbRegCheckPayment") && step("pbCloseCheck");
    }
    template<typename T>
    T *w(const char *name) const
    {
        return m_page->findChild<T *>(QLatin1String(name));
    }

    Prompts prompts;
    qint64 commands = 0, aborts = 0;
    CashModeWidget *m_page = nullptr;

private:
    QObject m_context;
    quint8 m_lastTid = 0;
    QTemporaryDir m_files;
    EmulatorProcess m_emulator;
    std::unique_ptr<MainWindow> m_window;
};

void BM_Receipt100(benchmark::State &state)
{
    Rig rig(state.range(0) != 0);
    if (!rig.m_page || !rig.step("pbCycleOpen")) {
        state.SkipWithError("the page cannot reach orvaemu");
        return;
    }
    rig.w<QLineEdit>("lePositionEdinica")->setText(QStringLiteral("кг"));
    if (state.range(1) == 0)
        FrCfgRoot::instance()->setMainWindow(nullptr);
    rig.commands = rig.aborts = 0;
    qint64 receipts = 0;
    for (auto _ : state) {
        if (!rig.receipt()) {
            state.SkipWithError(qPrintable("receipt failed: " + rig.prompts.last));
            return;
        }
        ++receipts;
    }
    const double n = double(receipts);
    state.counters["commands"] = double(rig.commands) / n;
    state.counters["aborts"] = double(rig.aborts) / n;
}

} // namespace

BENCHMARK(BM_Receipt100)
    ->ArgNames({ "files", "overlays" })
    ->Args({ 0, 0 })
    ->Args({ 0, 1 })
    ->Args({ 1, 1 })
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(3.0);

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The program's log goes nowhere: only the page and the link are measured.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
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
