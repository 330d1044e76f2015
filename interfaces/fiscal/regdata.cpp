#include "regdata.h"

#include "propertytag.h"
#include "valuemapreader.h"

namespace fiscal {

const QString RegData::BUS_OBJECT_NAME = QStringLiteral("fiscal.regdata");

quint16 RegData::flagTag(quint32 flag)
{
    switch (flag) {
    case FlagEncryption:
        return TagEncryption;
    case FlagAutonomous:
        return TagAutonomousMode;
    case FlagAutomat:
        return TagAutomatMode;
    case FlagServices:
        return TagServices;
    case FlagBso:
        return TagBso;
    case FlagInternet:
        return TagInternetOnly;
    case FlagPrinterInAutomat:
        return TagPrinterInAutomat;
    case FlagExcise:
        return TagExcise;
    case FlagGambling:
        return TagGambling;
    case FlagLottery:
        return TagLottery;
    default:
        return 0;
    }
}

QVariantMap RegData::toMap() const
{
    return { { QStringLiteral("regDate"), ValueMapReader::isoText(m_regDate) },
        { QStringLiteral("userName"), m_userName }, { QStringLiteral("userInn"), m_userInn },
        { QStringLiteral("userEMail"), m_userEMail },
        { QStringLiteral("agentFlags"), m_agentFlags },
        { QStringLiteral("cashboxRegistrationFlags"), m_regFlags },
        { QStringLiteral("taxes"), m_taxes }, { QStringLiteral("boxId"), m_boxId },
        { QStringLiteral("cashier"), m_cashier }, { QStringLiteral("cashierInn"), m_cashierInn },
        { QStringLiteral("paymentAddress"), m_paymentAddress },
        { QStringLiteral("paymentPlace"), m_paymentPlace },
        { QStringLiteral("ofdName"), m_ofdName }, { QStringLiteral("ofdInn"), m_ofdInn },
        { QStringLiteral("fnsSite"), m_fnsSite }, { QStringLiteral("fsNumber"), m_fsNumber },
        { QStringLiteral("regNumber"), m_regNumber } };
}

bool RegData::setMap(const QVariantMap &map)
{
    RegData d = *this;
    ValueMapReader r(map);
    r.dateTime("regDate", &d.m_regDate);
    r.text("userName", &d.m_userName);
    r.text("userInn", &d.m_userInn);
    r.text("userEMail", &d.m_userEMail);
    r.unsignedNumber("agentFlags", &d.m_agentFlags);
    r.unsignedNumber("cashboxRegistrationFlags", &d.m_regFlags);
    r.unsignedNumber("taxes", &d.m_taxes);
    r.text("boxId", &d.m_boxId);
    r.text("cashier", &d.m_cashier);
    r.text("cashierInn", &d.m_cashierInn);
    r.text("paymentAddress", &d.m_paymentAddress);
    r.text("paymentPlace", &d.m_paymentPlace);
    r.text("ofdName", &d.m_ofdName);
    r.text("ofdInn", &d.m_ofdInn);
    r.text("fnsSite", &d.m_fnsSite);
    r.text("fsNumber", &d.m_fsNumber);
    r.text("regNumber", &d.m_regNumber);
    if (!r.ok())
        return false;
    *this = d;
    return true;
}

bool RegData::operator==(const RegData &o) const
{
    return toMap() == o.toMap();
}

} // namespace fiscal
