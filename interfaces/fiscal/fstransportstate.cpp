#include "fstransportstate.h"

#include "valuemapreader.h"

namespace fiscal {

QVariantMap FsTransportState::toMap() const
{
    return { { QStringLiteral("offlineDocsCount"), m_count },
        { QStringLiteral("firstDocNumber"), m_firstNumber },
        { QStringLiteral("firstDocDt"), ValueMapReader::isoText(m_firstDt) } };
}

bool FsTransportState::setMap(const QVariantMap &map)
{
    FsTransportState t = *this;
    ValueMapReader r(map);
    r.unsignedNumber("offlineDocsCount", &t.m_count);
    r.unsignedNumber("firstDocNumber", &t.m_firstNumber);
    r.dateTime("firstDocDt", &t.m_firstDt);
    if (!r.ok())
        return false;
    *this = t;
    return true;
}

bool FsTransportState::operator==(const FsTransportState &other) const
{
    return m_count == other.m_count && m_firstNumber == other.m_firstNumber
        && m_firstDt == other.m_firstDt;
}

} // namespace fiscal
