#include "cashiersmodel.h"

#include "frcoreexternalapi.h"

#include <QCoreApplication>

#include <limits>

namespace {
const char *const HEADERS[] = {
    QT_TRANSLATE_NOOP("CashiersModel", "ИНН Кассира"),
    QT_TRANSLATE_NOOP("CashiersModel", "Пароль Кассира"),
    QT_TRANSLATE_NOOP("CashiersModel", "ФИО и должность кассира"),
};
} // namespace

CashiersModel::CashiersModel(QObject *parent) : FrcoreTableModel(parent) { }

void CashiersModel::setCashiers(const QList<core::Cashier> &cashiers)
{
    replaceItems([&] { m_cashiers = cashiers; });
}

QStringList CashiersModel::headers() const
{
    QStringList list;
    for (const char *h : HEADERS)
        list << QCoreApplication::translate("CashiersModel", h);
    return list;
}

QVariant CashiersModel::displayValue(int row, int column) const
{
    const core::Cashier &c = m_cashiers.at(row);
    switch (column) {
    case ColumnInn:
        return c.inn();
    case ColumnPassword:
        return c.password();
    default:
        return c.name();
    }
}

bool CashiersModel::setValue(int row, int column, const QVariant &value)
{
    core::Cashier &c = m_cashiers[row];
    switch (column) {
    case ColumnInn:
        c.setInn(value.toString());
        return true;
    case ColumnPassword: {
        // toUInt() would wrap a negative number round into a valid-looking password.
        bool ok = false;
        const qlonglong password = value.toLongLong(&ok);
        if (!ok || password < 0 || password > qlonglong(std::numeric_limits<quint32>::max()))
            return false;
        c.setPassword(quint32(password));
        return true;
    }
    default:
        c.setName(value.toString());
        return true;
    }
}

bool CashiersModel::fetch()
{
    return api()->getCashiers(m_cashiers);
}

bool CashiersModel::store()
{
    return api()->setCashiers(m_cashiers);
}
