#include "discountsmodel.h"

#include "frcoreexternalapi.h"

#include <QCoreApplication>

namespace {
const char *const HEADERS[] = {
    QT_TRANSLATE_NOOP("DiscountsModel", "Скидка/Наценка"),
    QT_TRANSLATE_NOOP("DiscountsModel", "Наименование"),
};
const char DISCOUNT[] = QT_TRANSLATE_NOOP("DiscountsModel", "СКИДКА");
const char SURCHARGE[] = QT_TRANSLATE_NOOP("DiscountsModel", "НАЦЕНКА");
} // namespace

DiscountsModel::DiscountsModel(QObject *parent) : FrcoreTableModel(parent) { }

void DiscountsModel::setDiscounts(const QList<fiscal::CheckDiscount> &discounts)
{
    replaceItems([&] { m_discounts = discounts; });
}

QString DiscountsModel::kindText(bool isDiscount)
{
    return QCoreApplication::translate("DiscountsModel", isDiscount ? DISCOUNT : SURCHARGE);
}

QStringList DiscountsModel::headers() const
{
    QStringList list;
    for (const char *h : HEADERS)
        list << QCoreApplication::translate("DiscountsModel", h);
    return list;
}

QVariant DiscountsModel::displayValue(int row, int column) const
{
    const fiscal::CheckDiscount &d = m_discounts.at(row);
    if (column == ColumnKind)
        return kindText(d.isDiscount());
    return d.name();
}

QVariant DiscountsModel::editValue(int row, int column) const
{
    if (column == ColumnKind)
        return m_discounts.at(row).isDiscount();
    return displayValue(row, column);
}

bool DiscountsModel::setValue(int row, int column, const QVariant &value)
{
    fiscal::CheckDiscount &d = m_discounts[row];
    if (column == ColumnName) {
        d.setName(value.toString());
        return true;
    }
    d.setIsDiscount(value.toBool());
    return true;
}

bool DiscountsModel::fetch()
{
    return api()->getDiscounts(m_discounts);
}

bool DiscountsModel::store()
{
    return api()->setDiscounts(m_discounts);
}
