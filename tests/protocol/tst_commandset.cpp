#include "frcommandscontroller.h"
#include "tempprofile.h"

#include <QSignalSpy>
#include <QtTest>

#include <functional>

using qt5ext::FixNumber;
using Ctl = FrCommandsController;

// Runs one builder; the code is 0 for the builders that hand back the TID alone.
using Builder = std::function<CommandSendInfo(Ctl &)>;
Q_DECLARE_METATYPE(Builder)

namespace {

FixNumber rub(qint64 kopecks)
{
    return FixNumber(100, kopecks);
}

} // namespace

class TestCommandSet : public QObject
{
    Q_OBJECT
private slots:
    void init() { m_profile.reset(new TempProfile); }
    void cleanup() { m_profile.reset(); }
    void builders_data();
    void builders();
    void setModePassword_data();
    void setModePassword();
    void identifiersNeverZero();

private:
    QScopedPointer<TempProfile> m_profile;
};

// Every record is the first task of a fresh controller: TID 2 (both counters start at 1), so
// it begins C1 02 02 00 00 and then the command code. The payload bytes were written out by
// hand from the command table: BCD two digits a byte, binary integers in the stated order.
void TestCommandSet::builders_data()
{
    QTest::addColumn<Builder>("builder");
    QTest::addColumn<int>("code");
    QTest::addColumn<QByteArray>("record");

    auto row = [](const char *name, int code, const QByteArray &rest, Builder b) {
        QTest::newRow(name) << b << code << QByteArray::fromHex("c102020000" + rest);
    };
    auto tid = [&row](const char *name, const QByteArray &rest, std::function<quint8(Ctl &)> b) {
        row(name, 0, rest, [b](Ctl &c) {
            CommandSendInfo i;
            i.tid = b(c);
            return i;
        });
    };
    tid("state", "3f", [](Ctl &c) { return c.sendGetFrStateCommand(); });
    row("raw command", 0x11, "110102", [](Ctl &c) { return c.sendFrCommand(0x11, "\x01\x02"); });
    row("money", 0x4D, "4d", [](Ctl &c) { return c.sendGetFrMoneyCommand(); });
    row("cycle money", 0x58, "58", [](Ctl &c) { return c.sendGetFrCycleMoneyCommand(); });
    row("version", 0x9D, "9d01", [](Ctl &c) { return c.sendGetFrVersionCommand(); });
    row("device type", 0xA5, "a5", [](Ctl &c) { return c.sendGetFrDeviceTypeCommand(); });
    row("print last check", 0x95, "95", [](Ctl &c) { return c.sendPrintLastCheckCommand(); });
    // Default connection password "47".
    tid("set mode", "560100000047", [](Ctl &c) { return c.sendSetModeCommand(1); });
    tid("mode exit", "48", [](Ctl &c) { return c.sendModeExitCommand(); });
    tid("read table cell", "4602000304", [](Ctl &c) { return c.sendFrReadTableCell(2, 3, 4); });
    tid("save table cell", "50020003046162",
        [](Ctl &c) { return c.sendFrSaveTableCell(2, 3, 4, "ab"); });
    tid("save empty cell with zero byte", "500200030400",
        [](Ctl &c) { return c.sendFrSaveTableCell(2, 3, 4, {}, true); });
    tid("save empty cell without value", "5002000304",
        [](Ctl &c) { return c.sendFrSaveTableCell(2, 3, 4, {}, false); });
    row("set date 5 March 2024", 0x64, "64050324",
        [](Ctl &c) { return c.sendFrSetDateCommand(QDate(2024, 3, 5)); });
    row("set time", 0x4B, "4b235907",
        [](Ctl &c) { return c.sendFrSetTimeCommand(QTime(23, 59, 7)); });
    row("set time zone", 0xD1, "d10011", [](Ctl &c) { return c.sendFrTimezoneOffset(11); });
    row("get time zone", 0xD2, "d2", [](Ctl &c) { return c.sendFrGetTimezoneOffset(); });
    tid("set requisite", "e8000100f0030300614062",
        [](Ctl &c) { return c.sendFrSetRekvCommand(Ctl::buildTlv(1008, "a@b", true)); });
    tid("activation", "a601", [](Ctl &c) { return c.sendFrActivationCommand(1); });
    tid("check open", "920002", [](Ctl &c) { return c.sendCheckOpenCommand(2); });
    // 123.45 -> 12345 kopecks -> BCD(10) 00 00 01 23 45; payment type defaults to 1.
    tid("check close default payment", "4a00010000012345",
        [](Ctl &c) { return c.sendCheckCloseCommand(rub(12345)); });
    tid("check close payment 4", "4a00040000000007",
        [](Ctl &c) { return c.sendCheckCloseCommand(rub(7), 4); });
    tid("check cancel", "59", [](Ctl &c) { return c.sendCheckCancelCommand(); });
    tid("open cycle", "9a006162", [](Ctl &c) { return c.sendOpenCycleCommand("ab"); });
    tid("close cycle", "5a", [](Ctl &c) { return c.sendCloseCycleCommand(); });
    row("common clear", 0x77, "77", [](Ctl &c) { return c.sendCommonGashCommand(); });
    row("registration report", 0xA8, "a8",
        [](Ctl &c) { return c.sendRegistrationReportCommand(); });
    row("registration report by number", 0xDC, "dc01020304",
        [](Ctl &c) { return c.sendBuildRegReportCommand(0x01020304); });
    row("read tag 1057", 0xE9, "e9210400", [](Ctl &c) { return c.sendReadTagCommand(1057); });
    tid("report without clear", "6702", [](Ctl &c) { return c.sendReportWithoutGashCommand(2); });
    // 50.00 -> 5000 -> 00 00 00 50 00.
    tid("payment", "9900030000005000",
        [](Ctl &c) { return c.sendCheckPaymentCommand(rub(5000), 3); });
    tid("cash in", "49000000100000", [](Ctl &c) { return c.sendIntroductionCommand(rub(100000)); });
    tid("cash out", "4f000000000001", [](Ctl &c) { return c.sendEncashmentCommand(rub(1)); });
    row("close archive", 0xA7, "a7", [](Ctl &c) { return c.sendFnCloseArchiveCommand(); });
    row("document report", 0xAB, "ab1234",
        [](Ctl &c) { return c.sendFdByNumberReportCommand(1234); });
    row("document TLV report", 0xB6, "b60056",
        [](Ctl &c) { return c.sendFdByNumberTLVReportCommand(56); });
    // Flags, name 64 (cut from 70), price BCD(12) 100.50, quantity BCD(10) 1.000, amount kind 9
    // before discount kind 7, discount BCD(12) 5.00, fiscal number 1, section 3, barcode 16,
    // reserved byte.
    row("position", 0xE6,
        "e600" + QByteArray("4e").repeated(64) + "000000010050000000100009070000000005000103313233"
            + QByteArray("00").repeated(14),
        [](Ctl &c) {
            return c.sendRegPostionCommand(QByteArray(70, 'N'), rub(10050),
                FixNumber(1000, qint64(1000)), 7, rub(500), 9, 1, 3, "123", false);
        });
    // A short name is padded with zeros, a long barcode cut; cancel changes only the code.
    row("position cancel", 0xE7,
        "e7004142" + QByteArray("00").repeated(62) + "000000000001000000000100000000000000000000"
            + QByteArray("37").repeated(16) + "00",
        [](Ctl &c) {
            return c.sendRegPostionCommand("AB", rub(1), FixNumber(1000, qint64(1)), 0, rub(0), 0,
                0, 0, QByteArray(20, '7'), true);
        });
    row("storage read", 0xA4, "a4010203",
        [](Ctl &c) { return c.sendFnReadCommand(1, "\x02\x03"); });
    row("register read", 0x91, "910a", [](Ctl &c) { return c.sendRegisterReadCommand(0x0A); });
    tid("factory number", "611234",
        [](Ctl &c) { return c.sendSetFactoryNumberCommand(QStringLiteral("1234")); });
    tid("factory number unreadable", "610000",
        [](Ctl &c) { return c.sendSetFactoryNumberCommand(QStringLiteral("12a")); });
}

