#include "frcfgsettings.h"
#include "frcoreconfig.h"
#include "frhttpconfig.h"
#include "frportsettings.h"
#include "initconfig.h"
#include "tempprofile.h"

#include <QJsonDocument>
#include <QSettings>
#include <QtTest>

Q_DECLARE_METATYPE(QSerialPort::FlowControl)
Q_DECLARE_METATYPE(QSerialPort::Parity)

namespace {

// What is stored in a settings file, read past the classes under test.
QVariant rawValue(const QString &path, const QString &group, const QString &key)
{
    QSettings raw(path, QSettings::IniFormat);
    raw.setIniCodec("UTF-8");
    return raw.value(group + QLatin1Char('/') + key);
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

class EnvGuard
{
public:
    explicit EnvGuard(const char *name)
        : m_name(name), m_value(qgetenv(name)), m_had(qEnvironmentVariableIsSet(name))
    { }
    ~EnvGuard()
    {
        if (m_had)
            qputenv(m_name, m_value);
        else
            qunsetenv(m_name);
    }

private:
    const char *m_name;
    QByteArray m_value;
    bool m_had;
};

enum MapKey { AgentData, ProviderData, RekvHistory };

QVariantMap readMap(const FrCfgSettings &s, MapKey key)
{
    return key == AgentData ? s.positionAgentData() : s.positionProviderData();
}

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void pathsWithoutProfile_data();
    void pathsWithoutProfile();
    void pathsFollowProfile();

    void cfgDefaults();
    void agentKind_data();
    void agentKind();
    void jsonMapRoundTrip_data();
    void jsonMapRoundTrip();
    void jsonMapGarbage_data();
    void jsonMapGarbage();
    void rekvHistory();

    void portDefaults_data();
    void portDefaults();
    void portFlowControlRead_data();
    void portFlowControlRead();
    void portFlowControlWrite_data();
    void portFlowControlWrite();
    void portParityRead_data();
    void portParityRead();
    void portParityWrite_data();
    void portParityWrite();
    void portSerialRoundTrip();
    void portPassword();
    void portTcpEndpoint_data();
    void portTcpEndpoint();

    void coreAtolPort_data();
    void coreAtolPort();
    void coreAtolPortWrite();
    void coreWorkingDirs();
    void httpPort_data();
    void httpPort();
    void httpPortWrite();
};

void TestSettings::initTestCase()
{
    qRegisterMetaType<QSerialPort::FlowControl>();
    qRegisterMetaType<QSerialPort::Parity>();
    qt5ext::InitConfig::setAppWorkDir(QStringLiteral("ORVI"));
}

void TestSettings::pathsWithoutProfile_data()
{
    QTest::addColumn<QString>("which");
    QTest::addColumn<QString>("expected");

    QTest::newRow("configurator") << "cfg"
                                  << "/ORVI/.config/orvacfg.conf";
    QTest::newRow("link") << "ports"
                          << "/ORVI/.config/orvacfgports.conf";
    QTest::newRow("fiscal core") << "core"
                                 << "/ORVI/.config/frcore.conf";
    QTest::newRow("http listener") << "http"
                                   << "/ORVI/.config/frhttplistener.conf";
}

void TestSettings::pathsWithoutProfile()
{
    QFETCH(QString, which);
    QFETCH(QString, expected);

    EnvGuard guard("ALLUSERSPROFILE");
    qunsetenv("ALLUSERSPROFILE");
    // Nothing is written: only the configurator's own objects are built, and they create
    // no file until a value is set. The driver classes would make folders, so only their
    // paths are asked for.
    if (which == QLatin1String("cfg")) {
        QCOMPARE(FrCfgSettings::filePath(), expected);
        QCOMPARE(FrCfgSettings().settingsPath(), expected);
    } else if (which == QLatin1String("ports")) {
        QCOMPARE(FrPortSettings::filePath(), expected);
        expectPortSettingsLine();
        QCOMPARE(FrPortSettings().settingsPath(), expected);
    } else if (which == QLatin1String("core")) {
        QCOMPARE(FrCoreConfig::filePath(), expected);
    } else {
        QCOMPARE(FrHttpConfig::filePath(), expected);
    }
    QVERIFY(!QFileInfo::exists(expected));
}

void TestSettings::pathsFollowProfile()
{
    TempProfile profile;
    const QString dir = profile.configDir() + QLatin1Char('/');
    QCOMPARE(FrCfgSettings().settingsPath(), dir + QStringLiteral("orvacfg.conf"));
    expectPortSettingsLine();
    QCOMPARE(FrPortSettings().settingsPath(), dir + QStringLiteral("orvacfgports.conf"));
    QCOMPARE(FrCoreConfig().settingsPath(), dir + QStringLiteral("frcore.conf"));
    QCOMPARE(FrHttpConfig().settingsPath(), dir + QStringLiteral("frhttplistener.conf"));
    // The configurator's own files may redirect logs and translations; the driver's may not.
    QVERIFY(FrCfgSettings().isAppConfig());
    QVERIFY(!FrCoreConfig().isAppConfig());
    QVERIFY(!FrHttpConfig().isAppConfig());
}

void TestSettings::cfgDefaults()
{
    TempProfile profile;
    const FrCfgSettings s;
    QCOMPARE(s.positionAgentKind(), 0);
    QVERIFY(s.positionAgentData().isEmpty());
    QVERIFY(s.positionProviderData().isEmpty());
    QCOMPARE(s.rekvHistory(1008), QString());
    QCOMPARE(s.rekvHistory(0), QString());
    QVERIFY(!QFileInfo::exists(FrCfgSettings::filePath()));
}

void TestSettings::agentKind_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("expected");

