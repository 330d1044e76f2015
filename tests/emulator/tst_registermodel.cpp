// The register model without a link: mode rules, error codes, money arithmetic, state file.

#include "bcd.h"
#include "franswers.h"
#include "registermodel.h"
#include "requisite.h"
#include "statefile.h"

#include <QFile>
#include <QJsonArray>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QtTest>

using qt5ext::BCD;

namespace {

const char *const ENTER_1 = "560100000047";
const char *const ENTER_2 = "560200000047";
const char *const ENTER_3 = "560300000047";
const char *const ENTER_4 = "560400000047";
const char *const ENTER_5 = "560500000047";
const char *const ENTER_6 = "560600000047";
const char *const OPEN_SALE = "920001";
const char *const OK = "550000";

// The 103-byte position record as the configurator sends it.
QByteArray position(const QByteArray &name, qint64 price, qint64 qty, quint8 summType = 1,
    quint8 discountType = 0, qint64 discount = 0, quint8 tax = 1, quint8 section = 1,
    const QByteArray &barcode = QByteArray())
{
    QByteArray r(1, '\0');
    r += name.leftJustified(64, '\0', true);
    r += BCD::int2bcd(price, 12);
    r += BCD::int2bcd(qty, 10);
    r.append(char(summType)).append(char(discountType));
    r += BCD::int2bcd(discount, 12);
    r.append(char(tax)).append(char(section));
    r += barcode.leftJustified(16, '\0', true);
    r.append('\0');
    return r;
}

QByteArray positionCmd(qint64 price, qint64 qty, bool cancel = false)
{
    return QByteArray(1, char(cancel ? 0xE7 : 0xE6)) + position("Item", price, qty);
}

// flags, type, sum BCD(10)
QByteArray money(quint8 code, qint64 sum, int type = -1)
{
    QByteArray c(1, char(code));
    c.append('\0');
    if (type >= 0)
        c += BCD::int2bcd(type, 2);
    return c + BCD::int2bcd(sum, 10);
}

QByteArray tlv(quint16 tag, const QByteArray &value, bool top = true)
{
    QByteArray b = top ? QByteArray::fromHex("000100") : QByteArray();
    b.append(char(tag & 0xFF)).append(char(tag >> 8));
    b.append(char(value.size() & 0xFF)).append(char(value.size() >> 8));
    return b + value;
}

QByteArray requisiteCmd(quint16 tag, const QByteArray &value)
{
    return QByteArray(1, char(0xE8)) + tlv(tag, value);
}

QString hexOf(const QByteArray &b)
{
    return QString::fromLatin1(b.toHex());
}

} // namespace

class TestRegisterModel : public QObject
{
    Q_OBJECT
private slots:
    void refusals_data();
    void refusals();
    void fixedAnswers_data();
    void fixedAnswers();
    void stateAnswerLayout();
    void modeEntryAndExit();
    void saleArithmetic();
    void cancellationAndReturns();
    void correctionSettlesOnClose();
    void shiftTotalsMoveOnZReport();
    void agedShift();
    void noPaper();
    void tablesAndClock();
    void requisiteParsing_data();
    void requisiteParsing();
    void stateFileRoundTrip();
    void corruptStateRefused_data();
    void corruptStateRefused();

private:
    // Runs the commands, failing on any that is refused.
    static void setUp(RegisterModel &m, const QList<QByteArray> &commands);
};

void TestRegisterModel::setUp(RegisterModel &m, const QList<QByteArray> &commands)
{
    for (const QByteArray &c : commands) {
        const RegisterModel::Answer a = m.execute(c);
        QVERIFY2(!a.refused, qPrintable(hexOf(c) + QLatin1String(" -> ") + hexOf(a.bytes)));
    }
}

