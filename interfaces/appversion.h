#ifndef APPVERSION_H
#define APPVERSION_H

#include <QDateTime>
#include <QString>

namespace qt5ext {

class AppVersion
{
public:
    AppVersion() = default;
    // version is "major.minor.patch"; buildStamp an ISO 8601 date-time text.
    AppVersion(const QString &version, const QString &buildStamp);

    int major() const { return m_major; }
    int minor() const { return m_minor; }
    int patch() const { return m_patch; }
    QString version() const { return m_version; }
    QDateTime buildDateTime() const { return m_build; }
    bool isValid() const { return m_valid; }
    QString toString() const;

    bool operator==(const AppVersion &other) const;
    bool operator<(const AppVersion &other) const;

private:
    QString m_version;
    QDateTime m_build;
    int m_major = 0;
    int m_minor = 0;
    int m_patch = 0;
    bool m_valid = false;
};

} // namespace qt5ext

#endif // APPVERSION_H
