#include "frhttpconfig.h"

#include "configpath.h"

const QString FrHttpConfig::GROUP = QStringLiteral("LISTENER");
const QString FrHttpConfig::KEY_PORT = QStringLiteral("port");

FrHttpConfig::FrHttpConfig() : qt5ext::InitConfig(filePath(), false) { }

QString FrHttpConfig::filePath()
{
    return configFilePath(QStringLiteral("frhttplistener.conf"));
}

quint16 FrHttpConfig::port() const
{
    bool ok = false;
    const uint port = value(GROUP, KEY_PORT, DEFAULT_PORT).toUInt(&ok);
    return (ok && port > 0 && port <= 0xFFFF) ? quint16(port) : DEFAULT_PORT;
}

bool FrHttpConfig::setPort(quint16 port)
{
    return setValue(GROUP, KEY_PORT, port);
}
