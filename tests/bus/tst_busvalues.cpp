// The fiscal core's value types, tag templates and number validators, without the bus.

#include "atoltaxmap.h"
#include "cashier.h"
#include "checkdiscount.h"
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
    s.setFsVersion("FN-1.1");
    s.setFiscalized(true);
    s.setClosed(true);
    s.setIsRelease(false);
    s.setCycleIsOpen(true);
    s.setHasDocumentData(true);
    s.setLastDocNumber(4294967295u);
    s.setLastDocDt(QDateTime(QDate(2025, 2, 28), QTime(23, 59, 58)));
    s.setWarnings(0x81);
    fiscal::FsLifeTime life;
    life.setExpirationDt(QDate(2028, 1, 15));
    life.setAvailableRegistrations(7);
    life.setCompletedRegistrations(5);
    s.setLifeTime(life);
    fiscal::FsTransportState transport;
    transport.setOfflineDocsCount(12);
    transport.setFirstDocNumber(345);
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
    void regNumberRefused_data();
    void regNumberRefused();
    void crcCheckValue();
    void throughJson();
    void wrongTypes_data();
    void wrongTypes();
    void propertyTexts_data();
    void propertyTexts();
    void propertyValues_data();
    void propertyValues();
    void printerNames_data();
    void printerNames();
    void operatorTable();
};

// Published taxpayer numbers, each also with one wrong digit: a wrong weight, modulus or
// digit position breaks a row.
void TestBusValues::checkInn_data()
{
    QTest::addColumn<QByteArray>("inn");
    QTest::addColumn<bool>("valid");
    QTest::newRow("10 digits") << QByteArray("7707083893") << true;
    QTest::newRow("10 digits, check digit wrong") << QByteArray("7707083894") << false;
    QTest::newRow("10 digits, a weighted digit wrong") << QByteArray("7707083993") << false;
    QTest::newRow("operator Taxcom") << QByteArray("7704211201") << true;
    QTest::newRow("operator Taxcom, 9th digit wrong") << QByteArray("7704211211") << false;
    QTest::newRow("12 digits") << QByteArray("500100732259") << true;
    QTest::newRow("12 digits, last wrong") << QByteArray("500100732258") << false;
    QTest::newRow("12 digits, 11th wrong") << QByteArray("500100732269") << false;
    QTest::newRow("12 digits, 10th wrong") << QByteArray("500100732249") << false;
    QTest::newRow("9 digits") << QByteArray("770708389") << false;
    QTest::newRow("11 digits") << QByteArray("77070838931") << false;
    QTest::newRow("trailing blank") << QByteArray("7707083893 ") << false;
    QTest::newRow("letter") << QByteArray("770708389A") << false;
    QTest::newRow("empty") << QByteArray() << false;
}

void TestBusValues::checkInn()
{
    QFETCH(QByteArray, inn);
    QFETCH(bool, valid);
    QCOMPARE(RegNumberValidator::checkInn(inn), valid);
}

// Registration numbers computed with an implementation of CRC-16/CCITT apart from ours;
// each is also checked against a wrong last digit and a wrong serial.
void TestBusValues::regNumber_data()
{
    QTest::addColumn<QByteArray>("ordinal");
    QTest::addColumn<qint64>("serial");
    QTest::addColumn<QByteArray>("inn");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("ordinal 1") << QByteArray("1") << qint64(17000001) << QByteArray("7707083893")
                               << QByteArray("0000000001008049");
    QTest::newRow("ordinal 1, other INN")
        << QByteArray("0000000001") << qint64(17000001) << QByteArray("7701234560")
        << QByteArray("0000000001046717");
    QTest::newRow("12-digit INN") << QByteArray("42") << qint64(17000001)
                                  << QByteArray("500100732259") << QByteArray("0000000042027881");
    QTest::newRow("ten-digit ordinal, 13-digit serial")
        << QByteArray("1234567890") << qint64(9876543210987) << QByteArray("7704211201")
        << QByteArray("1234567890038233");
}

