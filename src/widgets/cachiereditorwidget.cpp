#include "cachiereditorwidget.h"
#include "ui_cachiereditorwidget.h"

#include "cashiersmodel.h"
#include "editmarker.h"

CachierEditorWidget::CachierEditorWidget(QWidget *parent)
    : QWidget(parent), ui(new Ui::CachierEditorWidget), m_model(new CashiersModel(this))
{
    EditMarker::initResources();
    ui->setupUi(this);
    ui->tvCashmanList->setModel(m_model);
    ui->tvCashmanList->resizeColumnsToContents();
    EditMarker::setUp(ui->lvEditDescriptionIcon, ui->lvEditDescription);
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
    EditMarker::setShown(ui->lvEditDescriptionIcon, ui->lvEditDescription, m_model->isModified());
}