void TestCommandSet::builders()
{
    QFETCH(Builder, builder);
    QFETCH(int, code);
    QFETCH(QByteArray, record);

    Ctl c;
    QSignalSpy sent(&c, &Ctl::needSendCommand);
    const CommandSendInfo i = builder(c);
    QCOMPARE(i.tid, quint8(2));
    QCOMPARE(int(i.cmdCode), code);
    QCOMPARE(sent.count(), 1);
    QCOMPARE(sent.at(0).at(0).value<quint8>(), quint8(2));
    QCOMPARE(sent.at(0).at(1).toByteArray().toHex(), record.toHex());
    QCOMPARE(c.bufferSize(), 1);
}

void TestCommandSet::setModePassword_data()
{
    QTest::addColumn<QByteArray>("stored"); // empty: no settings file
    QTest::addColumn<QByteArray>("bcd");
    QTest::newRow("default 47") << QByteArray() << QByteArray::fromHex("00000047");
    QTest::newRow("eight digits") << QByteArray("12345678") << QByteArray::fromHex("12345678");
    QTest::newRow("unreadable counts as 0") << QByteArray("pw") << QByteArray::fromHex("00000000");
}

void TestCommandSet::setModePassword()
{
    QFETCH(QByteArray, stored);
    QFETCH(QByteArray, bcd);
    if (!stored.isEmpty())
        QVERIFY(m_profile->writeConfig(
            QStringLiteral("orvacfgports.conf"), "[FRPORTSETTINGS]\nfrConnPwd=" + stored + "\n"));
    Ctl c;
    QSignalSpy sent(&c, &Ctl::needSendCommand);
    c.sendSetModeCommand(4);
    QCOMPARE(sent.at(0).at(1).toByteArray().mid(5).toHex(), (QByteArray("\x56\x04") + bcd).toHex());
}

void TestCommandSet::identifiersNeverZero()
{
    Ctl c;
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
