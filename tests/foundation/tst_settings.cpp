#include "frcfgsettings.h"
#include "frcoreconfig.h"
#include "frhttpconfig.h"
#include "frportsettings.h"
#include "initconfig.h"
#include "tempprofile.h"

#include <QJsonDocument>
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

QString compactJson(const QVariantMap &map)
{
    return QString::fromUtf8(QJsonDocument::fromVariant(map).toJson(QJsonDocument::Compact));
}

// Every link settings object says where its file is, as a warning line.
void expectPortSettingsLine()
{
    QTest::ignoreMessage(
        QtWarningMsg, QRegularExpression(QStringLiteral("^FR_PORT_SETTINGS (\\S+) \\1$")));
}

const QString PARITY = QStringLiteral("frPortParity");

// The link's parity or flow control, whichever the key names, as a number.
int serialValue(const QString &key)
{
    expectPortSettingsLine();
    const FrPortSettings s;
    return key == PARITY ? int(s.frPortParity()) : int(s.frPortFlowControl());
}

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void paths();
    void cfgRead_data();
    void cfgRead();
    void jsonMaps();
    void jsonMapGarbage_data();
    void jsonMapGarbage();

    void portDefaults_data();
    void portDefaults();
    void serialText_data();
    void serialText();
    void portSerialRoundTrip();

    void driverPorts_data();
    void driverPorts();
    void driverPortsWrite();
    void coreWorkingDirs();
};

void TestSettings::initTestCase()
{
    qt5ext::InitConfig::setAppWorkDir(QStringLiteral("ORVI"));
}

void TestSettings::paths()
{
    const auto current = [] {
        return QStringList { FrCfgSettings::filePath(), FrPortSettings::filePath(),
            FrCoreConfig::filePath(), FrHttpConfig::filePath() }
            .join(QLatin1Char(' '));
    };
    const QString expected = QStringLiteral(
        "%1/orvacfg.conf %1/orvacfgports.conf %1/frcore.conf %1/frhttplistener.conf");

    TempProfile profile; // restores ALLUSERSPROFILE when it goes
    QCOMPARE(current(), expected.arg(profile.configDir()));
    // The configurator's own files may redirect logs and translations; the driver's may not.
    QVERIFY(FrCfgSettings().isAppConfig());
    QVERIFY(!FrCoreConfig().isAppConfig());
    QVERIFY(!FrHttpConfig().isAppConfig());

    qunsetenv("ALLUSERSPROFILE");
    QCOMPARE(current(), expected.arg(QStringLiteral("/ORVI/.config")));
    // Only the configurator's own objects are built here: they make no file until a value is
    // set, while the driver's would make folders.
    QCOMPARE(FrCfgSettings().settingsPath(), QStringLiteral("/ORVI/.config/orvacfg.conf"));
    expectPortSettingsLine();
    QCOMPARE(FrPortSettings().settingsPath(), QStringLiteral("/ORVI/.config/orvacfgports.conf"));
    for (const QString &path : current().split(QLatin1Char(' ')))
        QVERIFY2(!QFileInfo::exists(path), qPrintable(path));
}

void TestSettings::cfgRead_data()
{
    QTest::addColumn<QByteArray>("file"); // empty: no file
    QTest::addColumn<int>("agentKind");

    QTest::newRow("no file") << QByteArray() << 0;
    QTest::newRow("number") << QByteArray("[FRCFG]\npositionAgentKind=4\n") << 4;
    QTest::newRow("not a number") << QByteArray("[FRCFG]\npositionAgentKind=3x\n") << 0;
    QTest::newRow("other group") << QByteArray("[APP]\npositionAgentKind=5\n") << 0;
}

void TestSettings::cfgRead()
{
    QFETCH(QByteArray, file);
    QFETCH(int, agentKind);

    TempProfile profile;
    const QString path = FrCfgSettings::filePath();
    if (!file.isEmpty())
        QVERIFY(profile.writeConfig(QStringLiteral("orvacfg.conf"), file));
    const FrCfgSettings s;
    QCOMPARE(s.positionAgentKind(), agentKind);
    QVERIFY(s.positionAgentData().isEmpty());
    QVERIFY(s.positionProviderData().isEmpty());
    QCOMPARE(s.rekvHistory(1008), QString());
    QCOMPARE(QFileInfo::exists(path), !file.isEmpty()); // reading makes no file
    FrCfgSettings().setPositionAgentKind(64);
    QCOMPARE(rawValue(path, "FRCFG/positionAgentKind").toInt(), 64);
}

