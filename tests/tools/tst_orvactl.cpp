// orvactl's parser, formatters and statistics in-process; the real binary against a scripted
// register on a loopback port for its exit codes and its conversation on the link.

#include "answerformatter.h"
#include "ctloptions.h"
#include "ctlstats.h"
#include "scripteddevice.h"
#include "tempprofile.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTcpServer>
#include <QtTest>

#include <memory>

Q_DECLARE_METATYPE(ScriptedDevice::Reply)
Q_DECLARE_METATYPE(AnswerFormatter::Outcome)

namespace {

struct Result
{
    int exitCode = -1;
    QString out;
    QString err;
    qint64 elapsedMs = 0;
};

using Format = AnswerFormatter::Formatted (*)(const QByteArray &);

} // namespace

Q_DECLARE_METATYPE(Format)

class TestOrvactl : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void options_data();
    void options();
    void formatter_data();
    void formatter();
    void stats_data();
    void stats();

    void exitCodes_data();
    void exitCodes();
    void ackReachesRegisterBeforeExit();
    void repeatWithStats();
    void noAnswerWithinLimit();
    void connectionRefused();

private:
    // Runs orvactl; the device is served by this thread's event loop meanwhile.
    Result run(const QStringList &args, int waitMs = 20000, bool oneCpu = false);
    QStringList at(const QStringList &args) const;

    std::unique_ptr<TempProfile> m_profile;
    std::unique_ptr<ScriptedDevice> m_device;
};

void TestOrvactl::initTestCase()
{
    qRegisterMetaType<QProcess::ExitStatus>();
    QVERIFY2(QFileInfo(QStringLiteral(ORVACTL_PATH)).isExecutable(), ORVACTL_PATH);
}

void TestOrvactl::init()
{
    m_profile.reset(new TempProfile);
    m_device.reset(new ScriptedDevice);
    QVERIFY(m_device->listen());
}

void TestOrvactl::cleanup()
{
    const int badFrames = m_device->badFrames();
    m_device.reset();
    m_profile.reset();
    QCOMPARE(badFrames, 0);
}

Result TestOrvactl::run(const QStringList &args, int waitMs, bool oneCpu)
{
    Result r;
    QProcess proc;
    QSignalSpy finished(&proc, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished));
    QElapsedTimer timer;
    timer.start();
    // On one CPU the link's thread runs only when the main thread waits, which is when a frame
    // still in the socket's buffer at the exit would be lost.
    const QString taskset = QStandardPaths::findExecutable(QStringLiteral("taskset"));
    if (oneCpu && !taskset.isEmpty())
        proc.start(taskset, QStringList { "-c", "0", ORVACTL_PATH } + args);
    else
        proc.start(QStringLiteral(ORVACTL_PATH), args);
    if (!proc.waitForStarted(5000) || !finished.wait(waitMs)) {
        proc.kill();
        proc.waitForFinished(5000);
        return r;
    }
    r.elapsedMs = timer.elapsed();
    r.exitCode = proc.exitStatus() == QProcess::NormalExit ? proc.exitCode() : -2;
    r.out = QString::fromUtf8(proc.readAllStandardOutput());
    r.err = QString::fromUtf8(proc.readAllStandardError());
    return r;
}

QStringList TestOrvactl::at(const QStringList &args) const
{
    return QStringList { "--host", "127.0.0.1", "--port", QString::number(m_device->port()) }
    + args;
}

