#ifndef CHECKDISCOUNT_H
#define CHECKDISCOUNT_H

#include <QMetaType>
#include <QString>
#include <QVariantMap>

namespace fiscal {

// A named discount or surcharge of the register's list.
class CheckDiscount
{
public:
    CheckDiscount() = default;
    CheckDiscount(const QString &name, bool isDiscount) : m_name(name), m_isDiscount(isDiscount) { }

    QString name() const { return m_name; }
    void setName(const QString &name) { m_name = name; }
    // True for a discount, false for a surcharge.
    bool isDiscount() const { return m_isDiscount; }
    void setIsDiscount(bool isDiscount) { m_isDiscount = isDiscount; }

    QVariantMap toMap() const;
    // Keys absent from the map keep their value; false when a present key has the wrong type.
    bool setMap(const QVariantMap &map);

    bool operator==(const CheckDiscount &other) const;
    bool operator!=(const CheckDiscount &other) const { return !(*this == other); }

private:
    QString m_name;
    bool m_isDiscount = true;
};

} // namespace fiscal

Q_DECLARE_METATYPE(fiscal::CheckDiscount)

#endif // CHECKDISCOUNT_H
