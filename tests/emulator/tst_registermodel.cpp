// The register model without a link: mode rules, error codes, money arithmetic, state file.

#include "bcd.h"
#include "franswers.h"
#include "registermodel.h"
#include "requisite.h"
#include "statefile.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QtTest>

using qt5ext::BCD;

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

// Mode entry with the default password 47.
QByteArray enter(int mode)
{
    return hex("56") + char(mode) + hex("00000047");
}

const QByteArray OPEN_SALE = hex("920001");
const QByteArray EXIT = hex("48");
const QByteArray OPEN_SHIFT = hex("9a00");
const QByteArray Z_REPORT = hex("5a");

// The 103-byte position record as the configurator sends it.
QByteArray position(const QByteArray &name, qint64 price, qint64 qty, quint8 summType = 1,
    quint8 discountType = 0, qint64 discount = 0, quint8 tax = 1, quint8 section = 1)
{
    QByteArray r(1, '\0');
    r += name.leftJustified(64, '\0', true);
    r += BCD::int2bcd(price, 12);
    r += BCD::int2bcd(qty, 10);
    r.append(char(summType)).append(char(discountType));
    r += BCD::int2bcd(discount, 12);
    r.append(char(tax)).append(char(section));
    return r + QByteArray(17, '\0'); // no barcode, reserved byte
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
    void moneyFlow_data();
    void moneyFlow();
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

    using L = QList<QByteArray>;
    const QByteArray e1 = enter(1);
    const QByteArray e4 = enter(4);
    const QByteArray e6 = enter(6);
    const QByteArray item = positionCmd(10000, 1000); // 100.00 x 1.000
    const L receipt { e1, OPEN_SALE };
    const L withItem { e1, OPEN_SALE, item };
    const auto pos = [](qint64 price, quint8 summType, qint64 discount, quint8 section) {
        return QByteArray(1, char(0xE6))
            + position("A", price, 1000, summType, 0, discount, 1, section);
    };

    // Modes: each command has its mode (every one is tried through the link); modes are
    // entered from mode 0 only, with the right password.
    QTest::newRow("command out of its mode") << L {} << OPEN_SALE << quint8(0x66);
    QTest::newRow("enter from mode 1") << L { e1 } << enter(2) << quint8(0x66);
    QTest::newRow("enter mode 8") << L {} << enter(8) << quint8(0x66);
    QTest::newRow("unknown command") << L {} << hex("01") << quint8(0x7A);
    QTest::newRow("wrong password") << L {} << hex("560100000030") << quint8(0x8C);
    QTest::newRow("exit with open receipt") << receipt << EXIT << quint8(0x9B);

    // Receipts.
    QTest::newRow("second receipt") << receipt << OPEN_SALE << quint8(0x9B);
    QTest::newRow("receipt kind 3") << L { e1 } << hex("920003") << quint8(0x6A);
    QTest::newRow("position, no receipt") << L { e1 } << item << quint8(0x9A);
    QTest::newRow("position short") << receipt << item.left(100) << quint8(0x14);
    QTest::newRow("quantity zero") << receipt << positionCmd(100, 0) << quint8(0x0A);
    QTest::newRow("discount above amount") << receipt << pos(100, 1, 101, 1) << quint8(0x7B);
    QTest::newRow("percent above 100") << receipt << pos(100, 0, 10001, 1) << quint8(0x7B);
    QTest::newRow("section 17") << receipt << pos(100, 1, 0, 17) << quint8(0x7D);
    QByteArray badPrice = item;
    badPrice[1 + 65] = char(0x0A);
    QTest::newRow("price not BCD") << receipt << badPrice << quint8(0x13);
    QTest::newRow("price x quantity overflow")
        << receipt << positionCmd(999999999999LL, 9999999999LL) << quint8(0x7F);
    QTest::newRow("storno of unsold") << receipt << positionCmd(10000, 1000, true) << quint8(0x43);
    QTest::newRow("storno above sold")
        << withItem << positionCmd(10000, 2000, true) << quint8(0x41);
    QTest::newRow("position after payment")
        << (withItem + L { money(0x99, 5000, 1) }) << item << quint8(0x66);
    QTest::newRow("payment type 6") << withItem << money(0x99, 100, 6) << quint8(0x7E);
    QTest::newRow("payment zero") << withItem << money(0x99, 0, 1) << quint8(0x08);
    QTest::newRow("card above total") << withItem << money(0x99, 10001, 2) << quint8(0x71);
    QTest::newRow("close underpaid")
        << (withItem + L { money(0x99, 5000, 1) }) << money(0x4A, 4999, 1) << quint8(0x72);
    QTest::newRow("close tax system not registered")
        << (withItem + L { requisiteCmd(1055, QByteArray(1, 4)) }) << money(0x4A, 10000, 1)
        << quint8(0xE0);
    QTest::newRow("close tax system two bits")
        << (withItem + L { requisiteCmd(1055, QByteArray(1, 3)) }) << money(0x4A, 10000, 1)
        << quint8(0xE0);
    // A requisite whose structure does not parse (the parser has its own table below).
    QTest::newRow("TLV broken member")
        << receipt << (QByteArray(1, char(0xE8)) + tlv(1084, hex("3d0405006162"))) << quint8(0x13);

    // Shifts and cash.
    QTest::newRow("open shift twice") << L { e1, OPEN_SHIFT } << OPEN_SHIFT << quint8(0x9C);
    QTest::newRow("return above drawer")
        << L { e1, hex("920002"), item } << money(0x4A, 10000, 1) << quint8(0x98);
    QTest::newRow("cash out above drawer")
        << L { e1, money(0x49, 100) } << money(0x4F, 101) << quint8(0x98);
    QTest::newRow("Z on a closed shift") << L { enter(3) } << Z_REPORT << quint8(0x8F);
    QTest::newRow("common clear, shift open")
        << L { e1, OPEN_SHIFT, EXIT, enter(3) } << hex("77") << quint8(0x9C);
    QTest::newRow("report type 0") << L { enter(2) } << hex("6700") << quint8(0xA3);

    // Programming, serial number, FN.
    QTest::newRow("table 9") << L { e4 } << hex("4609000101") << quint8(0x91);
    QTest::newRow("row 31") << L { e4 } << hex("4602001f01") << quint8(0x92);
    QTest::newRow("field 3") << L { e4 } << hex("4602000103") << quint8(0x93);
    QTest::newRow("write without value") << L { e4 } << hex("5003000102") << quint8(0x14);
    QTest::newRow("date 32.01") << L { e4 } << hex("64320124") << quint8(0x94);
    QTest::newRow("time 25:00") << L { e4 } << hex("4b250000") << quint8(0x95);
    QTest::newRow("date, shift open")
        << L { e1, OPEN_SHIFT, EXIT, e4 } << hex("64010124") << quint8(0x9C);
    QTest::newRow("date before the last document") << L { e1, OPEN_SHIFT, EXIT, enter(3), Z_REPORT,
        EXIT, e4 } << hex("64010120") << quint8(0x20);
    QTest::newRow("serial already set") << L { enter(5) } << hex("611234") << quint8(0x9E);
    QTest::newRow("activation, FN active") << L { e6 } << hex("a600") << quint8(0xD4);
    QTest::newRow("document 2 of 1") << L { e6 } << hex("ab0002") << quint8(0xDA);
    QTest::newRow("unknown FN request") << L { e6 } << hex("a450") << quint8(0xE7);
    QTest::newRow("unknown tag") << L { e6 } << hex("e9390300") << quint8(0xDA);
    QTest::newRow("register 99") << L {} << hex("9163") << quint8(0x6C);
    QTest::newRow("reprint, nothing printed") << L {} << hex("95") << quint8(0xAC);
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
    QCOMPARE(hexOf(a.bytes), hexOf(hex("55") + char(code) + '\0'));
    // A refusal changes nothing and prints nothing.
    QCOMPARE(m.state().toJson(), before);
    QCOMPARE(printed.count(), 0);
}

