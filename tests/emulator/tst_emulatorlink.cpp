// orvaemu over real TCP, frame by frame: the device side of the task buffer, its options,
// isolation of connections and refusals at start.

#include "atol31frameparser.h"
#include "emulatorprocess.h"
#include "patol31.h"

#include <QElapsedTimer>
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
    void exchanges_data();
    void exchanges();
    void resendRunsOnceUntilStale();
    void answersOnRequest();
    void abortDropsBusyResult();
    void noiseDisturbsNobody();
    void refusedAtStart_data();
    void refusedAtStart();

private:
    QTemporaryDir m_dir;
};

// One record in frame 1. The options that reach the register (password, paper, an aged shift)
// are driven end to end by the cash and report page tests.
void TestEmulatorLink::exchanges_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QStringList>("frames");

    // Accepted on the add frame (A1 TID), result as frame F0 (A6 TID answer).
    QTest::newRow("drawer") << add(2, DRAWER)
                            << QStringList { "01:a102", "f0:a6024d00000000000000" };
    // A refusal comes as A7 TID 55 code 00: receipt in mode 0 is 0x66. The model's own refusals
    // are its test's.
    QTest::newRow("refused") << add(2, "920001") << QStringList { "01:a102", "f0:a702556600" };
    QTest::newRow("unknown buffer command") << hex("c9") << QStringList { "01:b4" };
    QTest::newRow("short add record") << hex("c10202") << QStringList { "01:b4" };
    QTest::newRow("REQ of an unknown TID") << hex("c309") << QStringList { "01:b309" };
    QTest::newRow("abort") << hex("c4") << QStringList { "01:a5" };
    QTest::newRow("ACK of an unknown TID") << hex("c209") << QStringList {};
}

void TestEmulatorLink::exchanges()
{
    QFETCH(QByteArray, payload);
    QFETCH(QStringList, frames);
    EmulatorProcess emu;
    RawClient c;
    QVERIFY(emu.start({}) && c.connectTo(emu.port()));
    c.send(1, payload);
    // One frame more than expected must not come.
    QCOMPARE(c.receive(frames.size() + 1, 300), frames);
}

void TestEmulatorLink::resendRunsOnceUntilStale()
{
    EmulatorProcess emu;
    RawClient c;
    QVERIFY(emu.start({}) && c.connectTo(emu.port()));
    QCOMPARE(c.exchange(1, add(1, ENTER_1), 2), QStringList({ "01:a101", "f0:a601550000" }));
    QCOMPARE(c.exchange(2, add(2, CASH_IN_1), 2), QStringList({ "02:a102", "f0:a602550000" }));
    // The same record again, as after a lost answer: answered with the task's result, not
    // run again. The result stays until the ACK.
    QCOMPARE(c.exchange(2, add(2, CASH_IN_1), 1), QStringList({ "02:a3550000" }));
    QCOMPARE(c.exchange(3, hex("c302"), 1), QStringList({ "03:a3550000" }));
    c.send(4, hex("c202"));
    QCOMPARE(c.exchange(5, hex("c302"), 1), QStringList({ "05:b302" }));

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
        c.exchange(7, add(121, DRAWER), 2), QStringList({ "07:a179", "f0:a6794d00000000000300" }));
}

void TestEmulatorLink::answersOnRequest()
{
    EmulatorProcess emu;
    RawClient c;
    QVERIFY(emu.start({ "--answers", "req", "--delay", "400" }) && c.connectTo(emu.port()));
    // Only the acceptance: no F0 frame in this mode.
    QCOMPARE(c.exchange(1, add(1, ENTER_1), 1), QStringList({ "01:a101" }));
    QCOMPARE(c.exchange(2, hex("c301"), 1), QStringList({ "02:a201" })); // busy
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
    QCOMPARE(c.receive(1, 300), QStringList());
}

void TestEmulatorLink::abortDropsBusyResult()
{
    EmulatorProcess emu;
    RawClient c;
    QVERIFY(emu.start({ "--delay", "300" }) && c.connectTo(emu.port()));
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

void TestEmulatorLink::noiseDisturbsNobody()
{
    EmulatorProcess emu;
    QVERIFY(emu.start({}));
    RawClient a, b;
    QVERIFY(a.connectTo(emu.port()));
    QVERIFY(b.connectTo(emu.port()));
    // Noise, a bad header, an escape error, a frame with a bad CRC, half a frame.
    a.sendRaw(hex("0001ff7f80fd") + hex("fe8000") + hex("fe020001fd41") + hex("fe01000133")
        + PAtol31::buildFrame(1, hex("c4")).left(4));
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
    // Half a frame, then silence past the byte time limit: what follows is noise, not the rest.
    const QByteArray late = PAtol31::buildFrame(6, add(6, DRAWER));
    a.sendRaw(late.left(5));
    QTest::qWait(300);
    a.sendRaw(late.mid(5));
    QCOMPARE(a.receive(1, 300), QStringList());
    QCOMPARE(
        a.exchange(6, add(6, DRAWER), 2), QStringList({ "06:a106", "f0:a6064d00000000000000" }));
    // A client vanishing in the middle of a frame harms nobody.
    a.sendRaw(PAtol31::buildFrame(5, add(5, CASH_IN_1)).left(6));
    a.socket().abort();
    QCOMPARE(b.exchange(2, add(2, "3f"), 2).size(), 2);
    QVERIFY(emu.isRunning());
}

void TestEmulatorLink::refusedAtStart_data()
{
    QTest::addColumn<QStringList>("arguments"); // STATE: a state file, PORT: a port in use
    QTest::addColumn<QString>("state"); // "corrupt", "locked" or none
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message"); // on standard error

    QTest::newRow("corrupt state") << QStringList { "--port", "0", "--state", "STATE" } << "corrupt"
                                   << 2 << "STATE is not a register state";
    QTest::newRow("state in use") << QStringList { "--port", "0", "--state", "STATE" } << "locked"
                                  << 2 << "in use";
    QTest::newRow("port taken") << QStringList { "--port", "PORT" } << QString() << 3
                                << "cannot listen on 127.0.0.1:PORT";
    QTest::newRow("unknown") << QStringList { "--colour" } << QString() << 1 << "Unknown option";
}

void TestEmulatorLink::refusedAtStart()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, state);
    QFETCH(int, exitCode);
    QFETCH(QString, message);

    const QString path = m_dir.filePath(QStringLiteral("%1.json").arg(QTest::currentDataTag()));
    const QByteArray corrupt("{\"format\": 1, \"drawer\": ");
    if (state == QLatin1String("corrupt")) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(corrupt) == corrupt.size());
    }
    EmulatorProcess first;
    if (state == QLatin1String("locked"))
        QVERIFY(first.start({ "--state", path }));
    QTcpServer holder;
    QVERIFY(holder.listen(QHostAddress::LocalHost, 0));
    const QString port = QString::number(holder.serverPort());
    arguments.replaceInStrings(QStringLiteral("STATE"), path);
    arguments.replaceInStrings(QStringLiteral("PORT"), port);

    QString out, err;
    QCOMPARE(EmulatorProcess::run(arguments, &out, &err), exitCode);
    QVERIFY2(err.contains(QString(message).replace("STATE", path).replace("PORT", port)),
        qPrintable(err));
    QVERIFY(!out.contains("listening"));
    if (state == QLatin1String("corrupt")) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), corrupt); // left untouched
    }
}

QTEST_GUILESS_MAIN(TestEmulatorLink)
#include "tst_emulatorlink.moc"
