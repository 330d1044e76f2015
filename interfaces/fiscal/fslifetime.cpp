#include "fslifetime.h"

#include "valuemapreader.h"

namespace fiscal {

QVariantMap FsLifeTime::toMap() const
{
    return { { QStringLiteral("expirationDt"), ValueMapReader::isoText(m_expirationDt) },
        { QStringLiteral("availableRegistrations"), m_available },
        { QStringLiteral("completedRegistrations"), m_completed } };
}

bool FsLifeTime::setMap(const QVariantMap &map)
{
    FsLifeTime t = *this;
    ValueMapReader r(map);
    r.date("expirationDt", &t.m_expirationDt);
    qint64 n = 0;
    if (r.number("availableRegistrations", 0, 0x7FFFFFFF, &n))
        t.m_available = int(n);
    if (r.number("completedRegistrations", 0, 0x7FFFFFFF, &n))
        t.m_completed = int(n);
    if (!r.ok())
        return false;
    *this = t;
    return true;
}

bool FsLifeTime::operator==(const FsLifeTime &other) const
{
    return m_expirationDt == other.m_expirationDt && m_available == other.m_available
        && m_completed == other.m_completed;
}

} // namespace fiscal
