#include "abstractworkercontroller.h"
#include "frcommandscontroller.h"
#include "hostrs232worker.h"
#include "hosttcpworker.h"
#include "scripteddevice.h"
#include "tempprofile.h"

#include <QProcess>
#include <QRegularExpression>
#include <QSerialPort>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QtTest>

#include <memory>

// Runs workers in their threads, as the commands controller does.
class WorkerHost : public qt5ext::AbstractWorkerController
{
public:
    void add(qt5ext::AbstractWorker *worker) { addWorkerToThread(worker); }
};

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
    QList<QPair<quint8, QByteArray>> answers;
    QList<bool> states;
};

class TestHostWorkers : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void tcpEndpointOverride();
    void tcpSendsFrames();
    void tcpSeveralFramesInOneSegment();
    void tcpSplitFrame_data();
    void tcpSplitFrame();
    void tcpLinkDown();
    void serialOverPtyPair();
    void serialOpenFailureRetried();

private:
    HostTcpWorker *startTcp(Recorder &rec);

    std::unique_ptr<TempProfile> m_profile;
    std::unique_ptr<ScriptedDevice> m_peer;
    std::unique_ptr<WorkerHost> m_host;
};

void TestHostWorkers::init()
{
    m_profile = std::make_unique<TempProfile>();
    m_peer = std::make_unique<ScriptedDevice>();
    m_peer->setAnswering(false); // the workers only carry frames
    m_host = std::make_unique<WorkerHost>();
}

void TestHostWorkers::cleanup()
{
    m_host.reset();
    m_peer.reset();
    m_profile.reset();
}

HostTcpWorker *TestHostWorkers::startTcp(Recorder &rec)
{
    if (!m_peer->listen())
        return nullptr;
    m_profile->setAtolPort(m_peer->port());
    auto *worker = new HostTcpWorker;
    rec.watch(worker);
    m_host->add(worker);
    m_host->start();
    if (!m_peer->waitForClient())
        return nullptr;
    return worker;
}

void TestHostWorkers::tcpEndpointOverride()
{
    QVERIFY(m_peer->listen());
    m_profile->setAtolPort(1); // nothing listens there
    Recorder rec;
    auto *worker = new HostTcpWorker;
    worker->setEndpoint(QStringLiteral("127.0.0.1"), m_peer->port());
    rec.watch(worker);
    m_host->add(worker);
    m_host->start();
    QVERIFY(m_peer->waitForClient());
    QTRY_COMPARE(rec.states, QList<bool>({ true }));
}

void TestHostWorkers::tcpSendsFrames()
{
    Recorder rec;
    HostTcpWorker *worker = startTcp(rec);
    QVERIFY(worker);
    QMetaObject::invokeMethod(worker, "sendCommand", Q_ARG(quint8, 2),
        Q_ARG(QByteArray, QByteArray::fromHex("c1020200004d")));
    QVERIFY(m_peer->waitForFrames(1));
    // Golden frame from the codec test.
    QCOMPARE(m_peer->received().toHex(), QByteArray("fe060002c1020200004daf"));
}

void TestHostWorkers::tcpSeveralFramesInOneSegment()
{
    Recorder rec;
    QVERIFY(startTcp(rec));
    QTRY_COMPARE(rec.states.size(), 1);
    QByteArray segment;
    segment += DeviceCodec::encode(0xF0, QByteArray::fromHex("a60255"));
    segment += QByteArray::fromHex("00"); // line noise between frames
    segment += DeviceCodec::encode(3, QByteArray::fromHex("fe"));
    segment += DeviceCodec::encode(4, QByteArray());
    m_peer->sendRaw(segment);
    QTRY_COMPARE(rec.answers.size(), 3);
    QCOMPARE(int(rec.answers.at(0).first), 0xF0);
    QCOMPARE(rec.answers.at(0).second.toHex(), QByteArray("a60255"));
    QCOMPARE(int(rec.answers.at(1).first), 3);
    QCOMPARE(rec.answers.at(1).second.toHex(), QByteArray("fe"));
    QCOMPARE(int(rec.answers.at(2).first), 4);
    QVERIFY(rec.answers.at(2).second.isEmpty());
}

void TestHostWorkers::tcpSplitFrame_data()
{
    QTest::addColumn<int>("gap");
    QTest::addColumn<bool>("delivered");
    // The codec waits 200 ms for each missing byte.
    QTest::newRow("within 200 ms") << 60 << true;
    QTest::newRow("beyond 200 ms") << 600 << false;
}

void TestHostWorkers::tcpSplitFrame()
{
    QFETCH(int, gap);
    QFETCH(bool, delivered);
    Recorder rec;
    QVERIFY(startTcp(rec));
    QTRY_COMPARE(rec.states.size(), 1);
    const QByteArray frame = DeviceCodec::encode(5, QByteArray("split-frame"));
    m_peer->sendRaw(frame.left(7));
    QTest::qWait(gap);
    m_peer->sendRaw(frame.mid(7));
    // A whole frame afterwards always gets through, whatever happened to the split one.
    QTest::qWait(50);
    m_peer->sendRaw(DeviceCodec::encode(6, QByteArray("next")));
    QTRY_VERIFY(!rec.answers.isEmpty() && rec.answers.last().first == 6);
    QTest::qWait(50);
    QCOMPARE(rec.answers.size(), delivered ? 2 : 1);
    if (delivered)
        QCOMPARE(rec.answers.first().second, QByteArray("split-frame"));
}

