// One device command through the whole link: builder, controller, transport worker thread,
// loopback TCP, and a register in a thread of its own that answers every task at once
// with an unsolicited 0xA6 result. Each iteration is one command, timed from the builder
// call to the controller's assyncAnswer; the median and 99th percentile are reported as
// counters besides the mean.

#include "atol31frameparser.h"
#include "frcommandscontroller.h"
#include "patol31.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace {

// Cashier 1, hall 1, 2024-03-05 12:34:56, serial 1234, mode 1.
const char STATE_ANSWER[] = "440101240305123456030000123400000001";

// The register's side: answers each add-task frame with the result right away, and the
// ACK and abort frames with a short acknowledgement under their own identifier.
class LoopbackRegister : public QObject
{
public:
    bool listen()
    {
        m_server = new QTcpServer(this);
        connect(m_server, &QTcpServer::newConnection, this, [this]() {
            while (QTcpSocket *s = m_server->nextPendingConnection()) {
                s->setSocketOption(QAbstractSocket::LowDelayOption, 1);
                connect(s, &QTcpSocket::readyRead, this, [this, s]() { readFrom(s); });
                connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
            }
        });
        return m_server->listen(QHostAddress::LocalHost);
    }
    quint16 port() const { return m_server->serverPort(); }

private:
    void readFrom(QTcpSocket *socket)
    {
        QByteArray out;
        for (const char c : socket->readAll()) {
            if (m_parser.feed(quint8(c)) != Atol31FrameParser::Complete)
                continue;
            const QByteArray in = m_parser.payload();
            if (in.isEmpty())
                continue;
            switch (quint8(in.at(0))) {
            case 0xC1: { // add task: 0xC1, flags, TID, password (2), code, payload
                const char tid = in.size() > 2 ? in.at(2) : char(0);
                const quint8 code = in.size() > 5 ? quint8(in.at(5)) : 0;
                const QByteArray answer = code == 0x3F
                    ? QByteArray::fromHex(STATE_ANSWER)
                    : QByteArray::fromHex("550000") + in.mid(6, 16);
                out += PAtol31::buildFrame(0xF0, QByteArray(1, char(0xA6)) + tid + answer);
                break;
            }
            case 0xC2:
            case 0xC4:
                out += PAtol31::buildFrame(m_parser.id(), QByteArray(1, char(0xA0)));
                break;
            default:
                break;
            }
        }
        if (!out.isEmpty())
            socket->write(out);
    }

    QTcpServer *m_server = nullptr;
    Atol31FrameParser m_parser;
};

void dropMessages(QtMsgType, const QMessageLogContext &, const QString &) { }

// The controller, connected to the register, shared by every benchmark of the run.
struct Link
{
    QThread registerThread;
    LoopbackRegister *device = nullptr;
    std::unique_ptr<FrCommandsController> controller;
    bool up = false;

    bool open()
    {
        device = new LoopbackRegister;
        device->moveToThread(&registerThread);
        QObject::connect(&registerThread, &QThread::finished, device, &QObject::deleteLater);
        registerThread.start();
        bool listening = false;
        QMetaObject::invokeMethod(
            device, [&]() { listening = device->listen(); }, Qt::BlockingQueuedConnection);
        if (!listening)
            return false;

        controller.reset(new FrCommandsController);
        controller->setTcpEndpoint(QStringLiteral("127.0.0.1"), device->port());
        QEventLoop loop;
        QObject::connect(
            controller.get(), &FrCommandsController::connectState, &loop, [&](bool connected) {
                up = connected;
                loop.quit();
            });
        QTimer::singleShot(5000, &loop, &QEventLoop::quit);
        controller->start();
        loop.exec();
        return up;
    }

    void close()
    {
        if (controller)
            controller->stop();
        controller.reset();
        registerThread.quit();
        registerThread.wait();
    }
};

Link *g_link = nullptr;

template<typename Send>
void roundTrip(benchmark::State &state, Send send)
{
    if (!g_link || !g_link->up) {
        state.SkipWithError("no link to the loopback register");
        return;
    }
    FrCommandsController *ctl = g_link->controller.get();
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
    us.reserve(1 << 16);
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
    QObject::disconnect(a);
    QObject::disconnect(e);
    if (us.empty())
        return;
    std::sort(us.begin(), us.end());
    const size_t n = us.size();
    state.counters["median_us"] = n % 2 ? us[n / 2] : (us[n / 2 - 1] + us[n / 2]) / 2;
    state.counters["p99_us"] = us[size_t(std::ceil(0.99 * double(n))) - 1];
    state.counters["max_us"] = us.back();
}

void BM_RoundTripState(benchmark::State &state)
{
    roundTrip(state, [](FrCommandsController *ctl) { return ctl->sendGetFrStateCommand(false); });
}

void BM_RoundTripMoney(benchmark::State &state)
{
    roundTrip(state, [](FrCommandsController *ctl) { return ctl->sendGetFrMoneyCommand().tid; });
}

void BM_RoundTripRaw(benchmark::State &state)
{
    const QByteArray payload(int(state.range(0)), char(0x31));
    roundTrip(
        state, [&](FrCommandsController *ctl) { return ctl->sendFrCommand(0x91, payload).tid; });
}

} // namespace

BENCHMARK(BM_RoundTripState)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_RoundTripMoney)->UseRealTime()->MinTime(2.0);
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
    Link link;
    if (!link.open())
        fprintf(stderr, "loopback register unreachable\n");
    g_link = &link;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_link = nullptr;
    link.close();
    return 0;
}
