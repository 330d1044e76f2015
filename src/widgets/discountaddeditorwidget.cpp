#include "discountaddeditorwidget.h"
#include "ui_discountaddeditorwidget.h"

#include "choicedelegate.h"
#include "discountsmodel.h"
#include "editmarker.h"

DiscountAddEditorWidget::DiscountAddEditorWidget(QWidget *parent)
    : QWidget(parent), ui(new Ui::DiscountAddEditorWidget), m_model(new DiscountsModel(this))
{
    EditMarker::initResources();
    ui->setupUi(this);
    ui->tvDiscounts->setModel(m_model);
    ui->tvDiscounts->resizeColumnsToContents();
    EditMarker::setUp(ui->lvEditDescriptionIcon, ui->lvEditDescription);
    ui->tvDiscounts->setItemDelegateForColumn(DiscountsModel::ColumnKind,
        new ChoiceDelegate({ DiscountsModel::kindText(true), DiscountsModel::kindText(false) },
            { true, false }, this));
    connect(m_model, qOverload<>(&DiscountsModel::dataChanged), this,
        &DiscountAddEditorWidget::onDataChanged);
    onDataChanged();
}

DiscountAddEditorWidget::~DiscountAddEditorWidget()
{
    delete ui;
}

bool DiscountAddEditorWidget::reload()
{
    const bool ok = m_model->load();
    ui->tvDiscounts->resizeColumnsToContents();
    return ok;
}

bool DiscountAddEditorWidget::write()
{
    // Reading back after a refusal would replace the operator's edits with the old list.
    if (!m_model->write())
        return false;
    return m_model->load();
}

void DiscountAddEditorWidget::onDataChanged()
{
    EditMarker::setShown(ui->lvEditDescriptionIcon, ui->lvEditDescription, m_model->isModified());
}