    QTest::newRow("number") << QByteArray("[FRCFG]\npositionAgentKind=4\n") << 4;
    QTest::newRow("not a number") << QByteArray("[FRCFG]\npositionAgentKind=agent\n") << 0;
    QTest::newRow("number with tail") << QByteArray("[FRCFG]\npositionAgentKind=3x\n") << 0;
    QTest::newRow("empty") << QByteArray("[FRCFG]\npositionAgentKind=\n") << 0;
    QTest::newRow("other group") << QByteArray("[APP]\npositionAgentKind=5\n") << 0;
}

void TestSettings::agentKind()
{
    QFETCH(QByteArray, file);
    QFETCH(int, expected);

    TempProfile profile;
    QVERIFY(profile.writeConfig(QStringLiteral("orvacfg.conf"), file));
    QCOMPARE(FrCfgSettings().positionAgentKind(), expected);

    FrCfgSettings().setPositionAgentKind(64);
    QCOMPARE(FrCfgSettings().positionAgentKind(), 64);
    QCOMPARE(rawValue(FrCfgSettings::filePath(), "FRCFG", "positionAgentKind").toInt(), 64);
}

void TestSettings::jsonMapRoundTrip_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QVariantMap>("map");

    const QVariantMap agent { { "1005", "ул. Ленина, д. 1; офис 2" }, { "1016", "7701234567" },
        { "1044", "Оплата \"по счёту\" = 100%" }, { "1073", QVariantList { "+79990000001" } } };
    const QVariantMap provider { { "1171", "+74950000000" }, { "1225", "ООО \"Поставщик\"" },
        { "1226", "7712345678" }, { "nested", QVariantMap { { "flag", true }, { "n", 5 } } } };
    QTest::newRow("agent") << int(AgentData) << agent;
    QTest::newRow("provider") << int(ProviderData) << provider;
    QTest::newRow("agent empty") << int(AgentData) << QVariantMap();
    QTest::newRow("provider one member") << int(ProviderData) << QVariantMap { { "k", "v,w" } };
}

