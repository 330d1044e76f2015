// One device command through the whole link: builder, controller, transport worker thread,
// loopback TCP, and a scripted register in a thread of its own that answers every task at
// once with an unsolicited 0xA6 result. Each iteration is one command, timed from the
// builder call to the controller's assyncAnswer; the median and 99th percentile are
// reported as counters besides the mean.

#include "frcommandscontroller.h"
#include "scripteddevice.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

void dropMessages(QtMsgType, const QMessageLogContext &, const QString &) { }

FrCommandsController *g_controller = nullptr;

template<typename Send>
void roundTrip(benchmark::State &state, Send send)
{
    if (!g_controller) {
        state.SkipWithError("no link to the loopback register");
        return;
    }
    QEventLoop loop;
    quint8 waitTid = 0;
    bool done = false;
    const auto finished = [&](quint8 tid, QByteArray) {
        if (tid == waitTid) {
            done = true;
            loop.quit();
        }
    };
    const QMetaObject::Connection a
        = QObject::connect(g_controller, &FrCommandsController::assyncAnswer, &loop, finished);
    const QMetaObject::Connection e
        = QObject::connect(g_controller, &FrCommandsController::assyncError, &loop, finished);
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);
    std::vector<double> us;
    QElapsedTimer timer;
    for (auto _ : state) {
        done = false;
        timer.start();
        waitTid = send(g_controller);
        guard.start(2000);
        if (!done)
            loop.exec();
        us.push_back(double(timer.nsecsElapsed()) / 1000.0);
        if (!done) {
            state.SkipWithError("no answer within 2 s");
            break;
        }
    }
    QObject::disconnect(a);
    QObject::disconnect(e);
    std::sort(us.begin(), us.end());
    const size_t n = us.size();
    if (n == 0)
        return;
    state.counters["median_us"] = n % 2 ? us[n / 2] : (us[n / 2 - 1] + us[n / 2]) / 2;
    state.counters["p99_us"] = us[size_t(std::ceil(0.99 * double(n))) - 1];
    state.counters["max_us"] = us.back();
}

void BM_RoundTripState(benchmark::State &state)
{
    roundTrip(state, [](FrCommandsController *ctl) { return ctl->sendGetFrStateCommand(false); });
}

void BM_RoundTripRaw(benchmark::State &state)
{
    const QByteArray payload(int(state.range(0)), char(0x31));
    roundTrip(
        state, [&](FrCommandsController *ctl) { return ctl->sendFrCommand(0x91, payload).tid; });
}

} // namespace

BENCHMARK(BM_RoundTripState)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_RoundTripRaw)->Arg(16)->Arg(1024)->UseRealTime()->MinTime(2.0);

int main(int argc, char **argv)
{
    // Protocol log lines would measure the logger, not the link.
    qInstallMessageHandler(dropMessages);
    QTemporaryDir profile;
    qputenv("ALLUSERSPROFILE", profile.path().toLocal8Bit());
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;

    QThread registerThread;
    auto *device = new ScriptedDevice;
    device->moveToThread(&registerThread);
    QObject::connect(&registerThread, &QThread::finished, device, &QObject::deleteLater);
    registerThread.start();
    bool listening = false;
    QMetaObject::invokeMethod(
        device,
        [&]() {
            // One frame per command, as a register that finishes the task at once sends.
            device->script(0x3F, ScriptedDevice::ResultOnly, device->stateAnswer());
            device->script(0x91, ScriptedDevice::ResultOnly, QByteArray::fromHex("550000"));
            listening = device->listen();
        },
        Qt::BlockingQueuedConnection);
    FrCommandsController controller;
    controller.setTcpEndpoint(QStringLiteral("127.0.0.1"), device->port());
    QEventLoop loop;
    bool up = false;
    QObject::connect(&controller, &FrCommandsController::connectState, &loop, [&](bool connected) {
        up = connected;
        loop.quit();
    });
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    if (listening && controller.start())
        loop.exec();
    if (up)
        g_controller = &controller;
    else
        fprintf(stderr, "loopback register unreachable\n");
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_controller = nullptr;
    controller.stop();
    registerThread.quit();
    registerThread.wait();
    return 0;
}
