// Runs the real orvactl binary against a scripted register on a loopback port.

#include "scripteddevice.h"
#include "tempprofile.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpServer>
#include <QtTest>

#include <memory>

Q_DECLARE_METATYPE(ScriptedDevice::Reply)

namespace {

struct Result
{
    int exitCode = -1;
    QString out;
    QString err;
    qint64 elapsedMs = 0;
};

QString hex(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex());
}

} // namespace

class TestOrvactl : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void state_data();
    void state();
    void modeEntersThroughExit();
    void modeRefusedWithWrongPassword();
    void raw_data();
    void raw();
    void sums_data();
    void sums();
    void repeatWithStats();
    void usageErrors_data();
    void usageErrors();
    void help();
    void noAnswer_data();
    void noAnswer();
    void connectionRefused();
    void linkClosedByRegister();

private:
    // Runs orvactl; the device is served by this thread's event loop meanwhile.
    Result run(const QStringList &args, int waitMs = 20000);
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

Result TestOrvactl::run(const QStringList &args, int waitMs)
{
    Result r;
    QProcess proc;
    QSignalSpy finished(&proc, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished));
    QElapsedTimer timer;
    timer.start();
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
    return QStringList { QStringLiteral("--host"), QStringLiteral("127.0.0.1"),
        QStringLiteral("--port"), QString::number(m_device->port()) }
    + args;
}

void TestOrvactl::state_data()
{
    QTest::addColumn<QByteArray>("state");
    QTest::addColumn<int>("modeByte");
    QTest::addColumn<QString>("expected");

    // Cashier 1, hall 5, 2024-03-05 12:34:56, serial 1234; mode byte 0x24 is mode 4, submode 2.
    QTest::newRow("programming, submode 2")
        << QByteArray::fromHex("440105240305123456030000123400000000") << 0x24
        << QStringLiteral("mode=4 submode=2 serial=1234 cashier=1 hall=5 "
                          "datetime=2024-03-05T12:34:56\nПрограммирование\n");
    // Month 0x13 is no date: the date and time stay null.
    QTest::newRow("month 13, no date")
        << QByteArray::fromHex("440799241305123456000098765400000000") << 0x01
        << QStringLiteral("mode=1 submode=0 serial=987654 cashier=7 hall=99 datetime=-\n"
                          "Регистрация\n");
    // Mode 10 has no name.
    QTest::newRow("unnamed mode") << QByteArray::fromHex("440000250101000000000000000100000000")
                                  << 0x3A
                                  << QStringLiteral("mode=10 submode=3 serial=1 cashier=0 hall=0 "
                                                    "datetime=2025-01-01T00:00:00\n-\n");
}

void TestOrvactl::state()
{
    QFETCH(QByteArray, state);
    QFETCH(int, modeByte);
    QFETCH(QString, expected);
    m_device->setState(state);
    m_device->setModeByte(quint8(modeByte));
    // No --host or --port: "localhost" and the driver's configured port.
    m_profile->setAtolPort(m_device->port());

    const Result r = run({ QStringLiteral("state") });

    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, expected);
    QCOMPARE(r.err, QString());
    // One abort before the first task, then the state request: C1 02 TID 00 00 3F.
    QCOMPARE(m_device->frame(0).payload.toHex(), QByteArray("c4"));
    QVERIFY(m_device->frame(1).payload.startsWith(char(0xC1)));
    QCOMPARE(m_device->tasks().size(), 1);
    QCOMPARE(m_device->tasks().first().code, quint8(0x3F));
    QCOMPARE(m_device->tasks().first().payload, QByteArray());
}

void TestOrvactl::modeEntersThroughExit()
{
    m_device->setModeByte(0x02);

    const Result r = run(at({ QStringLiteral("mode"), QStringLiteral("4") }));

    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QStringLiteral("mode=4\n"));
    QCOMPARE(m_device->modeByte(), quint8(0x04));
    // State, exit, state, entry with the default password 47 as BCD(8), state.
    QStringList sent;
    for (const ScriptedDevice::Task &t : m_device->tasks())
        sent << QStringLiteral("%1:%2").arg(t.code, 2, 16, QLatin1Char('0')).arg(hex(t.payload));
    QCOMPARE(sent,
        QStringList({ QStringLiteral("3f:"), QStringLiteral("48:"), QStringLiteral("3f:"),
            QStringLiteral("56:0400000047"), QStringLiteral("3f:") }));
}

