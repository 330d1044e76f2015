#include "ofdsettings.h"

#include "valuemapreader.h"

namespace core {

// The operators' own server addresses, as they publish them for registers.
const QHash<QString, OfdSettings> OfdSettings::SUPPORTED_OFD = {
    { QStringLiteral("2310031475"),
        OfdSettings(
            QStringLiteral("kkt.ofd-magnit.ru"), 7001, QStringLiteral("https://ofd-magnit.ru")) },
    { QStringLiteral("6663003127"),
        OfdSettings(
            QStringLiteral("ofd.kontur.ru"), 7777, QStringLiteral("https://ofd.kontur.ru")) },
    { QStringLiteral("7801392271"),
        OfdSettings(
            QStringLiteral("ofd.esphere.ru"), 7777, QStringLiteral("https://ofd.esphere.ru")) },
    { QStringLiteral("7605016030"),
        OfdSettings(QStringLiteral("kkt.sbis.ru"), 7777, QStringLiteral("https://ofd.sbis.ru")) },
    { QStringLiteral("4029017981"),
        OfdSettings(QStringLiteral("ofd.astralnalog.ru"), 7777,
            QStringLiteral("https://ofd.astralnalog.ru")) },
    { QStringLiteral("7729633131"),
        OfdSettings(QStringLiteral("ofdp.platformaofd.ru"), 21101,
            QStringLiteral("https://lk.platformaofd.ru")) },
    { QStringLiteral("7704358518"),
        OfdSettings(
            QStringLiteral("kkt.ofd.yandex.net"), 12345, QStringLiteral("https://ofd.yandex.ru")) },
    { QStringLiteral("7841465198"),
        OfdSettings(QStringLiteral("kkt.ofd.ru"), 7777, QStringLiteral("https://check.ofd.ru")) },
    { QStringLiteral("7728699517"),
        OfdSettings(
            QStringLiteral("connect.ofd-ya.ru"), 7779, QStringLiteral("https://ofd-ya.ru")) },
    { QStringLiteral("9715260691"),
        OfdSettings(
            QStringLiteral("f1.ofd.evotor.ru"), 7777, QStringLiteral("https://ofd.evotor.ru")) },
    { QStringLiteral("7704211201"),
        OfdSettings(
            QStringLiteral("f1.taxcom.ru"), 7777, QStringLiteral("https://receipt.taxcom.ru")) },
    { QStringLiteral("7709364346"),
        OfdSettings(QStringLiteral("k-server.1-ofd.ru"), 7777,
            QStringLiteral("https://consumer.1-ofd.ru")) },
};

QVariantMap OfdSettings::toMap() const
{
    return { { QStringLiteral("address"), m_address }, { QStringLiteral("port"), m_port },
        { QStringLiteral("url"), m_url }, { QStringLiteral("queryInterval"), m_queryInterval } };
}

bool OfdSettings::setMap(const QVariantMap &map)
{
    OfdSettings s = *this;
    fiscal::ValueMapReader r(map);
    r.text("address", &s.m_address);
    r.unsignedNumber("port", &s.m_port);
    r.text("url", &s.m_url);
    r.unsignedNumber("queryInterval", &s.m_queryInterval);
    if (!r.ok())
        return false;
    *this = s;
    return true;
}

bool OfdSettings::operator==(const OfdSettings &o) const
{
    return m_address == o.m_address && m_port == o.m_port && m_url == o.m_url
        && m_queryInterval == o.m_queryInterval;
}

} // namespace core