void TestSettings::jsonMapRoundTrip()
{
    QFETCH(int, key);
    QFETCH(QVariantMap, map);

    TempProfile profile;
    if (key == AgentData)
        FrCfgSettings().setPositionAgentData(map);
    else
        FrCfgSettings().setPositionProviderData(map);

    const FrCfgSettings s;
    QCOMPARE(readMap(s, MapKey(key)), map);
    // Stored as one line of compact JSON text.
    const QString stored = rawValue(FrCfgSettings::filePath(), "FRCFG",
        key == AgentData ? "positionAgentData" : "positionProviderData")
                               .toString();
    QCOMPARE(stored, compactJson(map));
    QVERIFY(!stored.contains(QLatin1Char('\n')));
    // The other map is untouched.
    QVERIFY(readMap(s, key == AgentData ? ProviderData : AgentData).isEmpty());
}

void TestSettings::jsonMapGarbage_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QByteArray>("stored"); // the value as it stands in the file

    const QList<QPair<int, QByteArray>> keys { { int(AgentData), "positionAgentData" },
        { int(ProviderData), "positionProviderData" }, { int(RekvHistory), "rekvHistory" } };
    const QList<QPair<const char *, QByteArray>> values { { "words", "not json at all" },
        { "truncated", "\"{\\\"1008\\\":\\\"a\"" }, { "array", "\"[1,2,3]\"" }, { "number", "42" },
        { "empty", "" }, { "quoted text", "\"\\\"text\\\"\"" } };
    for (const auto &k : keys) {
        for (const auto &v : values) {
            QTest::addRow("%s, %s", k.second.constData(), v.first)
                << k.first << k.second + '=' + v.second;
        }
    }
}

void TestSettings::jsonMapGarbage()
{
    QFETCH(int, key);
    QFETCH(QByteArray, stored);

    TempProfile profile;
    QVERIFY(profile.writeConfig(QStringLiteral("orvacfg.conf"), "[FRCFG]\n" + stored + '\n'));
    {
        const FrCfgSettings s;
        if (key == RekvHistory) {
            for (const int tag : { 0, 1, 2, 3, 42, 1008 })
                QCOMPARE(s.rekvHistory(tag), QString());
        } else {
            QVERIFY(readMap(s, MapKey(key)).isEmpty());
        }
    }

    // Writing replaces the garbage with a well-formed object.
    const QVariantMap one { { "1008", "buyer@example.com" } };
    QString name;
    if (key == RekvHistory) {
        FrCfgSettings().setRekvHistory(1008, QStringLiteral("buyer@example.com"));
        QCOMPARE(FrCfgSettings().rekvHistory(1008), QStringLiteral("buyer@example.com"));
        name = QStringLiteral("rekvHistory");
    } else if (key == AgentData) {
        FrCfgSettings().setPositionAgentData(one);
        QCOMPARE(FrCfgSettings().positionAgentData(), one);
        name = QStringLiteral("positionAgentData");
    } else {
        FrCfgSettings().setPositionProviderData(one);
        QCOMPARE(FrCfgSettings().positionProviderData(), one);
        name = QStringLiteral("positionProviderData");
    }
    QCOMPARE(rawValue(FrCfgSettings::filePath(), "FRCFG", name).toString(),
        QStringLiteral("{\"1008\":\"buyer@example.com\"}"));
}

void TestSettings::rekvHistory()
{
    TempProfile profile;
    FrCfgSettings().setRekvHistory(1008, QStringLiteral("+79990000000"));
    FrCfgSettings().setRekvHistory(1227, QStringLiteral("Иванов Иван, \"ИП\""));
    FrCfgSettings().setRekvHistory(1008, QStringLiteral("buyer@example.com"));
    FrCfgSettings().setRekvHistory(1192, QString());

    const FrCfgSettings s;
    QCOMPARE(s.rekvHistory(1008), QStringLiteral("buyer@example.com"));
    QCOMPARE(s.rekvHistory(1227), QStringLiteral("Иванов Иван, \"ИП\""));
    QCOMPARE(s.rekvHistory(1192), QString());
    QCOMPARE(s.rekvHistory(1228), QString());
    // Keyed by the tag as decimal text.
    const QVariantMap expected { { "1008", "buyer@example.com" }, { "1192", "" },
        { "1227", "Иванов Иван, \"ИП\"" } };
    QCOMPARE(rawValue(FrCfgSettings::filePath(), "FRCFG", "rekvHistory").toString(),
        compactJson(expected));
}

