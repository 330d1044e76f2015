#include "fiscalcorefixture.h"
#include "fixnumber.h"
#include "frcoreexternalapi.h"
#include "frstatereport.h"
#include "mainwindow.h"
#include "ofdserversettingswidget.h"
#include "recordingprompts.h"
#include "regdata.h"
#include "servicefrstatewidget.h"
#include "servicemodecommonwidget.h"
#include "sharedobjectsstorage.h"
#include "waitmessagewidget.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTableView>
#include <QtTest>

#include <functional>

using core::OfdSettings;
using fiscal::RegData;

typedef std::function<void(core::FrCoreFullState &, RegData &)> StateChange;
Q_DECLARE_METATYPE(StateChange)

namespace {

const OfdSettings SERVICE_OFD(
    QStringLiteral("ofd.example.test"), 21101, QStringLiteral("https://check.example.test"), 2500);

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
    reg.setFsNumber(QStringLiteral("9999078900012345"));
}

void setFs(core::FrCoreFullState &state, const std::function<void(fiscal::FsStatus &)> &change)
{
    fiscal::FsStatus fs = state.fsStatus();
    change(fs);
    state.setFsStatus(fs);
}

const QStringList REGISTRATION_LABELS = { "Cashbox reg data", "Reg number", "Reg date", "User name",
    "User Inn", "User e-mail", "Agent flags", "Cashbox reg flags", "Tax systems", "Box id",
    "Reg cashier name", "Reg cashier inn", "Payment address", "Payment place", "Ofd name",
    "Ofd inn", "Fns site", "Registered with fs" };
const QStringList SHIFT_LABELS
    = { "Cycle data", "Cycle number", "Opened", "Cycle Closed", "Last check", "Cash" };

} // namespace

class TestServicePages : public QObject, private FiscalCoreFixture
{
    Q_OBJECT
private slots:
    void initTestCase() { setUpRoot(); }
    void cleanupTestCase() { tearDownRoot(); }
    void init();
    void cleanup() { tearDownService(); }

    void reloadFillsForm();
    void saveSendsFormOverLastRead_data();
    void saveSendsFormOverLastRead();
    void saveBeforeFirstReloadSendsNothing();
    void portAbove16BitsIsNotSent();
    void serviceDown_data();
    void serviceDown();
    void setByInn_data();
    void setByInn();

    void stateView();
    void stateRowOrder();
    void stateRows_data();
    void stateRows();

private:
    ServiceModeCommonWidget *common() const
    {
        return child<ServiceModeCommonWidget>("wgtServiceCommon");
    }
    ServiceFrStateWidget *stateWidget() const
    {
        return child<ServiceFrStateWidget>("wgtServiceState");
    }
    void openServiceTab(int index);
    void click(const char *button)
    {
        QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton);
    }
    OfdSettings formSettings() const;
    void checkPrompt(UserPrompts::Kind kind, const QString &title, const QString &text);
};

void TestServicePages::init()
{
    setUpService();
    QVERIFY(checker()->setOfdSettings(SERVICE_OFD));
}

void TestServicePages::openServiceTab(int index)
{
    child<QPushButton>("pbServiceMode")->click();
    child<QTabWidget>("serviceModTabs")->setCurrentIndex(index);
    QCOMPARE(child<QTabWidget>("serviceModTabs")->currentIndex(), index);
}

OfdSettings TestServicePages::formSettings() const
{
    return OfdSettings(child<QLineEdit>("leServer")->text(),
        quint16(child<QSpinBox>("sbPort")->value()), child<QLineEdit>("lePrefix")->text(),
        quint16(child<QSpinBox>("sbInterval")->value()));
}

void TestServicePages::checkPrompt(
    UserPrompts::Kind kind, const QString &title, const QString &text)
{
    QCOMPARE(m_prompts->count(), 1);
    QCOMPARE(UserPrompts::kindName(m_prompts->last().kind), UserPrompts::kindName(kind));
    QCOMPARE(m_prompts->last().title, title);
    QCOMPARE(m_prompts->last().text, text);
}

