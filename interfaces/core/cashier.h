#ifndef CASHIER_H
#define CASHIER_H

#include <QMetaType>
#include <QString>
#include <QVariantMap>

namespace core {

// A row of the register's cashier table.
class Cashier
{
public:
    // The cashier list on the bus.
    static const QString CASHIERS_OBJECT_NAME;

    Cashier() = default;
    Cashier(const QString &name, const QString &inn, quint32 password)
        : m_name(name), m_inn(inn), m_password(password)
    { }

    // Full name and position.
    QString name() const { return m_name; }
    void setName(const QString &name) { m_name = name; }
    QString inn() const { return m_inn; }
    void setInn(const QString &inn) { m_inn = inn; }
    quint32 password() const { return m_password; }
    void setPassword(quint32 password) { m_password = password; }

    QVariantMap toMap() const;
    // Keys absent from the map keep their value; false when a present key has the wrong type.
    bool setMap(const QVariantMap &map);

    bool operator==(const Cashier &other) const;
    bool operator!=(const Cashier &other) const { return !(*this == other); }

private:
    QString m_name;
    QString m_inn;
    quint32 m_password = 0;
};

} // namespace core

Q_DECLARE_METATYPE(core::Cashier)

#endif // CASHIER_H