void TestSettings::portDefaults_data()
{
    QTest::addColumn<QByteArray>("file"); // empty: no file at all

    QTest::newRow("no file") << QByteArray();
    QTest::newRow("other group") << QByteArray(
        "[FRCFG]\nfrPortName=COM7\nfrPortBaudrate=9600\nfrConnPwd=30\n");
    QTest::newRow("empty group") << QByteArray("[FRPORTSETTINGS]\n");
}

void TestSettings::portDefaults()
{
    QFETCH(QByteArray, file);

    TempProfile profile;
    if (!file.isEmpty())
        QVERIFY(profile.writeConfig(QStringLiteral("orvacfgports.conf"), file));
    expectPortSettingsLine();
    const FrPortSettings s;
    QCOMPARE(s.frPortName(), QString());
    QCOMPARE(s.frPortBaudrate(), 115200u);
    QCOMPARE(s.frPortDatabits(), quint32(QSerialPort::Data8));
    QCOMPARE(s.frPortStopbits(), quint32(QSerialPort::OneStop));
    QCOMPARE(s.frPortParity(), QSerialPort::NoParity);
    QCOMPARE(s.frPortFlowControl(), QSerialPort::NoFlowControl);
    QCOMPARE(s.frConnPwd(), QStringLiteral("47"));
    QCOMPARE(s.tcpAddress(), QStringLiteral("localhost"));
    QCOMPARE(s.tcpPort(), quint16(3333));
    QVERIFY(s.tcpUse());
}

void TestSettings::portFlowControlRead_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QSerialPort::FlowControl>("expected");

    QTest::newRow("HARDWARE") << "HARDWARE" << QSerialPort::HardwareControl;
    QTest::newRow("hardware") << "hardware" << QSerialPort::HardwareControl;
    QTest::newRow("DTR/STR") << "DTR/STR" << QSerialPort::HardwareControl;
    QTest::newRow("dtr/str") << "dtr/str" << QSerialPort::HardwareControl;
    QTest::newRow("XON/XOFF") << "XON/XOFF" << QSerialPort::SoftwareControl;
    QTest::newRow("xon/xoff") << "xon/xoff" << QSerialPort::SoftwareControl;
    QTest::newRow("XONXOFF") << "XONXOFF" << QSerialPort::SoftwareControl;
    QTest::newRow("XonXoff") << "XonXoff" << QSerialPort::SoftwareControl;
    QTest::newRow("OFF") << "OFF" << QSerialPort::NoFlowControl;
    QTest::newRow("empty") << "" << QSerialPort::NoFlowControl;
    QTest::newRow("RTS/CTS") << "RTS/CTS" << QSerialPort::NoFlowControl;
    QTest::newRow("padded") << " HARDWARE" << QSerialPort::NoFlowControl;
}

void TestSettings::portFlowControlRead()
{
    QFETCH(QString, stored);
    QFETCH(QSerialPort::FlowControl, expected);

    TempProfile profile;
    QSettings raw(FrPortSettings::filePath(), QSettings::IniFormat);
    raw.setValue(QStringLiteral("FRPORTSETTINGS/frPortFlowControl"), stored);
    raw.sync();
    expectPortSettingsLine();
    QCOMPARE(FrPortSettings().frPortFlowControl(), expected);
}

