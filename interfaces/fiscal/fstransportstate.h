#ifndef FSTRANSPORTSTATE_H
#define FSTRANSPORTSTATE_H

#include <QDateTime>
#include <QVariantMap>

namespace fiscal {

// Documents of the fiscal storage not yet accepted by the operator (OFD).
class FsTransportState
{
public:
    quint32 offlineDocsCount() const { return m_count; }
    void setOfflineDocsCount(quint32 count) { m_count = count; }
    quint32 firstDocNumber() const { return m_firstNumber; }
    void setFirstDocNumber(quint32 number) { m_firstNumber = number; }
    QDateTime firstDocDt() const { return m_firstDt; }
    void setFirstDocDt(const QDateTime &dt) { m_firstDt = dt; }

    QVariantMap toMap() const;
    bool setMap(const QVariantMap &map);

    bool operator==(const FsTransportState &other) const;

private:
    quint32 m_count = 0;
    quint32 m_firstNumber = 0;
    QDateTime m_firstDt;
};

} // namespace fiscal

#endif // FSTRANSPORTSTATE_H
