#include "abstractworkercontroller.h"
#include "frcommandscontroller.h"
#include "hexbytes.h"
#include "hostrs232worker.h"
#include "hosttcpworker.h"
#include "scripteddevice.h"
#include "tempprofile.h"

#include <QSignalSpy>
#include <QtTest>

#include <fcntl.h>
#include <memory>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

// Runs workers in their threads, as the commands controller does.
class WorkerHost : public qt5ext::AbstractWorkerController
{
public:
    void add(qt5ext::AbstractWorker *worker) { addWorkerToThread(worker); }
};

using Frames = QList<QPair<quint8, QByteArray>>;

// Collects what a worker reports, in the test's thread (the signals come queued).
class Recorder : public QObject
{
public:
    template<typename Worker>
    void watch(Worker *w)
    {
        connect(w, &Worker::answerReceived, this, [this](quint8 id, QByteArray data) {
            answers.append({ id, data });
        });
        connect(w, &Worker::connectState, this, [this](bool up) { states.append(up); });
    }
    Frames answers;
    QList<bool> states;
};

// A pseudo-terminal: the worker opens the slave as its serial port; the test plays the
// register on the master, where the slave's line settings can be read as well.
struct PtyPair
{
    int master = -1;
    int slave = -1;
    QString slaveName;
    DeviceCodec codec;
    QList<DeviceCodec::Frame> frames;

    ~PtyPair()
    {
        ::close(master);
        ::close(slave);
    }
    bool open()
    {
        char name[256];
        if (::openpty(&master, &slave, name, nullptr, nullptr) != 0)
            return false;
        slaveName = QString::fromLocal8Bit(name);
        return ::fcntl(master, F_SETFL, O_NONBLOCK) == 0;
    }
    bool write(const QByteArray &bytes)
    {
        return ::write(master, bytes.constData(), size_t(bytes.size())) == bytes.size();
    }
    // Frames the worker has written so far.
    int read()
    {
        char buf[512];
        for (ssize_t n; (n = ::read(master, buf, sizeof buf)) > 0;)
            frames += codec.feed(QByteArray(buf, int(n)));
        return frames.size();
    }
};

class TestHostWorkers : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void tcpCarriesFrames_data();
    void tcpCarriesFrames();
    void tcpLinkDown();
    void serialLine_data();
    void serialLine();
    void serialOpenFailureRetried();

private:
    HostTcpWorker *startTcp(Recorder &rec, bool ownEndpoint = false);

    std::unique_ptr<TempProfile> m_profile;
    std::unique_ptr<ScriptedDevice> m_peer;
    std::unique_ptr<WorkerHost> m_host;
    std::unique_ptr<PtyPair> m_pty;
};

void TestHostWorkers::init()
{
    m_profile = std::make_unique<TempProfile>();
    m_peer = std::make_unique<ScriptedDevice>();
    m_peer->setAnswering(false); // the workers only carry frames
    m_host = std::make_unique<WorkerHost>();
    m_pty = std::make_unique<PtyPair>();
}

void TestHostWorkers::cleanup()
{
    m_host.reset(); // the workers go before their peers
    m_pty.reset();
    m_peer.reset();
    m_profile.reset();
}

// Connects a worker to the peer, by the driver's port in the settings or by its own endpoint.
HostTcpWorker *TestHostWorkers::startTcp(Recorder &rec, bool ownEndpoint)
{
    if (!m_peer->listen())
        return nullptr;
    auto *worker = new HostTcpWorker;
    if (ownEndpoint) {
        m_profile->setAtolPort(1); // nothing listens there
        worker->setEndpoint(QStringLiteral("127.0.0.1"), m_peer->port());
    } else {
        m_profile->setAtolPort(m_peer->port());
    }
    rec.watch(worker);
    m_host->add(worker);
    m_host->start();
    if (!m_peer->waitForClient() || !QTest::qWaitFor([&rec] { return !rec.states.isEmpty(); }))
        return nullptr;
    return worker;
}

