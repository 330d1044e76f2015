// orvaemu over real TCP, frame by frame: the device side of the task buffer, fault
// injection, isolation of connections and refusals at start.

#include "atol31frameparser.h"
#include "emulatorprocess.h"
#include "faultinjector.h"
#include "patol31.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// A client that speaks frames and shows each received one as "id:payload" in hex.
class RawClient
{
public:
    bool connectTo(quint16 port)
    {
        m_socket.connectToHost(QStringLiteral("127.0.0.1"), port);
        return m_socket.waitForConnected(5000);
    }
    // Starts the emulator and connects to it.
    bool connectTo(EmulatorProcess &emu, const QStringList &arguments = {})
    {
        return emu.start(arguments) && connectTo(emu.port());
    }
    void send(quint8 id, const QByteArray &payload) { sendRaw(PAtol31::buildFrame(id, payload)); }
    void sendRaw(const QByteArray &bytes)
    {
        m_socket.write(bytes);
        m_socket.flush();
    }
    // Frames received within the time, stopping early once `count` have come.
    QStringList receive(int count, int ms = 5000)
    {
        QElapsedTimer timer;
        timer.start();
        while (m_frames.size() < count && timer.elapsed() < ms) {
            if (m_socket.bytesAvailable() == 0)
                m_socket.waitForReadyRead(int(qMax<qint64>(1, ms - timer.elapsed())));
            for (const char c : m_socket.readAll()) {
                if (m_parser.feed(quint8(c)) == Atol31FrameParser::Complete)
                    m_frames << QStringLiteral("%1:%2")
                                    .arg(m_parser.id(), 2, 16, QLatin1Char('0'))
                                    .arg(QString::fromLatin1(m_parser.payload().toHex()));
            }
        }
        const QStringList out = m_frames.mid(0, count);
        m_frames = m_frames.mid(out.size());
        return out;
    }
    // Sends and waits for the expected number of frames.
    QStringList exchange(quint8 id, const QByteArray &payload, int answers)
    {
        send(id, payload);
        return receive(answers);
    }
    QTcpSocket &socket() { return m_socket; }

private:
    QTcpSocket m_socket;
    Atol31FrameParser m_parser;
    QStringList m_frames;
};

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

// Add-task record: C1, flags 02, TID, password 00 00, command.
QByteArray add(quint8 tid, const char *command)
{
    return hex("c102") + char(tid) + hex("0000") + hex(command);
}

const char *const ENTER_1 = "560100000047";
const char *const CASH_IN_1 = "49000000000100"; // 1.00
const char *const DRAWER = "4d";

} // namespace

class TestEmulatorLink : public QObject
{
    Q_OBJECT
private slots:
    void bufferCommands_data();
    void bufferCommands();
    void resendRunsOnce();
    void staleEntryTakenAsNewTask();
    void answersOnRequest();
    void abortDropsBusyResult();
    void garbageDoesNotDisturbOtherConnection();
    void partialFrameEndsAfterSilence();
    void corruptedFramesNeverParse();
    void corruptStateRefused_data();
    void corruptStateRefused();
    void stateFileLocked();
    void portTaken();
    void badOptions_data();
    void badOptions();

private:
    QTemporaryDir m_dir;
};

void TestEmulatorLink::bufferCommands_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QStringList>("frames");

    // Accepted on the add frame (A1 TID), result as frame F0 (A6 TID answer).
    QTest::newRow("drawer") << add(2, DRAWER)
                            << QStringList { "07:a102", "f0:a6024d00000000000000" };
    // A refusal comes as A7 TID 55 code 00: receipt in mode 0 is 0x66.
    QTest::newRow("refused") << add(2, "920001") << QStringList { "07:a102", "f0:a702556600" };
    QTest::newRow("wrong password")
        << add(9, "560100000030") << QStringList { "07:a109", "f0:a709558c00" };
    QTest::newRow("unknown buffer command") << hex("c9") << QStringList { "07:b4" };
    QTest::newRow("short add record") << hex("c10202") << QStringList { "07:b4" };
    QTest::newRow("REQ of an unknown TID") << hex("c309") << QStringList { "07:b309" };
    QTest::newRow("abort") << hex("c4") << QStringList { "07:a5" };
    QTest::newRow("ACK of an unknown TID") << hex("c209") << QStringList {};
}

