#include "atoltaxmap.h"
#include "buspagetest.h"
#include "cashiersmodel.h"
#include "discountsmodel.h"
#include "frcoreexternalapi.h"
#include "mainwindow.h"
#include "programmingmodetabswidget.h"
#include "recordingprompts.h"
#include "sectionsmodel.h"
#include "taxratenames.h"
#include "waitmessagewidget.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QtTest>

#include <memory>

using namespace fiscal;

namespace {

const QList<int> FFD10_RATES
    = { TaxVat0, TaxVat10, TaxVat18, TaxNoVat, TaxVat10_110, TaxVat18_118 };
const QList<int> FFD105_RATES
    = { TaxVat18, TaxVat10, TaxVat18_118, TaxVat10_110, TaxVat0, TaxNoVat };

core::AtolTaxMap taxMap(const QList<int> &rates)
{
    core::AtolTaxMap map;
    for (int i = 0; i < rates.size(); ++i)
        map.setRate(quint8(i + 1), TaxRate(rates.at(i)));
    return map;
}

// The model of a tab, with one known row or empty.
std::unique_ptr<FrcoreTableModel> makeModel(int tab, bool withRow = true)
{
    if (tab == ProgrammingModeTabsWidget::TabCashiers) {
        auto m = std::make_unique<CashiersModel>();
        if (withRow)
            m->setCashiers({ core::Cashier(QStringLiteral("Иванов И.И."), QString(), 5) });
        return m;
    }
    if (tab == ProgrammingModeTabsWidget::TabSections) {
        auto m = std::make_unique<SectionsModel>();
        if (withRow)
            m->setSections({ core::Section(QStringLiteral("Отдел 1"), TaxVat18) });
        return m;
    }
    auto m = std::make_unique<DiscountsModel>();
    if (withRow)
        m->setDiscounts({ CheckDiscount(QStringLiteral("Скидка"), true) });
    return m;
}

} // namespace

class TestProgrammingTabs : public BusPageTest
{
    Q_OBJECT
private slots:
    void edit_data();
    void edit();
    void refusedEdit();
    void taxTexts();

    void reloadByTab_data();
    void reloadByTab();
    void writeByTab_data();
    void writeByTab();
    void presets_data();
    void presets();
    void failedReloadKeepsEdits();

private:
    ProgrammingModeTabsWidget *page() const
    {
        return child<ProgrammingModeTabsWidget>("pageProgMode");
    }
    template<typename T>
    T *inPage(const char *name) const
    {
        // Other pages of the window use some of the same object names.
        T *w = page()->findChild<T *>(QLatin1String(name));
        if (!w)
            qWarning("no widget %s on the programming page", name);
        return w;
    }
    void openTab(int index)
    {
        child<QPushButton>("pbProgMode")->click();
        QCOMPARE(child<QStackedWidget>("mainTabs")->currentWidget(), page());
        QTabBar *bar = inPage<QTabWidget>("tabWidget")->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
        QCOMPARE(inPage<QTabWidget>("tabWidget")->currentIndex(), index);
    }
    void click(const char *button)
    {
        QTest::mouseClick(inPage<QPushButton>(button), Qt::LeftButton);
    }
    FrcoreTableModel *tabModel(int tab) const
    {
        return qobject_cast<FrcoreTableModel *>(tabView(tab)->model());
    }
    QTableView *tabView(int tab) const
    {
        static const char *const names[] = { "tvCashmanList", "tvSections", "tvDiscounts" };
        return inPage<QTableView>(names[tab]);
    }
    bool markerShown(int tab) const
    {
        QWidget *editor = inPage<QTabWidget>("tabWidget")->widget(tab);
        auto *icon = editor->findChild<QLabel *>(QStringLiteral("lvEditDescriptionIcon"));
        auto *text = editor->findChild<QLabel *>(QStringLiteral("lvEditDescription"));
        return icon->isVisibleTo(editor) && text->isVisibleTo(editor)
            && !icon->pixmap(Qt::ReturnByValue).isNull();
    }
    QStringList taxBoxTexts() const
    {
        QStringList texts;
        for (int i = 1; i <= 6; ++i)
            texts << inPage<QComboBox>(qPrintable(QStringLiteral("cbTax%1").arg(i)))->currentText();
        return texts;
    }
};

