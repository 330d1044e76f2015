// The fiscal core's value types, tag templates and number validators, without the bus.

#include "atoltaxmap.h"
#include "cashier.h"
#include "fiscaldocpropertytemplateloader.h"
#include "frcorefullstate.h"
#include "frprintersettings.h"
#include "ofdsettings.h"
#include "regdata.h"
#include "regnumbervalidator.h"
#include "rs232printersettings.h"
#include "section.h"

#include <QJsonObject>
#include <QtTest>

using fiscal::RegNumberValidator;

namespace {

// Through JSON and back, as the bus carries it: numbers come back as doubles, dates as text.
template<typename T>
T throughJson(const T &value, bool *ok)
{
    T back;
    *ok = back.setMap(QJsonObject::fromVariantMap(value.toMap()).toVariantMap());
    return back;
}

fiscal::FsStatus sampleFsStatus()
{
    fiscal::FsStatus s;
    s.setFsNumber("9999078900012345");
    s.setFiscalized(true);
    s.setCycleIsOpen(true);
    s.setLastDocNumber(4294967295u);
    s.setLastDocDt(QDateTime(QDate(2025, 2, 28), QTime(23, 59, 58)));
    s.setWarnings(0x81);
    fiscal::FsLifeTime life;
    life.setExpirationDt(QDate(2028, 1, 15));
    life.setCompletedRegistrations(5);
    s.setLifeTime(life);
    fiscal::FsTransportState transport;
    transport.setOfflineDocsCount(12);
    transport.setFirstDocDt(QDateTime(QDate(2025, 1, 2), QTime(3, 4, 5)));
    s.setTransportState(transport);
    s.setFrSerial("17000001");
    return s;
}

} // namespace

class TestBusValues : public QObject
{
    Q_OBJECT

private slots:
    void checkInn_data();
    void checkInn();
    void regNumber_data();
    void regNumber();
    void throughJson();
    void wrongTypes_data();
    void wrongTypes();
    void properties_data();
    void properties();
    void printerNames();
    void operatorTable();
};

// Published taxpayer numbers, and the same with one digit wrong: a wrong weight, modulus or
// digit position breaks a row.
void TestBusValues::checkInn_data()
{
    QTest::addColumn<QByteArray>("inn");
    QTest::addColumn<bool>("valid");
    QTest::newRow("10 digits") << QByteArray("7707083893") << true;
    QTest::newRow("10 digits, check digit wrong") << QByteArray("7707083894") << false;
    QTest::newRow("10 digits, a weighted digit wrong") << QByteArray("7707083993") << false;
    QTest::newRow("12 digits") << QByteArray("500100732259") << true;
    QTest::newRow("12 digits, last wrong") << QByteArray("500100732258") << false;
    QTest::newRow("12 digits, 11th wrong") << QByteArray("500100732269") << false;
    QTest::newRow("12 digits, first wrong") << QByteArray("600100732259") << false;
    QTest::newRow("11 digits") << QByteArray("77070838931") << false;
    QTest::newRow("letter") << QByteArray("770708389A") << false;
}

void TestBusValues::checkInn()
{
    QFETCH(QByteArray, inn);
    QFETCH(bool, valid);
    QCOMPARE(RegNumberValidator::checkInn(inn), valid);
}

// Registration numbers computed with an implementation of CRC-16/CCITT apart from ours, each
// also checked against a wrong last digit and a wrong serial; an empty expectation: refused.
void TestBusValues::regNumber_data()
{
    QTest::addColumn<QByteArray>("ordinal");
    QTest::addColumn<qint64>("serial");
    QTest::addColumn<QByteArray>("inn");
    QTest::addColumn<QByteArray>("expected");
    auto row = [](const char *name, const char *ordinal, qint64 serial, const char *inn,
                   const char *expected) {
        QTest::newRow(name) << QByteArray(ordinal) << serial << QByteArray(inn)
                            << QByteArray(expected);
    };
    row("ordinal 1", "1", 17000001, "7707083893", "0000000001008049");
    row("12-digit INN", "42", 17000001, "500100732259", "0000000042027881");
    row("ten-digit ordinal, 13-digit serial", "1234567890", 9876543210987, "7704211201",
        "1234567890038233");
    row("11-digit ordinal", "12345678901", 1, "7707083893", "");
    row("letter in ordinal", "12a", 1, "7707083893", "");
    row("serial 0", "1", 0, "7707083893", "");
    row("INN with a wrong digit", "1", 1, "7707083894", "");
}

