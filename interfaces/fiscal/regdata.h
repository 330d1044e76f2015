#ifndef REGDATA_H
#define REGDATA_H

#include <QDateTime>
#include <QMetaType>
#include <QString>
#include <QVariantMap>

namespace fiscal {

// The requisites of the register's last registration; shared on the bus under
// BUS_OBJECT_NAME.
class RegData
{
public:
    static const QString BUS_OBJECT_NAME;

    // Bits of cashboxRegistrationFlags(), each the flag of one tag.
    enum RegistrationFlag : quint32 {
        FlagEncryption = 0x001, // 1056
        FlagAutonomous = 0x002, // 1002
        FlagAutomat = 0x004, // 1001
        FlagServices = 0x008, // 1109
        FlagBso = 0x010, // 1110
        FlagInternet = 0x020, // 1108
        FlagPrinterInAutomat = 0x040, // 1221
        FlagExcise = 0x080, // 1207
        FlagGambling = 0x100, // 1193
        FlagLottery = 0x200, // 1126
    };
    // The tag of one flag bit, 0 for a bit that is no flag.
    static quint16 flagTag(quint32 flag);

    QDateTime regDate() const { return m_regDate; }
    void setRegDate(const QDateTime &dt) { m_regDate = dt; }
    QString userName() const { return m_userName; }
    void setUserName(const QString &v) { m_userName = v; }
    QString userInn() const { return m_userInn; }
    void setUserInn(const QString &v) { m_userInn = v; }
    QString userEMail() const { return m_userEMail; }
    void setUserEMail(const QString &v) { m_userEMail = v; }
    // Tag 1057 mask.
    quint32 agentFlags() const { return m_agentFlags; }
    void setAgentFlags(quint32 v) { m_agentFlags = v; }
    quint32 cashboxRegistrationFlags() const { return m_regFlags; }
    void setCashboxRegistrationFlags(quint32 v) { m_regFlags = v; }
    // Tag 1062 mask.
    quint32 taxes() const { return m_taxes; }
    void setTaxes(quint32 v) { m_taxes = v; }
    QString boxId() const { return m_boxId; }
    void setBoxId(const QString &v) { m_boxId = v; }
    QString cashier() const { return m_cashier; }
    void setCashier(const QString &v) { m_cashier = v; }
    QString cashierInn() const { return m_cashierInn; }
    void setCashierInn(const QString &v) { m_cashierInn = v; }
    QString paymentAddress() const { return m_paymentAddress; }
    void setPaymentAddress(const QString &v) { m_paymentAddress = v; }
    QString paymentPlace() const { return m_paymentPlace; }
    void setPaymentPlace(const QString &v) { m_paymentPlace = v; }
    QString ofdName() const { return m_ofdName; }
    void setOfdName(const QString &v) { m_ofdName = v; }
    QString ofdInn() const { return m_ofdInn; }
    void setOfdInn(const QString &v) { m_ofdInn = v; }
    QString fnsSite() const { return m_fnsSite; }
    void setFnsSite(const QString &v) { m_fnsSite = v; }
    // The fiscal storage the registration was made with.
    QString fsNumber() const { return m_fsNumber; }
    void setFsNumber(const QString &v) { m_fsNumber = v; }
    QString regNumber() const { return m_regNumber; }
    void setRegNumber(const QString &v) { m_regNumber = v; }

    QVariantMap toMap() const;
    // Keys absent from the map keep their value; false when a present key has the wrong type.
    bool setMap(const QVariantMap &map);

    bool operator==(const RegData &other) const;
    bool operator!=(const RegData &other) const { return !(*this == other); }

private:
    QDateTime m_regDate;
    QString m_userName;
    QString m_userInn;
    QString m_userEMail;
    quint32 m_agentFlags = 0;
    quint32 m_regFlags = 0;
    quint32 m_taxes = 0;
    QString m_boxId;
    QString m_cashier;
    QString m_cashierInn;
    QString m_paymentAddress;
    QString m_paymentPlace;
    QString m_ofdName;
    QString m_ofdInn;
    QString m_fnsSite;
    QString m_fsNumber;
    QString m_regNumber;
};

} // namespace fiscal

Q_DECLARE_METATYPE(fiscal::RegData)

#endif // REGDATA_H