void TestOrvactl::options_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("complaint"); // empty: the line is good
    QTest::addColumn<int>("code");
    QTest::addColumn<QByteArray>("payload");

    auto bad = [](const char *name, const QStringList &args, const char *complaint) {
        QTest::newRow(name) << args << QString::fromUtf8(complaint) << 0 << QByteArray();
    };
    bad("no command", {}, "no command given");
    bad("unknown command", { "status" }, "unknown command \"status\"");
    bad("unknown option", { "--bogus", "state" }, "bogus");
    bad("state with argument", { "state", "1" }, "takes no arguments");
    bad("mode without number", { "mode" }, "mode needs exactly one");
    bad("mode out of range", { "mode", "16" }, "bad mode \"16\"");
    bad("raw code too wide", { "raw", "13F" }, "bad command code");
    bad("raw odd hex", { "raw", "3F", "123" }, "bad hex payload");
    bad("raw two payloads", { "raw", "3F", "00", "11" }, "at most one payload");
    bad("raw payload beyond a frame", { "raw", "3F", QString(2 * 16250, QLatin1Char('0')) },
        "too long");
    bad("port zero", { "--port", "0", "state" }, "bad port \"0\"");
    bad("port too big", { "--port", "70000", "state" }, "bad port \"70000\"");
    bad("negative timeout", { "--timeout", "-5", "state" }, "bad timeout \"-5\"");
    bad("zero repeat", { "--repeat", "0", "state" }, "bad repeat count \"0\"");
    bad("REQ interval too short", { "--req-interval", "5", "state" }, "bad REQ interval \"5\"");
    bad("empty host", { "--host", "", "state" }, "--host needs");

    // The largest payload one frame carries behind the add-task header still goes.
    QTest::newRow("raw payload of a whole frame")
        << QStringList { "raw", "3f", QString(2 * 16249, QLatin1Char('a')) } << QString() << 0x3F
        << QByteArray(16249, '\xAA');
    QTest::newRow("0x prefix, one digit, spaced payload") << QStringList { "raw", "0x5",
        "fd fe 00" } << QString() << 0x05 << QByteArray::fromHex("fdfe00");
}

void TestOrvactl::options()
{
    QFETCH(QStringList, args);
    QFETCH(QString, complaint);
    QFETCH(int, code);
    QFETCH(QByteArray, payload);
    CtlOptions options;
    const bool ok = options.parse(QStringList { QStringLiteral("orvactl") } + args);
    QCOMPARE(ok, complaint.isEmpty());
    if (!ok) {
        QVERIFY2(options.error().contains(complaint), qPrintable(options.error()));
        return;
    }
    QCOMPARE(options.command, CtlOptions::Raw);
    QCOMPARE(int(options.code), code);
    QCOMPARE(options.payload, payload);
}

void TestOrvactl::formatter_data()
{
    QTest::addColumn<Format>("format");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<AnswerFormatter::Outcome>("outcome");
    QTest::addColumn<QString>("text");

    using F = AnswerFormatter;
    auto row = [](const char *name, Format format, const char *answer, F::Outcome outcome,
                   const char *text) {
        QTest::newRow(name) << format << QByteArray::fromHex(answer) << outcome << QString(text);
    };
    // Cashier 1, hall 5, 2024-03-05 12:34:56, serial 1234; mode byte 0x24 is mode 4, submode 2.
    row("state", &F::state, "440105240305123456030000123400000024", F::Ok,
        "mode=4 submode=2 serial=1234 cashier=1 hall=5 datetime=2024-03-05T12:34:56\n"
        "Программирование\n");
    // Month 0x13 is no date; mode 10 has no name.
    row("state without date or name", &F::state, "44079924130512345600009876540000003a", F::Ok,
        "mode=10 submode=3 serial=987654 cashier=7 hall=99 datetime=-\n-\n");
    // 'M' + BCD(14) kopecks.
    row("cash", &F::money, "4d99999999999999", F::Ok, "cash=999999999999.99\n");
    row("drawer cut short", &F::money, "4d0001", F::Unexpected, "");
    row("drawer refused", &F::money, "559c00", F::Refused, "Смена открыта, операция невозможна");
    // 'U' 00 + sales BCD(14) + purchases BCD(14).
    row("shift totals", &F::shiftTotals, "55000000000001234500000000000099", F::Ok,
        "sales=123.45 purchases=0.99\n");
    row("shift totals foreign answer", &F::shiftTotals, "4d00000000012345", F::Unexpected, "");
    row("raw", &F::raw, "fdfe", F::Ok, "fdfe\n");
    // A result that is itself a refusal.
    row("raw refusal", &F::raw, "559b00", F::Refused, "Чек открыт – операция невозможна");
}

