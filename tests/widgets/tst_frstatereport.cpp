#include "fixnumber.h"
#include "frcorefullstate.h"
#include "frstatereport.h"
#include "regdata.h"

#include <QtTest>

#include <functional>

using fiscal::RegData;

// The storage status is changed apart and set back into the state afterwards.
typedef std::function<void(core::FrCoreFullState &, fiscal::FsStatus &)> StateChange;
Q_DECLARE_METATYPE(StateChange)

namespace {

// What the state view shows, label by label.
QMap<QString, QString> valuesByLabel(const QList<FrStateReport::Row> &rows)
{
    QMap<QString, QString> map;
    for (const FrStateReport::Row &row : rows)
        map.insert(row.label, row.value);
    return map;
}

// A register with every part of its state filled in.
void fullState(core::FrCoreFullState &state, RegData &reg)
{
    const QDateTime at(QDate(2025, 1, 15), QTime(10, 0));
    state.setDt(QDateTime(QDate(2025, 3, 1), QTime(12, 30, 5)));
    state.setSerial(QStringLiteral("17000001"));
    state.setCashboxVersion(QStringLiteral("3.1.1234"));
    state.setRegNumber(QStringLiteral("0000000001012345"));
    state.setCash(qt5ext::FixNumber(100, qint64(1234567)));
    state.setCycle(5);
    state.setCycleOpened(QDateTime(QDate(2025, 3, 1), QTime(9, 0)));
    state.setCycleClosed(QDateTime(QDate(2025, 2, 28), QTime(21, 0)));
    state.setLastCheckNumber(12);
    fiscal::FsStatus fs;
    fs.setFsNumber(QStringLiteral("9999078900012345"));
    fs.setFsVersion(QStringLiteral("FN-1.1"));
    fs.setFiscalized(true);
    fs.setCycleIsOpen(true);
    fs.setLastDocNumber(42);
    fs.setLastDocDt(at);
    fiscal::FsLifeTime life;
    life.setExpirationDt(QDate(2028, 1, 15));
    life.setAvailableRegistrations(11);
    life.setCompletedRegistrations(1);
    fs.setLifeTime(life);
    state.setFsStatus(fs);

    reg.setRegDate(at);
    reg.setUserName(QStringLiteral("ООО \"Ромашка\""));
    reg.setUserInn(QStringLiteral("7707083893"));
    reg.setUserEMail(QStringLiteral("kkt@romashka.ru"));
    reg.setAgentFlags(0x41);
    reg.setCashboxRegistrationFlags(RegData::FlagEncryption | RegData::FlagAutomat);
    reg.setTaxes(0x03);
    reg.setBoxId(QStringLiteral("A-17"));
    reg.setCashier(QStringLiteral("Иванов И.И."));
    reg.setCashierInn(QStringLiteral("500100732259"));
    reg.setPaymentAddress(QStringLiteral("Москва, ул. Ленина, 1"));
    reg.setPaymentPlace(QStringLiteral("Магазин"));
    reg.setOfdName(QStringLiteral("ООО \"Такском\""));
    reg.setOfdInn(QStringLiteral("7704211201"));
    reg.setFnsSite(QStringLiteral("www.nalog.gov.ru"));
    reg.setFsNumber(QStringLiteral("9999078900012346"));
}

// The first, one middle and the last row of each conditional block.
const QStringList REGISTRATION_LABELS
    = { "Cashbox reg data", "Reg number", "Tax systems", "Registered with fs" };
const QStringList SHIFT_LABELS = { "Cycle data", "Cycle number", "Opened", "Cash" };

} // namespace

// The rows of the state view, built from the fiscal core's full state and the registration.
class TestFrStateReport : public QObject
{
    Q_OBJECT
private slots:
    void fullStateInOrder();
    void stateRows_data();
    void stateRows();
};