void TestSettings::portFlowControlWrite_data()
{
    QTest::addColumn<QSerialPort::FlowControl>("flow");
    QTest::addColumn<QString>("stored");

    QTest::newRow("hardware") << QSerialPort::HardwareControl << "HARDWARE";
    QTest::newRow("software") << QSerialPort::SoftwareControl << "XON/XOFF";
    QTest::newRow("none") << QSerialPort::NoFlowControl << "OFF";
    QTest::newRow("unknown") << QSerialPort::UnknownFlowControl << "OFF";
}

void TestSettings::portFlowControlWrite()
{
    QFETCH(QSerialPort::FlowControl, flow);
    QFETCH(QString, stored);

    TempProfile profile;
    expectPortSettingsLine();
    FrPortSettings().setFrPortFlowControl(flow);
    QCOMPARE(rawValue(FrPortSettings::filePath(), "FRPORTSETTINGS", "frPortFlowControl").toString(),
        stored);
    expectPortSettingsLine();
    QCOMPARE(FrPortSettings().frPortFlowControl(),
        flow == QSerialPort::UnknownFlowControl ? QSerialPort::NoFlowControl : flow);
}

void TestSettings::portParityRead_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QSerialPort::Parity>("expected");

    QTest::newRow("ODD") << "ODD" << QSerialPort::OddParity;
    QTest::newRow("odd") << "odd" << QSerialPort::OddParity;
    QTest::newRow("EVEN") << "EVEN" << QSerialPort::EvenParity;
    QTest::newRow("Even") << "Even" << QSerialPort::EvenParity;
    QTest::newRow("SPACE") << "SPACE" << QSerialPort::SpaceParity;
    QTest::newRow("space") << "space" << QSerialPort::SpaceParity;
    QTest::newRow("MARK") << "MARK" << QSerialPort::NoParity;
    QTest::newRow("mark") << "mark" << QSerialPort::NoParity;
    QTest::newRow("NONE") << "NONE" << QSerialPort::NoParity;
    QTest::newRow("empty") << "" << QSerialPort::NoParity;
    QTest::newRow("digit") << "1" << QSerialPort::NoParity;
}

void TestSettings::portParityRead()
{
    QFETCH(QString, stored);
    QFETCH(QSerialPort::Parity, expected);

    TempProfile profile;
    QSettings raw(FrPortSettings::filePath(), QSettings::IniFormat);
    raw.setValue(QStringLiteral("FRPORTSETTINGS/frPortParity"), stored);
    raw.sync();
    expectPortSettingsLine();
    QCOMPARE(FrPortSettings().frPortParity(), expected);
}

void TestSettings::portParityWrite_data()
{
    QTest::addColumn<QSerialPort::Parity>("parity");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QSerialPort::Parity>("readBack");

    QTest::newRow("odd") << QSerialPort::OddParity << "ODD" << QSerialPort::OddParity;
    QTest::newRow("even") << QSerialPort::EvenParity << "EVEN" << QSerialPort::EvenParity;
    QTest::newRow("space") << QSerialPort::SpaceParity << "SPACE" << QSerialPort::SpaceParity;
    QTest::newRow("mark") << QSerialPort::MarkParity << "NONE" << QSerialPort::NoParity;
    QTest::newRow("none") << QSerialPort::NoParity << "NONE" << QSerialPort::NoParity;
}

