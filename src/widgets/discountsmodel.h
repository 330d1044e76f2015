#ifndef DISCOUNTSMODEL_H
#define DISCOUNTSMODEL_H

#include "checkdiscount.h"
#include "frcoretablemodel.h"

#include <QList>

// The register's discounts and surcharges. The kind column shows "СКИДКА" or "НАЦЕНКА"
// and is edited as a boolean (true for a discount).
class DiscountsModel : public FrcoreTableModel
{
    Q_OBJECT
public:
    enum Column { ColumnKind, ColumnName };

    explicit DiscountsModel(QObject *parent = nullptr);

    QList<fiscal::CheckDiscount> discounts() const { return m_discounts; }
    void setDiscounts(const QList<fiscal::CheckDiscount> &discounts);

    static QString kindText(bool isDiscount);

protected:
    QStringList headers() const override;
    int itemCount() const override { return m_discounts.size(); }
    QVariant displayValue(int row, int column) const override;
    QVariant editValue(int row, int column) const override;
    bool setValue(int row, int column, const QVariant &value) override;
    bool fetch() override;
    bool store() override;

private:
    QList<fiscal::CheckDiscount> m_discounts;
};

#endif // DISCOUNTSMODEL_H
