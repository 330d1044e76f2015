#ifndef BENCHLATENCY_H
#define BENCHLATENCY_H

// What the link and bus benchmarks share: latencies reported as counters, and one device
// command timed from the builder call to its result through the command buffer controller.

#include "frcommandscontroller.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace benchlatency {

inline void report(benchmark::State &state, std::vector<double> &us)
{
    if (us.empty())
        return;
    std::sort(us.begin(), us.end());
    const size_t n = us.size();
    state.counters["median_us"] = n % 2 ? us[n / 2] : (us[n / 2 - 1] + us[n / 2]) / 2;
    state.counters["p99_us"] = us[size_t(std::ceil(0.99 * double(n))) - 1];
    state.counters["max_us"] = us.back();
}

// Starts the controller's TCP link and waits until it is up (at most 5 s).
inline bool startLink(FrCommandsController *ctl, const QString &host, quint16 port)
{
    ctl->setTcpEndpoint(host, port);
    QEventLoop loop;
    bool up = false;
    QObject::connect(ctl, &FrCommandsController::connectState, &loop, [&](bool connected) {
        up = connected;
        loop.quit();
    });
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    if (ctl->start())
        loop.exec();
    return up;
}

// Each iteration sends one command (send returns its TID) and waits for its result.
template<typename Send>
void roundTrip(benchmark::State &state, FrCommandsController *ctl, Send send)
{
    if (!ctl) {
        state.SkipWithError("no link to the register");
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
    // Both connections go with the loop when the benchmark ends.
    QObject::connect(ctl, &FrCommandsController::assyncAnswer, &loop, finished);
    QObject::connect(ctl, &FrCommandsController::assyncError, &loop, finished);
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);
    std::vector<double> us;
    QElapsedTimer timer;
    for (auto _ : state) {
        done = false;
        timer.start();
        waitTid = send(ctl);
        guard.start(2000);
        if (!done)
            loop.exec();
        us.push_back(double(timer.nsecsElapsed()) / 1000.0);
        if (!done) {
            state.SkipWithError("no answer within 2 s");
            break;
        }
    }
    report(state, us);
}

} // namespace benchlatency

#endif // BENCHLATENCY_H