// Faults: the tab left disabled after "Обновить", fields read into the wrong boxes (port
// and interval are both numbers), a modal overlay or one left on screen.
void TestServicePages::reloadFillsForm()
{
    openServiceTab(0);
    QVERIFY(!common()->isEnabled());
    QVERIFY(child<QLineEdit>("leServer")->text().isEmpty());
    QStringList overlays;
    connect(common()->ofdSettingsWidget()->api(), &core::FrcoreExternalApi::sendCommand, this, [&] {
        WaitMessageWidget *wait = m_window->waitWidget();
        overlays << (wait && wait->isVisible() && !wait->isModal() ? wait->text() : QString());
    });

    click("pbServiceModeReload");
    QVERIFY(common()->isEnabled());
    QVERIFY(formSettings() == SERVICE_OFD);
    QVERIFY(common()->ofdSettingsWidget()->settings() == SERVICE_OFD);
    QCOMPARE(overlays, QStringList { QStringLiteral("Loading ofd settings") });
    QVERIFY(!m_window->waitWidget());
    QCOMPARE(m_prompts->count(), 0);

    auto *channel = child<QComboBox>("cbChannel");
    QCOMPARE(channel->count(), 4);
    QCOMPARE(channel->itemText(3), QStringLiteral("GSM modem"));
    QCOMPARE(channel->itemData(3).toInt(), 4);
}

// Faults: a form field saved into another member of the settings, the save starting from
// default settings instead of those last read, or the form not read back after the save.
void TestServicePages::saveSendsFormOverLastRead_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<OfdSettings>("expected");

    OfdSettings s = SERVICE_OFD;
    s.setAddress(QStringLiteral("kkt.ofd.ru"));
    QTest::newRow("server") << "leServer" << QVariant(QStringLiteral("kkt.ofd.ru")) << s;
    s = SERVICE_OFD;
    s.setPort(65535);
    QTest::newRow("port") << "sbPort" << QVariant(65535) << s;
    s = SERVICE_OFD;
    s.setUrl(QStringLiteral("https://check.ofd.ru"));
    QTest::newRow("prefix") << "lePrefix" << QVariant(QStringLiteral("https://check.ofd.ru")) << s;
    s = SERVICE_OFD;
    s.setQueryInterval(60000);
    QTest::newRow("interval") << "sbInterval" << QVariant(60000) << s;
    QTest::newRow("channel only") << "cbChannel" << QVariant(2) << SERVICE_OFD;
}

void TestServicePages::saveSendsFormOverLastRead()
{
    QFETCH(QString, field);
    QFETCH(QVariant, value);
    QFETCH(OfdSettings, expected);

    openServiceTab(0);
    click("pbServiceModeReload");
    QWidget *w = child<QWidget>(qPrintable(field));
    if (auto *line = qobject_cast<QLineEdit *>(w))
        line->setText(value.toString());
    else if (auto *spin = qobject_cast<QSpinBox *>(w))
        spin->setValue(value.toInt());
    else
        qobject_cast<QComboBox *>(w)->setCurrentIndex(value.toInt());

    click("pbServiceModSave");
    QCOMPARE(m_prompts->count(), 0);
    OfdSettings stored;
    QVERIFY(checker()->getOfdSettings(stored));
    QVERIFY(stored == expected);
    QVERIFY(formSettings() == expected);
    QVERIFY(!m_window->waitWidget());
}

// Fault: "Записать" on a tab never loaded sending its empty form over the service's settings.
void TestServicePages::saveBeforeFirstReloadSendsNothing()
{
    openServiceTab(0);
    click("pbServiceModSave");
    OfdSettings stored;
    QVERIFY(checker()->getOfdSettings(stored));
    QVERIFY(stored == SERVICE_OFD);
    QVERIFY(!common()->isEnabled());
    QCOMPARE(m_prompts->count(), 0);
}

