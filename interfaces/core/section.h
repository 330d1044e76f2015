#ifndef SECTION_H
#define SECTION_H

#include "taxrate.h"

#include <QMetaType>
#include <QString>
#include <QVariantMap>

namespace core {

// A section (department) of the register with its tax rate.
class Section
{
public:
    Section() = default;
    Section(const QString &name, fiscal::TaxRate tax) : m_name(name), m_tax(tax) { }

    QString name() const { return m_name; }
    void setName(const QString &name) { m_name = name; }
    fiscal::TaxRate tax() const { return m_tax; }
    void setTax(fiscal::TaxRate tax) { m_tax = tax; }

    QVariantMap toMap() const;
    bool setMap(const QVariantMap &map);

    bool operator==(const Section &other) const;
    bool operator!=(const Section &other) const { return !(*this == other); }

private:
    QString m_name;
    fiscal::TaxRate m_tax = fiscal::TaxNoVat;
};

} // namespace core

Q_DECLARE_METATYPE(core::Section)

#endif // SECTION_H