void TestSettings::jsonMaps()
{
    TempProfile profile;
    const QVariantMap agent { { "1005", "ул. Ленина, д. 1; офис 2" },
        { "1044", "Оплата \"по счёту\" = 100%" }, { "1073", QVariantList { "+79990000001" } } };
    const QVariantMap provider { { "1225", "ООО \"Поставщик\"" },
        { "nested", QVariantMap { { "flag", true }, { "n", 5 } } } };
    FrCfgSettings().setPositionAgentData(agent);
    FrCfgSettings().setRekvHistory(1008, QStringLiteral("+79990000000"));
    FrCfgSettings().setRekvHistory(1227, QStringLiteral("Иванов Иван, \"ИП\""));
    FrCfgSettings().setRekvHistory(1008, QStringLiteral("buyer@example.com"));
    {
        const FrCfgSettings s;
        QCOMPARE(s.positionAgentData(), agent);
        QVERIFY(s.positionProviderData().isEmpty());
        QCOMPARE(s.rekvHistory(1008), QStringLiteral("buyer@example.com"));
        QCOMPARE(s.rekvHistory(1227), QStringLiteral("Иванов Иван, \"ИП\""));
        QCOMPARE(s.rekvHistory(1228), QString());
    }
    FrCfgSettings().setPositionProviderData(provider);
    QCOMPARE(FrCfgSettings().positionProviderData(), provider);
    // Compact JSON text; the history is one object keyed by the tag as decimal text.
    const QString path = FrCfgSettings::filePath();
    QCOMPARE(rawValue(path, "FRCFG/positionAgentData").toString(), compactJson(agent));
    QCOMPARE(rawValue(path, "FRCFG/positionProviderData").toString(), compactJson(provider));
    QCOMPARE(rawValue(path, "FRCFG/rekvHistory").toString(),
        compactJson({ { "1008", "buyer@example.com" }, { "1227", "Иванов Иван, \"ИП\"" } }));
}

void TestSettings::jsonMapGarbage_data()
{
    QTest::addColumn<QByteArray>("stored"); // the value as it stands in the file

    QTest::newRow("words") << QByteArray("not json at all");
    QTest::newRow("truncated object") << QByteArray("\"{\\\"1008\\\":\\\"a\"");
    QTest::newRow("array") << QByteArray("\"[1,2,3]\"");
}

void TestSettings::jsonMapGarbage()
{
    QFETCH(QByteArray, stored);

    const QStringList keys { "positionAgentData", "positionProviderData", "rekvHistory" };
    TempProfile profile;
    QByteArray file("[FRCFG]\n");
    for (const QString &key : keys)
        file += key.toLatin1() + '=' + stored + '\n';
    QVERIFY(profile.writeConfig(QStringLiteral("orvacfg.conf"), file));
    {
        const FrCfgSettings s;
        QVERIFY(s.positionAgentData().isEmpty());
        QVERIFY(s.positionProviderData().isEmpty());
        QCOMPARE(s.rekvHistory(1008), QString());
    }

    // Writing one member replaces the garbage with a well-formed object.
    const QVariantMap one { { "1008", "buyer@example.com" } };
    FrCfgSettings().setPositionAgentData(one);
    FrCfgSettings().setPositionProviderData(one);
    FrCfgSettings().setRekvHistory(1008, QStringLiteral("buyer@example.com"));
    for (const QString &key : keys)
        QCOMPARE(rawValue(FrCfgSettings::filePath(), "FRCFG/" + key).toString(),
            QStringLiteral("{\"1008\":\"buyer@example.com\"}"));
}

void TestSettings::portDefaults_data()
{
    QTest::addColumn<QByteArray>("file"); // empty: no file at all
    QTest::addColumn<int>("atolPort"); // 0: no driver file
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("tcpPort");

    QTest::newRow("no file") << QByteArray() << 0 << "47" << 3333;
    QTest::newRow("other group") << QByteArray(
        "[FRCFG]\nfrPortName=COM7\nfrPortBaudrate=9600\nfrConnPwd=30\n")
                                 << 0 << "47" << 3333;
    // Text as stored: leading zeros are part of the password.
    QTest::newRow("password only")
        << QByteArray("[FRPORTSETTINGS]\nfrConnPwd=0030\n") << 0 << "0030" << 3333;
    // The link always goes to the driver's port on this machine, whatever the file says.
    QTest::newRow("TCP keys, driver port")
        << QByteArray("[FRPORTSETTINGS]\ntcpAddress=192.0.2.7\ntcpPort=1234\ntcpUse=false\n")
        << 4001 << "47" << 4001;
}