void TestBusValues::regNumber()
{
    QFETCH(QByteArray, ordinal);
    QFETCH(qint64, serial);
    QFETCH(QByteArray, inn);
    QFETCH(QByteArray, expected);

    QCOMPARE(RegNumberValidator::create(ordinal, serial, inn), expected);
    QVERIFY(RegNumberValidator::check(expected, serial, inn));
    QByteArray wrong = expected;
    wrong[15] = char('0' + (wrong.at(15) - '0' + 1) % 10);
    QVERIFY(!RegNumberValidator::check(wrong, serial, inn));
    QVERIFY(!RegNumberValidator::check(expected, serial + 1, inn));
    QVERIFY(!RegNumberValidator::check(expected.left(15), serial, inn));
}

void TestBusValues::regNumberRefused_data()
{
    QTest::addColumn<QByteArray>("ordinal");
    QTest::addColumn<qint64>("serial");
    QTest::addColumn<QByteArray>("inn");
    QTest::newRow("11-digit ordinal")
        << QByteArray("12345678901") << qint64(1) << QByteArray("7707083893");
    QTest::newRow("empty ordinal") << QByteArray() << qint64(1) << QByteArray("7707083893");
    QTest::newRow("letter in ordinal")
        << QByteArray("12a") << qint64(1) << QByteArray("7707083893");
    QTest::newRow("serial 0") << QByteArray("1") << qint64(0) << QByteArray("7707083893");
    QTest::newRow("negative serial") << QByteArray("1") << qint64(-5) << QByteArray("7707083893");
    QTest::newRow("INN with a wrong digit")
        << QByteArray("1") << qint64(1) << QByteArray("7707083894");
}

void TestBusValues::regNumberRefused()
{
    QFETCH(QByteArray, ordinal);
    QFETCH(qint64, serial);
    QFETCH(QByteArray, inn);
    QVERIFY(RegNumberValidator::create(ordinal, serial, inn).isEmpty());
}

void TestBusValues::crcCheckValue()
{
    // The published check value of CRC-16/CCITT-FALSE.
    QCOMPARE(RegNumberValidator::crc16("123456789"), quint16(0x29B1));
}

// Every field survives the bus's JSON: a key written under one name and read under another,
// a number the reader takes only as an integer, or a date in the wrong format fails here.
void TestBusValues::throughJson()
{
    bool ok = false;
    const fiscal::FsStatus fs = sampleFsStatus();
    QVERIFY(::throughJson(fs, &ok) == fs && ok);

    fiscal::RegData reg;
    reg.setRegDate(QDateTime(QDate(2025, 1, 15), QTime(10, 0)));
    reg.setUserName("ООО \"Ромашка\"");
    reg.setUserInn("7707083893");
    reg.setUserEMail("a@b.ru");
    reg.setAgentFlags(0x41);
    reg.setCashboxRegistrationFlags(0x3FF);
    reg.setTaxes(0x21);
    reg.setBoxId("17");
    reg.setCashier("Иванова");
    reg.setCashierInn("500100732259");
    reg.setPaymentAddress("Тверь");
    reg.setPaymentPlace("Касса");
    reg.setOfdName("Такском");
    reg.setOfdInn("7704211201");
    reg.setFnsSite("www.nalog.gov.ru");
    reg.setFsNumber("9999078900012345");
    reg.setRegNumber("0000000001008049");
    QVERIFY(::throughJson(reg, &ok) == reg && ok);

    core::FrCoreFullState state;
    state.setSerial("17000001");
    state.setCashboxVersion("03.01.00.12.34");
    state.setRegNumber("0000000001008049");
    state.setDt(QDateTime(QDate(2025, 3, 1), QTime(12, 0)));
    state.setCash(qt5ext::FixNumber(100, QStringLiteral("99999999999.99")));
    state.setCycle(4294967295u);
    state.setCycleOpened(QDateTime(QDate(2025, 3, 1), QTime(9, 0)));
    state.setLastCheckNumber(77);
    state.setFsStatus(fs);
    const core::FrCoreFullState stateBack = ::throughJson(state, &ok);
    QVERIFY(ok);
    QCOMPARE(stateBack.cash().value(), qint64(9999999999999));
    QVERIFY(!stateBack.cycleClosed().isValid());
    QVERIFY(stateBack == state);

    QVERIFY(::throughJson(core::Cashier("Петров", "500100732259", 99999999), &ok)
        == core::Cashier("Петров", "500100732259", 99999999));
    QVERIFY(::throughJson(core::Section("Хлеб", fiscal::TaxVat10_110), &ok)
        == core::Section("Хлеб", fiscal::TaxVat10_110));
    QVERIFY(::throughJson(fiscal::CheckDiscount("Наценка", false), &ok)
        == fiscal::CheckDiscount("Наценка", false));
    const core::OfdSettings ofd("ofd.ru", 65535, "https://x", 100);
    QVERIFY(::throughJson(ofd, &ok) == ofd && ok);
    core::FrPrinterSettings printer;
    printer.setType(core::PrinterImage);
    printer.setSymbolsPerLine(24);
    QVERIFY(::throughJson(printer, &ok) == printer && ok);
    core::AtolTaxMap taxes;
    taxes.setRate(1, fiscal::TaxVat0);
    taxes.setRate(6, fiscal::TaxVat18_118);
    const core::AtolTaxMap taxesBack = ::throughJson(taxes, &ok);
    QVERIFY(ok);
    QCOMPARE(taxesBack[1], fiscal::TaxVat0);
    QCOMPARE(taxesBack[6], fiscal::TaxVat18_118);
    QCOMPARE(taxesBack[2], fiscal::TaxInvalid);
}

