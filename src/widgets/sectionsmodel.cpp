#include "sectionsmodel.h"

#include "frcoreexternalapi.h"
#include "taxratenames.h"

#include <QCoreApplication>

namespace {
const char *const HEADERS[] = {
    QT_TRANSLATE_NOOP("SectionsModel", "Налог"),
    QT_TRANSLATE_NOOP("SectionsModel", "Наименование"),
};
} // namespace

SectionsModel::SectionsModel(QObject *parent) : FrcoreTableModel(parent) { }

void SectionsModel::setSections(const QList<core::Section> &sections)
{
    replaceItems([&] { m_sections = sections; });
}

QStringList SectionsModel::headers() const
{
    QStringList list;
    for (const char *h : HEADERS)
        list << QCoreApplication::translate("SectionsModel", h);
    return list;
}

QVariant SectionsModel::displayValue(int row, int column) const
{
    const core::Section &s = m_sections.at(row);
    if (column == ColumnTax)
        return TaxRateNames::text(s.tax());
    return s.name();
}

QVariant SectionsModel::editValue(int row, int column) const
{
    if (column == ColumnTax)
        return int(m_sections.at(row).tax());
    return displayValue(row, column);
}

bool SectionsModel::setValue(int row, int column, const QVariant &value)
{
    core::Section &s = m_sections[row];
    if (column == ColumnName) {
        s.setName(value.toString());
        return true;
    }
    // The register knows rates 1..6 only; anything else would come back as a refused write.
    bool ok = false;
    const int rate = value.toInt(&ok);
    if (!ok || !fiscal::isValidTaxRate(rate))
        return false;
    s.setTax(fiscal::TaxRate(rate));
    return true;
}

bool SectionsModel::fetch()
{
    return api()->getSections(m_sections);
}

bool SectionsModel::store()
{
    return api()->setSections(m_sections);
}