// Faults: a column mapped to the wrong field, a negative password wrapped round into a
// valid-looking one, a rate the register does not know accepted, a refused edit that still
// marks the table modified.
void TestProgrammingTabs::edit_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<int>("column");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QVariant>("display");
    QTest::addColumn<QVariant>("edit");

    auto row = [](const char *name, int tab, int column, const QVariant &value, bool accepted,
                   const QVariant &display, const QVariant &edit) {
        QTest::newRow(name) << tab << column << value << accepted << display << edit;
    };
    const QVariant five(5u);
    row("password as text", 0, 1, QStringLiteral("123"), true, 123u, 123u);
    row("password negative", 0, 1, -1, false, five, five);
    row("password above 32 bits", 0, 1, qlonglong(4294967296), false, five, five);
    row("password not a number", 0, 1, QStringLiteral("12a"), false, five, five);
    const QVariant vat18 = QStringLiteral("НДС 18%");
    row("tax 3", 1, 0, 3, true, QStringLiteral("Сумма НДС чека по расч. ставке 18/118"), 3);
    row("tax 0", 1, 0, 0, false, vat18, 1);
    row("tax 7", 1, 0, 7, false, vat18, 1);
    row("to surcharge", 2, 0, false, true, QStringLiteral("НАЦЕНКА"), false);
}

void TestProgrammingTabs::edit()
{
    QFETCH(int, tab);
    QFETCH(int, column);
    QFETCH(QVariant, value);
    QFETCH(bool, accepted);

    std::unique_ptr<FrcoreTableModel> model = makeModel(tab);
    QSignalSpy changed(model.get(), qOverload<>(&FrcoreTableModel::dataChanged));
    const QModelIndex index = model->index(0, column);
    QCOMPARE(model->flags(index), Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable);

    QCOMPARE(model->setData(index, value, Qt::EditRole), accepted);
    QTEST(model->data(index, Qt::DisplayRole), "display");
    QTEST(model->data(index, Qt::EditRole), "edit");
    QCOMPARE(model->isModified(), accepted);
    QCOMPARE(changed.count(), accepted ? 1 : 0);
}

// Faults: an edit through another role (a view's check box, a tool tip) changing the table,
// and an index the view kept from before a reload reaching past the end of the list. The
// checks are the base model's, so one model shows them.
void TestProgrammingTabs::refusedEdit()
{
    std::unique_ptr<FrcoreTableModel> model = makeModel(0);
    const QModelIndex index = model->index(0, 1);
    std::unique_ptr<FrcoreTableModel> reloaded = makeModel(0, false);
    QSignalSpy changed(model.get(), qOverload<>(&FrcoreTableModel::dataChanged));
    QVERIFY(!model->setData(index, QVariant(7), Qt::CheckStateRole));
    QVERIFY(!model->setData(index, QVariant(7), Qt::DisplayRole));
    QCOMPARE(model->data(index, Qt::EditRole), QVariant(5u));
    QVERIFY(!reloaded->setData(index, QVariant(7), Qt::EditRole));
    QVERIFY(!model->isModified() && !reloaded->isModified());
    QCOMPARE(changed.count(), 0);
}

// Faults: the text table shifted by one, a rate outside it read past its end.
void TestProgrammingTabs::taxTexts()
{
    SectionsModel model;
    model.setSections({ core::Section(QStringLiteral("Отдел 1"), TaxRate(0)),
        core::Section(QStringLiteral("Отдел 2"), TaxVat18),
        core::Section(QStringLiteral("Отдел 3"), TaxRate(7)) });
    const QString wrong = QStringLiteral("НЕКОРРЕКТНОЕ ЗНАЧЕНИЕ");
    const QStringList texts { wrong, QStringLiteral("НДС 18%"), wrong };
    for (int row = 0; row < 3; ++row) {
        QCOMPARE(model.data(model.index(row, 0)).toString(), texts.at(row));
        QCOMPARE(model.data(model.index(row, 0), Qt::EditRole).toInt(), row == 2 ? 7 : row);
    }
}

