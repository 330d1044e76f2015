// Fiscal core calls over the application bus against orvaemu's service, each through the
// configurator's own client (CashboxBusController, FrcoreExternalApi): a small call, the full
// state, an object load; beside them, in the same run and against the same emulator, one
// device command over the ATOL link. Each iteration is one call; median, 99th percentile and
// maximum are reported as counters.

#include "benchlatency.h"
#include "cashboxbuscontroller.h"
#include "emulatorprocess.h"
#include "frcoreexternalapi.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <functional>
#include <memory>
#include <vector>

namespace {

struct Setup
{
    QTemporaryDir dir;
    EmulatorProcess emulator;
    std::unique_ptr<CashboxBusController> bus;
    core::FrcoreExternalApi *api = nullptr;
    std::unique_ptr<FrCommandsController> atol;

    bool start()
    {
        const QString busName = dir.filePath(QStringLiteral("bus.sock"));
        if (!emulator.start({ QStringLiteral("--bus"), busName, QStringLiteral("--state"),
                dir.filePath(QStringLiteral("state.json")) }))
            return false;
        bus.reset(new CashboxBusController);
        bus->setServerName(busName);
        bus->start();
        api = bus->createFrcoreApi(bus.get());
        api->setTimeout(2000);
        atol.reset(new FrCommandsController);
        return benchlatency::startLink(atol.get(), QStringLiteral("127.0.0.1"), emulator.port());
    }

    void stop()
    {
        if (atol)
            atol->stop();
        atol.reset();
        bus.reset();
        emulator.stop();
    }
};

Setup *g_setup = nullptr;

void busCall(benchmark::State &state, const std::function<bool(core::FrcoreExternalApi *)> &call)
{
    if (!g_setup) {
        state.SkipWithError("orvaemu did not start");
        return;
    }
    std::vector<double> us;
    us.reserve(1 << 16);
    QElapsedTimer timer;
    for (auto _ : state) {
        timer.start();
        const bool ok = call(g_setup->api);
        us.push_back(double(timer.nsecsElapsed()) / 1000.0);
        if (!ok) {
            state.SkipWithError(qPrintable(g_setup->api->lastErrorText()));
            break;
        }
    }
    benchlatency::report(state, us);
}

void BM_BusGetCashiers(benchmark::State &state)
{
    busCall(state, [](core::FrcoreExternalApi *api) {
        QList<core::Cashier> cashiers;
        return api->getCashiers(cashiers);
    });
}

void BM_BusGetFullFrCoreState(benchmark::State &state)
{
    busCall(state, [](core::FrcoreExternalApi *api) {
        core::FrCoreFullState s;
        return api->getFullFrCoreState(s);
    });
}

void BM_BusLoadTaxMap(benchmark::State &state)
{
    busCall(state, [](core::FrcoreExternalApi *api) {
        core::AtolTaxMap map;
        return api->getTaxMap(map);
    });
}

void BM_AtolStateRoundTrip(benchmark::State &state)
{
    benchlatency::roundTrip(state, g_setup ? g_setup->atol.get() : nullptr,
        [](FrCommandsController *ctl) { return ctl->sendGetFrStateCommand(false); });
}

} // namespace

BENCHMARK(BM_BusGetCashiers)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_BusGetFullFrCoreState)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_BusLoadTaxMap)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_AtolStateRoundTrip)->UseRealTime()->MinTime(2.0);

int main(int argc, char **argv)
{
    // Log lines would measure the logger, not the bus.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    QTemporaryDir profile;
    qputenv("ALLUSERSPROFILE", profile.path().toLocal8Bit());
    QCoreApplication app(argc, argv);

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    Setup setup;
    if (setup.start())
        g_setup = &setup;
    else
        fprintf(stderr, "orvaemu did not start or its ATOL port did not answer\n");
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_setup = nullptr;
    setup.stop();
    return 0;
}
