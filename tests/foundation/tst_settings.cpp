#include "frcfgsettings.h"
#include "frcoreconfig.h"
#include "frhttpconfig.h"
#include "frportsettings.h"
#include "initconfig.h"
#include "tempprofile.h"

#include <QSettings>
#include <QtTest>

namespace {

// What is stored in a settings file ("GROUP/key"), read past the classes under test.
QVariant rawValue(const QString &path, const QString &key)
{
    QSettings raw(path, QSettings::IniFormat);
    raw.setIniCodec("UTF-8");
    return raw.value(key);
}

// Every link settings object says where its file is, as a warning line.
void expectPortSettingsLine()
{
    QTest::ignoreMessage(
        QtWarningMsg, QRegularExpression(QStringLiteral("^FR_PORT_SETTINGS (\\S+) \\1$")));
}

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { qt5ext::InitConfig::setAppWorkDir(QStringLiteral("ORVI")); }
    void init() { m_profile.reset(new TempProfile); }
    void cleanup() { m_profile.reset(); }

    void cfgJsonMaps_data();
    void cfgJsonMaps();
    void portRead_data();
    void portRead();
    void portWrite();
    void driverPorts_data();
    void driverPorts();
    void coreWorkingDirs();

private:
    QScopedPointer<TempProfile> m_profile;
};

void TestSettings::cfgJsonMaps_data()
{
    QTest::addColumn<QByteArray>("file"); // empty: no file
    QTest::newRow("no file") << QByteArray();
    QTest::newRow("other group") << QByteArray("[APP]\npositionAgentKind=5\nrekvHistory=\"{}\"\n");
    QByteArray garbage("[FRCFG]\npositionAgentKind=3x\npositionAgentData=not json at all\n");
    garbage += "positionProviderData=\"[1,2,3]\"\nrekvHistory=\"{\\\"1008\\\":\\\"a\"\n";
    QTest::newRow("garbage") << garbage;
}

void TestSettings::cfgJsonMaps()
{
    QFETCH(QByteArray, file);
    const QString path = FrCfgSettings::filePath();
    if (!file.isEmpty())
        QVERIFY(m_profile->writeConfig(QStringLiteral("orvacfg.conf"), file));
    {
        const FrCfgSettings s;
        QCOMPARE(s.positionAgentKind(), 0);
        QVERIFY(s.positionAgentData().isEmpty());
        QVERIFY(s.positionProviderData().isEmpty());
        QCOMPARE(s.rekvHistory(1008), QString());
    }
    QCOMPARE(QFileInfo::exists(path), !file.isEmpty()); // reading makes no file

    const QVariantMap agent { { "1005", "ул. Ленина, д. 1; офис 2" },
        { "1044", "Оплата \"по счёту\" = 100%" }, { "1073", QVariantList { "+79990000001" } } };
    const QVariantMap provider { { "1225", "ООО \"Поставщик\"" },
        { "nested", QVariantMap { { "flag", true }, { "n", 5 } } } };
    FrCfgSettings().setPositionAgentKind(64);
    FrCfgSettings().setPositionAgentData(agent);
    FrCfgSettings().setPositionProviderData(provider);
    FrCfgSettings().setRekvHistory(1008, QStringLiteral("+79990000000"));
    FrCfgSettings().setRekvHistory(1227, QStringLiteral("Иванов Иван, \"ИП\""));
    FrCfgSettings().setRekvHistory(1008, QStringLiteral("buyer@example.com"));
    const FrCfgSettings s;
    QCOMPARE(s.positionAgentKind(), 64);
    QCOMPARE(s.positionAgentData(), agent);
    QCOMPARE(s.positionProviderData(), provider);
    QCOMPARE(s.rekvHistory(1008), QStringLiteral("buyer@example.com"));
    QCOMPARE(s.rekvHistory(1227), QStringLiteral("Иванов Иван, \"ИП\""));
    // Compact JSON text; the history is one object keyed by the tag as decimal text.
    QCOMPARE(rawValue(path, "FRCFG/rekvHistory").toString(),
        QStringLiteral("{\"1008\":\"buyer@example.com\",\"1227\":\"Иванов Иван, \\\"ИП\\\"\"}"));
    QCOMPARE(rawValue(path, "FRCFG/positionProviderData").toString(),
        QStringLiteral("{\"1225\":\"ООО \\\"Поставщик\\\"\",\"nested\":{\"flag\":true,\"n\":5}}"));
}