void TestRegisterModel::fixedAnswers_data()
{
    QTest::addColumn<QList<QByteArray>>("setup");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QString>("answer");

    // Answers with nothing but zeros in them are checked through the link.
    const QByteArray e1 = enter(1);
    // Drawer 0x4D: tag and BCD(14) kopecks.
    QTest::newRow("drawer 12.34") << QList<QByteArray> { e1, money(0x49, 1234) } << hex("4d")
                                  << QString("4d00000000001234");
    // Shift totals: 55 00, sales BCD(14), purchases BCD(14); a sale of 100.00 paid exactly.
    QTest::newRow("shift totals") << QList<QByteArray> { e1, OPEN_SALE, positionCmd(10000, 1000),
        money(0x4A, 10000, 1), money(0x49, 10000), hex("920004"), positionCmd(2550, 2000),
        money(0x4A, 5100, 1) } << hex("58")
                                  << QString("5500"
                                             "00000000010000"
                                             "00000000005100");
    QTest::newRow("register: drawer") << QList<QByteArray> { e1, money(0x49, 99) } << hex("9101")
                                      << QString("550000000000000099");
    QTest::newRow("register: document number")
        << QList<QByteArray> {} << hex("910c") << QString("55000000000001");
    QTest::newRow("table written and read")
        << QList<QByteArray> { enter(4), hex("500300020141") } << hex("4603000201")
        << QString("5500") + QString::fromLatin1(QByteArray("A").leftJustified(28, '\0').toHex());
    QTest::newRow("table default")
        << QList<QByteArray> { enter(4) } << hex("4601000102") << QString("550000");
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
    setUp(m, { enter(1), OPEN_SALE, positionCmd(12345, 1000) });
    m.setPaperPresent(false);
    const QByteArray data = m.execute(hex("3f")).bytes;
    const FrStateCommandAnswer s(0xF0, hex("a607") + data);
    QCOMPARE(s.serialNumber(), 17000001);
    QCOMPARE(s.mode(), quint8(1));
    QCOMPARE(s.submode(), quint8(1)); // a receipt is open
    QVERIFY(s.isCycleOpened()); // the receipt opened the shift
    QVERIFY(s.isPaperAbsent());
    QVERIFY(s.isFiscal() && s.isFnActivated());
    QVERIFY(qAbs(s.dateTime().secsTo(QDateTime::currentDateTime())) < 5);
    QCOMPARE(data.size(), 29);
    QCOMPARE(hexOf(data.mid(14, 3)), QString("4f0301"));
    // Behind the mode byte: receipt number 0, shift 1, receipt kind 1, total 123.45, 2 places.
    QCOMPARE(hexOf(data.mid(18)), QString("0000000101000001234502"));
    // Paying: submode 2.
    setUp(m, { money(0x99, 20000, 1) });
    QCOMPARE(quint8(m.execute(hex("3f")).bytes.at(17)), quint8(0x21));
}

