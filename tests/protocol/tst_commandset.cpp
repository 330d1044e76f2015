#include "frcommandscontroller.h"
#include "tempprofile.h"

#include <QSignalSpy>
#include <QtTest>

#include <functional>
#include <memory>

using qt5ext::FixNumber;

// Runs one builder; the TID comes back in the info, and the code too for the builders that
// return CommandSendInfo (0 for those that return the TID alone).
using Builder = std::function<CommandSendInfo(FrCommandsController &)>;
Q_DECLARE_METATYPE(Builder)

namespace {

Builder tidOnly(std::function<quint8(FrCommandsController &)> f)
{
    return [f](FrCommandsController &c) {
        CommandSendInfo info;
        info.tid = f(c);
        return info;
    };
}

FixNumber money(qint64 kopecks)
{
    return FixNumber(100, kopecks);
}

FixNumber quantity(qint64 thousandths)
{
    return FixNumber(1000, thousandths);
}

} // namespace

class TestCommandSet : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void builders_data();
    void builders();
    void positionRecordLayout();
    void setModePassword_data();
    void setModePassword();
    void tlv_data();
    void tlv();
    void identifiersNeverZero();

private:
    std::unique_ptr<TempProfile> m_profile;
};

void TestCommandSet::init()
{
    m_profile = std::make_unique<TempProfile>();
}

void TestCommandSet::cleanup()
{
    m_profile.reset();
}