// A member of the wrong type is refused and leaves the object as it was, so a bad answer
// never half-fills what a page shows.
void TestBusValues::wrongTypes_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("value");
    QTest::newRow("flag as text") << "fs"
                                  << "fiscalized" << QVariant("yes");
    QTest::newRow("negative document number") << "fs"
                                              << "lastDocNumber" << QVariant(-1);
    QTest::newRow("fractional document number") << "fs"
                                                << "lastDocNumber" << QVariant(1.5);
    QTest::newRow("date that is no date") << "fs"
                                          << "lastDocDt" << QVariant("yesterday");
    QTest::newRow("warnings past a byte") << "fs"
                                          << "warnings" << QVariant(256);
    QTest::newRow("nested lifetime not a map") << "fs"
                                               << "lifeTime" << QVariant(5);
    QTest::newRow("agent flags as text") << "reg"
                                         << "agentFlags" << QVariant("1");
    QTest::newRow("password past 32 bits") << "cashier"
                                           << "password" << QVariant(4294967296.0);
    QTest::newRow("tax as text") << "section"
                                 << "tax" << QVariant("1");
    QTest::newRow("cash not a number") << "state"
                                       << "cash" << QVariant("12,3x");
    QTest::newRow("port past 16 bits") << "ofd"
                                       << "port" << QVariant(65536);
    QTest::newRow("tax map index not a number") << "taxes"
                                                << "x" << QVariant(1);
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
    else if (type == "reg")
        check(fiscal::RegData());
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

// Value texts of the tags the state view names.
void TestBusValues::propertyTexts_data()
{
    QTest::addColumn<int>("tag");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("text");
    QTest::newRow("agent bits 0 and 6")
        << 1057 << QVariant(0x41u) << 60 << "БАНК. ПЛ. АГЕНТ, АГЕНТ";
    QTest::newRow("tax systems 0 and 5") << 1062 << QVariant(0x21u) << 60 << "ОСН, ПСН";
    QTest::newRow("no tax system") << 1062 << QVariant(0u) << 60 << "";
    QTest::newRow("all tax systems, 20 a line")
        << 1062 << QVariant(0x3Fu) << 20 << "ОСН, УСН доход, УСН\nдоход - расход,\nЕНВД, ЕСХН, ПСН";
    QTest::newRow("re-registration reason") << 1101 << QVariant(2) << 60 << "замена ОФД";
    QTest::newRow("unnamed reason") << 1101 << QVariant(7) << 60 << "7";
    QTest::newRow("flag set") << 1001 << QVariant(true) << 60 << "да";
    QTest::newRow("text cut at the width")
        << 1048 << QVariant("абвгдежзий") << 4 << "абвг\nдежз\nий";
}