void TestRegisterModel::refusals_data()
{
    QTest::addColumn<QList<QByteArray>>("setup");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<quint8>("code");

    const QByteArray e1 = QByteArray::fromHex(ENTER_1);
    const QByteArray e2 = QByteArray::fromHex(ENTER_2);
    const QByteArray e3 = QByteArray::fromHex(ENTER_3);
    const QByteArray e4 = QByteArray::fromHex(ENTER_4);
    const QByteArray e5 = QByteArray::fromHex(ENTER_5);
    const QByteArray e6 = QByteArray::fromHex(ENTER_6);
    const QByteArray open = QByteArray::fromHex(OPEN_SALE);
    const QByteArray exit = QByteArray::fromHex("48");
    const QByteArray item = positionCmd(10000, 1000); // 100.00 x 1.000

    // Mode rules: everything not in its mode is 0x66.
    QTest::newRow("receipt in mode 2") << QList<QByteArray> { e2 } << open << quint8(0x66);
    QTest::newRow("receipt in mode 0") << QList<QByteArray> {} << open << quint8(0x66);
    QTest::newRow("cash in in mode 3")
        << QList<QByteArray> { e3 } << money(0x49, 100) << quint8(0x66);
    QTest::newRow("Z report in mode 2")
        << QList<QByteArray> { e2 } << QByteArray::fromHex("5a") << quint8(0x66);
    QTest::newRow("X report in mode 3")
        << QList<QByteArray> { e3 } << QByteArray::fromHex("6701") << quint8(0x66);
    QTest::newRow("FN archive in mode 1")
        << QList<QByteArray> { e1 } << QByteArray::fromHex("a7") << quint8(0x66);
    QTest::newRow("table read in mode 1")
        << QList<QByteArray> { e1 } << QByteArray::fromHex("4602000101") << quint8(0x66);
    QTest::newRow("serial in mode 4")
        << QList<QByteArray> { e4 } << QByteArray::fromHex("611234") << quint8(0x66);
    QTest::newRow("enter from mode 1") << QList<QByteArray> { e1 } << e2 << quint8(0x66);
    QTest::newRow("enter mode 8") << QList<QByteArray> {} << QByteArray::fromHex("560800000047")
                                  << quint8(0x66);
    QTest::newRow("unknown command")
        << QList<QByteArray> {} << QByteArray::fromHex("01") << quint8(0x7A);

    // Mode entry and exit.
    QTest::newRow("wrong password")
        << QList<QByteArray> {} << QByteArray::fromHex("560100000030") << quint8(0x8C);
    QTest::newRow("password not BCD")
        << QList<QByteArray> {} << QByteArray::fromHex("5601000000af") << quint8(0x8C);
    QTest::newRow("exit with open receipt")
        << QList<QByteArray> { e1, open } << exit << quint8(0x9B);

    // Receipts.
    QTest::newRow("second receipt") << QList<QByteArray> { e1, open } << open << quint8(0x9B);
    QTest::newRow("receipt kind 3")
        << QList<QByteArray> { e1 } << QByteArray::fromHex("920003") << quint8(0x6A);
    QTest::newRow("position, no receipt") << QList<QByteArray> { e1 } << item << quint8(0x9A);
    QTest::newRow("payment, no receipt")
        << QList<QByteArray> { e1 } << money(0x99, 100, 1) << quint8(0x9A);
    QTest::newRow("close, no receipt")
        << QList<QByteArray> { e1 } << money(0x4A, 0, 1) << quint8(0x9A);
    QTest::newRow("requisite, no receipt")
        << QList<QByteArray> { e1 } << requisiteCmd(1008, "a@b.ru") << quint8(0x9A);
    QTest::newRow("position short")
        << QList<QByteArray> { e1, open } << item.left(100) << quint8(0x14);
    QTest::newRow("quantity zero")
        << QList<QByteArray> { e1, open } << positionCmd(100, 0) << quint8(0x0A);
    QTest::newRow("discount above amount")
        << QList<QByteArray> { e1, open }
        << (QByteArray(1, char(0xE6)) + position("A", 100, 1000, 1, 0, 101)) << quint8(0x7B);
    QTest::newRow("percent above 100")
        << QList<QByteArray> { e1, open }
        << (QByteArray(1, char(0xE6)) + position("A", 100, 1000, 0, 0, 10001)) << quint8(0x7B);
    QTest::newRow("section 17") << QList<QByteArray> { e1,
        open } << (QByteArray(1, char(0xE6)) + position("A", 100, 1000, 1, 0, 0, 1, 17))
                                << quint8(0x7D);
    QTest::newRow("price not BCD") << QList<QByteArray> { e1, open } << [&item]() {
        QByteArray b = item;
        b[1 + 65] = char(0x0A);
        return b;
    }() << quint8(0x13);
    QTest::newRow("price x quantity overflow")
        << QList<QByteArray> { e1, open } << positionCmd(999999999999LL, 9999999999LL)
        << quint8(0x7F);
    QTest::newRow("storno of unsold")
        << QList<QByteArray> { e1, open } << positionCmd(10000, 1000, true) << quint8(0x43);
    QTest::newRow("storno above sold")
        << QList<QByteArray> { e1, open, item } << positionCmd(10000, 2000, true) << quint8(0x41);
    QTest::newRow("position after payment")
        << QList<QByteArray> { e1, open, item, money(0x99, 5000, 1) } << item << quint8(0x66);
    QTest::newRow("payment type 6")
        << QList<QByteArray> { e1, open, item } << money(0x99, 100, 6) << quint8(0x7E);
    QTest::newRow("payment zero") << QList<QByteArray> { e1, open, item } << money(0x99, 0, 1)
                                  << quint8(0x08);
    QTest::newRow("card above total")
        << QList<QByteArray> { e1, open, item } << money(0x99, 10001, 2) << quint8(0x71);
    QTest::newRow("close underpaid") << QList<QByteArray> { e1, open, item, money(0x99, 5000, 1) }
                                     << money(0x4A, 4999, 1) << quint8(0x72);
    QTest::newRow("close tax system not registered")
        << QList<QByteArray> { e1, open, item, requisiteCmd(1055, QByteArray(1, 4)) }
        << money(0x4A, 10000, 1) << quint8(0xE0);
    QTest::newRow("close tax system two bits")
        << QList<QByteArray> { e1, open, item, requisiteCmd(1055, QByteArray(1, 3)) }
        << money(0x4A, 10000, 1) << quint8(0xE0);
    QTest::newRow("return with an empty drawer")
        << QList<QByteArray> { e1, QByteArray::fromHex("920002"), item } << money(0x4A, 10000, 1)
        << quint8(0x98);

    // Requisites that do not parse.
    QTest::newRow("TLV length beyond data")
        << QList<QByteArray> { e1, open } << QByteArray::fromHex("e80001005504020001")
        << quint8(0x13);
    QTest::newRow("TLV trailing bytes")
        << QList<QByteArray> { e1, open } << QByteArray::fromHex("e800010055040100010203")
        << quint8(0x13);
    QTest::newRow("TLV without prefix")
        << QList<QByteArray> { e1, open } << QByteArray::fromHex("e85504010001") << quint8(0x13);
    QTest::newRow("TLV broken member")
        << QList<QByteArray> { e1, open }
        << (QByteArray(1, char(0xE8)) + tlv(1084, QByteArray::fromHex("3d0405006162")))
        << quint8(0x13);

    // Shifts and cash.
    QTest::newRow("open shift twice")
        << QList<QByteArray> { e1, QByteArray::fromHex("00").prepend(char(0x9A)) }
        << QByteArray::fromHex("9a00") << quint8(0x9C);
    QTest::newRow("cash out above drawer")
        << QList<QByteArray> { e1, money(0x49, 100) } << money(0x4F, 101) << quint8(0x98);
    QTest::newRow("cash in with open receipt")
        << QList<QByteArray> { e1, open } << money(0x49, 100) << quint8(0x9B);
    QTest::newRow("cash in zero") << QList<QByteArray> { e1 } << money(0x49, 0) << quint8(0x08);
    QTest::newRow("Z on a closed shift")
        << QList<QByteArray> { e3 } << QByteArray::fromHex("5a") << quint8(0x8F);
    QTest::newRow("common clear, shift open")
        << QList<QByteArray> { e1, QByteArray::fromHex("9a00"), exit, e3 }
        << QByteArray::fromHex("77") << quint8(0x9C);
    QTest::newRow("report type 0")
        << QList<QByteArray> { e2 } << QByteArray::fromHex("6700") << quint8(0xA3);

    // Programming, serial number, FN.
    QTest::newRow("table 9") << QList<QByteArray> { e4 } << QByteArray::fromHex("4609000101")
                             << quint8(0x91);
    QTest::newRow("row 31") << QList<QByteArray> { e4 } << QByteArray::fromHex("4602001f01")
                            << quint8(0x92);
    QTest::newRow("field 3") << QList<QByteArray> { e4 } << QByteArray::fromHex("4602000103")
                             << quint8(0x93);
    QTest::newRow("write without value")
        << QList<QByteArray> { e4 } << QByteArray::fromHex("5003000102") << quint8(0x14);
    QTest::newRow("date 32.01") << QList<QByteArray> { e4 } << QByteArray::fromHex("64320124")
                                << quint8(0x94);
    QTest::newRow("time 25:00") << QList<QByteArray> { e4 } << QByteArray::fromHex("4b250000")
                                << quint8(0x95);
    QTest::newRow("date, shift open")
        << QList<QByteArray> { e1, QByteArray::fromHex("9a00"), exit, e4 }
        << QByteArray::fromHex("64010124") << quint8(0x9C);
    QTest::newRow("date before the last document") << QList<QByteArray> {
        e1, QByteArray::fromHex("9a00"), exit, e3, QByteArray::fromHex("5a"), exit, e4
    } << QByteArray::fromHex("64010120") << quint8(0x20);
    QTest::newRow("serial already set")
        << QList<QByteArray> { e5 } << QByteArray::fromHex("611234") << quint8(0x9E);
    QTest::newRow("activation, FN active")
        << QList<QByteArray> { e6 } << QByteArray::fromHex("a600") << quint8(0xD4);
    QTest::newRow("document 2 of 1")
        << QList<QByteArray> { e6 } << QByteArray::fromHex("ab0002") << quint8(0xDA);
    QTest::newRow("unknown FN request")
        << QList<QByteArray> { e6 } << QByteArray::fromHex("a450") << quint8(0xE7);
    QTest::newRow("unknown tag") << QList<QByteArray> { e6 } << QByteArray::fromHex("e9390300")
                                 << quint8(0xDA);
    QTest::newRow("register 99") << QList<QByteArray> {} << QByteArray::fromHex("9163")
                                 << quint8(0x6C);
    QTest::newRow("reprint, nothing printed")
        << QList<QByteArray> {} << QByteArray::fromHex("95") << quint8(0xAC);
}

