#include "sectionseditorwidget.h"
#include "ui_sectionseditorwidget.h"

#include "atoltaxmap.h"
#include "choicedelegate.h"
#include "editmarker.h"
#include "frcoreexternalapi.h"
#include "sectionsmodel.h"
#include "taxratenames.h"

#include <QDebug>

using namespace fiscal;

SectionsEditorWidget::SectionsEditorWidget(QWidget *parent)
    : QWidget(parent), ui(new Ui::SectionsEditorWidget), m_model(new SectionsModel(this))
{
    EditMarker::initResources();
    ui->setupUi(this);
    ui->tvSections->setModel(m_model);
    ui->tvSections->resizeColumnsToContents();
    EditMarker::setUp(ui->lvEditDescriptionIcon, ui->lvEditDescription);
    const QStringList texts = TaxRateNames::texts();
    QVariantList rates;
    for (int rate = TaxVat18; rate <= TaxNoVat; ++rate)
        rates << rate;
    ui->tvSections->setItemDelegateForColumn(
        SectionsModel::ColumnTax, new ChoiceDelegate(texts, rates, this));

    m_taxBoxes = { ui->cbTax1, ui->cbTax2, ui->cbTax3, ui->cbTax4, ui->cbTax5, ui->cbTax6 };
    for (QComboBox *box : qAsConst(m_taxBoxes)) {
        box->addItems(texts);
        // Nothing chosen until the register's table is read, so that no made-up table can be
        // written over it.
        box->setCurrentIndex(-1);
        connect(box, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &SectionsEditorWidget::onDataChanged);
    }
    connect(m_model, qOverload<>(&SectionsModel::dataChanged), this,
        &SectionsEditorWidget::onDataChanged);
    connect(ui->pbFfd10, &QPushButton::released, this, &SectionsEditorWidget::taxAtol10);
    connect(ui->pbFfd105, &QPushButton::released, this, &SectionsEditorWidget::taxAtol105);
    onDataChanged();
}

SectionsEditorWidget::~SectionsEditorWidget()
{
    delete ui;
}

bool SectionsEditorWidget::reload()
{
    const bool sectionsOk = m_model->load();
    ui->tvSections->resizeColumnsToContents();
    core::AtolTaxMap map;
    const bool mapOk = m_model->api()->getTaxMap(map);
    // A map that could not be read would blank every box; keep what they show instead.
    if (mapOk)
        setTaxMap(map);
    return sectionsOk && mapOk;
}

bool SectionsEditorWidget::write()
{
    // Reading back after a refusal would replace the operator's edits with the old list.
    bool sectionsOk = m_model->write();
    if (sectionsOk)
        sectionsOk = m_model->load();

    const core::AtolTaxMap map = taxMap();
    if (map.indexes().size() != core::AtolTaxMap::LAST_INDEX) {
        qWarning() << "TAX_MAP_NOT_WRITTEN incomplete";
        return false;
    }
    const bool mapOk = m_model->api()->setTaxMap(map);
    return sectionsOk && mapOk;
}

core::AtolTaxMap SectionsEditorWidget::taxMap() const
{
    core::AtolTaxMap map;
    for (int i = 0; i < m_taxBoxes.size(); ++i) {
        const int index = m_taxBoxes.at(i)->currentIndex();
        if (index >= 0)
            map.setRate(quint8(core::AtolTaxMap::FIRST_INDEX + i), TaxRate(index + 1));
    }
    return map;
}

void SectionsEditorWidget::setTaxMap(const core::AtolTaxMap &map)
{
    QList<int> rates;
    for (int i = 0; i < m_taxBoxes.size(); ++i)
        rates << map[quint8(core::AtolTaxMap::FIRST_INDEX + i)];
    setRates(rates);
}

void SectionsEditorWidget::setRates(const QList<int> &rates)
{
    // A rate outside 1..6 leaves its box with nothing chosen.
    for (int i = 0; i < m_taxBoxes.size() && i < rates.size(); ++i)
        m_taxBoxes.at(i)->setCurrentIndex(isValidTaxRate(rates.at(i)) ? rates.at(i) - 1 : -1);
}

void SectionsEditorWidget::onDataChanged()
{
    EditMarker::setShown(ui->lvEditDescriptionIcon, ui->lvEditDescription, m_model->isModified());
}

void SectionsEditorWidget::taxAtol10()
{
    setRates({ TaxVat0, TaxVat10, TaxVat18, TaxNoVat, TaxVat10_110, TaxVat18_118 });
}

void SectionsEditorWidget::taxAtol105()
{
    setRates({ TaxVat18, TaxVat10, TaxVat18_118, TaxVat10_110, TaxVat0, TaxNoVat });
}