// Faults: rows out of their order, a field shown under another label, dates not in ISO
// form, masks and flags not named by their templates, a section row with a value.
void TestFrStateReport::fullStateInOrder()
{
    core::FrCoreFullState state;
    RegData reg;
    fullState(state, reg);
    QStringList shown;
    for (const FrStateReport::Row &row : FrStateReport::rows(state, reg))
        shown << (row.section ? QStringLiteral("[%1]").arg(row.label)
                              : row.label + " = " + row.value);
    const QStringList expected = { "Dt = 2025-03-01T12:30:05", "Serial number = 17000001",
        "Cashbox version = 3.1.1234", "[Cashbox reg data]", "Reg number = 0000000001012345",
        "Reg date = 2025-01-15T10:00:00", "User name = ООО \"Ромашка\"", "User Inn = 7707083893",
        "User e-mail = kkt@romashka.ru", "Agent flags = БАНК. ПЛ. АГЕНТ, АГЕНТ",
        "Cashbox reg flags = признак автоматического режима, признак шифрования",
        "Tax systems = ОСН, УСН доход", "Box id = A-17", "Reg cashier name = Иванов И.И.",
        "Reg cashier inn = 500100732259", "Payment address = Москва, ул. Ленина, 1",
        "Payment place = Магазин", "Ofd name = ООО \"Такском\"", "Ofd inn = 7704211201",
        "Fns site = www.nalog.gov.ru", "Registered with fs = 9999078900012346", "[Fs data]",
        "Fs number = 9999078900012345", "Fs version = FN-1.1", "Fs phase = Fiscalized",
        "Cycle = Opened", "Last document = # 42 [2025-01-15T10:00:00]",
        "Available registrations = 11", "Complete registrations = 1",
        "Expiration date = 2028-01-15", "Offline docs count = 0", "[Cycle data]",
        "Cycle number = 5", "Opened = 2025-03-01T09:00:00", "Cycle Closed = 2025-02-28T21:00:00",
        "Last check = 12", "Cash = 12345.67" };
    QCOMPARE(shown, expected);
}

// Faults: sections shown without their condition, warning or flag names in another order,
// a closed shift without a valid date shown as an empty or invalid date.
void TestFrStateReport::stateRows_data()
{
    QTest::addColumn<StateChange>("change");
    QTest::addColumn<QStringList>("absent");
    QTest::addColumn<QVariantMap>("values");

    const auto row
        = [](const char *name, const QStringList &absent, const QVariantMap &values,
              const StateChange &change) { QTest::newRow(name) << change << absent << values; };
    using S = core::FrCoreFullState;
    using F = fiscal::FsStatus;
    row("no registration number", REGISTRATION_LABELS,
        { { "Fs number", "9999078900012345" }, { "Cycle number", "5" } },
        [](S &s, F &) { s.setRegNumber(QString()); });
    row("shift 0", SHIFT_LABELS, { { "Reg number", "0000000001012345" } },
        [](S &s, F &) { s.setCycle(0); });
    row("no fiscal storage", { "Fs data", "Fs number", "Fs phase", "Cycle", "Offline docs count" },
        { { "Cycle number", "5" } }, [](S &, F &f) { f.setFsNumber({}); });
    row("every warning", {},
        { { "Warnings", "Critical eeror, 30 days, 3 days, Ofd timeout, Overflow" } },
        [](S &, F &f) { f.setWarnings(0x8F); });
    row("closed shift date invalid", {}, { { "Cycle Closed", "Opened" } },
        [](S &s, F &) { s.setCycleClosed(QDateTime()); });
    row("storage closed, shift closed, document open", {},
        { { "Fs phase", "Closed" }, { "Cycle", "Cycle Closed" },
            { "Has document data", "Has document data" } },
        [](S &, F &f) {
            f.setClosed(true);
            f.setCycleIsOpen(false);
            f.setHasDocumentData(true);
        });
    row("storage not fiscalized", {}, { { "Fs phase", "Not fiscalized" } },
        [](S &, F &f) { f.setFiscalized(false); });
    row("offline documents", {},
        { { "Offline docs count", "3" }, { "First offline doc", "17" },
            { "First offline doc date", "2025-02-20T08:15:00" } },
        [](S &, F &f) {
            fiscal::FsTransportState t;
            t.setOfflineDocsCount(3);
            t.setFirstDocNumber(17);
            t.setFirstDocDt(QDateTime(QDate(2025, 2, 20), QTime(8, 15)));
            f.setTransportState(t);
        });
}

void TestFrStateReport::stateRows()
{
    QFETCH(StateChange, change);
    QFETCH(QStringList, absent);
    QFETCH(QVariantMap, values);

    core::FrCoreFullState state;
    RegData reg;
    fullState(state, reg);
    fiscal::FsStatus fs = state.fsStatus();
    change(state, fs);
    state.setFsStatus(fs);
    const QMap<QString, QString> shown = valuesByLabel(FrStateReport::rows(state, reg));
    for (const QString &label : absent)
        QVERIFY2(!shown.contains(label), qPrintable(label));
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        QCOMPARE(shown.value(it.key(), QStringLiteral("<no row>")), it.value().toString());
}

QTEST_APPLESS_MAIN(TestFrStateReport)
#include "tst_frstatereport.moc"