void TestRegisterModel::refusals()
{
    QFETCH(QList<QByteArray>, setup);
    QFETCH(QByteArray, command);
    QFETCH(quint8, code);
    RegisterModel m(RegisterState::fresh());
    setUp(m, setup);
    const QJsonObject before = m.state().toJson();
    QSignalSpy printed(&m, &RegisterModel::documentPrinted);
    const RegisterModel::Answer a = m.execute(command);
    QVERIFY(a.refused);
    QCOMPARE(hexOf(a.bytes), hexOf(QByteArray::fromHex("55") + char(code) + '\0'));
    // A refusal changes nothing and prints nothing.
    QCOMPARE(m.state().toJson(), before);
    QCOMPARE(printed.count(), 0);
}

void TestRegisterModel::fixedAnswers_data()
{
    QTest::addColumn<QList<QByteArray>>("setup");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QString>("answer");

    const QByteArray e1 = QByteArray::fromHex(ENTER_1);
    // Drawer 0x4D: tag and BCD(14) kopecks.
    QTest::newRow("drawer 12.34") << QList<QByteArray> { e1, money(0x49, 1234) }
                                  << QByteArray::fromHex("4d") << QString("4d00000000001234");
    // Shift totals: 55 00, sales BCD(14), purchases BCD(14); a sale of 100.00 paid exactly.
    QTest::newRow("shift totals") << QList<QByteArray> { e1, QByteArray::fromHex(OPEN_SALE),
        positionCmd(10000, 1000), money(0x4A, 10000, 1), money(0x49, 10000),
        QByteArray::fromHex("920004"), positionCmd(2550, 2000), money(0x4A, 5100, 1) }
                                  << QByteArray::fromHex("58")
                                  << QString("5500"
                                             "00000000010000"
                                             "00000000005100");
    // Version of the register program: 3.01, build 1234.
    QTest::newRow("version") << QList<QByteArray> {} << QByteArray::fromHex("9d01")
                             << QString("550003011234");
    // Device type: protocol 3, register, model 0x4F, version 3.1.0 build 1234, name.
    QTest::newRow("device type") << QList<QByteArray> {} << QByteArray::fromHex("a5")
                                 << QString("55000301"
                                            "4f"
                                            "0000"
                                            "030100"
                                            "04d2")
            + QString::fromLatin1(QByteArray("ORVA-EMU").toHex());
    QTest::newRow("time zone") << QList<QByteArray> {} << QByteArray::fromHex("d2")
                               << QString("55000002");
    QTest::newRow("register: drawer")
        << QList<QByteArray> { e1, money(0x49, 99) } << QByteArray::fromHex("9101")
        << QString("550000000000000099");
    QTest::newRow("register: document number")
        << QList<QByteArray> {} << QByteArray::fromHex("910c") << QString("55000000000001");
    // Tag 1018 (user INN) as a TLV: fa 03, length 10.
    QTest::newRow("tag 1018") << QList<QByteArray> { QByteArray::fromHex(ENTER_6) }
                              << QByteArray::fromHex("e9fa0300")
                              << QString("5500fa030a00")
            + QString::fromLatin1(QByteArray("7701234567").toHex());
    QTest::newRow("table written and read")
        << QList<QByteArray> { QByteArray::fromHex(ENTER_4), QByteArray::fromHex("500300020141") }
        << QByteArray::fromHex("4603000201")
        << QString("5500") + QString::fromLatin1(QByteArray("A").leftJustified(28, '\0').toHex());
    QTest::newRow("table default") << QList<QByteArray> { QByteArray::fromHex(ENTER_4) }
                                   << QByteArray::fromHex("4601000102") << QString("550000");
}