void TestHostWorkers::tcpLinkDown()
{
    // Never started: no socket at all.
    HostTcpWorker idle;
    idle.sendCommand(2, QByteArray::fromHex("c202"));

    Recorder rec;
    HostTcpWorker *worker = startTcp(rec);
    QVERIFY(worker);
    QTRY_COMPARE(rec.states, QList<bool>({ true }));
    m_peer->dropClient();
    QTRY_COMPARE(rec.states, QList<bool>({ true, false }));
    // No reconnect of its own.
    QTest::qWait(200);
    QCOMPARE(m_peer->connectionCount(), 1);
    QCOMPARE(rec.states.size(), 2);
    // The socket is forgotten: the frame goes nowhere, and the worker lives on.
    QMetaObject::invokeMethod(
        worker, "sendCommand", Q_ARG(quint8, 2), Q_ARG(QByteArray, QByteArray::fromHex("c202")));
    bool created = true;
    QMetaObject::invokeMethod(
        worker, "createPort", Qt::BlockingQueuedConnection, Q_RETURN_ARG(bool, created));
    QVERIFY(created); // no socket was left behind
    QCOMPARE(m_peer->frameCount(), 0);
    QCOMPARE(m_peer->connectionCount(), 1);
}

void TestHostWorkers::serialOverPtyPair()
{
    const QString socat = QStandardPaths::findExecutable(QStringLiteral("socat"));
    if (socat.isEmpty())
        QSKIP("socat is not installed");
    QProcess pair;
    pair.start(socat, { "-d", "-d", "pty,raw,echo=0", "pty,raw,echo=0" });
    QVERIFY(pair.waitForStarted());
    QStringList ptys;
    const QRegularExpression re(QStringLiteral("PTY is (\\S+)"));
    QByteArray err;
    QElapsedTimer timer;
    timer.start();
    while (ptys.size() < 2 && timer.elapsed() < 5000) {
        pair.waitForReadyRead(100);
        err += pair.readAllStandardError();
        ptys.clear();
        auto it = re.globalMatch(QString::fromLocal8Bit(err));
        while (it.hasNext())
            ptys << it.next().captured(1);
    }
    if (ptys.size() < 2)
        QSKIP("socat made no pty pair");

    QVERIFY(m_profile->writeConfig(QStringLiteral("orvacfgports.conf"),
        "[FRPORTSETTINGS]\nfrPortName=" + ptys.at(0).toLocal8Bit() + "\nfrPortBaudrate=115200\n"));

    QSerialPort device(ptys.at(1));
    QVERIFY(device.open(QIODevice::ReadWrite));
    DeviceCodec deviceCodec;
    QList<DeviceCodec::Frame> toDevice;
    connect(&device, &QSerialPort::readyRead, this,
        [&] { toDevice += deviceCodec.feed(device.readAll()); });

    FrCommandsController controller;
    QSignalSpy queued(&controller, &FrCommandsController::needSendCommand);
    Recorder rec;
    auto *worker = new HostRs232Worker(&controller);
    QCOMPARE(worker->restartInterval(), 15000);
    rec.watch(worker);
    m_host->add(worker);
    m_host->start();

    // After opening, the worker has the controller queue a device type query.
    QTRY_COMPARE(queued.count(), 1);
    QCOMPARE(queued.at(0).at(1).toByteArray().toHex(), QByteArray("c102020000a5"));
    QTest::qWait(100);
    QVERIFY(rec.states.isEmpty()); // not up before the first answer

    QMetaObject::invokeMethod(worker, "sendCommand", Q_ARG(quint8, 2),
        Q_ARG(QByteArray, QByteArray::fromHex("c102020000a5")));
    QTRY_COMPARE(toDevice.size(), 1);
    QCOMPARE(toDevice.at(0).raw.toHex(),
        DeviceCodec::encode(2, QByteArray::fromHex("c102020000a5")).toHex());
    QVERIFY(toDevice.at(0).valid);

    device.write(DeviceCodec::encode(2, QByteArray::fromHex("a1")));
    QTRY_COMPARE(rec.answers.size(), 1);
    QCOMPARE(rec.states, QList<bool>({ true }));
    QCOMPARE(int(rec.answers.at(0).first), 2);
    QCOMPARE(rec.answers.at(0).second.toHex(), QByteArray("a1"));

    device.write(DeviceCodec::encode(0xF0, QByteArray::fromHex("a602410042"))
        + DeviceCodec::encode(7, QByteArray::fromHex("fdfe")));
    QTRY_COMPARE(rec.answers.size(), 3);
    QCOMPARE(rec.answers.at(1).second.toHex(), QByteArray("a602410042"));
    QCOMPARE(rec.answers.at(2).second.toHex(), QByteArray("fdfe"));
    QCOMPARE(rec.states, QList<bool>({ true })); // reported once

    m_host->stop();
    pair.terminate();
    pair.waitForFinished(3000);
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
    for (const bool up : qAsConst(rec.states))
        QVERIFY(!up);
    QVERIFY(rec.answers.isEmpty());
}

QTEST_GUILESS_MAIN(TestHostWorkers)
#include "tst_hostworkers.moc"