void TestOrvactl::modeRefusedWithWrongPassword()
{
    QVERIFY(m_profile->writeConfig(
        QStringLiteral("orvacfgports.conf"), "[FRPORTSETTINGS]\nfrConnPwd=30\n"));
    m_device->setModeByte(0x00);

    const Result r = run(at({ QStringLiteral("mode"), QStringLiteral("1") }));

    QCOMPARE(r.exitCode, 3);
    QCOMPARE(r.out, QString());
    QCOMPARE(r.err.trimmed(), QStringLiteral("Неверный пароль"));
    QCOMPARE(m_device->tasks().size(), 2);
    QCOMPARE(m_device->tasks().at(1).code, quint8(0x56));
    QCOMPARE(m_device->tasks().at(1).payload, QByteArray::fromHex("0100000030"));
    QCOMPARE(m_device->modeByte(), quint8(0x00));
}

void TestOrvactl::raw_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<ScriptedDevice::Reply>("reply");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");

    QTest::newRow("result after acceptance")
        << QStringList { "raw", "91", "1234" } << 0x91 << ScriptedDevice::AcceptThenResult
        << QByteArray::fromHex("5500123456") << QByteArray::fromHex("1234") << 0 << "5500123456\n"
        << "";
    QTest::newRow("result before acceptance")
        << QStringList { "raw", "a5" } << 0xA5 << ScriptedDevice::ResultOnly
        << QByteArray::fromHex("55000102") << QByteArray() << 0 << "55000102\n"
        << "";
    QTest::newRow("result to the re-request")
        << QStringList { "raw", "9D", "01" } << 0x9D << ScriptedDevice::ResultOnRequest
        << QByteArray::fromHex("5500aabb") << QByteArray::fromHex("01") << 0 << "5500aabb\n"
        << "";
    QTest::newRow("0x prefix, one digit, spaced payload")
        << QStringList { "raw", "0x5", "fd fe 00" } << 0x05 << ScriptedDevice::AcceptThenResult
        << QByteArray::fromHex("fdfe") << QByteArray::fromHex("fdfe00") << 0 << "fdfe\n"
        << "";
    QTest::newRow("wrong password error")
        << QStringList { "raw", "92", "0001" } << 0x92 << ScriptedDevice::AcceptThenError
        << QByteArray::fromHex("558c00") << QByteArray::fromHex("0001") << 3 << ""
        << "Неверный пароль\n";
    // A result that is itself a refusal: the bytes are still printed.
    QTest::newRow("refusal in the result")
        << QStringList { "raw", "95" } << 0x95 << ScriptedDevice::AcceptThenResult
        << QByteArray::fromHex("559b00") << QByteArray() << 3 << "559b00\n"
        << "Чек открыт – операция невозможна\n";
}

void TestOrvactl::raw()
{
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(ScriptedDevice::Reply, reply);
    QFETCH(QByteArray, answer);
    QFETCH(QByteArray, payload);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, err);
    m_device->script(quint8(code), reply, answer);

    const Result r = run(at(args));

    QCOMPARE(r.exitCode, exitCode);
    QCOMPARE(r.out, out);
    QCOMPARE(r.err, err);
    QCOMPARE(m_device->tasks().size(), 1);
    QCOMPARE(m_device->tasks().first().code, quint8(code));
    QCOMPARE(m_device->tasks().first().payload, payload);
}

