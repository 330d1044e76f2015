#include "buspagetest.h"
#include "frcoreexternalapi.h"
#include "mainwindow.h"
#include "ofdserversettingswidget.h"
#include "regdata.h"
#include "servicefrstatewidget.h"
#include "servicemodecommonwidget.h"
#include "sharedobjectsstorage.h"
#include "waitmessagewidget.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QtTest>

using core::OfdSettings;
using fiscal::RegData;

namespace {

const OfdSettings SERVICE_OFD(
    QStringLiteral("ofd.example.test"), 21101, QStringLiteral("https://check.example.test"), 2500);

} // namespace

class TestServicePages : public BusPageTest
{
    Q_OBJECT
private slots:
    void init() { open(registeredState()); }

    void saveSendsFormOverLastRead_data();
    void saveSendsFormOverLastRead();
    void portAbove16BitsIsNotSent();
    void serviceDown_data();
    void serviceDown();
    void setByInn_data();
    void setByInn();

    void stateView();

private:
    ServiceModeCommonWidget *common() const
    {
        return child<ServiceModeCommonWidget>("wgtServiceCommon");
    }
    ServiceFrStateWidget *stateWidget() const
    {
        return child<ServiceFrStateWidget>("wgtServiceState");
    }
    // A window on a register of the state that keeps the test's operator settings.
    void open(const RegisterState &state)
    {
        closeWindow();
        m_prompts->clear();
        QVERIFY(startService(state));
        QVERIFY(m_checker->setOfdSettings(SERVICE_OFD));
        openWindow();
    }
    void openServiceTab(int index)
    {
        child<QPushButton>("pbServiceMode")->click();
        child<QTabWidget>("serviceModTabs")->setCurrentIndex(index);
        QCOMPARE(child<QTabWidget>("serviceModTabs")->currentIndex(), index);
    }
    void click(const char *button)
    {
        QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton);
    }
    OfdSettings formSettings() const
    {
        return OfdSettings(child<QLineEdit>("leServer")->text(),
            quint16(child<QSpinBox>("sbPort")->value()), child<QLineEdit>("lePrefix")->text(),
            quint16(child<QSpinBox>("sbInterval")->value()));
    }
    // The service holds these operator settings.
    bool serviceHolds(const OfdSettings &expected) const
    {
        OfdSettings stored;
        return m_checker->getOfdSettings(stored) && stored == expected;
    }
};

// Faults: "Записать" on a tab never loaded sending its empty form; the tab left disabled
// after "Обновить", fields read into the wrong boxes (port and interval are both numbers), a
// modal overlay or one left on screen; a form field saved into another member of the
// settings, the save starting from default settings instead of those last read, or the form
// not read back after the save.
void TestServicePages::saveSendsFormOverLastRead_data()
{
    QTest::addColumn<OfdSettings>("typed");
    QTest::addColumn<int>("channel");
    QTest::addColumn<OfdSettings>("expected");
    const OfdSettings typed(
        QStringLiteral("kkt.ofd.ru"), 65535, QStringLiteral("https://check.ofd.ru"), 60000);
    QTest::newRow("every field") << typed << 0 << typed;
    QTest::newRow("channel only") << SERVICE_OFD << 2 << SERVICE_OFD;
}

void TestServicePages::saveSendsFormOverLastRead()
{
    QFETCH(OfdSettings, typed);
    QFETCH(int, channel);
    QFETCH(OfdSettings, expected);

    openServiceTab(0);
    click("pbServiceModSave");
    QVERIFY(serviceHolds(SERVICE_OFD));
    QVERIFY(!common()->isEnabled());
    QStringList overlays;
    connect(common()->ofdSettingsWidget()->api(), &core::FrcoreExternalApi::sendCommand, this, [&] {
        WaitMessageWidget *wait = m_window->waitWidget();
        overlays << (wait && wait->isVisible() && !wait->isModal() ? wait->text() : QString());
    });
    click("pbServiceModeReload");
    QVERIFY(common()->isEnabled());
    QVERIFY(formSettings() == SERVICE_OFD);
    QCOMPARE(overlays, QStringList { QStringLiteral("Loading ofd settings") });

    child<QLineEdit>("leServer")->setText(typed.address());
    child<QSpinBox>("sbPort")->setValue(typed.port());
    child<QLineEdit>("lePrefix")->setText(typed.url());
    child<QSpinBox>("sbInterval")->setValue(typed.queryInterval());
    child<QComboBox>("cbChannel")->setCurrentIndex(channel);

    click("pbServiceModSave");
    QCOMPARE(m_prompts->count(), 0);
    QVERIFY(serviceHolds(expected));
    QVERIFY(formSettings() == expected);
    QVERIFY(!m_window->waitWidget());
}