// Faults: "Записать" on a tab never read sending the empty table (and a tax table nobody
// chose) over the register's own; "Обновить" loading another tab's table, or the wait
// overlay missing or left over the window once the service has answered.
void TestProgrammingTabs::reloadByTab_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<int>("rows"); // of a fresh register
    QTest::newRow("cashiers") << 0 << 2;
    QTest::newRow("sections") << 1 << 3;
    QTest::newRow("discounts") << 2 << 2;
}

void TestProgrammingTabs::reloadByTab()
{
    QFETCH(int, tab);
    QFETCH(int, rows);

    QCOMPARE(inPage<QTabWidget>("tabWidget")->currentIndex(), 0);
    QVERIFY(m_checker->setTaxMap(taxMap(FFD10_RATES)));
    openTab(tab);
    click("pbSend");
    std::unique_ptr<FrcoreTableModel> fresh = makeModel(tab, false);
    QVERIFY(fresh->load());
    QCOMPARE(fresh->rowCount(), rows);
    QVERIFY(m_checker->getTaxMap() == taxMap(FFD10_RATES));

    QStringList overlays;
    auto record = [&] {
        WaitMessageWidget *wait = m_window->waitWidget();
        overlays << (wait && wait->isVisible() ? wait->text() : QString());
    };
    FrcoreTableModel *model = tabModel(tab);
    connect(model->api(), &core::FrcoreExternalApi::sendCommand, this, record);
    connect(model->api(), &core::FrcoreExternalApi::loadObject, this, record);

    click("pbRefresh");
    for (int t = 0; t < 3; ++t)
        QCOMPARE(tabModel(t)->rowCount(), t == tab ? rows : 0);
    QVERIFY(!overlays.isEmpty());
    for (const QString &text : qAsConst(overlays))
        QCOMPARE(text, QStringLiteral("Setting fr to programming mode"));
    QVERIFY(!m_window->waitWidget());
    QVERIFY(!markerShown(tab));
    QCOMPARE(m_prompts->count(), 0);
}

// Faults: the marker missing after an edit or kept after a write the service took; a
// refused write clearing the marker or reading the old table back over the edits; an edit
// made in the view's editor not reaching the model.
void TestProgrammingTabs::writeByTab_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<int>("column");
    // Text for a line editor, the number for a spin box, the item index for a choice.
    QTest::addColumn<QVariant>("input");
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("cashier name") << 0 << 2 << QVariant(QStringLiteral("Петров П.П., кассир"))
                                  << QVariant(QStringLiteral("Петров П.П., кассир")) << true;
    QTest::newRow("cashier password")
        << 0 << 1 << QVariant(12345678) << QVariant(12345678u) << true;
    QTest::newRow("section tax") << 1 << 0 << QVariant(4) << QVariant(int(TaxVat0)) << true;
    QTest::newRow("discount kind") << 2 << 0 << QVariant(1) << QVariant(false) << true;
    QTest::newRow("cashier blank name") << 0 << 2 << QVariant(QStringLiteral("   "))
                                        << QVariant(QStringLiteral("Кассир 1")) << false;
}