void TestBusValues::regNumber()
{
    QFETCH(QByteArray, ordinal);
    QFETCH(qint64, serial);
    QFETCH(QByteArray, inn);
    QFETCH(QByteArray, expected);

    // The published check value of CRC-16/CCITT-FALSE.
    QCOMPARE(RegNumberValidator::crc16("123456789"), quint16(0x29B1));
    QCOMPARE(RegNumberValidator::create(ordinal, serial, inn), expected);
    if (expected.isEmpty())
        return;
    QVERIFY(RegNumberValidator::check(expected, serial, inn));
    QByteArray wrong = expected;
    wrong[15] = char('0' + (wrong.at(15) - '0' + 1) % 10);
    QVERIFY(!RegNumberValidator::check(wrong, serial, inn));
    QVERIFY(!RegNumberValidator::check(expected, serial + 1, inn));
    QVERIFY(!RegNumberValidator::check(expected.left(15), serial, inn));
}

// Every field survives the bus's JSON: a key written under one name and read under another,
// a number the reader takes only as an integer, or a date in the wrong format fails here.
// The small types are read back through the pages' tests.
void TestBusValues::throughJson()
{
    bool ok = false;
    const fiscal::FsStatus fs = sampleFsStatus();
    QVERIFY(::throughJson(fs, &ok) == fs && ok);

    fiscal::RegData reg;
    reg.setRegDate(QDateTime(QDate(2025, 1, 15), QTime(10, 0)));
    reg.setUserName("ООО \"Ромашка\"");
    reg.setUserInn("7707083893");
    reg.setAgentFlags(0x41);
    reg.setCashboxRegistrationFlags(0x3FF);
    reg.setTaxes(0x21);
    reg.setBoxId("17");
    reg.setCashier("Иванова");
    reg.setPaymentAddress("Тверь");
    reg.setOfdInn("7704211201");
    reg.setRegNumber("0000000001008049");
    QVERIFY(::throughJson(reg, &ok) == reg && ok);

    core::FrCoreFullState state;
    state.setSerial("17000001");
    state.setDt(QDateTime(QDate(2025, 3, 1), QTime(12, 0)));
    state.setCash(qt5ext::FixNumber(100, QStringLiteral("99999999999.99")));
    state.setCycle(4294967295u);
    state.setCycleOpened(QDateTime(QDate(2025, 3, 1), QTime(9, 0)));
    state.setFsStatus(fs);
    const core::FrCoreFullState stateBack = ::throughJson(state, &ok);
    QVERIFY(ok);
    QCOMPARE(stateBack.cash().value(), qint64(9999999999999));
    QVERIFY(!stateBack.cycleClosed().isValid());
    QVERIFY(stateBack == state);
}

// A member of the wrong type is refused and leaves the object as it was, so a bad answer
// never half-fills what a page shows.
void TestBusValues::wrongTypes_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("value");
    auto row = [](const char *name, const char *type, const char *key, const QVariant &value) {
        QTest::newRow(name) << QString(type) << QString(key) << value;
    };
    row("flag as text", "fs", "fiscalized", "yes");
    row("negative document number", "fs", "lastDocNumber", -1);
    row("fractional document number", "fs", "lastDocNumber", 1.5);
    row("date that is no date", "fs", "lastDocDt", "yesterday");
    row("warnings past a byte", "fs", "warnings", 256);
    row("nested lifetime not a map", "fs", "lifeTime", 5);
    row("password past 32 bits", "cashier", "password", 4294967296.0);
    row("tax as text", "section", "tax", "1");
    row("cash not a number", "state", "cash", "12,3x");
    row("port past 16 bits", "ofd", "port", 65536);
    row("tax map index not a number", "taxes", "x", 1);
}

