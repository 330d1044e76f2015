#include "cachiereditorwidget.h"
#include "ui_cachiereditorwidget.h"

#include "cashiersmodel.h"
#include "widgetresources.h"

CachierEditorWidget::CachierEditorWidget(QWidget *parent)
    : QWidget(parent), ui(new Ui::CachierEditorWidget), m_model(new CashiersModel(this))
{
    initWidgetResources();
    ui->setupUi(this);
    ui->tvCashmanList->setModel(m_model);
    connect(m_model, qOverload<>(&CashiersModel::dataChanged), this,
        &CachierEditorWidget::onDataChanged);
    onDataChanged();
}

CachierEditorWidget::~CachierEditorWidget()
{
    delete ui;
}

bool CachierEditorWidget::reload()
{
    const bool ok = m_model->load();
    ui->tvCashmanList->resizeColumnsToContents();
    return ok;
}

bool CachierEditorWidget::write()
{
    return m_model->write();
}

void CachierEditorWidget::onDataChanged()
{
    const bool modified = m_model->isModified();
    ui->lvEditDescriptionIcon->setVisible(modified);
    ui->lvEditDescription->setVisible(modified);
}
