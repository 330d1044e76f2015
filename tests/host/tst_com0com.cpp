// The virtual COM port pair: the setup library's buffers as the controller reads them, the
// port search, and the whole road through our setup library loaded with QLibrary, with
// socat joining the two ends.

#include "com0comcontroller.h"
#include "com0comsettingswidget.h"
#include "filefrcoresettings.h"
#include "frcoreconfig.h"
#include "tempprofile.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLibrary>
#include <QLineEdit>
#include <QPushButton>
#include <QSerialPort>
#include <QStandardPaths>
#include <QtTest>

#include <csignal>
#include <memory>

using Pairs = Com0ComController::PairMap;
using Side = QPair<QString, QString>;

Q_DECLARE_METATYPE(Pairs)

namespace {

QString folder()
{
    return qEnvironmentVariable("ALLUSERSPROFILE") + QStringLiteral("/ORVI/com0com");
}

QString hostRs()
{
    FrCoreConfig config;
    return config.contains(FrCoreConfig::GROUP, QStringLiteral("hostRs"))
        ? config.value(FrCoreConfig::GROUP, QStringLiteral("hostRs")).toString()
        : QStringLiteral("<none>");
}

// Occupies port names the way other software would: files named after them.
void occupy(const QStringList &names)
{
    QDir().mkpath(folder());
    for (const QString &n : names) {
        QFile f(folder() + QLatin1Char('/') + n);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
}

QVector<qint64> relayPids()
{
    QFile f(folder() + QStringLiteral("/pairs.json"));
    QVector<qint64> pids;
    if (!f.open(QIODevice::ReadOnly))
        return pids;
    const QJsonArray pairs = QJsonDocument::fromJson(f.readAll()).object().value("pairs").toArray();
    for (const QJsonValue &p : pairs)
        pids.append(qint64(p.toObject().value("pid").toDouble()));
    return pids;
}

bool processRuns(qint64 pid)
{
    QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
    return cmdline.open(QIODevice::ReadOnly) && cmdline.readAll().contains("socat");
}

} // namespace

class TestCom0Com : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY2(!QStandardPaths::findExecutable("socat").isEmpty(), "socat is not installed");
        m_setup.setFileName(Com0ComController::defaultLibraryPath());
        QVERIFY2(m_setup.load(), qPrintable(m_setup.errorString()));
    }
    void init() { m_profile.reset(new TempProfile); }
    void cleanup()
    {
        // No socat may outlive its test.
        const QVector<qint64> pids = relayPids();
        Com0ComController().removePairs();
        for (qint64 pid : pids) {
            if (processRuns(pid)) {
                ::kill(pid_t(pid), SIGKILL);
                QFAIL("a relay survived the removal of its pair");
            }
        }
        m_profile.reset();
    }

    void parsePairs_data();
    void parsePairs();
    void choosePorts_data();
    void choosePorts();

    void pairCarriesBytes();
    void widgetGivesDriverItsEnd();
    void lowestPairShown();
    void deadRelayDropsPair();
    void standInRefusesBadParameters_data();
    void standInRefusesBadParameters();
    void missingLibraryChangesNothing();

private:
    std::unique_ptr<TempProfile> m_profile;
    QLibrary m_setup;
};

// Fault: a line the exact pattern rejects is taken, or a side lands in the wrong member.
// (Busy names are read from the library's own buffers in installThroughLibrary.)
void TestCom0Com::parsePairs_data()
{
    QTest::addColumn<QByteArray>("buffer");
    QTest::addColumn<Pairs>("pairs");
    QTest::newRow("no colon ignored") << QByteArray("CNCA0 PortName=COM5\n") << Pairs();
    QTest::newRow("both sides, trailing parameters")
        << QByteArray("CNCA3:PortName=COM7,EmuBR=yes\nCNCB3:PortName=COM6\n")
        << Pairs { { 3, Side("COM7", "COM6") } };
    QTest::newRow("two pairs, two digits")
        << QByteArray("CNCB12:PortName=COM19\nCNCA12:PortName=COM14\nCNCA1:PortName=COM1\n")
        << Pairs { { 1, Side("COM1", "") }, { 12, Side("COM14", "COM19") } };
    QTest::newRow("three digit pair number") << QByteArray("CNCA100:PortName=COM1\n") << Pairs();
    QTest::newRow("windows line ends")
        << QByteArray("CNCA2:PortName=COM2\r\nCNCB2:PortName=COM8\r\n")
        << Pairs { { 2, Side("COM2", "COM8") } };
    QTest::newRow("nothing after the first zero")
        << QByteArray("CNCA0:PortName=COM1\n\0CNCB0:PortName=COM6\n", 42)
        << Pairs { { 0, Side("COM1", "") } };
}

