#ifndef OFDSETTINGS_H
#define OFDSETTINGS_H

#include <QHash>
#include <QMetaType>
#include <QString>
#include <QVariantMap>

namespace core {

// How the fiscal core reaches the fiscal data operator (OFD).
class OfdSettings
{
public:
    static const quint16 DEFAULT_QUERY_INTERVAL = 1000;

    // The operators the configurator knows, by operator INN (10 digits).
    static const QHash<QString, OfdSettings> SUPPORTED_OFD;

    OfdSettings() = default;
    OfdSettings(const QString &address, quint16 port, const QString &url,
        quint16 queryInterval = DEFAULT_QUERY_INTERVAL)
        : m_address(address), m_port(port), m_url(url), m_queryInterval(queryInterval)
    { }

    // Host name or address of the operator's server.
    QString address() const { return m_address; }
    void setAddress(const QString &address) { m_address = address; }
    quint16 port() const { return m_port; }
    void setPort(quint16 port) { m_port = port; }
    // Start of the links to receipts on the operator's site.
    QString url() const { return m_url; }
    void setUrl(const QString &url) { m_url = url; }
    // Milliseconds between polls of the fiscal storage for documents to send.
    quint16 queryInterval() const { return m_queryInterval; }
    void setQueryInterval(quint16 interval) { m_queryInterval = interval; }

    QVariantMap toMap() const;
    bool setMap(const QVariantMap &map);

    bool operator==(const OfdSettings &other) const;
    bool operator!=(const OfdSettings &other) const { return !(*this == other); }

private:
    QString m_address;
    quint16 m_port = 0;
    QString m_url;
    quint16 m_queryInterval = DEFAULT_QUERY_INTERVAL;
};

} // namespace core

Q_DECLARE_METATYPE(core::OfdSettings)

#endif // OFDSETTINGS_H