void TestRegisterModel::modeEntryAndExit()
{
    RegisterModel m(RegisterState::fresh());
    m.setPassword(30);
    QCOMPARE(hexOf(m.execute(enter(1)).bytes), QString("558c00"));
    QCOMPARE(hexOf(m.execute(hex("560100000030")).bytes), QString("550000"));
    QCOMPARE(m.mode(), quint8(1));
    QCOMPARE(hexOf(m.execute(EXIT).bytes), QString("550000"));
    QCOMPARE(m.mode(), quint8(0));
    // Leaving the selection mode is harmless.
    QCOMPARE(hexOf(m.execute(EXIT).bytes), QString("550000"));

    // A register powered off with an open receipt comes back in registration.
    RegisterState s = RegisterState::fresh();
    s.receiptOpen = true;
    QCOMPARE(RegisterModel(s).modeByte(), quint8(0x11));
}

void TestRegisterModel::moneyFlow_data()
{
    QTest::addColumn<QList<QByteArray>>("commands");
    QTest::addColumn<QString>("expected"); // state members and documents printed

    using L = QList<QByteArray>;
    const QByteArray e1 = enter(1);
    // 150.00 x 2.000 less 10 % = 270.00; 99.90 x 1.500 = 149.85, plus 0.15 = 150.00;
    // 0.33 x 0.333 = 0.10989 -> 0.11; total 420.11. Card 100.00, cash 320.00 + 10.00:
    // change 9.89. Documents: registration, shift opening, receipt; printed: shift opening,
    // cash in, receipt.
    QTest::newRow("sale with discounts and change") << L {
        e1, money(0x49, 5000), OPEN_SALE,
        QByteArray(1, char(0xE6)) + position("A", 15000, 2000, 0, 0, 1000),
        QByteArray(1, char(0xE6)) + position("B", 9990, 1500, 1, 1, 15), positionCmd(33, 333),
        money(0x99, 10000, 2), money(0x99, 32000, 1), money(0x4A, 1000, 1)
    } << "drawer=37011 shiftTotals/sales=42011 receiptNumber=1 documentNumber=3 printed=3";
    QTest::newRow("storno") << L { e1, OPEN_SALE, positionCmd(10000, 3000),
        positionCmd(10000, 1000, true), money(0x4A, 20000, 1) }
                            << "drawer=20000 shiftTotals/sales=20000";
    // A sale return takes money out, a purchase return brings it back.
    QTest::newRow("returns") << L { e1, money(0x49, 20000), hex("920002"), positionCmd(15000, 1000),
        money(0x4A, 15000, 1), hex("920005"), positionCmd(700, 1000), money(0x4A, 700, 1) }
                             << "drawer=5700 shiftTotals/saleReturns=15000 "
                                "shiftTotals/purchaseReturns=700 receiptNumber=2";
    // Corrections settle on close; one by card does not touch the drawer.
    const L correction { e1, hex("920007"), positionCmd(50000, 1000),
        requisiteCmd(1055, QByteArray(1, 1)), requisiteCmd(1173, QByteArray(1, 0)),
        money(0x4A, 0, 1) };
    QTest::newRow("correction") << correction
                                << "drawer=50000 shiftTotals/corrections=50000 shiftTotals/sales=0";
    QTest::newRow("purchase correction by card")
        << (correction + L { hex("920009"), positionCmd(60000, 1000), money(0x4A, 0, 2) })
        << "drawer=50000";
    // The drawer survives a Z report; the grand totals take the shift's.
    const L shift { e1, OPEN_SHIFT, OPEN_SALE, positionCmd(10000, 1000), money(0x4A, 10000, 1),
        EXIT, enter(3), Z_REPORT };
    QTest::newRow("Z report") << shift
                              << "drawer=10000 shiftOpen=false shiftTotals/sales=0 "
                                 "grandTotals/sales=10000 printed=3";
    // The common clear follows the archive closing.
    QTest::newRow("common clear") << (shift
        + L { EXIT, enter(6), hex("a7"), EXIT, enter(3), hex("77") })
                                  << "drawer=0 grandTotals/sales=0 shiftNumber=1";
}

