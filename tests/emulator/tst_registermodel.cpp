// The register model without a link: every record the configurator's builders make, in its
// mode and out of it; mode rules, error codes, money arithmetic and limits, the documents it
// prints, the state file.

#include "bcd.h"
#include "frcommandscontroller.h"
#include "registercommands.h"
#include "registermodel.h"
#include "statefile.h"
#include "tempprofile.h"

#include <QJsonArray>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QtTest>

#include <functional>

using qt5ext::BCD;
using qt5ext::FixNumber;
using Ctl = FrCommandsController;
using Build = std::function<void(Ctl &)>;
Q_DECLARE_METATYPE(Build)

namespace {

using namespace RegisterCommands;

const QByteArray OPEN_SALE = hex("920001");
const QByteArray EXIT = exitMode();
const QByteArray OPEN_SHIFT = hex("9a00");
const QByteArray Z_REPORT = hex("5a");
// Not commands: conditions the setup puts the register in.
const QByteArray NO_PAPER("no paper");
const QByteArray SHIFT_25_HOURS("shift 25 hours old");
const qint64 MAX_DRAWER = 99999999999999LL; // BCD(14) kopecks

FixNumber rub(qint64 kopecks)
{
    return FixNumber(100, kopecks);
}

// The command a builder of the configurator puts behind C1, flags, TID and password.
QByteArray built(const Build &build)
{
    Ctl c;
    QSignalSpy sent(&c, &Ctl::needSendCommand);
    build(c);
    return sent.value(0).value(1).toByteArray().mid(5);
}

void sellItem(Ctl &c, bool cancel = false)
{
    c.sendRegPostionCommand(
        "Item", rub(100), FixNumber(1000, qint64(1000)), 0, rub(0), 1, 1, 1, "4600001", cancel);
}

// Runs the commands, failing on any that is refused.
void setUp(RegisterModel &m, const QList<QByteArray> &commands)
{
    for (const QByteArray &c : commands) {
        if (c == NO_PAPER) {
            m.setPaperPresent(false);
            continue;
        }
        if (c == SHIFT_25_HOURS) {
            m.ageShift(25);
            continue;
        }
        const RegisterModel::Answer a = m.execute(c);
        QVERIFY2(!a.refused, qPrintable(hexOf(c) + QLatin1String(" -> ") + hexOf(a.bytes)));
    }
}

} // namespace

class TestRegisterModel : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { m_profile.reset(new TempProfile); }
    void cleanupTestCase() { m_profile.reset(); }
    void builders_data();
    void builders();
    void refusals_data();
    void refusals();
    void moneyFlow_data();
    void moneyFlow();
    void wholeShiftAcrossPowerCycle();
    void corruptStateRefused_data();
    void corruptStateRefused();

private:
    QScopedPointer<TempProfile> m_profile; // the connection password is the default 47
};