// Every record is the first task of a fresh controller: TID 2 (both counters start at 1), so
// it begins C1 02 02 00 00 and then the command code. The payload bytes were written out by
// hand from the command table: BCD two digits a byte, binary integers in the stated order.
void TestCommandSet::builders_data()
{
    QTest::addColumn<Builder>("builder");
    QTest::addColumn<int>("code"); // expected CommandSendInfo code, 0 for TID-only builders
    QTest::addColumn<QByteArray>("record");

    auto row = [](const char *name, Builder b, int code, const char *recordHex) {
        QTest::newRow(name) << b << code << QByteArray::fromHex(recordHex);
    };
    const char *head = "c102020000";
    auto rec = [head](const char *rest) { return QByteArray(head) + rest; };

    row("state", tidOnly([](FrCommandsController &c) { return c.sendGetFrStateCommand(); }), 0,
        rec("3f"));
    row("state no auto answer",
        tidOnly([](FrCommandsController &c) { return c.sendGetFrStateCommand(false); }), 0,
        rec("3f"));
    row(
        "raw command", [](FrCommandsController &c) { return c.sendFrCommand(0x11, "\x01\x02"); },
        0x11, rec("110102"));
    row(
        "raw command empty", [](FrCommandsController &c) { return c.sendFrCommand(0x11, {}); },
        0x11, rec("11"));
    row(
        "money", [](FrCommandsController &c) { return c.sendGetFrMoneyCommand(); }, 0x4D,
        rec("4d"));
    row(
        "cycle money", [](FrCommandsController &c) { return c.sendGetFrCycleMoneyCommand(); }, 0x58,
        rec("58"));
    row(
        "version", [](FrCommandsController &c) { return c.sendGetFrVersionCommand(); }, 0x9D,
        rec("9d01"));
    row(
        "device type", [](FrCommandsController &c) { return c.sendGetFrDeviceTypeCommand(); }, 0xA5,
        rec("a5"));
    row(
        "print last check", [](FrCommandsController &c) { return c.sendPrintLastCheckCommand(); },
        0x95, rec("95"));
    // Default connection password "47".
    row("set mode", tidOnly([](FrCommandsController &c) { return c.sendSetModeCommand(1); }), 0,
        rec("560100000047"));
    row("mode exit", tidOnly([](FrCommandsController &c) { return c.sendModeExitCommand(); }), 0,
        rec("48"));
    row("read table cell",
        tidOnly([](FrCommandsController &c) { return c.sendFrReadTableCell(2, 3, 4); }), 0,
        rec("4602000304"));
    row("save table cell",
        tidOnly([](FrCommandsController &c) { return c.sendFrSaveTableCell(2, 3, 4, "ab"); }), 0,
        rec("50020003046162"));
    row("save empty cell with zero byte",
        tidOnly([](FrCommandsController &c) { return c.sendFrSaveTableCell(2, 3, 4, {}, true); }),
        0, rec("500200030400"));
    row("save empty cell without value",
        tidOnly([](FrCommandsController &c) { return c.sendFrSaveTableCell(2, 3, 4, {}, false); }),
        0, rec("5002000304"));
    row(
        "set date 5 March 2024",
        [](FrCommandsController &c) { return c.sendFrSetDateCommand(QDate(2024, 3, 5)); }, 0x64,
        rec("64050324"));
    row(
        "set date 25 December 2031",
        [](FrCommandsController &c) { return c.sendFrSetDateCommand(QDate(2031, 12, 25)); }, 0x64,
        rec("64251231"));
    row(
        "set time",
        [](FrCommandsController &c) { return c.sendFrSetTimeCommand(QTime(23, 59, 7)); }, 0x4B,
        rec("4b235907"));
    row(
        "set time zone", [](FrCommandsController &c) { return c.sendFrTimezoneOffset(11); }, 0xD1,
        rec("d10011"));
    row(
        "get time zone", [](FrCommandsController &c) { return c.sendFrGetTimezoneOffset(); }, 0xD2,
        rec("d2"));
    row("set requisite", tidOnly([](FrCommandsController &c) {
        return c.sendFrSetRekvCommand(FrCommandsController::buildTlv(1008, "a@b", true));
    }),
        0, rec("e8000100f0030300614062"));
    row("activation", tidOnly([](FrCommandsController &c) { return c.sendFrActivationCommand(1); }),
        0, rec("a601"));
    row("check open", tidOnly([](FrCommandsController &c) { return c.sendCheckOpenCommand(2); }), 0,
        rec("920002"));
    // 123.45 -> 12345 kopecks -> BCD(10) 00 00 01 23 45; payment type defaults to 1.
    row("check close default payment",
        tidOnly([](FrCommandsController &c) { return c.sendCheckCloseCommand(money(12345)); }), 0,
        rec("4a00010000012345"));
    row("check close payment 4",
        tidOnly([](FrCommandsController &c) { return c.sendCheckCloseCommand(money(7), 4); }), 0,
        rec("4a00040000000007"));
    row("check cancel", tidOnly([](FrCommandsController &c) { return c.sendCheckCancelCommand(); }),
        0, rec("59"));
    row("open cycle", tidOnly([](FrCommandsController &c) { return c.sendOpenCycleCommand("ab"); }),
        0, rec("9a006162"));
    row("close cycle", tidOnly([](FrCommandsController &c) { return c.sendCloseCycleCommand(); }),
        0, rec("5a"));
    row(
        "common clear", [](FrCommandsController &c) { return c.sendCommonGashCommand(); }, 0x77,
        rec("77"));
    row(
        "registration report",
        [](FrCommandsController &c) { return c.sendRegistrationReportCommand(); }, 0xA8, rec("a8"));
    row(
        "registration report 1",
        [](FrCommandsController &c) { return c.sendBuildRegReportCommand(1); }, 0xDC,
        rec("dc00000001"));
    row(
        "registration report big",
        [](FrCommandsController &c) { return c.sendBuildRegReportCommand(0x01020304); }, 0xDC,
        rec("dc01020304"));
    row(
        "read tag 1057", [](FrCommandsController &c) { return c.sendReadTagCommand(1057); }, 0xE9,
        rec("e9210400"));
    row("report without clear",
        tidOnly([](FrCommandsController &c) { return c.sendReportWithoutGashCommand(2); }), 0,
        rec("6702"));
    // 50.00 -> 5000 -> 00 00 00 50 00.
    row("payment",
        tidOnly([](FrCommandsController &c) { return c.sendCheckPaymentCommand(money(5000), 3); }),
        0, rec("9900030000005000"));
    row("cash in",
        tidOnly([](FrCommandsController &c) { return c.sendIntroductionCommand(money(100000)); }),
        0, rec("49000000100000"));
    row("cash out",
        tidOnly([](FrCommandsController &c) { return c.sendEncashmentCommand(money(1)); }), 0,
        rec("4f000000000001"));
    row(
        "close archive", [](FrCommandsController &c) { return c.sendFnCloseArchiveCommand(); },
        0xA7, rec("a7"));
    row(
        "document report",
        [](FrCommandsController &c) { return c.sendFdByNumberReportCommand(1234); }, 0xAB,
        rec("ab1234"));
    row(
        "document TLV report",
        [](FrCommandsController &c) { return c.sendFdByNumberTLVReportCommand(56); }, 0xB6,
        rec("b60056"));
    row(
        "storage read", [](FrCommandsController &c) { return c.sendFnReadCommand(1, "\x02\x03"); },
        0xA4, rec("a4010203"));
    row(
        "storage read bare", [](FrCommandsController &c) { return c.sendFnReadCommand(5); }, 0xA4,
        rec("a405"));
    row(
        "register read", [](FrCommandsController &c) { return c.sendRegisterReadCommand(0x0A); },
        0x91, rec("910a"));
    row(
        "register read with data",
        [](FrCommandsController &c) { return c.sendRegisterReadCommand(0x0A, "\x01"); }, 0x91,
        rec("910a01"));
    row("factory number", tidOnly([](FrCommandsController &c) {
        return c.sendSetFactoryNumberCommand(QStringLiteral("1234"));
    }),
        0, rec("611234"));
    row("factory number unreadable", tidOnly([](FrCommandsController &c) {
        return c.sendSetFactoryNumberCommand(QStringLiteral("12a"));
    }),
        0, rec("610000"));
}