// Fault: a port the 16-bit setting cannot hold cut down to another, valid-looking port.
void TestServicePages::portAbove16BitsIsNotSent()
{
    openServiceTab(0);
    click("pbServiceModeReload");
    child<QSpinBox>("sbPort")->setValue(70000);
    QCOMPARE(child<QSpinBox>("sbPort")->value(), 70000);
    click("pbServiceModSave");
    checkPrompt(UserPrompts::Warning, QStringLiteral("Внимание"),
        QStringLiteral("Порт сервера ОФД должен быть от 0 до 65535"));
    OfdSettings stored;
    QVERIFY(checker()->getOfdSettings(stored));
    QVERIFY(stored == SERVICE_OFD);
    QCOMPARE(child<QSpinBox>("sbPort")->value(), 70000);
}

// Faults: a service that is gone or silent reported with no box or the wrong one, the form
// or the state table cleared by the failure, the overlay left on screen.
void TestServicePages::serviceDown_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("silent");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");

    const QString loading = QStringLiteral("Settings loading timeout. Check services are started.");
    const QString saving = QStringLiteral("Settings saving timeout. Check services are started.");
    const QString state = QStringLiteral("Cashbox state request timeout");
    QTest::newRow("load, stopped") << "load" << false << "Ofd settings loading" << loading;
    QTest::newRow("load, silent") << "load" << true << "Ofd settings loading" << loading;
    QTest::newRow("save, stopped") << "save" << false << "Ofd settings saving" << saving;
    QTest::newRow("save, silent") << "save" << true << "Ofd settings saving" << saving;
    QTest::newRow("state, stopped") << "state" << false << "Cashbox state request" << state;
    QTest::newRow("state, silent") << "state" << true << "Cashbox state request" << state;
}

void TestServicePages::serviceDown()
{
    QFETCH(QString, action);
    QFETCH(bool, silent);
    QFETCH(QString, title);
    QFETCH(QString, text);

    // A silent service holds every answer back longer than the pages wait for it; the page
    // is filled first with the default wait.
    if (silent)
        startService({ QStringLiteral("--bus-delay"), QStringLiteral("800") });
    core::FrcoreExternalApi *api = action == QLatin1String("state")
        ? stateWidget()->api()
        : common()->ofdSettingsWidget()->api();
    if (action == QLatin1String("state")) {
        openServiceTab(2);
        click("pbGetState");
        QVERIFY(stateWidget()->model()->rowCount() > 10);
    } else {
        openServiceTab(0);
        click("pbServiceModeReload");
        child<QLineEdit>("leServer")->setText(QStringLiteral("edited.example.test"));
    }
    if (silent)
        api->setTimeout(150);
    QCOMPARE(m_prompts->count(), 0);
    const int rows = stateWidget()->model()->rowCount();
    const QString firstValue = stateWidget()->model()->item(0, 1)
        ? stateWidget()->model()->item(0, 1)->text()
        : QString();
    if (!silent)
        stopService();

    if (action == QLatin1String("state"))
        click("pbGetState");
    else
        click(action == QLatin1String("load") ? "pbServiceModeReload" : "pbServiceModSave");

    checkPrompt(UserPrompts::Critical, title, text);
    QCOMPARE(child<QLineEdit>("leServer")->text(),
        action == QLatin1String("state") ? QString() : QStringLiteral("edited.example.test"));
    QCOMPARE(stateWidget()->model()->rowCount(), rows);
    if (rows)
        QCOMPARE(stateWidget()->model()->item(0, 1)->text(), firstValue);
    QVERIFY(!m_window->waitWidget());
}

