#include "fsstatus.h"

#include "valuemapreader.h"

namespace fiscal {

const QString FsStatus::OBJECT_NAME = QStringLiteral("fiscal.fsstatus");

QVariantMap FsStatus::toMap() const
{
    return { { QStringLiteral("fsNumber"), m_fsNumber },
        { QStringLiteral("fsVersion"), m_fsVersion },
        { QStringLiteral("fiscalized"), m_fiscalized }, { QStringLiteral("closed"), m_closed },
        { QStringLiteral("isRelease"), m_isRelease },
        { QStringLiteral("cycleIsOpen"), m_cycleIsOpen },
        { QStringLiteral("hasDocumentData"), m_hasDocumentData },
        { QStringLiteral("lastDocNumber"), m_lastDocNumber },
        { QStringLiteral("lastDocDt"), ValueMapReader::isoText(m_lastDocDt) },
        { QStringLiteral("warnings"), m_warnings },
        { QStringLiteral("lifeTime"), m_lifeTime.toMap() },
        { QStringLiteral("transportState"), m_transportState.toMap() },
        { QStringLiteral("frSer"), m_frSerial } };
}

bool FsStatus::setMap(const QVariantMap &map)
{
    FsStatus s = *this;
    ValueMapReader r(map);
    r.text("fsNumber", &s.m_fsNumber);
    r.text("fsVersion", &s.m_fsVersion);
    r.boolean("fiscalized", &s.m_fiscalized);
    r.boolean("closed", &s.m_closed);
    r.boolean("isRelease", &s.m_isRelease);
    r.boolean("cycleIsOpen", &s.m_cycleIsOpen);
    r.boolean("hasDocumentData", &s.m_hasDocumentData);
    r.unsignedNumber("lastDocNumber", &s.m_lastDocNumber);
    r.dateTime("lastDocDt", &s.m_lastDocDt);
    r.unsignedNumber("warnings", &s.m_warnings);
    r.text("frSer", &s.m_frSerial);
    QVariantMap sub;
    bool subOk = true;
    if (map.contains(QStringLiteral("lifeTime"))) {
        r.map("lifeTime", &sub);
        subOk = s.m_lifeTime.setMap(sub) && subOk;
    }
    if (map.contains(QStringLiteral("transportState"))) {
        sub.clear();
        r.map("transportState", &sub);
        subOk = s.m_transportState.setMap(sub) && subOk;
    }
    if (!r.ok() || !subOk)
        return false;
    *this = s;
    return true;
}

bool FsStatus::operator==(const FsStatus &o) const
{
    return m_fsNumber == o.m_fsNumber && m_fsVersion == o.m_fsVersion
        && m_fiscalized == o.m_fiscalized && m_closed == o.m_closed && m_isRelease == o.m_isRelease
        && m_cycleIsOpen == o.m_cycleIsOpen && m_hasDocumentData == o.m_hasDocumentData
        && m_lastDocNumber == o.m_lastDocNumber && m_lastDocDt == o.m_lastDocDt
        && m_warnings == o.m_warnings && m_lifeTime == o.m_lifeTime
        && m_transportState == o.m_transportState && m_frSerial == o.m_frSerial;
}

} // namespace fiscal