void TestCommandSet::builders()
{
    QFETCH(Builder, builder);
    QFETCH(int, code);
    QFETCH(QByteArray, record);

    FrCommandsController c;
    QSignalSpy sent(&c, &FrCommandsController::needSendCommand);
    const CommandSendInfo info = builder(c);
    QCOMPARE(info.tid, quint8(2));
    QCOMPARE(int(info.cmdCode), code);
    QCOMPARE(sent.count(), 1);
    QCOMPARE(sent.at(0).at(0).value<quint8>(), quint8(2));
    QCOMPARE(sent.at(0).at(1).toByteArray().toHex(), record.toHex());
    QCOMPARE(c.bufferSize(), 1);
}

void TestCommandSet::positionRecordLayout()
{
    FrCommandsController c;
    QSignalSpy sent(&c, &FrCommandsController::needSendCommand);
    const QByteArray name70(70, 'N');
    // 100.50 a piece, 1.000 pieces, discount kind 7 of amount kind 9, 5.00, fiscal 1, section 3.
    const CommandSendInfo info = c.sendRegPostionCommand(
        name70, money(10050), quantity(1000), 7, money(500), 9, 1, 3, "123", false);
    QCOMPARE(info.cmdCode, quint8(0xE6));
    const QByteArray record = sent.at(0).at(1).toByteArray();
    QCOMPARE(record.left(6).toHex(), QByteArray("c102020000e6"));
    const QByteArray position = record.mid(6);
    QCOMPARE(position.size(), 103);
    QCOMPARE(position.at(0), '\0');
    QCOMPARE(position.mid(1, 64), QByteArray(64, 'N')); // 70 cut to 64
    QCOMPARE(position.mid(65, 6).toHex(), QByteArray("000000010050"));
    QCOMPARE(position.mid(71, 5).toHex(), QByteArray("0000001000"));
    QCOMPARE(int(position.at(76)), 9); // amount kind first
    QCOMPARE(int(position.at(77)), 7);
    QCOMPARE(position.mid(78, 6).toHex(), QByteArray("000000000500"));
    QCOMPARE(int(position.at(84)), 1);
    QCOMPARE(int(position.at(85)), 3);
    QCOMPARE(position.mid(86, 16), QByteArray("123") + QByteArray(13, '\0'));
    QCOMPARE(position.at(102), '\0');

    // A short name is padded, a long barcode cut, and cancel changes only the code.
    FrCommandsController c2;
    QSignalSpy sent2(&c2, &FrCommandsController::needSendCommand);
    const CommandSendInfo cancel = c2.sendRegPostionCommand(
        "AB", money(1), quantity(1), 0, money(0), 0, 0, 0, QByteArray(20, '7'), true);
    QCOMPARE(cancel.cmdCode, quint8(0xE7));
    const QByteArray p2 = sent2.at(0).at(1).toByteArray().mid(6);
    QCOMPARE(p2.size(), 103);
    QCOMPARE(p2.mid(1, 64), QByteArray("AB") + QByteArray(62, '\0'));
    QCOMPARE(p2.mid(86, 16), QByteArray(16, '7'));
    QCOMPARE(sent2.at(0).at(1).toByteArray().at(5), char(0xE7));
}