void TestRegisterModel::fixedAnswers()
{
    QFETCH(QList<QByteArray>, setup);
    QFETCH(QByteArray, command);
    QFETCH(QString, answer);
    RegisterModel m(RegisterState::fresh());
    setUp(m, setup);
    const RegisterModel::Answer a = m.execute(command);
    QVERIFY(!a.refused);
    QCOMPARE(hexOf(a.bytes), answer);
}

void TestRegisterModel::stateAnswerLayout()
{
    RegisterModel m(RegisterState::fresh());
    setUp(m,
        { QByteArray::fromHex(ENTER_1), QByteArray::fromHex(OPEN_SALE), positionCmd(12345, 1000) });
    m.setPaperPresent(false);
    const QByteArray data = m.execute(QByteArray::fromHex("3f")).bytes;
    const FrStateCommandAnswer s(0xF0, QByteArray::fromHex("a607") + data);
    QCOMPARE(s.cashierNumber(), 1);
    QCOMPARE(s.hallNumber(), 1);
    QCOMPARE(s.serialNumber(), 17000001);
    QCOMPARE(s.mode(), quint8(1));
    QCOMPARE(s.submode(), quint8(1)); // a receipt is open
    QVERIFY(s.isFiscal());
    QVERIFY(s.isCycleOpened()); // the receipt opened the shift
    QVERIFY(s.isPaperAbsent());
    QVERIFY(s.isFnActivated());
    QVERIFY(!s.isCoverOpened());
    QVERIFY(!s.isBatteryLow());
    QVERIFY(qAbs(s.dateTime().secsTo(QDateTime::currentDateTime())) < 5);
    QCOMPARE(data.size(), 29);
    QCOMPARE(hexOf(data.mid(14, 3)), QString("4f0301"));
    // Behind the mode byte: receipt number 0, shift 1, receipt kind 1, total 123.45, 2 places.
    QCOMPARE(hexOf(data.mid(18)),
        QString("0000"
                "0001"
                "01"
                "0000012345"
                "02"));

    setUp(m, { money(0x99, 20000, 1) });
    QCOMPARE(quint8(m.execute(QByteArray::fromHex("3f")).bytes.at(17)), quint8(0x21));
}