void TestHostWorkers::tcpCarriesFrames_data()
{
    QTest::addColumn<bool>("ownEndpoint");
    QTest::addColumn<int>("gap");
    QTest::addColumn<bool>("delivered");
    // The codec waits 200 ms for each missing byte of a frame.
    QTest::newRow("own endpoint, frame split for 60 ms") << true << 60 << true;
    QTest::newRow("driver's port, frame split for 600 ms") << false << 600 << false;
}

void TestHostWorkers::tcpCarriesFrames()
{
    QFETCH(bool, ownEndpoint);
    QFETCH(int, gap);
    QFETCH(bool, delivered);
    Recorder rec;
    HostTcpWorker *worker = startTcp(rec, ownEndpoint);
    QVERIFY(worker);
    QMetaObject::invokeMethod(
        worker, "sendCommand", Q_ARG(quint8, 2), Q_ARG(QByteArray, hex("c1020200004d")));
    QVERIFY(m_peer->waitForFrames(1));
    // Golden frame from the codec test.
    QCOMPARE(m_peer->received().toHex(), QByteArray("fe060002c1020200004daf"));

    const QByteArray split = DeviceCodec::encode(5, QByteArray("split-frame"));
    m_peer->sendRaw(split.left(7));
    QTest::qWait(gap);
    m_peer->sendRaw(split.mid(7));
    QTest::qWait(50);
    // Several frames and line noise in one segment get through, whatever happened to the split
    // one: each reported once, in order.
    m_peer->sendRaw(DeviceCodec::encode(0xF0, hex("a60255")) + hex("00")
        + DeviceCodec::encode(3, hex("fe")) + DeviceCodec::encode(4, QByteArray()));
    QTRY_VERIFY(!rec.answers.isEmpty() && rec.answers.last().first == 4);
    Frames expected { { 0xF0, hex("a60255") }, { 3, hex("fe") }, { 4, QByteArray() } };
    if (delivered)
        expected.prepend({ 5, QByteArray("split-frame") });
    QCOMPARE(rec.answers, expected);
    QCOMPARE(rec.states, QList<bool>({ true }));
}

void TestHostWorkers::tcpLinkDown()
{
    HostTcpWorker idle; // never started: no socket at all
    idle.sendCommand(2, hex("c202"));

    Recorder rec;
    HostTcpWorker *worker = startTcp(rec);
    QVERIFY(worker);
    m_peer->dropClient();
    QTRY_COMPARE(rec.states, QList<bool>({ true, false }));
    // No reconnect of its own; the socket is forgotten, so the frame goes nowhere.
    QMetaObject::invokeMethod(
        worker, "sendCommand", Q_ARG(quint8, 2), Q_ARG(QByteArray, hex("c202")));
    bool created = false;
    QMetaObject::invokeMethod(
        worker, "createPort", Qt::BlockingQueuedConnection, Q_RETURN_ARG(bool, created));
    QVERIFY(created); // no socket was left behind
    QTest::qWait(200);
    QCOMPARE(m_peer->frameCount(), 0);
    QCOMPARE(m_peer->connectionCount(), 1);
    QCOMPARE(rec.states.size(), 2);
}

void TestHostWorkers::serialLine_data()
{
    QTest::addColumn<QByteArray>("keys"); // below [FRPORTSETTINGS], beside the port name
    QTest::addColumn<int>("speed");
    QTest::addColumn<int>("cflags"); // which of PARODD, CMSPAR, CSTOPB, CRTSCTS are set
    QTest::addColumn<bool>("xonXoff");

    // A pseudo-terminal keeps 8 data bits and drops PARENB whatever it is told (so even
    // parity cannot be opened on it), but keeps the speed, PARODD, CMSPAR, CSTOPB, CRTSCTS
    // and the software flow control flags.
    QTest::newRow("defaults: 115200 8N1") << QByteArray() << int(B115200) << 0 << false;
    QTest::newRow("9600, odd parity") << QByteArray("frPortBaudrate=9600\nfrPortParity=ODD\n")
                                      << int(B9600) << int(PARODD) << false;
    QTest::newRow("19200, two stop bits, hardware flow")
        << QByteArray("frPortBaudrate=19200\nfrPortStopbits=2\nfrPortFlowControl=HARDWARE\n")
        << int(B19200) << int(CSTOPB | CRTSCTS) << false;
    QTest::newRow("57600, space parity, XON/XOFF")
        << QByteArray("frPortBaudrate=57600\nfrPortParity=SPACE\nfrPortFlowControl=XON/XOFF\n")
        << int(B57600) << int(CMSPAR) << true;
}

