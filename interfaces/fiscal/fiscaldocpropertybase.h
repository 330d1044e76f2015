#ifndef FISCALDOCPROPERTYBASE_H
#define FISCALDOCPROPERTYBASE_H

#include "propertytag.h"

#include <QList>
#include <QSharedPointer>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace fiscal {

// One requisite of a fiscal document: its tag, its published name and its value. The kind
// decides how a value is kept (a text tag keeps text, a flag tag a boolean) and how it is
// written out.
class FiscalDocPropertyBase
{
public:
    enum Kind {
        Text, // a string
        Flag, // a boolean
        Number, // an unsigned number
        BitMask, // an unsigned number whose bits have names
        Choice, // an unsigned number, one of the named values
    };

    FiscalDocPropertyBase(PropertyTag tag, Kind kind, const QString &name, int maxLength = 0,
        const QStringList &valueNames = QStringList());
    virtual ~FiscalDocPropertyBase() = default;

    PropertyTag tag() const { return m_tag; }
    Kind kind() const { return m_kind; }
    QString name() const { return m_name; }
    // Longest text of a Text tag, 0 when unbounded.
    int maxLength() const { return m_maxLength; }
    // Names of the bits (BitMask) or of the values (Choice), by bit or value number.
    QStringList valueNames() const { return m_valueNames; }

    QVariant value() const { return m_value; }
    // Converted to the tag's kind; false (value unchanged) when it cannot be.
    bool setValue(const QVariant &value);
    bool isSet() const { return m_value.isValid(); }

    // The value as it would be printed, lines wrapped at width characters (0: one line).
    QString valueText(int width = 0) const;
    // tag, name and value, for logs and the bus.
    QVariantMap toMap() const;

private:
    PropertyTag m_tag;
    Kind m_kind;
    QString m_name;
    int m_maxLength;
    QStringList m_valueNames;
    QVariant m_value;
};

typedef QSharedPointer<FiscalDocPropertyBase> PFiscalDocProperty;
typedef QList<PFiscalDocProperty> FiscalDocProperties;

} // namespace fiscal

#endif // FISCALDOCPROPERTYBASE_H
