#ifndef FSSTATUS_H
#define FSSTATUS_H

#include "fslifetime.h"
#include "fstransportstate.h"

#include <QDateTime>
#include <QMetaType>
#include <QString>
#include <QVariantMap>

namespace fiscal {

// The state of the fiscal storage (FN) as the fiscal core reports it; shared on the bus
// under OBJECT_NAME, with the register's serial number beside it as "frSer".
class FsStatus
{
public:
    static const QString OBJECT_NAME;

    // Bits of warnings().
    enum Warning : quint8 {
        WarningReplace3Days = 0x01,
        WarningReplace30Days = 0x02,
        WarningMemoryOverflow = 0x04,
        WarningOfdTimeout = 0x08,
        WarningCritical = 0x80,
    };

    QString fsNumber() const { return m_fsNumber; }
    void setFsNumber(const QString &number) { m_fsNumber = number; }
    QString fsVersion() const { return m_fsVersion; }
    void setFsVersion(const QString &version) { m_fsVersion = version; }
    bool fiscalized() const { return m_fiscalized; }
    void setFiscalized(bool fiscalized) { m_fiscalized = fiscalized; }
    // The archive is closed: the storage takes no more documents.
    bool closed() const { return m_closed; }
    void setClosed(bool closed) { m_closed = closed; }
    // False for a debug storage that can be cleared.
    bool isRelease() const { return m_isRelease; }
    void setIsRelease(bool release) { m_isRelease = release; }
    bool cycleIsOpen() const { return m_cycleIsOpen; }
    void setCycleIsOpen(bool open) { m_cycleIsOpen = open; }
    // A document has been started and not finished.
    bool hasDocumentData() const { return m_hasDocumentData; }
    void setHasDocumentData(bool has) { m_hasDocumentData = has; }
    quint32 lastDocNumber() const { return m_lastDocNumber; }
    void setLastDocNumber(quint32 number) { m_lastDocNumber = number; }
    QDateTime lastDocDt() const { return m_lastDocDt; }
    void setLastDocDt(const QDateTime &dt) { m_lastDocDt = dt; }
    quint8 warnings() const { return m_warnings; }
    void setWarnings(quint8 warnings) { m_warnings = warnings; }
    FsLifeTime lifeTime() const { return m_lifeTime; }
    void setLifeTime(const FsLifeTime &lifeTime) { m_lifeTime = lifeTime; }
    FsTransportState transportState() const { return m_transportState; }
    void setTransportState(const FsTransportState &state) { m_transportState = state; }
    // The register's serial number, decimal ("frSer" of the map).
    QString frSerial() const { return m_frSerial; }
    void setFrSerial(const QString &serial) { m_frSerial = serial; }

    QVariantMap toMap() const;
    // Keys absent from the map keep their value; false when a present key has the wrong type.
    bool setMap(const QVariantMap &map);

    bool operator==(const FsStatus &other) const;
    bool operator!=(const FsStatus &other) const { return !(*this == other); }

private:
    QString m_fsNumber;
    QString m_fsVersion;
    bool m_fiscalized = false;
    bool m_closed = false;
    bool m_isRelease = true;
    bool m_cycleIsOpen = false;
    bool m_hasDocumentData = false;
    quint32 m_lastDocNumber = 0;
    QDateTime m_lastDocDt;
    quint8 m_warnings = 0;
    FsLifeTime m_lifeTime;
    FsTransportState m_transportState;
    QString m_frSerial;
};

} // namespace fiscal

Q_DECLARE_METATYPE(fiscal::FsStatus)

#endif // FSSTATUS_H