void TestCom0Com::parsePairs()
{
    QFETCH(QByteArray, buffer);
    QByteArray padded = buffer;
    padded.append(QByteArray(Com0ComController::LIST_BUFFER_SIZE - buffer.size(), '\0'));
    QTEST(Com0ComController::parsePairs(padded), "pairs");
}

// Fault: the ranges drift, or both sides end up on one name.
void TestCom0Com::choosePorts_data()
{
    QTest::addColumn<QStringList>("busy");
    QTest::addColumn<QString>("sideA");
    QTest::addColumn<QString>("sideB");
    auto range = [](int from, int to) {
        QStringList l;
        for (int n = from; n <= to; ++n)
            l << QStringLiteral("COM%1").arg(n);
        return l;
    };
    auto row = [](const char *name, const QStringList &busy, const char *a, const char *b) {
        QTest::newRow(name) << busy << QString(a) << QString(b);
    };
    row("A's last name", range(1, 7) + range(9, 13), "COM14", "COM8");
    row("A range full", range(1, 14), "", "");
    // The search would put both ends on COM14: no pair is better than that.
    row("only COM14 and COM19 free", range(1, 13) + range(15, 18), "", "");
}

void TestCom0Com::choosePorts()
{
    QFETCH(QStringList, busy);
    QFETCH(QString, sideA);
    QString a, b;
    QCOMPARE(Com0ComController::choosePorts(busy, &a, &b), !sideA.isEmpty());
    QCOMPARE(a, sideA);
    QTEST(b, "sideB");
}

// Fault: the relay is not raw (line ends, XON/XOFF or ^C eaten or changed) or one-way.
void TestCom0Com::pairCarriesBytes()
{
    Com0ComController c;
    QVERIFY(c.installPair());
    QSerialPort client(folder() + QStringLiteral("/COM1"));
    QSerialPort driver(folder() + QStringLiteral("/COM6"));
    QVERIFY2(client.open(QIODevice::ReadWrite), qPrintable(client.errorString()));
    QVERIFY2(driver.open(QIODevice::ReadWrite), qPrintable(driver.errorString()));
    QByteArray all;
    for (int i = 0; i < 256; ++i)
        all.append(char(i));
    const QByteArray frame = QByteArray::fromHex("02000481c1001073039a");
    for (auto [from, to, bytes] :
        { std::make_tuple(&client, &driver, all), std::make_tuple(&driver, &client, frame) }) {
        from->write(bytes);
        QVERIFY(from->waitForBytesWritten(2000));
        QByteArray got;
        while (got.size() < bytes.size() && to->waitForReadyRead(2000))
            got += to->readAll();
        QCOMPARE(got.toHex(), bytes.toHex());
    }
}

// Fault: the busy names the library reports do not steer the search, the driver is told
// the client's end, a second press makes a second pair, or "hostRs" outlives the pair.
void TestCom0Com::widgetGivesDriverItsEnd()
{
    const QStringList occupied { "COM1", "COM2", "COM3", "COM4", "COM5" };
    const QString client = "COM7", own = "COM6";
    occupy(occupied);
    FrCoreConfig().setAtolTcpPort(4444);
    QCOMPARE(Com0ComController().getBysyPorts(), occupied);
    Com0ComSettingsWidget w;
    auto ownEdit = w.findChild<QLineEdit *>("leOwnPort");
    auto clientEdit = w.findChild<QLineEdit *>("leClientPort");
    for (int press = 0; press < 2; ++press)
        w.findChild<QPushButton *>("pbInstall")->click();
    QCOMPARE(Com0ComController().getPairs(), (Pairs { { 0, Side(client, own) } }));
    QCOMPARE(clientEdit->text(), client);
    QCOMPARE(ownEdit->text(), own);
    QCOMPARE(hostRs(), own);

    w.findChild<QPushButton *>("pnRemove")->click();
    QCOMPARE(ownEdit->text(), QString());
    QCOMPARE(hostRs(), QStringLiteral("<none>"));
    QVERIFY(Com0ComController().getPairs().isEmpty());
    // The driver's other settings stay.
    QCOMPARE(FrCoreConfig().atolTcpPort(), quint16(4444));
}

