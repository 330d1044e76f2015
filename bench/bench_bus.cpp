// Fiscal core calls over the application bus against orvaemu's service, each through the
// configurator's own client (CashboxBusController, FrcoreExternalApi): a small call, the full
// state, an object load. Beside them, in the same run and against the same emulator, one
// device command over the ATOL link (state request through the command buffer controller).
// Each iteration is one call; median, 99th percentile and maximum are reported as counters.

#include "cashboxbuscontroller.h"
#include "frcommandscontroller.h"
#include "frcoreexternalapi.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <vector>

namespace {

void dropMessages(QtMsgType, const QMessageLogContext &, const QString &) { }

struct Setup
{
    QTemporaryDir dir;
    QProcess emulator;
    quint16 atolPort = 0;
    std::unique_ptr<CashboxBusController> bus;
    core::FrcoreExternalApi *api = nullptr;
    std::unique_ptr<FrCommandsController> atol;
    bool atolUp = false;

    QString busName() const { return dir.path() + QStringLiteral("/bus.sock"); }

    bool start()
    {
        emulator.setProcessChannelMode(QProcess::MergedChannels);
        emulator.start(QStringLiteral(ORVAEMU_PATH),
            { QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--bus"), busName(),
                QStringLiteral("--state"), dir.path() + QStringLiteral("/state.json") });
        const QRegularExpression listening(QStringLiteral("listening on 127\\.0\\.0\\.1:(\\d+)"));
        QString output;
        QDeadlineTimer deadline(20000);
        while (!deadline.hasExpired() && emulator.state() != QProcess::NotRunning) {
            emulator.waitForReadyRead(100);
            output += QString::fromLocal8Bit(emulator.readAll());
            const QRegularExpressionMatch m = listening.match(output);
            if (m.hasMatch()) {
                atolPort = quint16(m.captured(1).toUInt());
                break;
            }
        }
        if (!atolPort)
            return false;

        bus.reset(new CashboxBusController);
        bus->setServerName(busName());
        bus->start();
        api = bus->createFrcoreApi(bus.get());
        api->setTimeout(2000);

        atol.reset(new FrCommandsController);
        atol->setTcpEndpoint(QStringLiteral("127.0.0.1"), atolPort);
        QEventLoop loop;
        QObject::connect(atol.get(), &FrCommandsController::connectState, &loop, [&](bool up) {
            atolUp = up;
            loop.quit();
        });
        QTimer::singleShot(5000, &loop, &QEventLoop::quit);
        atol->start();
        loop.exec();
        return atolUp;
    }

    void stop()
    {
        if (atol)
            atol->stop();
        atol.reset();
        bus.reset();
        emulator.terminate();
        emulator.waitForFinished(5000);
    }
};

Setup *g_setup = nullptr;

void report(benchmark::State &state, std::vector<double> &us)
{
    if (us.empty())
        return;
    std::sort(us.begin(), us.end());
    const size_t n = us.size();
    state.counters["median_us"] = n % 2 ? us[n / 2] : (us[n / 2 - 1] + us[n / 2]) / 2;
    state.counters["p99_us"] = us[size_t(std::ceil(0.99 * double(n))) - 1];
    state.counters["max_us"] = us.back();
}

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
    report(state, us);
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
    if (!g_setup) {
        state.SkipWithError("orvaemu did not start");
        return;
    }
    FrCommandsController *ctl = g_setup->atol.get();
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
        = QObject::connect(ctl, &FrCommandsController::assyncAnswer, &loop, finished);
    const QMetaObject::Connection e
        = QObject::connect(ctl, &FrCommandsController::assyncError, &loop, finished);
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);
    std::vector<double> us;
    QElapsedTimer timer;
    for (auto _ : state) {
        done = false;
        timer.start();
        waitTid = ctl->sendGetFrStateCommand(false);
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
    report(state, us);
}

} // namespace

BENCHMARK(BM_BusGetCashiers)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_BusGetFullFrCoreState)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_BusLoadTaxMap)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_AtolStateRoundTrip)->UseRealTime()->MinTime(2.0);

int main(int argc, char **argv)
{
    // Log lines would measure the logger, not the bus.
    qInstallMessageHandler(dropMessages);
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