void TestRegisterModel::moneyFlow()
{
    QFETCH(QList<QByteArray>, commands);
    QFETCH(QString, expected);
    RegisterModel m(RegisterState::fresh());
    QSignalSpy printed(&m, &RegisterModel::documentPrinted);
    setUp(m, commands);
    const QJsonObject state = m.state().toJson();
    QStringList actual;
    for (const QString &item : expected.split(QLatin1Char(' '))) {
        const QString key = item.section(QLatin1Char('='), 0, 0);
        const QStringList path = key.split(QLatin1Char('/'));
        QJsonValue v = key == QLatin1String("printed") ? printed.count() : state.value(path.at(0));
        if (path.size() > 1)
            v = v.toObject().value(path.at(1));
        actual << key + QLatin1Char('=') + v.toVariant().toString();
    }
    QCOMPARE(actual.join(QLatin1Char(' ')), expected);
}

void TestRegisterModel::tablesAndClock()
{
    RegisterModel m(RegisterState::fresh());
    QSignalSpy changed(&m, &RegisterModel::stateChanged);
    setUp(m, { enter(4) });
    const QDate tomorrow = m.now().date().addDays(1);
    QByteArray date(1, char(0x64));
    date += BCD::int2bcd(tomorrow.day(), 2) + BCD::int2bcd(tomorrow.month(), 2)
        + BCD::int2bcd(tomorrow.year() - 2000, 2);
    setUp(m, { date, hex("d10005") });
    QCOMPARE(m.now().date(), tomorrow);
    QVERIFY(qAbs(m.state().clockOffset - 86400) < 5);
    QCOMPARE(m.state().timezone, 5);
    QCOMPARE(changed.count(), 2);
}

void TestRegisterModel::requisiteParsing_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<int>("members"); // -1: refused

    // 1008 = "a@b": 00 01 00, f0 03, 03 00, 61 40 62
    QTest::newRow("plain") << hex("000100f0030300614062") << 0;
    // 1084 holding 1085 "N" and 1086 "V": 3c 04 0a 00 | 3d 04 01 00 4e | 3e 04 01 00 56
    QTest::newRow("structure") << hex("0001003c040a003d0401004e3e04010056") << 2;
    QTest::newRow("member too long") << hex("0001003c040a003d0402004e3e04010056") << -1;
    QTest::newRow("empty structure") << hex("0001003c040000") << -1;
    QTest::newRow("empty value") << hex("000100f0030000") << -1;
    QTest::newRow("cut header") << hex("000100f003") << -1;
    QTest::newRow("length beyond data") << hex("0001005504020001") << -1;
    QTest::newRow("trailing bytes") << hex("00010055040100010203") << -1;
    QTest::newRow("wrong prefix") << hex("000200f00301006100") << -1;
}

void TestRegisterModel::requisiteParsing()
{
    QFETCH(QByteArray, payload);
    QFETCH(int, members);
    Requisite r;
    QCOMPARE(Requisite::parseCommand(payload, &r), members >= 0);
    if (members >= 0)
        QCOMPARE(r.members().size(), members);
}

void TestRegisterModel::stateFileRoundTrip()
{
    QTemporaryDir dir;
    RegisterModel m(RegisterState::fresh());
    setUp(m,
        { enter(1), money(0x49, 777), OPEN_SALE,
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
    QCOMPARE(loaded.receipt.findRequisite(1084)->members().size(), 2);
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