void TestSettings::portRead_data()
{
    QTest::addColumn<QByteArray>("file"); // below [FRPORTSETTINGS]; empty: no file at all
    QTest::addColumn<QString>("expected"); // name baud data stop parity flow password port

    auto row = [](const char *name, const char *file, const char *expected) {
        QTest::newRow(name) << QByteArray(file) << QString(expected);
    };
    row("no file", "", "- 115200 8 1 0 0 47 4001");
    row("other group", "[FRCFG]\nfrPortName=COM7\nfrConnPwd=30\n", "- 115200 8 1 0 0 47 4001");
    // Text as stored: leading zeros are part of the password. The link always goes to the
    // driver's port on this machine, whatever the file says.
    row("password, TCP keys",
        "[FRPORTSETTINGS]\nfrConnPwd=0030\ntcpAddress=192.0.2.7\ntcpPort=1234\n",
        "- 115200 8 1 0 0 0030 4001");
    row("serial keys",
        "[FRPORTSETTINGS]\nfrPortName=/dev/ttyUSB0\nfrPortBaudrate=9600\nfrPortDatabits=7\n"
        "frPortStopbits=3\nfrPortParity=odd\nfrPortFlowControl=DTR/STR\n",
        "/dev/ttyUSB0 9600 7 3 3 1 47 4001");
    // The driver knows no mark parity; RTS/CTS is none of its flow control names.
    row("other spellings", "[FRPORTSETTINGS]\nfrPortParity=MARK\nfrPortFlowControl=XonXoff\n",
        "- 115200 8 1 0 2 47 4001");
    row("unknown flow, even", "[FRPORTSETTINGS]\nfrPortParity=Even\nfrPortFlowControl=RTS/CTS\n",
        "- 115200 8 1 2 0 47 4001");
}

void TestSettings::portRead()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, expected);
    if (!file.isEmpty())
        QVERIFY(m_profile->writeConfig(QStringLiteral("orvacfgports.conf"), file));
    m_profile->setAtolPort(4001);
    expectPortSettingsLine();
    const FrPortSettings s;
    const QString name = s.frPortName().isEmpty() ? QStringLiteral("-") : s.frPortName();
    QCOMPARE(QString::asprintf("%ls %u %u %u %d %d %ls %u", qUtf16Printable(name),
                 s.frPortBaudrate(), s.frPortDatabits(), s.frPortStopbits(), int(s.frPortParity()),
                 int(s.frPortFlowControl()), qUtf16Printable(s.frConnPwd()), unsigned(s.tcpPort())),
        expected);
    QCOMPARE(s.tcpAddress(), QStringLiteral("localhost"));
    // The driver's port is read afresh, not remembered: the network page may change it.
    FrCoreConfig().setAtolTcpPort(6001);
    QCOMPARE(s.tcpPort(), quint16(6001));
}