void TestSettings::portParityWrite()
{
    QFETCH(QSerialPort::Parity, parity);
    QFETCH(QString, stored);
    QFETCH(QSerialPort::Parity, readBack);

    TempProfile profile;
    expectPortSettingsLine();
    FrPortSettings().setFrPortParity(parity);
    QCOMPARE(
        rawValue(FrPortSettings::filePath(), "FRPORTSETTINGS", "frPortParity").toString(), stored);
    expectPortSettingsLine();
    QCOMPARE(FrPortSettings().frPortParity(), readBack);
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
        s.setFrPortParity(QSerialPort::EvenParity);
        s.setFrPortFlowControl(QSerialPort::SoftwareControl);
    }
    expectPortSettingsLine();
    const FrPortSettings s;
    QCOMPARE(s.frPortName(), QStringLiteral("/dev/ttyUSB0"));
    QCOMPARE(s.frPortBaudrate(), 9600u);
    QCOMPARE(s.frPortDatabits(), 7u);
    QCOMPARE(s.frPortStopbits(), 3u);
    QCOMPARE(s.frPortParity(), QSerialPort::EvenParity);
    QCOMPARE(s.frPortFlowControl(), QSerialPort::SoftwareControl);

    const QString path = FrPortSettings::filePath();
    QCOMPARE(
        rawValue(path, "FRPORTSETTINGS", "frPortName").toString(), QStringLiteral("/dev/ttyUSB0"));
    QCOMPARE(rawValue(path, "FRPORTSETTINGS", "frPortBaudrate").toUInt(), 9600u);
    QCOMPARE(rawValue(path, "FRPORTSETTINGS", "frPortDatabits").toUInt(), 7u);
    QCOMPARE(rawValue(path, "FRPORTSETTINGS", "frPortStopbits").toUInt(), 3u);
    // Writing the serial values never invents a password.
    QVERIFY(!rawValue(path, "FRPORTSETTINGS", "frConnPwd").isValid());
    QCOMPARE(s.frConnPwd(), QStringLiteral("47"));
}

void TestSettings::portPassword()
{
    TempProfile profile;
    QVERIFY(profile.writeConfig(
        QStringLiteral("orvacfgports.conf"), "[FRPORTSETTINGS]\nfrConnPwd=0030\n"));
    expectPortSettingsLine();
    // Text as stored: leading zeros are part of the password.
    QCOMPARE(FrPortSettings().frConnPwd(), QStringLiteral("0030"));
}

void TestSettings::portTcpEndpoint_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("atolPort"); // 0: no driver file
    QTest::addColumn<int>("expectedPort");

    const QByteArray tcpKeys = "[FRPORTSETTINGS]\ntcpAddress=192.0.2.7\ntcpPort=1234\n"
                               "tcpUse=false\nfrPortName=COM3\n";
    QTest::newRow("no files") << QByteArray() << 0 << 3333;
    QTest::newRow("driver port") << QByteArray() << 5555 << 5555;
    QTest::newRow("keys in link file ignored") << tcpKeys << 0 << 3333;
    QTest::newRow("keys ignored, driver port") << tcpKeys << 4001 << 4001;
}

void TestSettings::portTcpEndpoint()
{
    QFETCH(QByteArray, file);
    QFETCH(int, atolPort);
    QFETCH(int, expectedPort);

    TempProfile profile;
    if (!file.isEmpty())
        QVERIFY(profile.writeConfig(QStringLiteral("orvacfgports.conf"), file));
    if (atolPort)
        profile.setAtolPort(quint16(atolPort));
    expectPortSettingsLine();
    const FrPortSettings s;
    QCOMPARE(s.tcpAddress(), QStringLiteral("localhost"));
    QCOMPARE(int(s.tcpPort()), expectedPort);
    QVERIFY(s.tcpUse());
    // The driver's port is read afresh, not remembered: the network page may change it.
    FrCoreConfig().setAtolTcpPort(6001);
    QCOMPARE(s.tcpPort(), quint16(6001));
}

void TestSettings::coreAtolPort_data()
{
    QTest::addColumn<QByteArray>("file"); // empty: no file
    QTest::addColumn<int>("expected");

    QTest::newRow("no file") << QByteArray() << 3333;
    QTest::newRow("stored") << QByteArray("[CORE]\natolTcpPort=5555\n") << 5555;
    QTest::newRow("no key") << QByteArray("[CORE]\nother=1\n") << 3333;
    QTest::newRow("other group") << QByteArray("[LISTENER]\natolTcpPort=5555\n") << 3333;
    QTest::newRow("not a number") << QByteArray("[CORE]\natolTcpPort=port\n") << 3333;
    QTest::newRow("too big") << QByteArray("[CORE]\natolTcpPort=70000\n") << 3333;
    QTest::newRow("highest") << QByteArray("[CORE]\natolTcpPort=65535\n") << 65535;
}