void TestEmulatorLink::bufferCommands()
{
    QFETCH(QByteArray, payload);
    QFETCH(QStringList, frames);
    EmulatorProcess emu;
    RawClient c;
    QVERIFY(c.connectTo(emu));
    c.send(7, payload);
    // One frame more than expected must not come.
    QCOMPARE(c.receive(frames.size() + 1, 300), frames);
}

void TestEmulatorLink::resendRunsOnce()
{
    EmulatorProcess emu;
    RawClient c;
    QVERIFY(c.connectTo(emu));
    QCOMPARE(c.exchange(1, add(1, ENTER_1), 2), QStringList({ "01:a101", "f0:a601550000" }));
    QCOMPARE(c.exchange(2, add(2, CASH_IN_1), 2), QStringList({ "02:a102", "f0:a602550000" }));
    // The same record again, as after a lost answer: answered with the task's result, not
    // run again.
    c.send(2, add(2, CASH_IN_1));
    QCOMPARE(c.receive(2, 300), QStringList({ "02:a3550000" }));
    // The result stays until the ACK.
    QCOMPARE(c.exchange(3, hex("c302"), 1), QStringList({ "03:a3550000" }));
    QCOMPARE(c.exchange(4, hex("c302"), 1), QStringList({ "04:a3550000" }));
    c.send(5, hex("c202"));
    QCOMPARE(c.exchange(6, hex("c302"), 1), QStringList({ "06:b302" }));
    QCOMPARE(
        c.exchange(7, add(3, DRAWER), 2), QStringList({ "07:a103", "f0:a6034d00000000000100" }));
}

void TestEmulatorLink::staleEntryTakenAsNewTask()
{
    EmulatorProcess emu;
    RawClient c;
    QVERIFY(c.connectTo(emu));
    c.exchange(1, add(1, ENTER_1), 2);
    // TID 7 is never acknowledged, as when the ACK frame is lost.
    QCOMPARE(c.exchange(2, add(7, CASH_IN_1), 2), QStringList({ "02:a107", "f0:a607550000" }));
    for (int i = 0; i < 99; ++i) {
        const quint8 tid = quint8(10 + i);
        QCOMPARE(c.exchange(3, add(tid, DRAWER), 2).size(), 2);
        c.send(4, hex("c2") + char(tid));
    }
    // 99 tasks later a repeated TID 7 is still a resend...
    QCOMPARE(c.exchange(5, add(7, CASH_IN_1), 1), QStringList({ "05:a3550000" }));
    c.exchange(3, add(120, DRAWER), 2);
    // ...one more and the client has wrapped around: TID 7 is a new task.
    QCOMPARE(c.exchange(6, add(7, CASH_IN_1), 2), QStringList({ "06:a107", "f0:a607550000" }));
    QCOMPARE(
        c.exchange(7, add(121, DRAWER), 2), QStringList({ "07:a179", "f0:a6794d00000000000200" }));
}

void TestEmulatorLink::answersOnRequest()
{
    EmulatorProcess emu;
    RawClient c;
    QVERIFY(c.connectTo(emu, { "--answers", "req", "--delay", "400" }));
    // Only the acceptance: no F0 frame in this mode.
    QCOMPARE(c.exchange(1, add(1, ENTER_1), 1), QStringList({ "01:a101" }));
    QCOMPARE(c.exchange(2, hex("c301"), 1), QStringList({ "02:a201" })); // busy
    QCOMPARE(c.receive(1, 100), QStringList());
    QCOMPARE(c.exchange(3, add(2, CASH_IN_1), 1), QStringList({ "03:a102" }));
    QCOMPARE(c.exchange(4, hex("c302"), 1), QStringList({ "04:a102" })); // waits its turn
    QTest::qWait(500);
    QCOMPARE(c.exchange(5, hex("c301"), 1), QStringList({ "05:a3550000" }));
    QCOMPARE(c.exchange(6, hex("c302"), 1), QStringList({ "06:a202" }));
    QTest::qWait(450);
    QCOMPARE(c.exchange(7, hex("c302"), 1), QStringList({ "07:a3550000" }));
    // A refusal comes with the error status: cash out of 2.00 from 1.00.
    c.exchange(8, add(3, "4f000000000200"), 1);
    QTest::qWait(450);
    QCOMPARE(c.exchange(9, hex("c303"), 1), QStringList({ "09:a4559800" }));
    c.send(10, hex("c201"));
    QCOMPARE(c.exchange(11, hex("c301"), 1), QStringList({ "0b:b301" }));
    QCOMPARE(c.receive(1, 300), QStringList());
}