void TestOrvactl::formatter()
{
    QFETCH(Format, format);
    QFETCH(QByteArray, answer);
    QFETCH(AnswerFormatter::Outcome, outcome);
    QFETCH(QString, text);
    const AnswerFormatter::Formatted f = format(answer);
    QCOMPARE(f.outcome, outcome);
    if (!text.isEmpty())
        QCOMPARE(f.text, text);
}

void TestOrvactl::stats_data()
{
    QTest::addColumn<QList<qint64>>("nsecs");
    QTest::addColumn<QString>("line");
    auto row = [](const char *name, const QList<qint64> &nsecs, const char *line) {
        QTest::newRow(name) << nsecs << QString(line);
    };
    row("none", {}, "runs=0 median_ms=0.000 p99_ms=0.000 max_ms=0.000");
    // Odd count: the middle one; order of arrival does not matter.
    row("odd", { 3000000, 1000000, 2000000 }, "runs=3 median_ms=2.000 p99_ms=3.000 max_ms=3.000");
    // Even count: the mean of the two middle runs.
    row("even", { 4000000, 1000000, 2000000, 3000000 },
        "runs=4 median_ms=2.500 p99_ms=4.000 max_ms=4.000");
    // Nearest rank: of 200 runs the 198th, not the largest; 100 runs give the 99th.
    QList<qint64> twoHundred;
    for (int i = 1; i <= 200; ++i)
        twoHundred << qint64(i) * 2000;
    row("p99 of 200", twoHundred, "runs=200 median_ms=0.201 p99_ms=0.396 max_ms=0.400");
    row("p99 of 100", twoHundred.mid(0, 100), "runs=100 median_ms=0.101 p99_ms=0.198 max_ms=0.200");
}

void TestOrvactl::stats()
{
    QFETCH(QList<qint64>, nsecs);
    QFETCH(QString, line);
    CtlStats stats;
    for (qint64 n : qAsConst(nsecs))
        stats.add(n);
    QCOMPARE(stats.line(), line);
}

void TestOrvactl::exitCodes_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<ScriptedDevice::Reply>("reply");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");

    using D = ScriptedDevice;
    auto row = [](const char *name, const QStringList &args, int code, D::Reply reply,
                   const char *answer, int exitCode, const char *out, const char *err) {
        QTest::newRow(name) << args << code << reply << QByteArray::fromHex(answer) << exitCode
                            << QString(out) << QString::fromUtf8(err);
    };
    row("result", { "raw", "91", "1234" }, 0x91, D::AcceptThenResult, "5500123456", 0,
        "5500123456\n", "");
    row("refused", { "raw", "92", "0001" }, 0x92, D::AcceptThenError, "558c00", 3, "",
        "Неверный пароль\n");
    row("answer that cannot be read", { "money" }, 0x4D, D::AcceptThenResult, "4d0001", 2, "",
        "Unexpected drawer answer: 4d0001");
    // The closed link ends the run; a generous limit is not waited out.
    row("link closed by the register", { "--timeout", "15000", "money" }, 0x4D, D::CloseLink, "", 2,
        "", "The link to localhost:");
    row("usage", { "mode" }, 0, D::Silent, "", 1, "", "orvactl: mode needs exactly one argument");
}

void TestOrvactl::exitCodes()
{
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(ScriptedDevice::Reply, reply);
    QFETCH(QByteArray, answer);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, err);
    m_device->script(quint8(code), reply, answer);
    // No --host or --port: "localhost" and the driver's configured port.
    m_profile->setAtolPort(m_device->port());

    const Result r = run(args);

    QCOMPARE(r.exitCode, exitCode);
    QCOMPARE(r.out, out);
    QVERIFY2(err.isEmpty() ? r.err.isEmpty() : r.err.startsWith(err), qPrintable(r.err));
    QVERIFY2(r.elapsedMs < 10000, qPrintable(QString::number(r.elapsedMs)));
    if (exitCode == 1) {
        QCOMPARE(m_device->connectionCount(), 0);
        return;
    }
    // One abort before the first task, then the task itself.
    QCOMPARE(m_device->frame(0).payload.toHex(), QByteArray("c4"));
    QCOMPARE(m_device->tasks().size(), 1);
    QCOMPARE(m_device->tasks().first().code, quint8(code));
}