void TestHostWorkers::serialLine()
{
    QFETCH(QByteArray, keys);
    QFETCH(int, speed);
    QFETCH(int, cflags);
    QFETCH(bool, xonXoff);

    QVERIFY(m_pty->open());
    QVERIFY(m_profile->writeConfig(QStringLiteral("orvacfgports.conf"),
        "[FRPORTSETTINGS]\nfrPortName=" + m_pty->slaveName.toLocal8Bit() + '\n' + keys));
    FrCommandsController controller;
    QSignalSpy queued(&controller, &FrCommandsController::needSendCommand);
    Recorder rec;
    auto *worker = new HostRs232Worker(&controller);
    rec.watch(worker);
    m_host->add(worker);
    m_host->start();

    // Once the port is open and set up, the worker has the controller queue a device type
    // query; the line is not up before the first answer.
    QTRY_COMPARE(queued.count(), 1);
    QCOMPARE(queued.at(0).at(1).toByteArray().toHex(), QByteArray("c102020000a5"));
    termios line {};
    QCOMPARE(::tcgetattr(m_pty->master, &line), 0);
    QCOMPARE(int(cfgetospeed(&line)), speed);
    QCOMPARE(int(line.c_cflag & (PARODD | CMSPAR | CSTOPB | CRTSCTS)), cflags);
    QCOMPARE(int(line.c_iflag & (IXON | IXOFF)), xonXoff ? int(IXON | IXOFF) : 0);
    QVERIFY(rec.states.isEmpty());

    QMetaObject::invokeMethod(
        worker, "sendCommand", Q_ARG(quint8, 2), Q_ARG(QByteArray, hex("c102020000a5")));
    QTRY_COMPARE(m_pty->read(), 1);
    QVERIFY(m_pty->frames.at(0).valid);
    QCOMPARE(m_pty->frames.at(0).raw.toHex(), DeviceCodec::encode(2, hex("c102020000a5")).toHex());

    QVERIFY(m_pty->write(DeviceCodec::encode(2, hex("a1"))));
    QTRY_COMPARE(rec.answers.size(), 1);
    QCOMPARE(rec.states, QList<bool>({ true }));
    QVERIFY(m_pty->write(
        DeviceCodec::encode(0xF0, hex("a602410042")) + DeviceCodec::encode(7, hex("fdfe"))));
    QTRY_COMPARE(rec.answers.size(), 3);
    const Frames expected { { 2, hex("a1") }, { 0xF0, hex("a602410042") }, { 7, hex("fdfe") } };
    QCOMPARE(rec.answers, expected);
    QCOMPARE(rec.states, QList<bool>({ true })); // reported once
}

void TestHostWorkers::serialOpenFailureRetried()
{
    QVERIFY(m_profile->writeConfig(QStringLiteral("orvacfgports.conf"),
        "[FRPORTSETTINGS]\nfrPortName=/dev/orva-no-such-port\n"));
    Recorder rec;
    auto *worker = new HostRs232Worker;
    worker->setRestartInterval(100);
    rec.watch(worker);
    m_host->add(worker);
    m_host->start();
    QTRY_VERIFY_WITH_TIMEOUT(rec.states.size() >= 3, 5000);
    QVERIFY(!rec.states.contains(true));
    QVERIFY(rec.answers.isEmpty());
}

QTEST_GUILESS_MAIN(TestHostWorkers)
#include "tst_hostworkers.moc"
