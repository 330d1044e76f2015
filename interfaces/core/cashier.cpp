#include "cashier.h"

#include "valuemapreader.h"

namespace core {

const QString Cashier::CASHIERS_OBJECT_NAME = QStringLiteral("core.cashiers");

QVariantMap Cashier::toMap() const
{
    return { { QStringLiteral("name"), m_name }, { QStringLiteral("inn"), m_inn },
        { QStringLiteral("password"), m_password } };
}

bool Cashier::setMap(const QVariantMap &map)
{
    Cashier c = *this;
    fiscal::ValueMapReader r(map);
    r.text("name", &c.m_name);
    r.text("inn", &c.m_inn);
    r.unsignedNumber("password", &c.m_password);
    if (!r.ok())
        return false;
    *this = c;
    return true;
}

bool Cashier::operator==(const Cashier &o) const
{
    return m_name == o.m_name && m_inn == o.m_inn && m_password == o.m_password;
}

} // namespace core