void TestSettings::portDefaults()
{
    QFETCH(QByteArray, file);
    QFETCH(int, atolPort);
    QFETCH(QString, password);
    QFETCH(int, tcpPort);

    TempProfile profile;
    if (!file.isEmpty())
        QVERIFY(profile.writeConfig(QStringLiteral("orvacfgports.conf"), file));
    if (atolPort)
        profile.setAtolPort(quint16(atolPort));
    expectPortSettingsLine();
    const FrPortSettings s;
    QCOMPARE(s.frPortName(), QString());
    QCOMPARE(s.frPortBaudrate(), 115200u);
    QCOMPARE(s.frPortDatabits(), quint32(QSerialPort::Data8));
    QCOMPARE(s.frPortStopbits(), quint32(QSerialPort::OneStop));
    QCOMPARE(s.frPortParity(), QSerialPort::NoParity);
    QCOMPARE(s.frPortFlowControl(), QSerialPort::NoFlowControl);
    QCOMPARE(s.frConnPwd(), password);
    QCOMPARE(s.tcpAddress(), QStringLiteral("localhost"));
    QCOMPARE(int(s.tcpPort()), tcpPort);
    QVERIFY(s.tcpUse());
    // The driver's port is read afresh, not remembered: the network page may change it.
    FrCoreConfig().setAtolTcpPort(6001);
    QCOMPARE(s.tcpPort(), quint16(6001));
}

void TestSettings::serialText_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("stored"); // what writing the value stores
    QTest::addColumn<int>("readBack"); // what reading that text gives
    QTest::addColumn<QStringList>("alike"); // other spellings that read the same

    const QString flow = QStringLiteral("frPortFlowControl");
    const int hw = QSerialPort::HardwareControl;
    const int sw = QSerialPort::SoftwareControl;
    const int noFlow = QSerialPort::NoFlowControl;
    const int noParity = QSerialPort::NoParity;
    QTest::newRow("hardware") << flow << hw << "HARDWARE" << hw
                              << QStringList { "hardware", "DTR/STR", "dtr/str" };
    QTest::newRow("software") << flow << sw << "XON/XOFF" << sw
                              << QStringList { "xon/xoff", "XONXOFF", "XonXoff" };
    QTest::newRow("no flow") << flow << noFlow << "OFF" << noFlow
                             << QStringList { "", "RTS/CTS", " HARDWARE" };
    QTest::newRow("unknown flow") << flow << int(QSerialPort::UnknownFlowControl) << "OFF" << noFlow
                                  << QStringList();
    QTest::newRow("odd") << PARITY << int(QSerialPort::OddParity) << "ODD"
                         << int(QSerialPort::OddParity) << QStringList { "odd" };
    QTest::newRow("even") << PARITY << int(QSerialPort::EvenParity) << "EVEN"
                          << int(QSerialPort::EvenParity) << QStringList { "Even" };
    QTest::newRow("space") << PARITY << int(QSerialPort::SpaceParity) << "SPACE"
                           << int(QSerialPort::SpaceParity) << QStringList { "space" };
    // The driver knows no mark parity.
    QTest::newRow("mark") << PARITY << int(QSerialPort::MarkParity) << "NONE" << noParity
                          << QStringList { "MARK", "mark", "", "1" };
    QTest::newRow("no parity") << PARITY << noParity << "NONE" << noParity << QStringList();
}

