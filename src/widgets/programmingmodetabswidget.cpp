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
    runOnCurrentTab(false);
}

void ProgrammingModeTabsWidget::on_pbSend_clicked()
{
    runOnCurrentTab(true);
}

void ProgrammingModeTabsWidget::runOnCurrentTab(bool write)
{
    FrCfgRoot *root = FrCfgRoot::instance();
    if (root)
        root->showWaitWidget(tr(WAIT_TEXT));
    auto run = [write](auto *editor) { return write ? editor->write() : editor->reload(); };
    const int tab = ui->tabWidget->currentIndex();
    bool ok = false;
    switch (tab) {
    case TabCashiers:
        ok = run(ui->wgtCashmanEditor);
        break;
    case TabSections:
        ok = run(ui->wgtSectionsEditor);
        break;
    case TabDiscounts:
        ok = run(ui->wgtDiscountAddEditor);
        break;
    }
    qDebug() << (write ? "PROG_TABLE_WRITE" : "PROG_TABLE_RELOAD") << "TAB=" << tab << "OK=" << ok;
    if (root)
        root->hideWaitWidget();
}