void TestEmulatorLink::abortDropsBusyResult()
{
    EmulatorProcess emu;
    RawClient c;
    QVERIFY(c.connectTo(emu, { "--delay", "300" }));
    QCOMPARE(c.exchange(1, add(1, ENTER_1), 2), QStringList({ "01:a101", "f0:a601550000" }));
    c.send(2, add(2, CASH_IN_1));
    c.send(3, add(3, CASH_IN_1));
    QCOMPARE(c.receive(2, 1000), QStringList({ "02:a102", "03:a103" }));
    QCOMPARE(c.exchange(4, hex("c4"), 1), QStringList({ "04:a5" }));
    // Neither result comes; the busy cash-in had already run, the waiting one never does.
    QCOMPARE(c.receive(1, 700), QStringList());
    QCOMPARE(c.exchange(5, hex("c302"), 1), QStringList({ "05:b302" }));
    QCOMPARE(c.exchange(6, add(4, DRAWER), 1), QStringList({ "06:a104" }));
    QCOMPARE(c.receive(1, 700), QStringList({ "f0:a6044d00000000000100" }));
}

void TestEmulatorLink::garbageDoesNotDisturbOtherConnection()
{
    EmulatorProcess emu;
    QVERIFY(emu.start({}));
    RawClient a, b;
    QVERIFY(a.connectTo(emu.port()));
    QVERIFY(b.connectTo(emu.port()));
    // Noise, a bad header, an escape error, a frame with a bad CRC, half a frame.
    QByteArray noise
        = hex("0001ff7f80fd") + hex("fe8000") + hex("fe020001fd41") + hex("fe01000133");
    noise += PAtol31::buildFrame(1, hex("c4")).left(4);
    a.sendRaw(noise);
    // Meanwhile the other connection is served as usual, on its own task buffer.
    QCOMPARE(
        b.exchange(1, add(1, DRAWER), 2), QStringList({ "01:a101", "f0:a6014d00000000000000" }));
    QCOMPARE(a.receive(1, 300), QStringList());
    // A bad header that swallowed the STX of a good frame: the frame is still found.
    a.sendRaw(hex("fe7f") + PAtol31::buildFrame(2, add(2, DRAWER)));
    QCOMPARE(a.receive(2, 2000), QStringList({ "02:a102", "f0:a6024d00000000000000" }));
    // Garbage straight after a good frame does not hide the next one.
    a.sendRaw(
        PAtol31::buildFrame(3, hex("c302")) + hex("fdfd00") + PAtol31::buildFrame(4, hex("c4")));
    QCOMPARE(a.receive(2, 2000), QStringList({ "03:a34d00000000000000", "04:a5" }));
    // A client vanishing in the middle of a frame harms nobody.
    a.sendRaw(PAtol31::buildFrame(5, add(5, CASH_IN_1)).left(6));
    a.socket().abort();
    QCOMPARE(b.exchange(2, add(2, "3f"), 2).size(), 2);
    QVERIFY(emu.isRunning());
}