void TestRegisterModel::modeEntryAndExit()
{
    RegisterModel m(RegisterState::fresh());
    m.setPassword(30);
    QCOMPARE(hexOf(m.execute(QByteArray::fromHex(ENTER_1)).bytes), QString("558c00"));
    QCOMPARE(m.mode(), quint8(0));
    QCOMPARE(hexOf(m.execute(QByteArray::fromHex("560100000030")).bytes), QString(OK));
    QCOMPARE(m.mode(), quint8(1));
    QCOMPARE(hexOf(m.execute(QByteArray::fromHex("48")).bytes), QString(OK));
    QCOMPARE(m.mode(), quint8(0));
    // Leaving the selection mode is harmless.
    QCOMPARE(hexOf(m.execute(QByteArray::fromHex("48")).bytes), QString(OK));

    // A register powered off with an open receipt comes back in registration.
    RegisterState s = RegisterState::fresh();
    s.receiptOpen = true;
    RegisterModel again(s);
    QCOMPARE(again.modeByte(), quint8(0x11));
}

void TestRegisterModel::saleArithmetic()
{
    RegisterModel m(RegisterState::fresh());
    QSignalSpy printed(&m, &RegisterModel::documentPrinted);
    setUp(m,
        { QByteArray::fromHex(ENTER_1), money(0x49, 5000), QByteArray::fromHex(OPEN_SALE),
            // 150.00 x 2.000 less 10 % = 270.00
            QByteArray(1, char(0xE6)) + position("A", 15000, 2000, 0, 0, 1000),
            // 99.90 x 1.500 = 149.85, plus 0.15 = 150.00
            QByteArray(1, char(0xE6)) + position("B", 9990, 1500, 1, 1, 15),
            // 0.33 x 0.333 = 0.10989 -> 0.11
            positionCmd(33, 333), money(0x99, 10000, 2), money(0x99, 32000, 1) });
    QCOMPARE(m.state().receipt.total(), qint64(27000 + 15000 + 11));
    // Card 100.00, cash 320.00 + 10.00 on close: change 10.00 - 0.11 = 9.89.
    setUp(m, { money(0x4A, 1000, 1) });
    QCOMPARE(m.state().drawer, qint64(5000 + 33000 - 989));
    QCOMPARE(m.state().shift.sales, qint64(42011));
    QCOMPARE(m.state().receiptNumber, 1);
    QCOMPARE(m.state().documentNumber, qint64(3)); // registration, shift opening, receipt
    QCOMPARE(printed.count(), 3); // shift opening (automatic), cash in, receipt
    const QJsonObject receipt = printed.at(2).at(0).toJsonObject();
    QCOMPARE(receipt.value("type").toString(), QString("receipt"));
    QCOMPARE(receipt.value("total").toInt(), 42011);
    QCOMPARE(receipt.value("change").toInt(), 989);
    QCOMPARE(receipt.value("positions").toArray().size(), 3);
    QCOMPARE(receipt.value("payments").toArray().size(), 2);
    QCOMPARE(m.state().lastReceipt, receipt);
    QCOMPARE(m.modeByte(), quint8(0x01));
}