void TestRegisterModel::builders_data()
{
    QTest::addColumn<Build>("build");
    QTest::addColumn<int>("mode"); // -1: any mode
    QTest::addColumn<int>("wrongMode"); // a mode that refuses it with 0x66; -1: none does
    QTest::addColumn<QList<QByteArray>>("setup");
    QTest::addColumn<QString>("answer"); // regular expression over the answer in hex

    using L = QList<QByteArray>;
    const QString done = QStringLiteral("^550000$");
    const L receipt { enter(1), OPEN_SALE };
    const L withItem = receipt + L { built([](Ctl &c) { sellItem(c); }) };
    auto row = [](const char *name, int mode, int wrongMode, const L &setup, const QString &answer,
                   Build b) { QTest::newRow(name) << b << mode << wrongMode << setup << answer; };
    // D, cashier 1, hall 1, date and time, flags fiscal + FN, serial, model, version,
    // mode 0, receipt 0, shift 0, no receipt, total 0, 2 places.
    row("state", -1, -1, {}, "^440101[0-9]{12}41170000014f0301000000000000000000000002$",
        [](Ctl &c) { c.sendGetFrStateCommand(false); });
    row("drawer", -1, -1, {}, "^4d00000000000000$", [](Ctl &c) { c.sendGetFrMoneyCommand(); });
    row("shift totals", -1, -1, {}, "^5500(00){14}$",
        [](Ctl &c) { c.sendGetFrCycleMoneyCommand(); });
    row("version", -1, -1, {}, "^550003011234$", [](Ctl &c) { c.sendGetFrVersionCommand(); });
    // Protocol 3, register, model 0x4F, version 3.1.0 build 1234, "ORVA-EMU".
    row("device type", -1, -1, {}, "^550003014f000003010004d24f5256412d454d55$",
        [](Ctl &c) { c.sendGetFrDeviceTypeCommand(); });
    row("print last receipt", -1, -1, withItem + L { money(0x4A, 100, 1) }, done,
        [](Ctl &c) { c.sendPrintLastCheckCommand(); });
    row("mode entry", 0, 1, {}, done, [](Ctl &c) { c.sendSetModeCommand(2); });
    row("mode exit", 1, -1, {}, done, [](Ctl &c) { c.sendModeExitCommand(); });
    row("table read", 4, 1, {}, "^5500(00){28}$", [](Ctl &c) { c.sendFrReadTableCell(2, 1, 2); });
    row("table write", 4, 2, {}, done, [](Ctl &c) { c.sendFrSaveTableCell(3, 1, 2, "\x01"); });
    row("date", 4, 1, {}, done,
        [](Ctl &c) { c.sendFrSetDateCommand(QDate::currentDate().addDays(1)); });
    row("time", 4, 6, {}, done, [](Ctl &c) { c.sendFrSetTimeCommand(QTime(23, 59, 0)); });
    row("time zone set", 4, 3, {}, done, [](Ctl &c) { c.sendFrTimezoneOffset(3); });
    row("time zone get", -1, -1, {}, "^55000002$", [](Ctl &c) { c.sendFrGetTimezoneOffset(); });
    row("requisite", 1, 2, receipt, done,
        [](Ctl &c) { c.sendFrSetRekvCommand(Ctl::buildTlv(1008, "buyer@example.ru", true)); });
    row("FN activation", 6, 1, L { enter(6), hex("a7") }, done,
        [](Ctl &c) { c.sendFrActivationCommand(0); });
    row("open receipt", 1, 3, {}, done, [](Ctl &c) { c.sendCheckOpenCommand(1); });
    row("close receipt", 1, 2, withItem, done, [](Ctl &c) { c.sendCheckCloseCommand(rub(100)); });
    row("cancel receipt", 1, 2, receipt, done, [](Ctl &c) { c.sendCheckCancelCommand(); });
    row("open shift", 1, 2, {}, done, [](Ctl &c) { c.sendOpenCycleCommand("Shift"); });
    row("close shift", 3, 1, L { enter(1), OPEN_SHIFT }, done,
        [](Ctl &c) { c.sendCloseCycleCommand(); });
    row("common clear", 3, 1, L { enter(6), hex("a7") }, done,
        [](Ctl &c) { c.sendCommonGashCommand(); });
    row("registration report", 6, 2, {}, done, [](Ctl &c) { c.sendRegistrationReportCommand(); });
    row("registration report by number", 6, 1, {}, done,
        [](Ctl &c) { c.sendBuildRegReportCommand(1); });
    // Tag 1018, 10 bytes: the user's INN 7701234560.
    row("tag read", 6, 1, {}, "^5500fa030a0037373031323334353630$",
        [](Ctl &c) { c.sendReadTagCommand(1018); });
    row("report without clearing", 2, 3, {}, done,
        [](Ctl &c) { c.sendReportWithoutGashCommand(1); });
    row("position", 1, 2, receipt, done, [](Ctl &c) { sellItem(c); });
    row("position cancel", 1, 2, withItem, done, [](Ctl &c) { sellItem(c, true); });
    row("payment", 1, 2, withItem, done, [](Ctl &c) { c.sendCheckPaymentCommand(rub(100), 1); });
    row("cash in", 1, 2, {}, done, [](Ctl &c) { c.sendIntroductionCommand(rub(100)); });
    row("cash out", 1, 2, L { enter(1), money(0x49, 100) }, done,
        [](Ctl &c) { c.sendEncashmentCommand(rub(50)); });
    row("FN archive close", 6, 1, {}, done, [](Ctl &c) { c.sendFnCloseArchiveCommand(); });
    row("document by number", 6, 1, {}, done, [](Ctl &c) { c.sendFdByNumberReportCommand(1); });
    row("document as TLV", 6, 2, {}, done, [](Ctl &c) { c.sendFdByNumberTLVReportCommand(1); });
    row("FN request", 6, 1, {}, done, [](Ctl &c) { c.sendFnReadCommand(0x44, hex("f903")); });
    row("register read", -1, -1, {}, "^5500(00){7}$", [](Ctl &c) { c.sendRegisterReadCommand(1); });
    row("any command", -1, -1, {}, "^55000000$", [](Ctl &c) { c.sendFrCommand(0x91, "\x0a"); });
    // Mode 5 sets the serial number, which a fresh register already has: this row's register
    // has none.
    row("factory number", 5, 4, {}, done, [](Ctl &c) { c.sendSetFactoryNumberCommand("1234"); });
}