// Faults: the INN compared untrimmed, an unknown operator or missing registration data
// clearing the form, the chosen settings sent at once, or the next save starting from the
// settings read before instead of those chosen.
void TestServicePages::setByInn_data()
{
    QTest::addColumn<bool>("registered");
    QTest::addColumn<QString>("ofdInn");
    QTest::addColumn<OfdSettings>("expected");

    QTest::newRow("known operator")
        << true << "7704358518" << OfdSettings::SUPPORTED_OFD.value(QStringLiteral("7704358518"));
    QTest::newRow("padded with spaces")
        << true << " 7841465198 " << OfdSettings::SUPPORTED_OFD.value(QStringLiteral("7841465198"));
    QTest::newRow("unknown operator") << true << "7707083893" << SERVICE_OFD;
    QTest::newRow("not registered") << false << QString() << SERVICE_OFD;
}

void TestServicePages::setByInn()
{
    QFETCH(bool, registered);
    QFETCH(QString, ofdInn);
    QFETCH(OfdSettings, expected);

    restartWithState([&](QJsonObject &state) {
        QJsonObject registration = state.value(QStringLiteral("registration")).toObject();
        registration.insert(QStringLiteral("ofdInn"), ofdInn);
        state.insert(QStringLiteral("registration"), registration);
        state.insert(QStringLiteral("fiscalized"), registered);
    });
    openServiceTab(0);
    click("pbServiceModeReload");
    QVERIFY(formSettings() == SERVICE_OFD);
    // The registration data reach the page through the bus controller's own fetch.
    auto sharedOfdInn = [] {
        bus::AppBusObject object;
        if (!bus::SharedObjectsStorage::get(RegData::BUS_OBJECT_NAME, object))
            return QStringLiteral("<none>");
        return object.content().value(QStringLiteral("ofdInn")).toString();
    };
    QTRY_COMPARE_WITH_TIMEOUT(sharedOfdInn(), ofdInn, LONG_WAIT_MS);
    if (!registered)
        bus::SharedObjectsStorage::remove(RegData::BUS_OBJECT_NAME);

    click("pbFromInn");
    QVERIFY(formSettings() == expected);
    QCOMPARE(m_prompts->count(), 0);
    OfdSettings stored;
    QVERIFY(checker()->getOfdSettings(stored));
    QVERIFY(stored == SERVICE_OFD);

    // Only the port changes by hand; everything else comes from the operator table.
    child<QSpinBox>("sbPort")->setValue(7000);
    click("pbServiceModSave");
    QVERIFY(checker()->getOfdSettings(stored));
    expected.setPort(7000);
    QVERIFY(stored == expected);
}

// Faults: the registration data not taken from the bus's shared objects, section rows not
// told apart by colour, a second request appending to the first, the table editable.
void TestServicePages::stateView()
{
    openServiceTab(2);
    QVERIFY(!child<QPushButton>("pbServiceModSave")->isVisible());
    QVERIFY(!child<QPushButton>("pbServiceModeReload")->isVisible());
    // Loading the registration data through the bus leaves it in the shared objects, as the
    // bus controller's own fetch does.
    QVariantMap content;
    QVERIFY(checker()->load(RegData::BUS_OBJECT_NAME, content));
    RegData reg;
    QVERIFY(reg.setMap(content));
    QVERIFY(!reg.userName().isEmpty());

    click("pbGetState");
    click("pbGetState");
    QStandardItemModel *model = stateWidget()->model();
    QCOMPARE(model->columnCount(), 2);
    QCOMPARE(model->horizontalHeaderItem(0)->text(), QStringLiteral("Name"));
    QCOMPARE(model->horizontalHeaderItem(1)->text(), QStringLiteral("Value"));
    QMap<QString, int> rowOf;
    for (int r = 0; r < model->rowCount(); ++r) {
        QVERIFY2(!rowOf.contains(model->item(r, 0)->text()), "a row repeats: rebuilt twice?");
        rowOf.insert(model->item(r, 0)->text(), r);
        const bool section = model->item(r, 1)->text().isEmpty()
            && QStringList({ "Cashbox reg data", "Fs data", "Cycle data" })
                   .contains(model->item(r, 0)->text());
        for (int c = 0; c < 2; ++c) {
            QCOMPARE(
                model->item(r, c)->background().color(), QColor(section ? Qt::gray : Qt::white));
            QVERIFY(!(model->item(r, c)->flags() & Qt::ItemIsEditable));
        }
    }
    auto value = [&](const char *label) {
        return rowOf.contains(QLatin1String(label))
            ? model->item(rowOf.value(QLatin1String(label)), 1)->text()
            : QStringLiteral("<no row>");
    };
    QCOMPARE(model->item(0, 0)->text(), QStringLiteral("Dt"));
    QCOMPARE(value("Serial number"), QStringLiteral("17000001"));
    QVERIFY(rowOf.contains(QStringLiteral("Cashbox reg data")));
    QCOMPARE(value("User name"), reg.userName());
    QCOMPARE(value("Ofd inn"), reg.ofdInn());
    QCOMPARE(value("Reg date"), reg.regDate().toString(Qt::ISODate));
    QCOMPARE(value("Fs number"), QStringLiteral("9999078900012345"));
    QCOMPARE(value("Fs phase"), QStringLiteral("Fiscalized"));

    auto *view = child<QTableView>("tvState");
    QCOMPARE(view->verticalHeader()->defaultSectionSize(), ServiceFrStateWidget::ROW_HEIGHT);
    QCOMPARE(view->selectionBehavior(), QAbstractItemView::SelectRows);
    QCOMPARE(view->selectionMode(), QAbstractItemView::SingleSelection);
    QCOMPARE(m_prompts->count(), 0);
}