void TestOrvactl::sums_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("code");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out");

    // 'M' + BCD(14) kopecks.
    QTest::newRow("cash") << "money" << 0x4D << QByteArray::fromHex("4d00000000012345") << 0
                          << "cash=123.45\n";
    QTest::newRow("empty drawer") << "money" << 0x4D << QByteArray::fromHex("4d00000000000000") << 0
                                  << "cash=0.00\n";
    QTest::newRow("large cash") << "money" << 0x4D << QByteArray::fromHex("4d99999999999999") << 0
                                << "cash=999999999999.99\n";
    QTest::newRow("drawer answer cut short")
        << "money" << 0x4D << QByteArray::fromHex("4d0001") << 2 << "";
    QTest::newRow("drawer refused") << "money" << 0x4D << QByteArray::fromHex("559c00") << 3 << "";
    // 'U' 00 + sales BCD(14) + purchases BCD(14).
    QTest::newRow("shift totals") << "shift-totals" << 0x58
                                  << QByteArray::fromHex("55000000000001234500000000000099") << 0
                                  << "sales=123.45 purchases=0.99\n";
    QTest::newRow("shift totals refused")
        << "shift-totals" << 0x58 << QByteArray::fromHex("558800") << 3 << "";
    QTest::newRow("shift totals foreign answer")
        << "shift-totals" << 0x58 << QByteArray::fromHex("4d00000000012345") << 2 << "";
}

void TestOrvactl::sums()
{
    QFETCH(QString, command);
    QFETCH(int, code);
    QFETCH(QByteArray, answer);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    m_device->script(quint8(code), ScriptedDevice::AcceptThenResult, answer);

    const Result r = run(at({ command }));

    QCOMPARE(r.exitCode, exitCode);
    QCOMPARE(r.out, out);
    QCOMPARE(r.err.isEmpty(), exitCode == 0);
    QCOMPARE(m_device->tasks().size(), 1);
    QCOMPARE(m_device->tasks().first().code, quint8(code));
    QCOMPARE(m_device->tasks().first().payload, QByteArray());
}

void TestOrvactl::repeatWithStats()
{
    m_device->script(0x3F, ScriptedDevice::AcceptThenResult, QByteArray::fromHex("44aa"));

    const Result r = run(at({ "--repeat", "3", "--stats", "raw", "3F" }));

    QCOMPARE(r.exitCode, 0);
    const QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines.mid(0, 3), QStringList({ "44aa", "44aa", "44aa" }));
    const QRegularExpression stats(
        QStringLiteral("^runs=3 median_ms=(\\d+\\.\\d{3}) p99_ms=(\\d+\\.\\d{3}) "
                       "max_ms=(\\d+\\.\\d{3})$"));
    const QRegularExpressionMatch m = stats.match(lines.at(3));
    QVERIFY2(m.hasMatch(), qPrintable(lines.at(3)));
    QVERIFY(m.captured(1).toDouble() <= m.captured(2).toDouble());
    QVERIFY(m.captured(2).toDouble() <= m.captured(3).toDouble());
    QVERIFY(m.captured(3).toDouble() > 0);
    // One process: the endpoint probe and one link, one abort, three tasks with successive TIDs.
    QCOMPARE(m_device->connectionCount(), 2);
    QCOMPARE(m_device->framesOf(0xC4).size(), 1);
    QCOMPARE(m_device->tasks().size(), 3);
    QCOMPARE(m_device->tasks().at(1).tid, quint8(m_device->tasks().at(0).tid + 1));
    QCOMPARE(m_device->tasks().at(2).tid, quint8(m_device->tasks().at(0).tid + 2));
}