void TestRegisterModel::cancellationAndReturns()
{
    RegisterModel m(RegisterState::fresh());
    setUp(m,
        { QByteArray::fromHex(ENTER_1), QByteArray::fromHex(OPEN_SALE), positionCmd(10000, 3000),
            positionCmd(10000, 1000, true), positionCmd(10000, 2000, true) });
    QCOMPARE(m.state().receipt.total(), qint64(0));
    QCOMPARE(hexOf(m.execute(positionCmd(10000, 1000, true)).bytes), QString("554300"));
    setUp(m,
        { QByteArray::fromHex("59"), money(0x49, 20000), QByteArray::fromHex("920002"),
            positionCmd(15000, 1000), money(0x4A, 15000, 1) });
    QCOMPARE(m.state().drawer, qint64(5000));
    QCOMPARE(m.state().shift.saleReturns, qint64(15000));
    // A purchase return brings money back.
    setUp(m, { QByteArray::fromHex("920005"), positionCmd(700, 1000), money(0x4A, 700, 1) });
    QCOMPARE(m.state().drawer, qint64(5700));
    QCOMPARE(m.state().shift.purchaseReturns, qint64(700));
    QCOMPARE(m.state().receiptNumber, 2);
}

void TestRegisterModel::correctionSettlesOnClose()
{
    RegisterModel m(RegisterState::fresh());
    setUp(m,
        { QByteArray::fromHex(ENTER_1), QByteArray::fromHex("920007"), positionCmd(50000, 1000),
            requisiteCmd(1055, QByteArray(1, 1)), requisiteCmd(1173, QByteArray(1, 0)),
            money(0x4A, 0, 1) });
    QCOMPARE(m.state().drawer, qint64(50000));
    QCOMPARE(m.state().shift.corrections, qint64(50000));
    QCOMPARE(m.state().shift.sales, qint64(0));
    // A purchase correction pays out: not more than the drawer holds.
    setUp(m, { QByteArray::fromHex("920009"), positionCmd(60000, 1000) });
    QCOMPARE(hexOf(m.execute(money(0x4A, 0, 1)).bytes), QString("559800"));
    setUp(m, { money(0x4A, 0, 2) }); // by card it does not touch the drawer
    QCOMPARE(m.state().drawer, qint64(50000));
}

