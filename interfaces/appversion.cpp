#include "appversion.h"

#include <QStringList>

namespace qt5ext {

AppVersion::AppVersion(const QString &version, const QString &buildStamp)
    : m_version(version.trimmed()), m_build(QDateTime::fromString(buildStamp, Qt::ISODate))
{
    const QStringList parts = m_version.split(QLatin1Char('.'));
    bool ok = parts.size() == 3;
    int nums[3] = { 0, 0, 0 };
    for (int i = 0; ok && i < 3; ++i) {
        nums[i] = parts.at(i).toInt(&ok);
        ok = ok && nums[i] >= 0;
    }
    if (ok) {
        m_major = nums[0];
        m_minor = nums[1];
        m_patch = nums[2];
    }
    m_valid = ok;
}

QString AppVersion::toString() const
{
    if (!m_build.isValid())
        return m_version;
    return m_version + QLatin1Char(' ') + m_build.toString(Qt::ISODate);
}

bool AppVersion::operator==(const AppVersion &other) const
{
    return m_major == other.m_major && m_minor == other.m_minor && m_patch == other.m_patch
        && m_build == other.m_build;
}

bool AppVersion::operator<(const AppVersion &other) const
{
    if (m_major != other.m_major)
        return m_major < other.m_major;
    if (m_minor != other.m_minor)
        return m_minor < other.m_minor;
    if (m_patch != other.m_patch)
        return m_patch < other.m_patch;
    return m_build < other.m_build;
}

} // namespace qt5ext