// Fault: a port the 16-bit setting cannot hold cut down to another, valid-looking port.
void TestServicePages::portAbove16BitsIsNotSent()
{
    openServiceTab(0);
    click("pbServiceModeReload");
    child<QSpinBox>("sbPort")->setValue(70000);
    click("pbServiceModSave");
    expectPrompt(QStringLiteral("Внимание"),
        QStringLiteral("Порт сервера ОФД должен быть от 0 до 65535"), UserPrompts::Warning);
    QVERIFY(serviceHolds(SERVICE_OFD));
    QCOMPARE(child<QSpinBox>("sbPort")->value(), 70000);
}

// Faults: a service that is gone or silent reported with no box or the wrong one, the form
// or the state table cleared by the failure, the overlay left on screen.
void TestServicePages::serviceDown_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    const auto row = [](const char *action, const char *title, const QString &text) {
        QTest::newRow(action) << QString(action) << QString(title) << text;
    };
    const QString timeout = "Settings %1 timeout. Check services are started.";
    row("load", "Ofd settings loading", timeout.arg("loading"));
    row("save", "Ofd settings saving", timeout.arg("saving"));
    row("state", "Cashbox state request", "Cashbox state request timeout");
}

void TestServicePages::serviceDown()
{
    QFETCH(QString, action);
    QFETCH(QString, title);
    QFETCH(QString, text);

    const bool state = action == QLatin1String("state");
    if (state) {
        openServiceTab(2);
        click("pbGetState");
        QVERIFY(stateWidget()->model()->rowCount() > 10);
    } else {
        openServiceTab(0);
        click("pbServiceModeReload");
        child<QLineEdit>("leServer")->setText(QStringLiteral("edited.example.test"));
    }
    QCOMPARE(m_prompts->count(), 0);
    const int rows = stateWidget()->model()->rowCount();
    const QString firstValue = rows ? stateWidget()->model()->item(0, 1)->text() : QString();
    stopService();

    if (state)
        click("pbGetState");
    else
        click(action == QLatin1String("load") ? "pbServiceModeReload" : "pbServiceModSave");

    expectPrompt(title, text);
    QCOMPARE(child<QLineEdit>("leServer")->text(),
        state ? QString() : QStringLiteral("edited.example.test"));
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

    RegisterState state = registeredState();
    state.ofdInn = ofdInn;
    state.fiscalized = registered;
    open(state);
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
    QTRY_COMPARE_WITH_TIMEOUT(sharedOfdInn(), ofdInn, WAIT_MS);
    if (!registered)
        bus::SharedObjectsStorage::remove(RegData::BUS_OBJECT_NAME);

    click("pbFromInn");
    QVERIFY(formSettings() == expected);
    QCOMPARE(m_prompts->count(), 0);
    QVERIFY(serviceHolds(SERVICE_OFD));

    // Only the port changes by hand; everything else comes from the operator table.
    child<QSpinBox>("sbPort")->setValue(7000);
    click("pbServiceModSave");
    expected.setPort(7000);
    QVERIFY(serviceHolds(expected));
}

// Faults: the registration data not taken from the bus's shared objects, a second request
// appending to the first, the table editable.
void TestServicePages::stateView()
{
    openServiceTab(2);
    // Loading the registration data through the bus leaves it in the shared objects, as the
    // bus controller's own fetch does.
    QVariantMap content;
    QVERIFY(m_checker->load(RegData::BUS_OBJECT_NAME, content));
    RegData reg;
    QVERIFY(reg.setMap(content));
    QVERIFY(!reg.userName().isEmpty());

    click("pbGetState");
    click("pbGetState");
    QStandardItemModel *model = stateWidget()->model();
    QMap<QString, int> rowOf;
    for (int r = 0; r < model->rowCount(); ++r) {
        QVERIFY2(!rowOf.contains(model->item(r, 0)->text()), "a row repeats: rebuilt twice?");
        rowOf.insert(model->item(r, 0)->text(), r);
        for (int c = 0; c < 2; ++c)
            QVERIFY(!(model->item(r, c)->flags() & Qt::ItemIsEditable));
    }
    auto value = [&](const char *label) {
        return rowOf.contains(QLatin1String(label))
            ? model->item(rowOf.value(QLatin1String(label)), 1)->text()
            : QStringLiteral("<no row>");
    };
    // The row builder's own order and texts are the state report test's.
    QCOMPARE(value("Serial number"), QStringLiteral("17000001"));
    QCOMPARE(value("User name"), reg.userName());
    QCOMPARE(value("Reg date"), reg.regDate().toString(Qt::ISODate));

    QCOMPARE(m_prompts->count(), 0);
}

QTEST_MAIN(TestServicePages)
#include "tst_servicepages.moc"
