#ifndef CASHIERSMODEL_H
#define CASHIERSMODEL_H

#include "cashier.h"
#include "frcoretablemodel.h"

#include <QList>

// The register's cashiers: INN, password and full name with position.
class CashiersModel : public FrcoreTableModel
{
    Q_OBJECT
public:
    enum Column { ColumnInn, ColumnPassword, ColumnName };

    explicit CashiersModel(QObject *parent = nullptr);

    QList<core::Cashier> cashiers() const { return m_cashiers; }
    void setCashiers(const QList<core::Cashier> &cashiers);

protected:
    QStringList headers() const override;
    int itemCount() const override { return m_cashiers.size(); }
    QVariant displayValue(int row, int column) const override;
    bool setValue(int row, int column, const QVariant &value) override;
    bool fetch() override;
    bool store() override;

private:
    QList<core::Cashier> m_cashiers;
};

#endif // CASHIERSMODEL_H