void TestSettings::coreAtolPort()
{
    QFETCH(QByteArray, file);
    QFETCH(int, expected);

    TempProfile profile;
    if (!file.isEmpty())
        QVERIFY(profile.writeConfig(QStringLiteral("frcore.conf"), file));
    QCOMPARE(int(FrCoreConfig().atolTcpPort()), expected);
}

void TestSettings::coreAtolPortWrite()
{
    TempProfile profile;
    // Keys of the driver that we do not know survive our write.
    QVERIFY(profile.writeConfig(
        QStringLiteral("frcore.conf"), "[CORE]\natolTcpPort=3333\nhostRs=COM5\n[OTHER]\nx=1\n"));
    FrCoreConfig().setAtolTcpPort(4100);
    QCOMPARE(FrCoreConfig().atolTcpPort(), quint16(4100));
    const QString path = FrCoreConfig::filePath();
    QCOMPARE(rawValue(path, "CORE", "atolTcpPort").toInt(), 4100);
    QCOMPARE(rawValue(path, "CORE", "hostRs").toString(), QStringLiteral("COM5"));
    QCOMPARE(rawValue(path, "OTHER", "x").toInt(), 1);
}

void TestSettings::coreWorkingDirs()
{
    TempProfile profile;
    const QString work = profile.path() + QStringLiteral("/ORVI");
    QCOMPARE(qt5ext::InitConfig::workDir(), work);
    QVERIFY(!QFileInfo::exists(work + QStringLiteral("/tables")));

    const FrCoreConfig config;
    const QFileDevice::Permissions shared = QFileDevice::ReadOwner | QFileDevice::WriteOwner
        | QFileDevice::ExeOwner | QFileDevice::ReadGroup | QFileDevice::WriteGroup
        | QFileDevice::ExeGroup | QFileDevice::ReadOther | QFileDevice::WriteOther
        | QFileDevice::ExeOther;
    for (const char *name : { "tables", "clientqueue", "dbak" }) {
        const QFileInfo info(work + QLatin1Char('/') + QLatin1String(name));
        QVERIFY2(info.isDir(), name);
        QCOMPARE(info.permissions() & shared, shared);
    }
    // Already there: a second configuration object is fine with that.
    const FrCoreConfig again;
    QCOMPARE(again.atolTcpPort(), quint16(3333));
}

void TestSettings::httpPort_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("expected");

    QTest::newRow("no file") << QByteArray() << 8088;
    QTest::newRow("stored") << QByteArray("[LISTENER]\nport=8090\n") << 8090;
    QTest::newRow("no key") << QByteArray("[LISTENER]\naddress=0.0.0.0\n") << 8088;
    QTest::newRow("other group") << QByteArray("[CORE]\nport=8090\n") << 8088;
    QTest::newRow("not a number") << QByteArray("[LISTENER]\nport=http\n") << 8088;
}

void TestSettings::httpPort()
{
    QFETCH(QByteArray, file);
    QFETCH(int, expected);

    TempProfile profile;
    if (!file.isEmpty())
        QVERIFY(profile.writeConfig(QStringLiteral("frhttplistener.conf"), file));
    QCOMPARE(int(FrHttpConfig().port()), expected);
}

void TestSettings::httpPortWrite()
{
    TempProfile profile;
    FrHttpConfig().setPort(9000);
    QCOMPARE(FrHttpConfig().port(), quint16(9000));
    QCOMPARE(rawValue(FrHttpConfig::filePath(), "LISTENER", "port").toInt(), 9000);
    // The fiscal core file is a different one.
    QCOMPARE(FrCoreConfig().atolTcpPort(), quint16(3333));
}

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
