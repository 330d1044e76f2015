// orvactl bus: every fiscal core operation from the command line against orvaemu.

#include "busfixture.h"

#include <QJsonDocument>
#include <QProcess>
#include <QtTest>

class TestOrvactlBus : public QObject, public BusFixture
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void operations_data();
    void operations();
    void usage_data();
    void usage();
    void noService();

private:
    int bus(const QStringList &arguments, QString *out, QString *err = nullptr);
};

void TestOrvactlBus::initTestCase()
{
    setUpProfile();
    QVERIFY(startService());
}

void TestOrvactlBus::cleanupTestCase()
{
    tearDownProfile();
}

int TestOrvactlBus::bus(const QStringList &arguments, QString *out, QString *err)
{
    QProcess p;
    p.start(QStringLiteral(ORVACTL_PATH),
        QStringList {
            QStringLiteral("--bus"), busName(), QStringLiteral("--timeout"), "5000", "bus" }
            + arguments);
    if (!p.waitForFinished(WAIT_MS)) {
        p.kill();
        p.waitForFinished();
        return -1;
    }
    *out = QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    if (err)
        *err = QString::fromUtf8(p.readAllStandardError()).trimmed();
    return p.exitCode();
}

// Each operation's reply as one line of JSON holding what the operation returns; writes are
// read back in the next row.
void TestOrvactlBus::operations_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("key"); // a member path the reply must have ("a/b")
    QTest::addColumn<QString>("value"); // its value as text; empty: any

    auto row
        = [](const char *name, QStringList args, int code, const char *key, const char *value) {
              QTest::newRow(name) << args << code << QString(key) << QString::fromUtf8(value);
          };
    row("getCashiers", { "getCashiers" }, 0, "cashiers", "");
    row("setCashiers", { "setCashiers", R"({"cashiers":[{"name":"Орлова","password":7}]})" }, 0, "",
        "");
    row("cashiers read back", { "getCashiers" }, 0, "cashiers/0/name", "Орлова");
    row("setSections", { "setSections", R"({"sections":[{"name":"Молоко","tax":2}]})" }, 0, "", "");
    row("getSections", { "getSections" }, 0, "sections/0/tax", "2");
    row("setDiscounts",
        { "setDiscounts", R"({"discounts":[{"name":"Клубная","isDiscount":true}]})" }, 0, "", "");
    row("getDiscounts", { "getDiscounts" }, 0, "discounts/0/name", "Клубная");
    row("setTaxMap", { "setTaxMap", R"({"1":6,"2":5,"3":4,"4":3,"5":2,"6":1})" }, 0, "1", "6");
    row("getTaxMap", { "getTaxMap" }, 0, "6", "1");
    row("setOfdSettings", { "setOfdSettings", R"({"address":"kkt.ofd.ru","port":7777})" }, 0,
        "address", "kkt.ofd.ru");
    row("getOfdSettings", { "getOfdSettings" }, 0, "port", "7777");
    row("setPrinterSettings",
        { "setPrinterSettings", R"({"type":1,"portName":"ttyS1","baudrate":9600})" }, 0, "portName",
        "/dev/ttyS1");
    row("getPrinterSettings", { "getPrinterSettings" }, 0, "printerModel", "escpos");
    row("getFullFrCoreState", { "getFullFrCoreState" }, 0, "fsStatus/frSer", "17000001");
    row("getRegistrationInfo", { "getRegistrationInfo", R"({"cashier":{"name":"А"}})" }, 0,
        "properties/0/tag", "1018");
    row("activate preview",
        { "activate",
            R"({"cashier":{"name":"А"},"preview":true,"properties":[{"tag":1101,"value":4},)"
            R"({"tag":1018,"value":"7707083893"},{"tag":1048,"value":"ООО"},)"
            R"({"tag":1037,"value":"0000000001008049"},{"tag":1009,"value":"Тверь"},)"
            R"({"tag":1187,"value":"Касса"},{"tag":1017,"value":"7704211201"},)"
            R"({"tag":1046,"value":"Такском"},{"tag":1062,"value":1}]})" },
        0, "", "");
    row("activate refused", { "activate", R"({"cashier":{"name":"А"},"properties":[]})" }, 3, "",
        "");
    row("setAtolModelData",
        { "setAtolModelData", R"({"model":80,"name":"ORVA-80","ver":"0302010099"})" }, 0, "name",
        "ORVA-80");
    row("getAtolModelData", { "getAtolModelData" }, 0, "model", "80");
    row("setFrCoreSettings", { "setFrCoreSettings", R"({"hostRs":"COM9"})" }, 0, "hostRs", "COM9");
    row("getFrCoreSettings", { "getFrCoreSettings" }, 0, "hostRs", "COM9");
    row("load", { "load", "fiscal.regdata" }, 0, "userInn", "7707083893");
    row("load unknown", { "load", "x.y" }, 3, "", "");
    row("refused set", { "setSections", R"({"sections":[{"name":"А","tax":9}]})" }, 3, "", "");
}

void TestOrvactlBus::operations()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QString out, err;
    QCOMPARE(bus(arguments, &out, &err), exitCode);
    if (exitCode != 0) {
        QVERIFY(out.isEmpty());
        QVERIFY2(err.contains("(code "), qPrintable(err));
        return;
    }
    QVERIFY2(!out.contains('\n'), qPrintable(out));
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(out.toUtf8(), &error);
    QVERIFY2(doc.isObject(), qPrintable(out));
    if (key.isEmpty())
        return;
    QJsonValue v = doc.object();
    for (const QString &part : key.split('/')) {
        bool index = false;
        const int i = part.toInt(&index);
        v = index && v.isArray() ? v.toArray().at(i) : v.toObject().value(part);
    }
    QVERIFY2(!v.isUndefined(), qPrintable(out));
    if (!value.isEmpty())
        QCOMPARE(v.toVariant().toString(), value);
}

void TestOrvactlBus::usage_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("complaint");
    QTest::newRow("no operation") << QStringList() << "operation";
    QTest::newRow("unknown operation") << QStringList { "format" } << "unknown bus operation";
    QTest::newRow("JSON not an object") << QStringList { "setCashiers", "[1]" } << "bad JSON";
    QTest::newRow("JSON cut off") << QStringList { "setCashiers", "{\"cashiers\":" } << "bad JSON";
    QTest::newRow("load without a name") << QStringList { "load" } << "object name";
    QTest::newRow("two arguments") << QStringList { "getCashiers", "{}", "{}" } << "at most one";
}

void TestOrvactlBus::usage()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, complaint);
    QString out, err;
    QCOMPARE(bus(arguments, &out, &err), 1);
    QVERIFY2(err.contains(complaint), qPrintable(err));
}

void TestOrvactlBus::noService()
{
    QProcess p;
    p.start(QStringLiteral(ORVACTL_PATH),
        { "--bus", m_dir->path() + "/nobody.sock", "--timeout", "5000", "bus", "getCashiers" });
    QVERIFY(p.waitForFinished(WAIT_MS));
    QCOMPARE(p.exitCode(), 2);
    QVERIFY(p.readAllStandardOutput().isEmpty());
}

QTEST_MAIN(TestOrvactlBus)
#include "tst_orvactlbus.moc"