void TestRegisterModel::shiftTotalsMoveOnZReport()
{
    RegisterModel m(RegisterState::fresh());
    QSignalSpy printed(&m, &RegisterModel::documentPrinted);
    setUp(m,
        { QByteArray::fromHex(ENTER_1), QByteArray::fromHex("9a00"), QByteArray::fromHex(OPEN_SALE),
            positionCmd(10000, 1000), money(0x4A, 10000, 1), QByteArray::fromHex("48"),
            QByteArray::fromHex(ENTER_3), QByteArray::fromHex("5a") });
    QCOMPARE(m.state().shiftOpen, false);
    QCOMPARE(m.state().shift.sales, qint64(0));
    QCOMPARE(m.state().grand.sales, qint64(10000));
    QCOMPARE(m.state().drawer, qint64(10000)); // the drawer survives a Z report
    const QJsonObject z = printed.last().at(0).toJsonObject();
    QCOMPARE(z.value("type").toString(), QString("shiftClose"));
    QCOMPARE(z.value("totals").toObject().value("sales").toInt(), 10000);
    // The common clear empties the drawer and the grand totals.
    setUp(m, { QByteArray::fromHex("77") });
    QCOMPARE(m.state().drawer, qint64(0));
    QCOMPARE(m.state().grand.sales, qint64(0));
    QCOMPARE(m.state().shiftNumber, 1);
}

void TestRegisterModel::agedShift()
{
    RegisterModel m(RegisterState::fresh());
    m.ageShift(25);
    QVERIFY(m.shiftExpired());
    setUp(m, { QByteArray::fromHex(ENTER_1) });
    QCOMPARE(hexOf(m.execute(QByteArray::fromHex(OPEN_SALE)).bytes), QString("558800"));
    QCOMPARE(hexOf(m.execute(money(0x49, 100)).bytes), QString("558800"));
    setUp(m,
        { QByteArray::fromHex("48"), QByteArray::fromHex(ENTER_3), QByteArray::fromHex("5a"),
            QByteArray::fromHex("48"), QByteArray::fromHex(ENTER_1),
            QByteArray::fromHex(OPEN_SALE) });
    QCOMPARE(m.state().shiftNumber, 2);
    QVERIFY(!m.shiftExpired());
}

void TestRegisterModel::noPaper()
{
    RegisterModel m(RegisterState::fresh());
    m.setPaperPresent(false);
    setUp(m, { QByteArray::fromHex(ENTER_1) });
    QCOMPARE(hexOf(m.execute(QByteArray::fromHex("9a00")).bytes), QString("556700"));
    QCOMPARE(hexOf(m.execute(money(0x49, 100)).bytes), QString("556700"));
    QCOMPARE(m.state().shiftOpen, false);
    // Reading needs no paper.
    QCOMPARE(hexOf(m.execute(QByteArray::fromHex("4d")).bytes),
        QString("4d000000000000"
                "00"));
}

void TestRegisterModel::tablesAndClock()
{
    RegisterModel m(RegisterState::fresh());
    QSignalSpy changed(&m, &RegisterModel::stateChanged);
    setUp(m, { QByteArray::fromHex(ENTER_4) });
    const QDate tomorrow = m.now().date().addDays(1);
    QByteArray date(1, char(0x64));
    date += BCD::int2bcd(tomorrow.day(), 2) + BCD::int2bcd(tomorrow.month(), 2)
        + BCD::int2bcd(tomorrow.year() - 2000, 2);
    setUp(m, { date, QByteArray::fromHex("d10005") });
    QCOMPARE(m.now().date(), tomorrow);
    QVERIFY(qAbs(m.state().clockOffset - 86400) < 5);
    QCOMPARE(m.state().timezone, 5);
    QCOMPARE(changed.count(), 2);
}