void TestOrvactl::ackReachesRegisterBeforeExit()
{
    // The register gives the result only to a REQ; the run must not end before the ACK that
    // lets the register drop the finished task is on the wire.
    m_device->script(0x3F, ScriptedDevice::ResultOnRequest, QByteArray::fromHex("44aa"));
    for (int i = 0; i < 50; ++i) {
        const int connections = m_device->connectionCount();
        const Result r
            = run(at({ "--req-interval", "10", "--timeout", "60000", "raw", "3F" }), 70000, true);
        QVERIFY2(r.exitCode == 0, qPrintable(QStringLiteral("run %1: %2").arg(i).arg(r.err)));
        QCOMPARE(r.out, QStringLiteral("44aa\n"));
        QVERIFY(m_device->waitUntil([&] {
            return m_device->connectionCount() == connections + 2 && !m_device->isClientConnected();
        }));
        const quint8 tid = m_device->tasks().last().tid;
        const QList<ScriptedDevice::Frame> acks = m_device->framesOf(0xC2);
        QVERIFY2(!acks.isEmpty() && acks.last().payload == QByteArray("\xC2", 1) + char(tid),
            qPrintable(QStringLiteral("run %1: no ACK for TID %2").arg(i).arg(tid)));
    }
}

void TestOrvactl::repeatWithStats()
{
    m_device->script(0x3F, ScriptedDevice::AcceptThenResult, QByteArray::fromHex("44aa"));

    const Result r = run(at({ "--repeat", "3", "--stats", "raw", "3F" }));

    QCOMPARE(r.exitCode, 0);
    const QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines.mid(0, 3), QStringList({ "44aa", "44aa", "44aa" }));
    QVERIFY2(lines.at(3).startsWith(QLatin1String("runs=3 median_ms=")), qPrintable(lines.at(3)));
    // One process: the endpoint probe and one link, one abort, three tasks in turn, each
    // acknowledged before the next.
    QCOMPARE(m_device->connectionCount(), 2);
    QCOMPARE(m_device->framesOf(0xC4).size(), 1);
    QCOMPARE(m_device->tasks().size(), 3);
    QCOMPARE(m_device->framesOf(0xC2).size(), 3);
    QCOMPARE(m_device->tasks().at(2).tid, quint8(m_device->tasks().at(0).tid + 2));
}

void TestOrvactl::noAnswerWithinLimit()
{
    m_device->setAnswerAbort(false);

    const Result r = run(at({ "--timeout", "1500", "state" }));

    QCOMPARE(r.exitCode, 2);
    QCOMPARE(r.out, QString());
    QVERIFY2(r.err.contains(QLatin1String("No answer from the register within 1500 ms")),
        qPrintable(r.err));
    QVERIFY(r.elapsedMs >= 1500);
    QVERIFY2(r.elapsedMs < 1500 + 8000, qPrintable(QString::number(r.elapsedMs)));
}

void TestOrvactl::connectionRefused()
{
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost));
    const QString port = QString::number(closed.serverPort());
    closed.close();

    // A generous limit: the refusal must end the run long before it.
    const Result r = run({ "--host", "127.0.0.1", "--port", port, "--timeout", "60000", "money" });

    QCOMPARE(r.exitCode, 2);
    QVERIFY2(r.err.contains(QStringLiteral("Cannot connect to 127.0.0.1:%1: ").arg(port)),
        qPrintable(r.err));
    QVERIFY2(r.elapsedMs < 30000, qPrintable(QString::number(r.elapsedMs)));
}

QTEST_GUILESS_MAIN(TestOrvactl)
#include "tst_orvactl.moc"