void TestSettings::portWrite()
{
    // Each value under the driver's key name and in its words; what is written reads back.
    const QList<QPair<QSerialPort::Parity, QString>> parities { { QSerialPort::OddParity, "ODD" },
        { QSerialPort::EvenParity, "EVEN" }, { QSerialPort::SpaceParity, "SPACE" },
        { QSerialPort::MarkParity, "NONE" }, { QSerialPort::NoParity, "NONE" } };
    const QList<QPair<QSerialPort::FlowControl, QString>> flows {
        { QSerialPort::HardwareControl, "HARDWARE" }, { QSerialPort::SoftwareControl, "XON/XOFF" },
        { QSerialPort::UnknownFlowControl, "OFF" }, { QSerialPort::NoFlowControl, "OFF" }
    };
    const QString path = FrPortSettings::filePath();
    expectPortSettingsLine();
    FrPortSettings s;
    for (const auto &p : parities) {
        s.setFrPortParity(p.first);
        QCOMPARE(rawValue(path, "FRPORTSETTINGS/frPortParity").toString(), p.second);
        QCOMPARE(s.frPortParity(), p.second == "NONE" ? QSerialPort::NoParity : p.first);
    }
    for (const auto &f : flows) {
        s.setFrPortFlowControl(f.first);
        QCOMPARE(rawValue(path, "FRPORTSETTINGS/frPortFlowControl").toString(), f.second);
        QCOMPARE(s.frPortFlowControl(), f.second == "OFF" ? QSerialPort::NoFlowControl : f.first);
    }
    s.setFrPortName(QStringLiteral("/dev/ttyUSB0"));
    s.setFrPortBaudrate(9600);
    s.setFrPortDatabits(QSerialPort::Data7);
    s.setFrPortStopbits(QSerialPort::OneAndHalfStop);
    QCOMPARE(rawValue(path, "FRPORTSETTINGS/frPortName").toString(), s.frPortName());
    QCOMPARE(rawValue(path, "FRPORTSETTINGS/frPortBaudrate").toUInt(), 9600u);
    QCOMPARE(rawValue(path, "FRPORTSETTINGS/frPortDatabits").toUInt(), 7u);
    QCOMPARE(rawValue(path, "FRPORTSETTINGS/frPortStopbits").toUInt(), 3u);
    // Writing the serial values never invents a password.
    QVERIFY(!rawValue(path, "FRPORTSETTINGS/frConnPwd").isValid());
}

void TestSettings::driverPorts_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("file"); // empty: no file
    QTest::addColumn<int>("expected");

    const QString core = QStringLiteral("frcore.conf");
    const QString http = QStringLiteral("frhttplistener.conf");
    QTest::newRow("core: no file") << core << QByteArray() << 3333;
    QTest::newRow("core: stored") << core << QByteArray("[CORE]\natolTcpPort=5555\n") << 5555;
    QTest::newRow("core: other group")
        << core << QByteArray("[LISTENER]\natolTcpPort=5555\n") << 3333;
    QTest::newRow("core: zero") << core << QByteArray("[CORE]\natolTcpPort=0\n") << 3333;
    QTest::newRow("core: too big") << core << QByteArray("[CORE]\natolTcpPort=70000\n") << 3333;
    QTest::newRow("core: highest") << core << QByteArray("[CORE]\natolTcpPort=65535\n") << 65535;
    QTest::newRow("http: no file") << http << QByteArray() << 8088;
    QTest::newRow("http: stored") << http << QByteArray("[LISTENER]\nport=8090\n") << 8090;
    QTest::newRow("http: not a number") << http << QByteArray("[LISTENER]\nport=http\n") << 8088;
}

void TestSettings::driverPorts()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, file);
    QFETCH(int, expected);
    if (!file.isEmpty())
        QVERIFY(m_profile->writeConfig(fileName, file + "[OTHER]\nx=1\n"));
    const bool core = fileName == QLatin1String("frcore.conf");
    QCOMPARE(core ? int(FrCoreConfig().atolTcpPort()) : int(FrHttpConfig().port()), expected);

    // Written into its own file and group; keys of the driver we do not know survive.
    core ? FrCoreConfig().setAtolTcpPort(4100) : FrHttpConfig().setPort(4100);
    const QString path = m_profile->configDir() + QLatin1Char('/') + fileName;
    QCOMPARE(rawValue(path, core ? "CORE/atolTcpPort" : "LISTENER/port").toInt(), 4100);
    QCOMPARE(rawValue(path, "OTHER/x").toInt(), file.isEmpty() ? 0 : 1);
}

void TestSettings::coreWorkingDirs()
{
    const QString work = m_profile->path() + QStringLiteral("/ORVI");
    QVERIFY(!QFileInfo::exists(work + QStringLiteral("/tables")));
    const FrCoreConfig config;
    const QFileDevice::Permissions shared(QFlag(0x7077)); // rwx for owner, group and others
    for (const char *name : { "tables", "clientqueue", "dbak" }) {
        const QFileInfo info(work + QLatin1Char('/') + QLatin1String(name));
        QVERIFY2(info.isDir(), name);
        QCOMPARE(info.permissions() & shared, shared);
    }
}

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
