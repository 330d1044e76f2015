#ifndef FSLIFETIME_H
#define FSLIFETIME_H

#include <QDate>
#include <QVariantMap>

namespace fiscal {

// How long the fiscal storage lasts and how many registrations it takes.
class FsLifeTime
{
public:
    QDate expirationDt() const { return m_expirationDt; }
    void setExpirationDt(const QDate &date) { m_expirationDt = date; }
    int availableRegistrations() const { return m_available; }
    void setAvailableRegistrations(int count) { m_available = count; }
    int completedRegistrations() const { return m_completed; }
    void setCompletedRegistrations(int count) { m_completed = count; }

    QVariantMap toMap() const;
    bool setMap(const QVariantMap &map);

    bool operator==(const FsLifeTime &other) const;

private:
    QDate m_expirationDt;
    int m_available = 0;
    int m_completed = 0;
};

} // namespace fiscal

#endif // FSLIFETIME_H