void TestSettings::serialText()
{
    QFETCH(QString, key);
    QFETCH(int, value);
    QFETCH(QString, stored);
    QFETCH(int, readBack);
    QFETCH(QStringList, alike);

    TempProfile profile;
    {
        expectPortSettingsLine();
        FrPortSettings s;
        if (key == PARITY)
            s.setFrPortParity(QSerialPort::Parity(value));
        else
            s.setFrPortFlowControl(QSerialPort::FlowControl(value));
    }
    QCOMPARE(rawValue(FrPortSettings::filePath(), "FRPORTSETTINGS/" + key).toString(), stored);
    QCOMPARE(serialValue(key), readBack);
    for (const QString &text : qAsConst(alike)) {
        QSettings(FrPortSettings::filePath(), QSettings::IniFormat)
            .setValue(QStringLiteral("FRPORTSETTINGS/") + key, text);
        QVERIFY2(serialValue(key) == readBack, qPrintable(text));
    }
}

void TestSettings::portSerialRoundTrip()
{
    TempProfile profile;
    {
        expectPortSettingsLine();
        FrPortSettings s;
        s.setFrPortName(QStringLiteral("/dev/ttyUSB0"));
        s.setFrPortBaudrate(9600);
        s.setFrPortDatabits(QSerialPort::Data7);
        s.setFrPortStopbits(QSerialPort::OneAndHalfStop);
    }
    expectPortSettingsLine();
    const FrPortSettings s;
    QCOMPARE(s.frPortName(), QStringLiteral("/dev/ttyUSB0"));
    QCOMPARE(s.frPortBaudrate(), 9600u);
    QCOMPARE(s.frPortDatabits(), 7u);
    QCOMPARE(s.frPortStopbits(), 3u);
    // Under the driver's key names; writing the serial values never invents a password.
    const QString path = FrPortSettings::filePath();
    QCOMPARE(rawValue(path, "FRPORTSETTINGS/frPortName").toString(), s.frPortName());
    QCOMPARE(rawValue(path, "FRPORTSETTINGS/frPortBaudrate").toUInt(), 9600u);
    QCOMPARE(rawValue(path, "FRPORTSETTINGS/frPortDatabits").toUInt(), 7u);
    QCOMPARE(rawValue(path, "FRPORTSETTINGS/frPortStopbits").toUInt(), 3u);
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
    QTest::newRow("core: not a number") << core << QByteArray("[CORE]\natolTcpPort=port\n") << 3333;
    QTest::newRow("core: zero") << core << QByteArray("[CORE]\natolTcpPort=0\n") << 3333;
    QTest::newRow("core: too big") << core << QByteArray("[CORE]\natolTcpPort=70000\n") << 3333;
    QTest::newRow("core: highest") << core << QByteArray("[CORE]\natolTcpPort=65535\n") << 65535;
    QTest::newRow("http: no file") << http << QByteArray() << 8088;
    QTest::newRow("http: stored") << http << QByteArray("[LISTENER]\nport=8090\n") << 8090;
    QTest::newRow("http: other group") << http << QByteArray("[CORE]\nport=8090\n") << 8088;
    QTest::newRow("http: not a number") << http << QByteArray("[LISTENER]\nport=http\n") << 8088;
}

void TestSettings::driverPorts()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, file);
    QFETCH(int, expected);

    TempProfile profile;
    if (!file.isEmpty())
        QVERIFY(profile.writeConfig(fileName, file));
    QCOMPARE(fileName == QLatin1String("frcore.conf") ? int(FrCoreConfig().atolTcpPort())
                                                      : int(FrHttpConfig().port()),
        expected);
}

void TestSettings::driverPortsWrite()
{
    TempProfile profile;
    QVERIFY(profile.writeConfig(
        QStringLiteral("frcore.conf"), "[CORE]\natolTcpPort=3333\nhostRs=COM5\n[OTHER]\nx=1\n"));
    FrCoreConfig().setAtolTcpPort(4100);
    FrHttpConfig().setPort(9000);
    // Each in its own file; keys of the driver that we do not know survive our write.
    const QString core = FrCoreConfig::filePath();
    QCOMPARE(rawValue(core, "CORE/atolTcpPort").toInt(), 4100);
    QCOMPARE(rawValue(core, "CORE/hostRs").toString(), QStringLiteral("COM5"));
    QCOMPARE(rawValue(core, "OTHER/x").toInt(), 1);
    QCOMPARE(rawValue(FrHttpConfig::filePath(), "LISTENER/port").toInt(), 9000);
}

void TestSettings::coreWorkingDirs()
{
    TempProfile profile;
    const QString work = profile.path() + QStringLiteral("/ORVI");
    QCOMPARE(qt5ext::InitConfig::workDir(), work);
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
