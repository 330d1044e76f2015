// The configurator's command buffer controller driving orvaemu over TCP: every command
// builder in its mode and out of it, and the link under injected faults.

#include "emulatorprocess.h"
#include "frcommandscontroller.h"
#include "registerstate.h"
#include "statefile.h"
#include "tempprofile.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

using qt5ext::FixNumber;

namespace {

FixNumber rub(qint64 kopecks)
{
    return FixNumber(100, kopecks);
}

FixNumber qty(qint64 thousandths)
{
    return FixNumber(1000, thousandths);
}

// A task id, whichever way a builder hands it back.
struct Tid
{
    Tid(quint8 t) : tid(t) { }
    Tid(const CommandSendInfo &info) : tid(info.tid) { }
    quint8 tid;
};

// The configurator's controller with orvaemu behind it.
class Rig
{
public:
    explicit Rig(const QStringList &arguments, int answerMs = 2000, int reqMs = 3000)
    {
        m_ok = m_emu.start(arguments);
        if (!m_ok)
            return;
        m_profile.setAtolPort(m_emu.port());
        m_ctl.setAnswerTimeout(answerMs);
        m_ctl.setReqInterval(reqMs);
        QObject::connect(
            &m_ctl, &FrCommandsController::assyncAnswer, [this](quint8 tid, QByteArray ba) {
                m_results[tid] = QString::fromLatin1(ba.toHex());
            });
        QObject::connect(
            &m_ctl, &FrCommandsController::assyncError, [this](quint8 tid, QByteArray ba) {
                m_results[tid] = QStringLiteral("e:") + QString::fromLatin1(ba.toHex());
            });
        QSignalSpy up(&m_ctl, &FrCommandsController::connectState);
        m_ok = m_ctl.start() && up.wait(10000) && up.at(0).at(0).toBool();
    }
    ~Rig() { m_ctl.stop(); }

    bool ok() const { return m_ok; }
    FrCommandsController &ctl() { return m_ctl; }
    EmulatorProcess &emu() { return m_emu; }

    // The answer in hex, "e:" before an error result; "timeout" when nothing came.
    QString run(Tid t)
    {
        if (!QTest::qWaitFor([this, t]() { return m_results.contains(t.tid); }, 10000))
            return QStringLiteral("timeout");
        return m_results.take(t.tid);
    }
    bool must(Tid t) { return run(t) == QLatin1String("550000"); }
    // Drops results nobody waited for, so that a reused TID cannot find an old one.
    void forget() { m_results.clear(); }