// Fault: the widget shows whichever pair the library lists first.
void TestCom0Com::lowestPairShown()
{
    auto install = reinterpret_cast<Com0ComInstallPorts>(m_setup.resolve("InstallPorts"));
    auto remove = reinterpret_cast<Com0ComRemove>(m_setup.resolve("Remove"));
    QVERIFY(install && remove);
    QVERIFY(install("", "PortName=COM2", "PortName=COM8", 1)); // pair 0
    QVERIFY(install("", "PortName=COM3", "PortName=COM9", 1)); // pair 1
    QVERIFY(remove(0));
    QVERIFY(install("", "PortName=COM4", "PortName=COM10", 1)); // pair 0 again
    Com0ComSettingsWidget w;
    QCOMPARE(w.findChild<QLineEdit *>("leClientPort")->text(), QStringLiteral("COM4"));
    QCOMPARE(hostRs(), QStringLiteral("COM10"));
}

// Fault: a pair whose relay died is still offered to the driver.
void TestCom0Com::deadRelayDropsPair()
{
    Com0ComSettingsWidget w;
    w.findChild<QPushButton *>("pbInstall")->click();
    QCOMPARE(hostRs(), QStringLiteral("COM6"));
    const QVector<qint64> pids = relayPids();
    QCOMPARE(pids.size(), 1);
    ::kill(pid_t(pids.first()), SIGKILL);
    QTRY_VERIFY(!processRuns(pids.first()));
    w.checkPorts();
    QCOMPARE(w.findChild<QLineEdit *>("leOwnPort")->text(), QString());
    QCOMPARE(hostRs(), QStringLiteral("<none>"));
}

// Fault: the library makes files of names it was not meant to, or doubles a busy port.
void TestCom0Com::standInRefusesBadParameters_data()
{
    QTest::addColumn<QByteArray>("paramsA");
    QTest::addColumn<QByteArray>("paramsB");
    QTest::newRow("path in the name")
        << QByteArray("PortName=COM1/../../x") << QByteArray("PortName=COM6");
    QTest::newRow("one name twice") << QByteArray("PortName=COM6") << QByteArray("PortName=COM6");
    QTest::newRow("busy name") << QByteArray("PortName=COM2") << QByteArray("PortName=COM6");
}

void TestCom0Com::standInRefusesBadParameters()
{
    QFETCH(QByteArray, paramsA);
    QFETCH(QByteArray, paramsB);
    occupy({ "COM2" });
    auto install = reinterpret_cast<Com0ComInstallPorts>(m_setup.resolve("InstallPorts"));
    QVERIFY(!install("", paramsA.constData(), paramsB.constData(), 1));
    QVERIFY(Com0ComController().getPairs().isEmpty());
    QCOMPARE(QDir(folder()).entryList({ "COM*" }, QDir::AllEntries | QDir::System),
        QStringList { "COM2" });
}

// Fault: a page without its library still writes the driver's settings.
void TestCom0Com::missingLibraryChangesNothing()
{
    QVERIFY(Com0ComController().installPair());
    Com0ComSettingsWidget w(
        new FileFrCoreSettings, QDir::currentPath() + QStringLiteral("/nothing/here.so"));
    QCOMPARE(w.findChild<QLineEdit *>("leOwnPort")->text(), QString());
    w.findChild<QPushButton *>("pnRemove")->click();
    QCOMPARE(Com0ComController().getPairs().size(), 1);
    QCOMPARE(hostRs(), QStringLiteral("<none>"));
}

QTEST_MAIN(TestCom0Com)
#include "tst_com0com.moc"