void TestBusValues::wrongTypes()
{
    QFETCH(QString, type);
    QFETCH(QString, key);
    QFETCH(QVariant, value);

    const auto check = [&](auto object) {
        const auto before = object;
        QVariantMap map = object.toMap();
        map.insert(key, value);
        QVERIFY(!object.setMap(map));
        QVERIFY(object == before);
    };
    if (type == "fs")
        check(sampleFsStatus());
    else if (type == "cashier")
        check(core::Cashier("А", "", 1));
    else if (type == "section")
        check(core::Section("А", fiscal::TaxVat10));
    else if (type == "state")
        check(core::FrCoreFullState());
    else if (type == "ofd")
        check(core::OfdSettings("a", 1, "u"));
    else
        check(core::AtolTaxMap());
}

// Values are kept as their tag wants them (a value that does not fit is refused) and named
// as the state view shows them.
void TestBusValues::properties_data()
{
    QTest::addColumn<int>("tag");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QVariant>("stored"); // invalid: refused
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("text");
    auto row = [](const char *name, int tag, const QVariant &value, const QVariant &stored,
                   int width, const char *text) {
        QTest::newRow(name) << tag << value << stored << width << QString(text);
    };
    row("INN of 13 characters", 1018, "7707083893123", QVariant(), 60, "");
    row("flag from 1", 1001, 1, true, 60, "да");
    row("flag from 2", 1001, 2, QVariant(), 60, "");
    row("agent mask from digits", 1057, "65", 65u, 60, "БАНК. ПЛ. АГЕНТ, АГЕНТ");
    row("tax mask from a JSON number", 1062, 33.0, 33u, 60, "ОСН, ПСН");
    row("all tax systems, 20 a line", 1062, 0x3Fu, 0x3Fu, 20,
        "ОСН, УСН доход, УСН\nдоход - расход,\nЕНВД, ЕСХН, ПСН");
    row("negative mask", 1057, -1, QVariant(), 60, "");
    row("fractional mask", 1057, 1.5, QVariant(), 60, "");
    row("mask from a flag", 1062, true, QVariant(), 60, "");
    row("re-registration reason", 1101, 2, 2u, 60, "замена ОФД");
    row("unnamed reason", 1101, 7, 7u, 60, "7");
    row("text cut at the width", 1048, "абвгдежзий", "абвгдежзий", 4, "абвг\nдежз\nий");
    row("text from a list", 1048, QVariantList { 1 }, QVariant(), 60, "");
}

void TestBusValues::properties()
{
    QFETCH(int, tag);
    QFETCH(QVariant, value);
    QFETCH(QVariant, stored);
    QFETCH(int, width);
    QFETCH(QString, text);
    fiscal::PFiscalDocProperty p
        = fiscal::FiscalDocPropertyTemplateLoader()[fiscal::PropertyTag(tag)];
    QCOMPARE(p->setValue(value), stored.isValid());
    QCOMPARE(p->value(), stored);
    QCOMPARE(p->isSet(), stored.isValid());
    if (stored.isValid())
        QCOMPARE(p->valueText(width), text);
}

// The printer page names its models through the fiscal core's types and the print client:
// the two tables must agree on every type.
void TestBusValues::printerNames()
{
    for (int type = 0; type <= 3; ++type) {
        core::FrPrinterSettings settings;
        settings.setType(core::PrinterDeviceType(type));
        frprint::Rs232PrinterSettings printer;
        printer.setModel(settings.printerModel());
        QCOMPARE(printer.printerInfo().serial, type == 1 || type == 2);
        QCOMPARE(core::isSerialPrinter(quint32(type)), type == 1 || type == 2);
        QVERIFY(!printer.printerInfo().name.isEmpty());
    }
}

// Every operator the registration page offers has settings, under an INN that is one.
void TestBusValues::operatorTable()
{
    QCOMPARE(core::OfdSettings::SUPPORTED_OFD.size(), 12);
    for (auto it = core::OfdSettings::SUPPORTED_OFD.cbegin();
         it != core::OfdSettings::SUPPORTED_OFD.cend(); ++it) {
        QVERIFY2(RegNumberValidator::checkInn(it.key().toLatin1()), qPrintable(it.key()));
        QVERIFY(!it->address().isEmpty() && it->port() != 0 && it->url().startsWith("https://"));
    }
}

QTEST_MAIN(TestBusValues)
#include "tst_busvalues.moc"