    // Into the mode, leaving the current one first as the pages do.
    bool enter(int mode)
    {
        if (mode == m_mode)
            return true;
        if (m_mode != 0 && !must(m_ctl.sendModeExitCommand()))
            return false;
        m_mode = 0;
        if (mode != 0 && !must(m_ctl.sendSetModeCommand(quint8(mode))))
            return false;
        m_mode = mode;
        return true;
    }

private:
    TempProfile m_profile;
    EmulatorProcess m_emu;
    FrCommandsController m_ctl;
    QMap<quint8, QString> m_results;
    int m_mode = 0;
    bool m_ok = false;
};

bool none(Rig &)
{
    return true;
}
bool openReceipt(Rig &r)
{
    return r.enter(1) && r.must(r.ctl().sendCheckOpenCommand(1));
}

bool openReceiptWithItem(Rig &r)
{
    return openReceipt(r)
        && r.must(r.ctl().sendRegPostionCommand(QByteArray("Item"), rub(100), qty(1000), 0, rub(0),
            1, 1, 1, QByteArray("4600001"), false));
}

using Ctl = FrCommandsController;

struct BuilderCase
{
    const char *name;
    int mode; // -1: any mode
    int wrongMode; // -1: none refuses it
    std::function<Tid(Ctl &)> call;
    const char *answer = "^550000$"; // regular expression over the answer in hex
    std::function<bool(Rig &)> setup = none;
};

const BuilderCase BUILDERS[] = {
    // D, cashier 1, hall 1, date and time, flags fiscal + FN, serial, model, version,
    // mode 0, receipt 0, shift 0, no receipt, total 0, 2 places
    { "state", -1, -1, [](Ctl &c) { return c.sendGetFrStateCommand(false); },
        "^440101[0-9]{12}41170000014f0301000000000000000000000002$" },
    { "drawer", -1, -1, [](Ctl &c) { return c.sendGetFrMoneyCommand(); }, "^4d00000000000000$" },
    { "shift totals", -1, -1, [](Ctl &c) { return c.sendGetFrCycleMoneyCommand(); },
        "^5500(00){14}$" },
    { "version", -1, -1, [](Ctl &c) { return c.sendGetFrVersionCommand(); }, "^550003011234$" },
    // Protocol 3, register, model 0x4F, version 3.1.0 build 1234, "ORVA-EMU".
    { "device type", -1, -1, [](Ctl &c) { return c.sendGetFrDeviceTypeCommand(); },
        "^550003014f000003010004d24f5256412d454d55$" },
    { "print last receipt", -1, -1, [](Ctl &c) { return c.sendPrintLastCheckCommand(); },
        "^550000$",
        [](Rig &r) {
            return openReceiptWithItem(r) && r.must(r.ctl().sendCheckCloseCommand(rub(100), 1));
        } },
    { "mode entry", 0, 1, [](Ctl &c) { return c.sendSetModeCommand(2); } },
    { "mode exit", 1, -1, [](Ctl &c) { return c.sendModeExitCommand(); } },
    { "table read", 4, 1, [](Ctl &c) { return c.sendFrReadTableCell(2, 1, 2); }, "^5500(00){28}$" },
    { "table write", 4, 2,
        [](Ctl &c) { return c.sendFrSaveTableCell(3, 1, 2, QByteArray("\x01")); } },
    { "date", 4, 1,
        [](Ctl &c) { return c.sendFrSetDateCommand(QDate::currentDate().addDays(1)); } },
    { "time", 4, 6, [](Ctl &c) { return c.sendFrSetTimeCommand(QTime(23, 59, 0)); } },
    { "time zone set", 4, 3, [](Ctl &c) { return c.sendFrTimezoneOffset(3); } },
    { "time zone get", -1, -1, [](Ctl &c) { return c.sendFrGetTimezoneOffset(); }, "^55000002$" },
    { "requisite", 1, 2,
        [](Ctl &c) {
            return c.sendFrSetRekvCommand(
                Ctl::buildTlv(1008, QByteArray("buyer@example.ru"), true));
        },
        "^550000$", openReceipt },
    { "FN activation", 6, 1, [](Ctl &c) { return c.sendFrActivationCommand(0); }, "^550000$",
        [](Rig &r) { return r.enter(6) && r.must(r.ctl().sendFnCloseArchiveCommand()); } },
    { "open receipt", 1, 3, [](Ctl &c) { return c.sendCheckOpenCommand(1); } },
    { "close receipt", 1, 2, [](Ctl &c) { return c.sendCheckCloseCommand(rub(100)); }, "^550000$",
        openReceiptWithItem },
    { "cancel receipt", 1, 2, [](Ctl &c) { return c.sendCheckCancelCommand(); }, "^550000$",
        openReceipt },
    { "open shift", 1, 2, [](Ctl &c) { return c.sendOpenCycleCommand(QByteArray("Shift")); } },
    { "close shift", 3, 1, [](Ctl &c) { return c.sendCloseCycleCommand(); }, "^550000$",
        [](Rig &r) { return r.enter(1) && r.must(r.ctl().sendOpenCycleCommand(QByteArray())); } },
    { "common clear", 3, 1, [](Ctl &c) { return c.sendCommonGashCommand(); } },
    { "registration report", 6, 2, [](Ctl &c) { return c.sendRegistrationReportCommand(); } },
    { "registration report by number", 6, 1,
        [](Ctl &c) { return c.sendBuildRegReportCommand(1); } },
    // Tag 1018, 10 bytes: the user's INN.
    { "tag read", 6, 1, [](Ctl &c) { return c.sendReadTagCommand(1018); },
        "^5500fa030a0037373031323334353637$" },
    { "report without clearing", 2, 3, [](Ctl &c) { return c.sendReportWithoutGashCommand(1); } },
    { "position", 1, 2,
        [](Ctl &c) {
            return c.sendRegPostionCommand(
                QByteArray("Bread"), rub(4590), qty(2000), 0, rub(0), 1, 1, 1, QByteArray(), false);
        },
        "^550000$", openReceipt },
    { "position cancel", 1, 2,
        [](Ctl &c) {
            return c.sendRegPostionCommand(QByteArray("Item"), rub(100), qty(1000), 0, rub(0), 1, 1,
                1, QByteArray("4600001"), true);
        },
        "^550000$", openReceiptWithItem },
    { "payment", 1, 2, [](Ctl &c) { return c.sendCheckPaymentCommand(rub(100), 1); }, "^550000$",
        openReceiptWithItem },
    { "cash in", 1, 2, [](Ctl &c) { return c.sendIntroductionCommand(rub(100)); } },
    { "cash out", 1, 2, [](Ctl &c) { return c.sendEncashmentCommand(rub(50)); }, "^550000$",
        [](Rig &r) { return r.enter(1) && r.must(r.ctl().sendIntroductionCommand(rub(100))); } },
    { "FN archive close", 6, 1, [](Ctl &c) { return c.sendFnCloseArchiveCommand(); } },
    { "document by number", 6, 1, [](Ctl &c) { return c.sendFdByNumberReportCommand(1); } },
    { "document as TLV", 6, 2, [](Ctl &c) { return c.sendFdByNumberTLVReportCommand(1); } },
    { "FN request", 6, 1,
        [](Ctl &c) { return c.sendFnReadCommand(0x44, QByteArray::fromHex("f903")); } },
    { "register read", -1, -1, [](Ctl &c) { return c.sendRegisterReadCommand(1); },
        "^5500(00){7}$" },
    { "any command", -1, -1, [](Ctl &c) { return c.sendFrCommand(0x91, QByteArray("\x0a")); },
        "^55000000$" },
    // Mode 5 sets the serial number, which a fresh register already has: the row starts
    // from a state without one.
    { "factory number", 5, 4, [](Ctl &c) { return c.sendSetFactoryNumberCommand("1234"); } },
};

} // namespace