void TestRegisterModel::builders()
{
    QFETCH(Build, build);
    QFETCH(int, mode);
    QFETCH(int, wrongMode);
    QFETCH(QList<QByteArray>, setup);
    QFETCH(QString, answer);

    const QByteArray command = built(build);
    RegisterState start = RegisterState::fresh();
    if (mode == 5)
        start.serial = 0;
    if (wrongMode >= 0) {
        RegisterModel m(start);
        setUp(m, wrongMode ? QList<QByteArray> { enter(wrongMode) } : QList<QByteArray>());
        QCOMPARE(hexOf(m.execute(command).bytes), QString("556600"));
    }
    RegisterModel m(start);
    setUp(m, setup);
    // Into the mode, leaving the current one first as the pages do.
    if (mode >= 0 && m.mode() != mode) {
        setUp(m, m.mode() ? QList<QByteArray> { EXIT } : QList<QByteArray>());
        setUp(m, mode ? QList<QByteArray> { enter(mode) } : QList<QByteArray>());
    }
    const QString got = hexOf(m.execute(command).bytes);
    QVERIFY2(QRegularExpression(answer).match(got).hasMatch(), qPrintable(got));
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
    const QByteArray item = position(10000, 1000); // 100.00 x 1.000
    const L receipt { e1, OPEN_SALE };
    const L withItem { e1, OPEN_SALE, item };

    auto row = [](const char *name, const L &setup, const QByteArray &command, quint8 code) {
        QTest::newRow(name) << setup << command << code;
    };
    // Modes are entered from mode 0 only, with the right password (each command's own mode is
    // tried with the builders above).
    row("enter from mode 1", L { e1 }, enter(2), 0x66);
    row("unknown command", L {}, hex("01"), 0x7A);
    row("wrong password", L {}, hex("560100000030"), 0x8C);
    row("exit with open receipt", receipt, EXIT, 0x9B);

    // Receipts.
    row("second receipt", receipt, OPEN_SALE, 0x9B);
    row("position, no receipt", L { e1 }, item, 0x9A);
    row("quantity zero", receipt, position(100, 0), 0x0A);
    row("discount above amount", receipt, position(100, 1000, false, "A", 1, 0, 101), 0x7B);
    row("section 17", receipt, position(100, 1000, false, "A", 1, 0, 0, 17), 0x7D);
    QByteArray badPrice = item;
    badPrice[1 + 65] = char(0x0A);
    row("price not BCD", receipt, badPrice, 0x13);
    row("price x quantity overflow", receipt, position(999999999999LL, 9999999999LL), 0x7F);
    row("storno of unsold", receipt, position(10000, 1000, true), 0x43);
    row("storno above sold", withItem, position(10000, 2000, true), 0x41);
    row("position after payment", withItem + L { money(0x99, 5000, 1) }, item, 0x66);
    row("payment type 6", withItem, money(0x99, 100, 6), 0x7E);
    row("card above total", withItem, money(0x99, 10001, 2), 0x71);
    row("close underpaid", withItem + L { money(0x99, 5000, 1) }, money(0x4A, 4999, 1), 0x72);
    row("close tax system not registered", withItem + L { requisite(1055, QByteArray(1, 4)) },
        money(0x4A, 10000, 1), 0xE0);
    // A requisite whose structure does not parse.
    row("TLV broken member", receipt, char(0xE8) + tlv(1084, hex("3d0405006162")), 0x13);

    // Shifts, paper.
    row("open shift twice", L { e1, OPEN_SHIFT }, OPEN_SHIFT, 0x9C);
    row("Z on a closed shift", L { enter(3) }, Z_REPORT, 0x8F);
    row("common clear, shift open", L { e1, OPEN_SHIFT, EXIT, enter(3) }, hex("77"), 0x9C);
    row("report type 0", L { enter(2) }, hex("6700"), 0xA3);
    row("receipt on a shift past 24 hours", L { SHIFT_25_HOURS, e1 }, OPEN_SALE, 0x88);
    row("no paper: shift", L { NO_PAPER, e1 }, OPEN_SHIFT, 0x67);
    row("no paper: cash in", L { NO_PAPER, e1 }, money(0x49, 100), 0x67);

    // Programming, serial number, FN.
    row("date, shift open", L { e1, OPEN_SHIFT, EXIT, e4 }, hex("64010124"), 0x9C);
    row("date before the last document", L { e1, OPEN_SHIFT, EXIT, enter(3), Z_REPORT, EXIT, e4 },
        hex("64010120"), 0x20);
    row("serial already set", L { enter(5) }, hex("611234"), 0x9E);
    row("activation, FN active", L { e6 }, hex("a600"), 0xD4);
    row("reprint, nothing printed", L {}, hex("95"), 0xAC);
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

void TestRegisterModel::moneyFlow_data()
{
    QTest::addColumn<qint64>("drawer"); // at the start
    QTest::addColumn<QList<QByteArray>>("commands");
    QTest::addColumn<quint8>("code"); // the last command's answer; 0: done
    QTest::addColumn<QString>("expected"); // state members and documents printed

    using L = QList<QByteArray>;
    const QByteArray e1 = enter(1);
    auto row = [](const char *name, qint64 drawer, const L &commands, quint8 code,
                   const char *expected) {
        QTest::newRow(name) << drawer << commands << code << QString(expected);
    };
    // 150.00 x 2.000 less 10 % = 270.00; 99.90 x 1.500 = 149.85, plus 0.15 = 150.00;
    // 0.33 x 0.333 = 0.10989 -> 0.11; total 420.11. Card 100.00, cash 320.00 + 10.00:
    // change 9.89. Documents: registration, shift opening, receipt; printed: shift opening,
    // cash in, receipt.
    row("sale with discounts and change", 0,
        L { e1, money(0x49, 5000), OPEN_SALE, position(15000, 2000, false, "A", 0, 0, 1000),
            position(9990, 1500, false, "B", 1, 1, 15), position(33, 333), money(0x99, 10000, 2),
            money(0x99, 32000, 1), money(0x4A, 1000, 1) },
        0, "drawer=37011 shiftTotals/sales=42011 receiptNumber=1 documentNumber=3 printed=3");
    row("storno", 0,
        L { e1, OPEN_SALE, position(10000, 3000), position(10000, 1000, true),
            money(0x4A, 20000, 1) },
        0, "drawer=20000 shiftTotals/sales=20000");
    // A sale return takes money out, a purchase return brings it back.
    row("returns", 0,
        L { e1, money(0x49, 20000), hex("920002"), position(15000, 1000), money(0x4A, 15000, 1),
            hex("920005"), position(700, 1000), money(0x4A, 700, 1) },
        0,
        "drawer=5700 shiftTotals/saleReturns=15000 shiftTotals/purchaseReturns=700 "
        "receiptNumber=2");
    // Corrections settle on close; one by card does not touch the drawer.
    row("corrections", 0,
        L { e1, hex("920007"), position(50000, 1000), requisite(1055, QByteArray(1, 1)),
            requisite(1173, QByteArray(1, 0)), money(0x4A, 0, 1), hex("920009"),
            position(60000, 1000), money(0x4A, 0, 2) },
        0, "drawer=50000 shiftTotals/corrections=110000 shiftTotals/sales=0");
    // The drawer survives a Z report; the grand totals take the shift's.
    const L shift { e1, OPEN_SHIFT, OPEN_SALE, position(10000, 1000), money(0x4A, 10000, 1), EXIT,
        enter(3), Z_REPORT };
    row("Z report", 0, shift, 0,
        "drawer=10000 shiftOpen=false shiftTotals/sales=0 grandTotals/sales=10000 printed=3");
    // The common clear follows the archive closing.
    row("common clear", 0, shift + L { EXIT, enter(6), hex("a7"), EXIT, enter(3), hex("77") }, 0,
        "drawer=0 grandTotals/sales=0 shiftNumber=1");

    // Limits, at their exact boundaries: the drawer cannot go below zero nor past BCD(14).
    const L sale { e1, OPEN_SALE, position(100, 1000) };
    const L saleReturn { e1, hex("920002"), position(10000, 1000) };
    row("cash out of the whole drawer", 12345, L { e1, money(0x4F, 12345) }, 0, "drawer=0");
    row("cash out one kopeck more", 12345, L { e1, money(0x4F, 12346) }, 0x98, "drawer=12345");
    row("cash in up to the drawer's limit", MAX_DRAWER - 100, L { e1, money(0x49, 100) }, 0,
        "drawer=99999999999999");
    row("cash in one kopeck past it", MAX_DRAWER - 100, L { e1, money(0x49, 101) }, 0x0B,
        "drawer=99999999999899");
    row("sale up to the drawer's limit", MAX_DRAWER - 100, sale + L { money(0x4A, 100, 1) }, 0,
        "drawer=99999999999999");
    row("sale one kopeck past it", MAX_DRAWER - 99, sale + L { money(0x4A, 100, 1) }, 0x0B,
        "drawer=99999999999900");
    // Change is not kept: 4.00 back of 5.00 paid for 1.00 into a nearly full drawer.
    row("change given back at the limit", MAX_DRAWER - 100, sale + L { money(0x4A, 500, 1) }, 0,
        "drawer=99999999999999");
    row("return of the whole drawer", 10000, saleReturn + L { money(0x4A, 10000, 1) }, 0,
        "drawer=0");
    row("return one kopeck more", 9999, saleReturn + L { money(0x4A, 10000, 1) }, 0x98,
        "drawer=9999");
}

void TestRegisterModel::moneyFlow()
{
    QFETCH(qint64, drawer);
    QFETCH(QList<QByteArray>, commands);
    QFETCH(quint8, code);
    QFETCH(QString, expected);
    RegisterState start = RegisterState::fresh();
    start.drawer = drawer;
    RegisterModel m(start);
    QSignalSpy printed(&m, &RegisterModel::documentPrinted);
    setUp(m, commands.mid(0, commands.size() - 1));
    QCOMPARE(hexOf(m.execute(commands.last()).bytes), hexOf(hex("55") + char(code) + '\0'));
    QJsonObject state = m.state().toJson();
    state.insert(QStringLiteral("printed"), printed.count());
    QCOMPARE(documentFields(state, expected), expected);
    // The drawer answer: tag and BCD(14) kopecks.
    QCOMPARE(hexOf(m.execute(hex("4d")).bytes),
        QString("4d") + hexOf(BCD::int2bcd(m.state().drawer, 14)));
}

void TestRegisterModel::wholeShiftAcrossPowerCycle()
{
    const QByteArray cp866name
        = QTextCodec::codecForName("CP866")->fromUnicode(QStringLiteral("Молоко"));
    RegisterModel before(RegisterState::fresh());
    QSignalSpy printedBefore(&before, &RegisterModel::documentPrinted);
    // 89.90 x 2.000 = 179.80, settlement method 4; 10.00 less 1.00 with a unit of measure.
    setUp(before,
        { enter(1), hex("9a00") + cp866name, OPEN_SALE, requisite(1055, QByteArray(1, 1)),
            position(8990, 2000, false, cp866name), requisite(1214, QByteArray(1, 4)),
            position(1000, 1000, false, "Tea", 1, 0, 100), requisite(1197, "pcs"),
            char(0xE8) + tlv(1084, tlv(1085, "N", false) + tlv(1086, "V", false)),
            money(0x99, 20000, 1) });

    QTemporaryDir dir;
    StateFile file(dir.filePath("sub/state.json"));
    QString error;
    QVERIFY(file.save(before.state(), &error));
    RegisterState loaded;
    QVERIFY2(file.load(&loaded, &error), qPrintable(error));
    QCOMPARE(loaded.toJson(), before.state().toJson());
    // Back in registration, paying.
    RegisterModel m(loaded);
    QCOMPARE(int(m.modeByte()), 0x21);
    QSignalSpy printed(&m, &RegisterModel::documentPrinted);
    setUp(m,
        { money(0x4A, 0, 1), money(0x49, 100000), money(0x4F, 25000), EXIT, enter(3), Z_REPORT });

    QCOMPARE(printedBefore.count(), 1);
    const QJsonObject opening = printedBefore.at(0).at(0).toJsonObject();
    QCOMPARE(opening.value("type").toString(), QString("shiftOpen"));
    QCOMPARE(opening.value("comment").toString(), QString("Молоко"));
    QStringList types;
    for (const QList<QVariant> &p : qAsConst(printed))
        types << p.at(0).toJsonObject().value("type").toString();
    QCOMPARE(types, QStringList({ "receipt", "cashIn", "cashOut", "shiftClose" }));
    // The arithmetic is moneyFlow's; here the receipt paid before the power cycle keeps its
    // positions, their requisites and the receipt's own (tax system, structure).
    const QJsonObject receipt = printed.at(0).at(0).toJsonObject();
    QCOMPARE(receipt.value("change").toInt(), 1120);
    QCOMPARE(
        receipt.value("requisites").toArray().at(1).toObject().value("members").toArray().size(),
        2);
    const QJsonArray positions = receipt.value("positions").toArray();
    QCOMPARE(positions.size(), 2);
    QCOMPARE(positions.at(0).toObject().value("name").toString(), QString("Молоко"));
    QCOMPARE(positions.at(0).toObject().value("requisites").toArray().size(), 1);
    const QJsonArray second = positions.at(1).toObject().value("requisites").toArray();
    QCOMPARE(second.at(0).toObject().value("text").toString(), QString("pcs"));
    QCOMPARE(printed.at(3).at(0).toJsonObject().value("drawer").toInt(), 18880 + 100000 - 25000);

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
    QTest::newRow("other format") << QByteArray(good).replace("\"format\": 1", "\"format\": 7")
                                  << QString("unknown format");
    QTest::newRow("negative drawer")
        << QByteArray(good).replace("\"drawer\": 0", "\"drawer\": -5") << QString("\"drawer\"");
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
