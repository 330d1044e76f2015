#include "programmingmodetabswidget.h"
#include "ui_programmingmodetabswidget.h"

#include "frcfgroot.h"

#include <QDebug>

namespace {
const char WAIT_TEXT[]
    = QT_TRANSLATE_NOOP("ProgrammingModeTabsWidget", "Setting fr to programming mode");
} // namespace

ProgrammingModeTabsWidget::ProgrammingModeTabsWidget(QWidget *parent)
    : QWidget(parent), ui(new Ui::ProgrammingModeTabsWidget)
{
    ui->setupUi(this);
    ui->tabWidget->setCurrentIndex(TabCashiers);
}

ProgrammingModeTabsWidget::~ProgrammingModeTabsWidget()
{
    delete ui;
}

CachierEditorWidget *ProgrammingModeTabsWidget::cashiersEditor() const
{
    return ui->wgtCashmanEditor;
}

SectionsEditorWidget *ProgrammingModeTabsWidget::sectionsEditor() const
{
    return ui->wgtSectionsEditor;
}

DiscountAddEditorWidget *ProgrammingModeTabsWidget::discountsEditor() const
{
    return ui->wgtDiscountAddEditor;
}

void ProgrammingModeTabsWidget::on_pbRefresh_clicked()
{
    FrCfgRoot *root = FrCfgRoot::instance();
    if (root)
        root->showWaitWidget(tr(WAIT_TEXT));
    const int tab = ui->tabWidget->currentIndex();
    bool ok = false;
    switch (tab) {
    case TabCashiers:
        ok = ui->wgtCashmanEditor->reload();
        break;
    case TabSections:
        ok = ui->wgtSectionsEditor->reload();
        break;
    case TabDiscounts:
        ok = ui->wgtDiscountAddEditor->reload();
        break;
    }
    qDebug() << "PROG_TABLE_RELOAD TAB=" << tab << "OK=" << ok;
    if (root)
        root->hideWaitWidget();
}

void ProgrammingModeTabsWidget::on_pbSend_clicked()
{
    FrCfgRoot *root = FrCfgRoot::instance();
    if (root)
        root->showWaitWidget(tr(WAIT_TEXT));
    const int tab = ui->tabWidget->currentIndex();
    bool ok = false;
    switch (tab) {
    case TabCashiers:
        ok = ui->wgtCashmanEditor->write();
        break;
    case TabSections:
        ok = ui->wgtSectionsEditor->write();
        break;
    case TabDiscounts:
        ok = ui->wgtDiscountAddEditor->write();
        break;
    }
    qDebug() << "PROG_TABLE_WRITE TAB=" << tab << "OK=" << ok;
    if (root)
        root->hideWaitWidget();
}
