#include "frcorefullstate.h"

#include "valuemapreader.h"

namespace core {

QVariantMap FrCoreFullState::toMap() const
{
    return { { QStringLiteral("serial"), m_serial },
        { QStringLiteral("cashboxVersion"), m_cashboxVersion },
        { QStringLiteral("regNumber"), m_regNumber },
        { QStringLiteral("dt"), fiscal::ValueMapReader::isoText(m_dt) },
        { QStringLiteral("cash"), m_cash.toString() }, { QStringLiteral("cycle"), m_cycle },
        { QStringLiteral("cycleOpened"), fiscal::ValueMapReader::isoText(m_cycleOpened) },
        { QStringLiteral("cycleClosed"), fiscal::ValueMapReader::isoText(m_cycleClosed) },
        { QStringLiteral("lastCheckNumber"), m_lastCheckNumber },
        { QStringLiteral("fsStatus"), m_fsStatus.toMap() } };
}

bool FrCoreFullState::setMap(const QVariantMap &map)
{
    FrCoreFullState s = *this;
    fiscal::ValueMapReader r(map);
    r.text("serial", &s.m_serial);
    r.text("cashboxVersion", &s.m_cashboxVersion);
    r.text("regNumber", &s.m_regNumber);
    r.dateTime("dt", &s.m_dt);
    QString cash;
    bool cashOk = true;
    if (map.contains(QStringLiteral("cash"))) {
        r.text("cash", &cash);
        // Money travels as decimal text so no binary fraction ever touches it.
        const qt5ext::FixNumber n(100, cash);
        cashOk = n.isValid();
        if (cashOk)
            s.m_cash = n;
    }
    r.unsignedNumber("cycle", &s.m_cycle);
    r.dateTime("cycleOpened", &s.m_cycleOpened);
    r.dateTime("cycleClosed", &s.m_cycleClosed);
    r.unsignedNumber("lastCheckNumber", &s.m_lastCheckNumber);
    bool fsOk = true;
    if (map.contains(QStringLiteral("fsStatus"))) {
        QVariantMap fs;
        r.map("fsStatus", &fs);
        fsOk = s.m_fsStatus.setMap(fs);
    }
    if (!r.ok() || !cashOk || !fsOk)
        return false;
    *this = s;
    return true;
}

bool FrCoreFullState::operator==(const FrCoreFullState &o) const
{
    return toMap() == o.toMap();
}

} // namespace core