class TestEmulatorController : public QObject
{
    Q_OBJECT
private slots:
    void builders_data();
    void builders();
    void lossyLinkNeitherLosesNorDoubles();

private:
    QTemporaryDir m_dir;
};

void TestEmulatorController::builders_data()
{
    QTest::addColumn<int>("row");
    for (int i = 0; i < int(sizeof(BUILDERS) / sizeof(BUILDERS[0])); ++i)
        QTest::newRow(BUILDERS[i].name) << i;
}

void TestEmulatorController::builders()
{
    QFETCH(int, row);
    const BuilderCase &b = BUILDERS[row];
    const QString state = m_dir.filePath(QStringLiteral("builder-%1.json").arg(row));
    if (b.mode == 5) {
        RegisterState s = RegisterState::fresh();
        s.serial = 0;
        QString error;
        QVERIFY(StateFile(state).save(s, &error));
    }
    Rig rig({ "--state", state });
    QVERIFY(rig.ok());
    if (b.wrongMode >= 0) {
        QVERIFY(rig.enter(b.wrongMode));
        QCOMPARE(rig.run(b.call(rig.ctl())), QString("e:556600"));
        QVERIFY(rig.enter(0));
    }
    QVERIFY(b.setup(rig));
    if (b.mode >= 0)
        QVERIFY(rig.enter(b.mode));
    const QString answer = rig.run(b.call(rig.ctl()));
    QVERIFY2(
        QRegularExpression(QLatin1String(b.answer)).match(answer).hasMatch(), qPrintable(answer));
}

void TestEmulatorController::lossyLinkNeitherLosesNorDoubles()
{
    const QString journal = m_dir.filePath("lossy.jsonl");
    Rig rig({ "--drop", "0.1", "--corrupt", "0.05", "--seed", "20240305", "--journal", journal,
                "--log-frames" },
        100, 150);
    QVERIFY(rig.ok());
    Ctl &c = rig.ctl();
    QVERIFY(rig.enter(1));
    const int count = 300;
    QSignalSpy answers(&c, &Ctl::assyncAnswer);
    QSignalSpy errors(&c, &Ctl::assyncError);
    QList<int> issued;
    for (int i = 0; i < count; ++i)
        issued << c.sendIntroductionCommand(rub(100));
    // Every task finishes exactly once, in queue order, under its own TID.
    QTRY_COMPARE_WITH_TIMEOUT(answers.count(), count, 50000);
    QCOMPARE(errors.count(), 0);
    QCOMPARE(c.bufferSize(), 0);
    QList<int> got;
    for (const QList<QVariant> &a : qAsConst(answers)) {
        got << a.at(0).toInt();
        QCOMPARE(a.at(1).toByteArray().toHex(), QByteArray("550000"));
    }
    QCOMPARE(got, issued);
    rig.forget();
    QCOMPARE(rig.run(c.sendGetFrMoneyCommand()), QString("4d00000000030000"));
    QFile f(journal);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll().count("\"type\":\"cashIn\""), count);
    // The faults were really there.
    const QString log = rig.emu().readOutput();
    QVERIFY(log.contains("fault seed 20240305"));
    QVERIFY(log.count("(dropped)") > count / 10);
    QVERIFY(log.count("(corrupted)") > count / 20);
}

QTEST_GUILESS_MAIN(TestEmulatorController)
#include "tst_emulatorcontroller.moc"