void TestBusValues::propertyTexts()
{
    QFETCH(int, tag);
    QFETCH(QVariant, value);
    QFETCH(int, width);
    QFETCH(QString, text);
    fiscal::PFiscalDocProperty p
        = fiscal::FiscalDocPropertyTemplateLoader()[fiscal::PropertyTag(tag)];
    QVERIFY(p->setValue(value));
    QCOMPARE(p->valueText(width), text);
}

// Values are kept as their tag wants them; a value that does not fit is refused.
void TestBusValues::propertyValues_data()
{
    QTest::addColumn<int>("tag");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QVariant>("stored"); // invalid: refused
    QTest::newRow("INN") << 1018 << QVariant("7707083893") << QVariant("7707083893");
    QTest::newRow("INN of 13 characters") << 1018 << QVariant("7707083893123") << QVariant();
    QTest::newRow("flag from 1") << 1001 << QVariant(1) << QVariant(true);
    QTest::newRow("flag from 2") << 1001 << QVariant(2) << QVariant();
    QTest::newRow("mask from digits") << 1057 << QVariant("5") << QVariant(5u);
    QTest::newRow("mask from a JSON number") << 1062 << QVariant(3.0) << QVariant(3u);
    QTest::newRow("negative mask") << 1057 << QVariant(-1) << QVariant();
    QTest::newRow("fractional mask") << 1057 << QVariant(1.5) << QVariant();
    QTest::newRow("mask from a flag") << 1062 << QVariant(true) << QVariant();
    QTest::newRow("text from a list") << 1048 << QVariant(QVariantList { 1 }) << QVariant();
}

void TestBusValues::propertyValues()
{
    QFETCH(int, tag);
    QFETCH(QVariant, value);
    QFETCH(QVariant, stored);
    fiscal::PFiscalDocProperty p
        = fiscal::FiscalDocPropertyTemplateLoader()[fiscal::PropertyTag(tag)];
    QCOMPARE(p->setValue(value), stored.isValid());
    QCOMPARE(p->value(), stored);
    QCOMPARE(p->isSet(), stored.isValid());
}

void TestBusValues::printerNames_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("serial");
    QTest::newRow("1") << 1 << "Принтер ESC/POS (RS-232)" << true;
    QTest::newRow("2") << 2 << "CUSTOM VKP80 (RS-232)" << true;
    QTest::newRow("3") << 3 << "Печать в файл изображения" << false;
    QTest::newRow("0") << 0 << "Нет принтера" << false;
}

// The printer page names its model items through the fiscal core's model and the print
// client: the two tables must agree on every type.
void TestBusValues::printerNames()
{
    QFETCH(int, type);
    QFETCH(QString, name);
    QFETCH(bool, serial);
    core::FrPrinterSettings settings;
    settings.setType(core::PrinterDeviceType(type));
    frprint::Rs232PrinterSettings printer;
    printer.setModel(settings.printerModel());
    QCOMPARE(printer.printerInfo().name, name);
    QCOMPARE(printer.printerInfo().serial, serial);
    QCOMPARE(core::isSerialPrinter(quint32(type)), serial);
}

// Every operator of the registration page's table has settings, under an INN that is one.
void TestBusValues::operatorTable()
{
    const QList<QString> inns { "2310031475", "6663003127", "7801392271", "7605016030",
        "4029017981", "7729633131", "7704358518", "7841465198", "7728699517", "9715260691",
        "7704211201", "7709364346" };
    QCOMPARE(core::OfdSettings::SUPPORTED_OFD.size(), inns.size());
    for (const QString &inn : inns) {
        QVERIFY2(core::OfdSettings::SUPPORTED_OFD.contains(inn), qPrintable(inn));
        const core::OfdSettings s = core::OfdSettings::SUPPORTED_OFD.value(inn);
        QVERIFY(RegNumberValidator::checkInn(inn.toLatin1()));
        QVERIFY(!s.address().isEmpty() && s.port() != 0 && s.url().startsWith("https://"));
    }
}

QTEST_MAIN(TestBusValues)
#include "tst_busvalues.moc"