void TestCommandSet::setModePassword_data()
{
    QTest::addColumn<QByteArray>("stored"); // empty: no settings file
    QTest::addColumn<QByteArray>("bcd");
    QTest::newRow("default 47") << QByteArray() << QByteArray::fromHex("00000047");
    QTest::newRow("eight digits") << QByteArray("12345678") << QByteArray::fromHex("12345678");
    QTest::newRow("short") << QByteArray("30") << QByteArray::fromHex("00000030");
    QTest::newRow("unreadable counts as 0") << QByteArray("pw") << QByteArray::fromHex("00000000");
}

void TestCommandSet::setModePassword()
{
    QFETCH(QByteArray, stored);
    QFETCH(QByteArray, bcd);
    if (!stored.isEmpty())
        QVERIFY(m_profile->writeConfig(
            QStringLiteral("orvacfgports.conf"), "[FRPORTSETTINGS]\nfrConnPwd=" + stored + "\n"));
    FrCommandsController c;
    QSignalSpy sent(&c, &FrCommandsController::needSendCommand);
    c.sendSetModeCommand(4);
    QCOMPARE(sent.at(0).at(1).toByteArray().mid(5).toHex(), (QByteArray("\x56\x04") + bcd).toHex());
}

void TestCommandSet::tlv_data()
{
    QTest::addColumn<int>("tag");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<bool>("topLevel");
    QTest::addColumn<QByteArray>("tlv");
    // 1008 = 0x03F0, 1226 = 0x04CA; tag and length least significant byte first.
    QTest::newRow("top level") << 1008 << QByteArray("a@b") << true
                               << QByteArray::fromHex("000100f0030300614062");
    QTest::newRow("nested") << 1226 << QByteArray("123") << false
                            << QByteArray::fromHex("ca040300313233");
    QTest::newRow("nested empty") << 1 << QByteArray() << false << QByteArray::fromHex("01000000");
    QTest::newRow("300 bytes") << 1084 << QByteArray(300, 'x') << false
                               << QByteArray::fromHex("3c042c01") + QByteArray(300, 'x');
}

void TestCommandSet::tlv()
{
    QFETCH(int, tag);
    QFETCH(QByteArray, value);
    QFETCH(bool, topLevel);
    QFETCH(QByteArray, tlv);
    QCOMPARE(FrCommandsController::buildTlv(quint16(tag), value, topLevel).toHex(), tlv.toHex());
}

void TestCommandSet::identifiersNeverZero()
{
    FrCommandsController c;
    QList<quint8> tids;
    for (int i = 0; i < 3 * 222; ++i)
        tids << c.sendCheckCancelCommand();
    QCOMPARE(int(tids.at(0)), 2);
    QCOMPARE(int(tids.at(220)), 222);
    QCOMPARE(int(tids.at(221)), 1); // the 222nd command
    for (const quint8 t : qAsConst(tids))
        QVERIFY(t >= 1 && t <= 222);
    // One frame identifier per task as well.
    QCOMPARE(int(c.nextFrameId()), (3 * 222 + 1) % 222 + 1);
}

QTEST_GUILESS_MAIN(TestCommandSet)
#include "tst_commandset.moc"