void TestEmulatorLink::partialFrameEndsAfterSilence()
{
    EmulatorProcess emu;
    RawClient c;
    QVERIFY(c.connectTo(emu));
    // The header promises 20 bytes; 250 ms of silence ends the frame.
    c.sendRaw(hex("fe1400") + hex("0bc102"));
    QTest::qWait(300);
    QCOMPARE(
        c.exchange(6, add(6, DRAWER), 2), QStringList({ "06:a106", "f0:a6064d00000000000000" }));
}

void TestEmulatorLink::corruptedFramesNeverParse()
{
    FaultInjector faults(0, 1, 42);
    QRandomGenerator random(7);
    int altered = 0;
    for (int i = 0; i < 2000; ++i) {
        QByteArray payload(int(random.bounded(40u)), '\0');
        for (char &c : payload)
            c = char(random.bounded(256u));
        const quint8 id = quint8(random.bounded(0xE0u));
        const QByteArray frame = PAtol31::buildFrame(id, payload);
        const QByteArray bad = faults.corrupt(frame);
        QCOMPARE(bad.size(), frame.size());
        if (bad != frame)
            ++altered;
        Atol31FrameParser parser;
        Atol31FrameParser::Result last = Atol31FrameParser::NeedMore;
        for (const char c : bad)
            last = parser.feed(quint8(c));
        QVERIFY2(
            last != Atol31FrameParser::Complete, qPrintable(QString::fromLatin1(frame.toHex())));
    }
    QCOMPARE(altered, 2000);
}

void TestEmulatorLink::corruptStateRefused_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("truncated") << QByteArray("{\"format\": 1, \"drawer\": ");
    QTest::newRow("binary") << hex("00ff10fe");
}

void TestEmulatorLink::corruptStateRefused()
{
    QFETCH(QByteArray, content);
    const QString path
        = m_dir.filePath(QStringLiteral("corrupt-%1.json").arg(QTest::currentDataTag()));
    const QString journal
        = m_dir.filePath(QStringLiteral("corrupt-%1.jsonl").arg(QTest::currentDataTag()));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
    f.close();
    QString out, err;
    QCOMPARE(
        EmulatorProcess::run({ "--port", "0", "--state", path, "--journal", journal }, &out, &err),
        2);
    QVERIFY2(err.contains(path) && err.contains("left untouched"), qPrintable(err));
    QVERIFY(!out.contains("listening"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), content);
}

void TestEmulatorLink::stateFileLocked()
{
    const QString path = m_dir.filePath("locked.json");
    EmulatorProcess first;
    QVERIFY(first.start({ "--state", path }));
    QString out, err;
    QCOMPARE(EmulatorProcess::run({ "--port", "0", "--state", path }, &out, &err), 2);
    QVERIFY2(err.contains("in use"), qPrintable(err));
}

void TestEmulatorLink::portTaken()
{
    QTcpServer holder;
    QVERIFY(holder.listen(QHostAddress::LocalHost, 0));
    QString out, err;
    QCOMPARE(
        EmulatorProcess::run({ "--port", QString::number(holder.serverPort()) }, &out, &err), 3);
    QVERIFY2(err.contains(QStringLiteral("cannot listen on 127.0.0.1:%1").arg(holder.serverPort())),
        qPrintable(err));
}

void TestEmulatorLink::badOptions_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::newRow("drop above 1") << QStringList { "--drop", "1.5" }
                                  << "--drop needs a probability";
    QTest::newRow("rates above 1")
        << QStringList { "--drop", "0.6", "--corrupt", "0.5" } << "add up to more than 1";
    QTest::newRow("answers") << QStringList { "--answers", "sync" } << "--answers is async or req";
    QTest::newRow("port") << QStringList { "--port", "70000" } << "--port needs";
    QTest::newRow("password") << QStringList { "--password", "123456789" } << "--password needs";
    QTest::newRow("unknown") << QStringList { "--colour" } << "Unknown option";
}

void TestEmulatorLink::badOptions()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    QString out, err;
    QCOMPARE(EmulatorProcess::run(arguments, &out, &err), 1);
    QVERIFY2(err.contains(message), qPrintable(err));
}

QTEST_GUILESS_MAIN(TestEmulatorLink)
#include "tst_emulatorlink.moc"
