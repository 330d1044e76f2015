// One device command through the whole link: builder, controller, transport worker thread,
// loopback TCP, and a scripted register in a thread of its own that answers every task at
// once with an unsolicited 0xA6 result. Each iteration is one command, timed from the
// builder call to the controller's assyncAnswer; the median and 99th percentile are
// reported as counters besides the mean.

#include "benchlatency.h"
#include "scripteddevice.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QThread>

namespace {

FrCommandsController *g_controller = nullptr;

void BM_RoundTripState(benchmark::State &state)
{
    benchlatency::roundTrip(state, g_controller,
        [](FrCommandsController *ctl) { return ctl->sendGetFrStateCommand(false); });
}

void BM_RoundTripRaw(benchmark::State &state)
{
    const QByteArray payload(int(state.range(0)), char(0x31));
    benchlatency::roundTrip(state, g_controller,
        [&](FrCommandsController *ctl) { return ctl->sendFrCommand(0x91, payload).tid; });
}

} // namespace

BENCHMARK(BM_RoundTripState)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_RoundTripRaw)->Arg(16)->Arg(1024)->UseRealTime()->MinTime(2.0);

int main(int argc, char **argv)
{
    // Protocol log lines would measure the logger, not the link.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
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
    const auto setUp = [&] {
        // One frame per command, as a register that finishes the task at once sends.
        device->script(0x3F, ScriptedDevice::ResultOnly, device->stateAnswer());
        device->script(0x91, ScriptedDevice::ResultOnly, QByteArray::fromHex("550000"));
        listening = device->listen();
    };
    QMetaObject::invokeMethod(device, setUp, Qt::BlockingQueuedConnection);
    FrCommandsController controller;
    const bool up = listening
        && benchlatency::startLink(&controller, QStringLiteral("127.0.0.1"), device->port());
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
