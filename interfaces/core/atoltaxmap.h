#ifndef ATOLTAXMAP_H
#define ATOLTAXMAP_H

#include "taxrate.h"

#include <QMap>
#include <QMetaType>
#include <QString>
#include <QVariantMap>

namespace core {

// The register's tax table: tax index (1..6 on ORVA) to tax rate. Shared on the bus under
// OBJECT_NAME.
class AtolTaxMap
{
public:
    static const QString OBJECT_NAME;
    static const quint8 FIRST_INDEX = 1;
    static const quint8 LAST_INDEX = 6;

    void setRate(quint8 index, fiscal::TaxRate rate) { m_rates.insert(index, rate); }
    // TaxInvalid for an index the map does not hold.
    fiscal::TaxRate operator[](quint8 index) const
    {
        return m_rates.value(index, fiscal::TaxInvalid);
    }
    bool contains(quint8 index) const { return m_rates.contains(index); }
    QList<quint8> indexes() const { return m_rates.keys(); }
    bool isEmpty() const { return m_rates.isEmpty(); }

    // Decimal index text to rate number.
    QVariantMap toMap() const;
    // Replaces the whole map; false (map unchanged) for an index or rate that is no number.
    bool setMap(const QVariantMap &map);

    bool operator==(const AtolTaxMap &other) const { return m_rates == other.m_rates; }
    bool operator!=(const AtolTaxMap &other) const { return !(*this == other); }

private:
    QMap<quint8, fiscal::TaxRate> m_rates;
};

} // namespace core

Q_DECLARE_METATYPE(core::AtolTaxMap)

#endif // ATOLTAXMAP_H