void TestOrvactl::usageErrors_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("complaint");

    QTest::newRow("no command") << QStringList {} << "no command given";
    QTest::newRow("unknown command") << QStringList { "status" } << "unknown command \"status\"";
    QTest::newRow("unknown option") << QStringList { "--bogus", "state" } << "bogus";
    QTest::newRow("state with argument") << QStringList { "state", "1" } << "takes no arguments";
    QTest::newRow("mode without number") << QStringList { "mode" } << "mode needs exactly one";
    QTest::newRow("mode not a number") << QStringList { "mode", "x" } << "bad mode \"x\"";
    QTest::newRow("mode out of range") << QStringList { "mode", "16" } << "bad mode \"16\"";
    QTest::newRow("raw without code") << QStringList { "raw" } << "raw needs a command code";
    QTest::newRow("raw code not hex") << QStringList { "raw", "3G" } << "bad command code \"3G\"";
    QTest::newRow("raw code too wide") << QStringList { "raw", "13F" } << "bad command code";
    QTest::newRow("raw odd hex") << QStringList { "raw", "3F", "123" } << "bad hex payload";
    QTest::newRow("raw bad hex") << QStringList { "raw", "3F", "zz" } << "bad hex payload";
    QTest::newRow("raw two payloads")
        << QStringList { "raw", "3F", "00", "11" } << "at most one payload";
    QTest::newRow("raw payload beyond a frame")
        << QStringList { "raw", "3F", QString(2 * 16250, QLatin1Char('0')) } << "too long";
    QTest::newRow("port zero") << QStringList { "--port", "0", "state" } << "bad port \"0\"";
    QTest::newRow("port too big") << QStringList { "--port", "70000", "state" }
                                  << "bad port \"70000\"";
    QTest::newRow("port not a number")
        << QStringList { "--port", "abc", "state" } << "bad port \"abc\"";
    QTest::newRow("port missing value") << QStringList { "state", "--port" } << "port";
    QTest::newRow("negative timeout")
        << QStringList { "--timeout", "-5", "state" } << "bad timeout \"-5\"";
    QTest::newRow("zero repeat") << QStringList { "--repeat", "0", "state" }
                                 << "bad repeat count \"0\"";
    QTest::newRow("empty host") << QStringList { "--host", "", "state" } << "--host needs";
}

void TestOrvactl::usageErrors()
{
    QFETCH(QStringList, args);
    QFETCH(QString, complaint);
    m_profile->setAtolPort(m_device->port());

    const Result r = run(args);

    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.out, QString());
    QVERIFY2(r.err.startsWith(QLatin1String("orvactl: ")), qPrintable(r.err));
    QVERIFY2(r.err.contains(complaint), qPrintable(r.err));
    QVERIFY(r.err.contains(QLatin1String("Usage: orvactl")));
    QCOMPARE(m_device->connectionCount(), 0);
}

void TestOrvactl::help()
{
    const Result r = run({ QStringLiteral("--help") });

    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.out.startsWith(QLatin1String("Usage: orvactl")));
    QCOMPARE(r.err, QString());
    QCOMPARE(m_device->connectionCount(), 0);
}

void TestOrvactl::noAnswer_data()
{
    QTest::addColumn<bool>("answerAbort");
    QTest::addColumn<QString>("complaint");

    QTest::newRow("abort unanswered") << false << "No answer from the register within 1500 ms";
    QTest::newRow("task unanswered") << true << "No answer from the register within 1500 ms";
}

void TestOrvactl::noAnswer()
{
    QFETCH(bool, answerAbort);
    QFETCH(QString, complaint);
    m_device->setAnswerAbort(answerAbort);
    m_device->script(0x3F, ScriptedDevice::Silent);

    const Result r = run(at({ "--timeout", "1500", "state" }));

    QCOMPARE(r.exitCode, 2);
    QCOMPARE(r.out, QString());
    QVERIFY2(r.err.contains(complaint), qPrintable(r.err));
    QVERIFY(r.elapsedMs >= 1500);
    QVERIFY2(r.elapsedMs < 1500 + 8000, qPrintable(QString::number(r.elapsedMs)));
    QCOMPARE(m_device->connectionCount(), 2);
    QCOMPARE(m_device->tasks().size(), answerAbort ? 1 : 0);
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
    QCOMPARE(r.out, QString());
    QVERIFY2(r.err.contains(QStringLiteral("Cannot connect to 127.0.0.1:%1: ").arg(port)),
        qPrintable(r.err));
    QVERIFY2(r.elapsedMs < 30000, qPrintable(QString::number(r.elapsedMs)));
}

void TestOrvactl::linkClosedByRegister()
{
    m_device->script(0x4D, ScriptedDevice::CloseLink);

    const Result r = run(at({ "--timeout", "15000", "money" }));

    QCOMPARE(r.exitCode, 2);
    QCOMPARE(r.out, QString());
    QVERIFY2(r.err.contains(QLatin1String("was closed")), qPrintable(r.err));
    // The closed link ends the run; the time limit is not waited out.
    QVERIFY2(r.elapsedMs < 10000, qPrintable(QString::number(r.elapsedMs)));
}

QTEST_GUILESS_MAIN(TestOrvactl)
#include "tst_orvactl.moc"
