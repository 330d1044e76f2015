#include "checkdiscount.h"

#include "valuemapreader.h"

namespace fiscal {

QVariantMap CheckDiscount::toMap() const
{
    return { { QStringLiteral("name"), m_name }, { QStringLiteral("isDiscount"), m_isDiscount } };
}

bool CheckDiscount::setMap(const QVariantMap &map)
{
    CheckDiscount d = *this;
    ValueMapReader r(map);
    r.text("name", &d.m_name);
    r.boolean("isDiscount", &d.m_isDiscount);
    if (!r.ok())
        return false;
    *this = d;
    return true;
}

bool CheckDiscount::operator==(const CheckDiscount &other) const
{
    return m_name == other.m_name && m_isDiscount == other.m_isDiscount;
}

} // namespace fiscal
