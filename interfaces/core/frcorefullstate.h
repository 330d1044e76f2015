#ifndef FRCOREFULLSTATE_H
#define FRCOREFULLSTATE_H

#include "fixnumber.h"
#include "fsstatus.h"

#include <QDateTime>
#include <QMetaType>
#include <QString>
#include <QVariantMap>

namespace core {

// Everything the fiscal core knows of the register at one moment.
class FrCoreFullState
{
public:
    // Decimal text.
    QString serial() const { return m_serial; }
    void setSerial(const QString &serial) { m_serial = serial; }
    QString cashboxVersion() const { return m_cashboxVersion; }
    void setCashboxVersion(const QString &version) { m_cashboxVersion = version; }
    // Empty while the register is not registered.
    QString regNumber() const { return m_regNumber; }
    void setRegNumber(const QString &number) { m_regNumber = number; }
    // The register's clock.
    QDateTime dt() const { return m_dt; }
    void setDt(const QDateTime &dt) { m_dt = dt; }
    // The drawer, money scaled by 100.
    qt5ext::FixNumber cash() const { return m_cash; }
    void setCash(const qt5ext::FixNumber &cash) { m_cash = cash.toMultiplier(100); }
    // Shift number, 0 before the first shift.
    quint32 cycle() const { return m_cycle; }
    void setCycle(quint32 cycle) { m_cycle = cycle; }
    QDateTime cycleOpened() const { return m_cycleOpened; }
    void setCycleOpened(const QDateTime &dt) { m_cycleOpened = dt; }
    // Invalid while the shift is open.
    QDateTime cycleClosed() const { return m_cycleClosed; }
    void setCycleClosed(const QDateTime &dt) { m_cycleClosed = dt; }
    quint32 lastCheckNumber() const { return m_lastCheckNumber; }
    void setLastCheckNumber(quint32 number) { m_lastCheckNumber = number; }
    fiscal::FsStatus fsStatus() const { return m_fsStatus; }
    void setFsStatus(const fiscal::FsStatus &status) { m_fsStatus = status; }

    QVariantMap toMap() const;
    bool setMap(const QVariantMap &map);

    bool operator==(const FrCoreFullState &other) const;

private:
    QString m_serial;
    QString m_cashboxVersion;
    QString m_regNumber;
    QDateTime m_dt;
    qt5ext::FixNumber m_cash { 100 };
    quint32 m_cycle = 0;
    QDateTime m_cycleOpened;
    QDateTime m_cycleClosed;
    quint32 m_lastCheckNumber = 0;
    fiscal::FsStatus m_fsStatus;
};

} // namespace core

Q_DECLARE_METATYPE(core::FrCoreFullState)

#endif // FRCOREFULLSTATE_H