// Fault: rows out of their order, or a section row with a value.
void TestServicePages::stateRowOrder()
{
    core::FrCoreFullState state;
    RegData reg;
    fullState(state, reg);
    QStringList labels;
    QStringList sections;
    for (const FrStateReport::Row &row : FrStateReport::rows(state, reg)) {
        labels << row.label;
        if (row.section) {
            sections << row.label;
            QVERIFY(row.value.isEmpty());
        }
    }
    const QStringList expected = QStringList { "Dt", "Serial number", "Cashbox version" }
        + REGISTRATION_LABELS
        + QStringList { "Fs data", "Fs number", "Fs version", "Fs phase", "Cycle", "Last document",
              "Available registrations", "Complete registrations", "Expiration date",
              "Offline docs count" }
        + SHIFT_LABELS;
    QCOMPARE(labels, expected);
    QCOMPARE(sections, QStringList({ "Cashbox reg data", "Fs data", "Cycle data" }));
}

// Faults: sections shown without their condition, warning or flag names in another order,
// a closed shift without a valid date shown as an empty or invalid date.
void TestServicePages::stateRows_data()
{
    QTest::addColumn<StateChange>("change");
    QTest::addColumn<QStringList>("absent");
    QTest::addColumn<QVariantMap>("values");

    const QStringList none;
    using S = core::FrCoreFullState;
    QTest::newRow("full")
        << StateChange([](S &, RegData &) {})
        << QStringList { "Warnings", "Has document data", "First offline doc" }
        << QVariantMap { { "Dt", "2025-03-01T12:30:05" }, { "Reg date", "2025-01-15T10:00:00" },
               { "Agent flags", "БАНК. ПЛ. АГЕНТ, АГЕНТ" }, { "Tax systems", "ОСН, УСН доход" },
               { "Cashbox reg flags", "признак автоматического режима, признак шифрования" },
               { "Fs phase", "Fiscalized" }, { "Cycle", "Opened" },
               { "Last document", "# 42 [2025-01-15T10:00:00]" },
               { "Expiration date", "2028-01-15" }, { "Cycle Closed", "2025-02-28T21:00:00" },
               { "Cash", "12345.67" }, { "Registered with fs", "9999078900012345" } };
    QTest::newRow("no registration number")
        << StateChange([](S &s, RegData &) { s.setRegNumber(QString()); }) << REGISTRATION_LABELS
        << QVariantMap { { "Fs number", "9999078900012345" }, { "Cycle number", "5" } };
    QTest::newRow("shift 0") << StateChange([](S &s, RegData &) { s.setCycle(0); }) << SHIFT_LABELS
                             << QVariantMap { { "Reg number", "0000000001012345" } };
    QTest::newRow("no fiscal storage") << StateChange([](S &s, RegData &) {
        setFs(s, [](fiscal::FsStatus &f) { f.setFsNumber({}); });
    }) << QStringList { "Fs data", "Fs number", "Fs phase", "Cycle", "Offline docs count" }
                                       << QVariantMap { { "Cycle number", "5" } };
    QTest::newRow("warnings 0x81") << StateChange([](S &s, RegData &) {
        setFs(s, [](fiscal::FsStatus &f) { f.setWarnings(0x81); });
    }) << none << QVariantMap { { "Warnings", "Critical eeror, 3 days" } };
    QTest::newRow("every warning")
        << StateChange(
               [](S &s, RegData &) { setFs(s, [](fiscal::FsStatus &f) { f.setWarnings(0x8F); }); })
        << none
        << QVariantMap { { "Warnings", "Critical eeror, 30 days, 3 days, Ofd timeout, Overflow" } };
    QTest::newRow("closed shift date invalid")
        << StateChange([](S &s, RegData &) { s.setCycleClosed(QDateTime()); }) << none
        << QVariantMap { { "Cycle Closed", "Opened" } };
    QTest::newRow("every registration flag")
        << StateChange([](S &, RegData &r) { r.setCashboxRegistrationFlags(0x3FF); }) << none
        << QVariantMap { { "Cashbox reg flags",
               "признак автоматического режима, признак АС БСО, "
               "признак торговли подакцизными товарами, признак установки принтера в автомате, "
               "признак проведения азартных игр, признак ККТ для расчетов только в Интернет, "
               "признак проведения лотереи, признак автономного режима, "
               "признак расчетов за услуги, признак шифрования" } };
    QTest::newRow("storage closed, shift closed, document open")
        << StateChange([](S &s, RegData &) {
               setFs(s, [](fiscal::FsStatus &f) {
                   f.setClosed(true);
                   f.setCycleIsOpen(false);
                   f.setHasDocumentData(true);
               });
           })
        << none
        << QVariantMap { { "Fs phase", "Closed" }, { "Cycle", "Cycle Closed" },
               { "Has document data", "Has document data" } };
    QTest::newRow("storage not fiscalized") << StateChange([](S &s, RegData &) {
        setFs(s, [](fiscal::FsStatus &f) { f.setFiscalized(false); });
    }) << none << QVariantMap { { "Fs phase", "Not fiscalized" } };
    QTest::newRow("offline documents") << StateChange([](S &s, RegData &) {
        setFs(s, [](fiscal::FsStatus &f) {
            fiscal::FsTransportState t;
            t.setOfflineDocsCount(3);
            t.setFirstDocNumber(17);
            t.setFirstDocDt(QDateTime(QDate(2025, 2, 20), QTime(8, 15)));
            f.setTransportState(t);
        });
    }) << none
                                       << QVariantMap { { "Offline docs count", "3" },
                                              { "First offline doc", "17" },
                                              { "First offline doc date", "2025-02-20T08:15:00" } };
}

void TestServicePages::stateRows()
{
    QFETCH(StateChange, change);
    QFETCH(QStringList, absent);
    QFETCH(QVariantMap, values);

    core::FrCoreFullState state;
    RegData reg;
    fullState(state, reg);
    change(state, reg);
    const QMap<QString, QString> shown = valuesByLabel(FrStateReport::rows(state, reg));
    for (const QString &label : absent)
        QVERIFY2(!shown.contains(label), qPrintable(label));
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        QCOMPARE(shown.value(it.key(), QStringLiteral("<no row>")), it.value().toString());
}

QTEST_MAIN(TestServicePages)
#include "tst_servicepages.moc"