void TestRegisterModel::requisiteParsing_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("members");

    // 1008 = "a@b": 00 01 00, f0 03, 03 00, 61 40 62
    QTest::newRow("plain") << QByteArray::fromHex("000100f00303006140 62") << true << 0;
    // 1084 holding 1085 "N" and 1086 "V": 3c 04 0a 00 | 3d 04 01 00 4e | 3e 04 01 00 56
    QTest::newRow("structure") << QByteArray::fromHex("0001003c040a003d0401004e3e04010056") << true
                               << 2;
    QTest::newRow("member too long")
        << QByteArray::fromHex("0001003c040a003d0402004e3e04010056") << false << 0;
    QTest::newRow("empty structure") << QByteArray::fromHex("0001003c040000") << false << 0;
    QTest::newRow("empty value") << QByteArray::fromHex("000100f0030000") << false << 0;
    QTest::newRow("cut header") << QByteArray::fromHex("000100f003") << false << 0;
    QTest::newRow("second TLV") << QByteArray::fromHex("000100f003010061f003010062") << false << 0;
    QTest::newRow("wrong prefix") << QByteArray::fromHex("000200f00301006100") << false << 0;
}

void TestRegisterModel::requisiteParsing()
{
    QFETCH(QByteArray, payload);
    QFETCH(bool, valid);
    QFETCH(int, members);
    Requisite r;
    QCOMPARE(Requisite::parseCommand(payload, &r), valid);
    if (valid)
        QCOMPARE(r.members().size(), members);
}

void TestRegisterModel::stateFileRoundTrip()
{
    QTemporaryDir dir;
    RegisterModel m(RegisterState::fresh());
    setUp(m,
        { QByteArray::fromHex(ENTER_1), money(0x49, 777), QByteArray::fromHex(OPEN_SALE),
            QByteArray(1, char(0xE6))
                + position(QTextCodec::codecForName("CP866")->fromUnicode(QStringLiteral("Молоко")),
                    8990, 1000),
            requisiteCmd(1214, QByteArray(1, 4)),
            QByteArray(1, char(0xE8)) + tlv(1084, tlv(1085, "N", false) + tlv(1086, "V", false)),
            money(0x99, 100, 1) });
    StateFile file(dir.filePath("sub/state.json"));
    QString error;
    QVERIFY(file.save(m.state(), &error));
    RegisterState loaded;
    QVERIFY2(file.load(&loaded, &error), qPrintable(error));
    QCOMPARE(loaded.toJson(), m.state().toJson());
    QCOMPARE(loaded.receipt.positions.at(0).name, QString("Молоко"));
    QCOMPARE(loaded.receipt.positions.at(0).requisites.size(), 1);
    QCOMPARE(loaded.receipt.findRequisite(1084)->members().size(), 2);
    QCOMPARE(loaded.receipt.payments[0], qint64(100));
    QVERIFY(loaded.receipt.paying);

    // A missing file is a fresh register, written at once.
    StateFile fresh(dir.filePath("fresh.json"));
    QVERIFY(fresh.load(&loaded, &error));
    QVERIFY(QFile::exists(dir.filePath("fresh.json")));
    QCOMPARE(loaded.toJson(), RegisterState::fresh().toJson());
}

void TestRegisterModel::corruptStateRefused_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("reason");

    QByteArray good = QJsonDocument(RegisterState::fresh().toJson()).toJson();
    QTest::newRow("not JSON") << QByteArray("{\"format\": 1, ") << QString("not a register state");
    QTest::newRow("array") << QByteArray("[1, 2]") << QString("not a JSON object");
    QTest::newRow("empty") << QByteArray() << QString("not a register state");
    QTest::newRow("other format") << QByteArray(good).replace("\"format\": 1", "\"format\": 7")
                                  << QString("unknown format");
    QTest::newRow("drawer text") << QByteArray(good).replace("\"drawer\": 0", "\"drawer\": \"0\"")
                                 << QString("\"drawer\"");
    QTest::newRow("negative drawer")
        << QByteArray(good).replace("\"drawer\": 0", "\"drawer\": -5") << QString("\"drawer\"");
    QTest::newRow("no serial") << QByteArray(good).replace("\"serial\"", "\"serial_\"")
                               << QString("\"serial\"");
    QTest::newRow("open receipt missing") << QByteArray(good).replace("\"receiptOpen\": false",
        "\"receiptOpen\": true") << QString("\"receipt\"");
}

void TestRegisterModel::corruptStateRefused()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const QString path = dir.filePath("state.json");
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
    f.close();
    RegisterState state;
    QString error;
    QVERIFY(!StateFile(path).load(&state, &error));
    QVERIFY2(error.contains(reason), qPrintable(error));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), content);
}

QTEST_GUILESS_MAIN(TestRegisterModel)
#include "tst_registermodel.moc"
