#ifndef PROGRAMMINGMODETABSWIDGET_H
#define PROGRAMMINGMODETABSWIDGET_H

#include <QWidget>

namespace Ui {
class ProgrammingModeTabsWidget;
}

class CachierEditorWidget;
class DiscountAddEditorWidget;
class SectionsEditorWidget;

// The programming page: the register's cashiers, sections with the tax table, and
// discounts, each on its tab; "Обновить" and "Записать" act on the tab shown.
class ProgrammingModeTabsWidget : public QWidget
{
    Q_OBJECT
public:
    enum Tab { TabCashiers, TabSections, TabDiscounts };

    explicit ProgrammingModeTabsWidget(QWidget *parent = nullptr);
    ~ProgrammingModeTabsWidget() override;

    CachierEditorWidget *cashiersEditor() const;
    SectionsEditorWidget *sectionsEditor() const;
    DiscountAddEditorWidget *discountsEditor() const;

public slots:
    void on_pbRefresh_clicked();
    void on_pbSend_clicked();

private:
    // Reloads or writes the table of the tab shown, under the wait overlay.
    void runOnCurrentTab(bool write);

    Ui::ProgrammingModeTabsWidget *ui;
};

#endif // PROGRAMMINGMODETABSWIDGET_H