void TestProgrammingTabs::writeByTab()
{
    QFETCH(int, tab);
    QFETCH(int, column);
    QFETCH(QVariant, input);
    QFETCH(QVariant, stored);
    QFETCH(bool, accepted);

    openTab(tab);
    click("pbRefresh");
    QVERIFY(!markerShown(tab));

    QTableView *view = tabView(tab);
    const QModelIndex index = view->model()->index(0, column);
    view->setCurrentIndex(index);
    view->edit(index);
    QWidget *editor = view->indexWidget(index);
    QVERIFY(editor);
    if (auto *line = qobject_cast<QLineEdit *>(editor)) {
        line->setText(input.toString());
    } else if (auto *spin = qobject_cast<QSpinBox *>(editor)) {
        spin->setValue(input.toInt());
    } else {
        auto *combo = qobject_cast<QComboBox *>(editor);
        QVERIFY(combo);
        combo->setCurrentIndex(input.toInt());
    }
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_VERIFY(!view->indexWidget(index));
    QVERIFY(markerShown(tab));
    const QVariant edited = view->model()->data(index, Qt::EditRole);

    click("pbSend");
    QCOMPARE(markerShown(tab), !accepted);
    // What the page shows now: the service's table read back, or the edits kept.
    QCOMPARE(view->model()->data(index, Qt::EditRole), accepted ? stored : edited);
    std::unique_ptr<FrcoreTableModel> fresh = makeModel(tab, false);
    QVERIFY(fresh->load());
    QCOMPARE(fresh->data(fresh->index(0, column), Qt::EditRole), stored);
    QVERIFY(!m_window->waitWidget());
    QCOMPARE(m_prompts->count(), 0);
}

// Faults: a preset in the wrong order or shifted by one item, the tax table not written
// with the sections or read only when there are sections, or the preset marking the
// sections as edited.
void TestProgrammingTabs::presets_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QList<int>>("before");
    QTest::addColumn<QList<int>>("after");
    QTest::addColumn<bool>("sections");
    QTest::newRow("FFD 1.0, no sections") << "pbFfd10" << FFD105_RATES << FFD10_RATES << false;
    QTest::newRow("FFD 1.05") << "pbFfd105" << FFD10_RATES << FFD105_RATES << true;
}

void TestProgrammingTabs::presets()
{
    QFETCH(QString, button);
    QFETCH(QList<int>, before);
    QFETCH(QList<int>, after);
    QFETCH(bool, sections);

    if (!sections)
        QVERIFY(m_checker->setSections({}));
    QVERIFY(m_checker->setTaxMap(taxMap(before)));
    openTab(ProgrammingModeTabsWidget::TabSections);
    click("pbRefresh");
    QCOMPARE(tabView(1)->model()->rowCount(), sections ? 3 : 0);
    QStringList beforeTexts;
    for (int rate : before)
        beforeTexts << TaxRateNames::text(rate);
    QCOMPARE(taxBoxTexts(), beforeTexts);

    click(qPrintable(button));
    QStringList afterTexts;
    for (int rate : after)
        afterTexts << TaxRateNames::text(rate);
    QCOMPARE(taxBoxTexts(), afterTexts);
    QVERIFY(!markerShown(ProgrammingModeTabsWidget::TabSections));
    QVERIFY(m_checker->getTaxMap() == taxMap(before)); // nothing sent yet

    click("pbSend");
    QVERIFY(m_checker->getTaxMap() == taxMap(after));
}

// Fault: a reload the service did not answer emptying the table and the marker, silently
// losing the operator's edits.
void TestProgrammingTabs::failedReloadKeepsEdits()
{
    openTab(ProgrammingModeTabsWidget::TabCashiers);
    click("pbRefresh");
    FrcoreTableModel *model = tabModel(0);
    QVERIFY(model->setData(model->index(1, 2), QStringLiteral("Смирнова А.А."), Qt::EditRole));
    QVERIFY(markerShown(0));

    stopService();
    click("pbRefresh");
    QCOMPARE(model->rowCount(), 2);
    QCOMPARE(model->data(model->index(1, 2)).toString(), QStringLiteral("Смирнова А.А."));
    QVERIFY(markerShown(0));
    click("pbSend");
    QVERIFY(markerShown(0));
    QVERIFY(!m_window->waitWidget());
    QCOMPARE(m_prompts->count(), 0);
}

QTEST_MAIN(TestProgrammingTabs)
#include "tst_programmingtabs.moc"
