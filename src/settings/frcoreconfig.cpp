#include "frcoreconfig.h"

#include "configpath.h"
#include "dircreator.h"

#include <QStandardPaths>

const QString FrCoreConfig::GROUP = QStringLiteral("CORE");
const QString FrCoreConfig::KEY_ATOL_TCP_PORT = QStringLiteral("atolTcpPort");
const QString FrCoreConfig::KEY_BUS_NAME = QStringLiteral("busName");
const char FrCoreConfig::BUS_NAME_VARIABLE[] = "ORVA_BUS_NAME";

FrCoreConfig::FrCoreConfig() : qt5ext::InitConfig(filePath(), false)
{
    const QString dirs[] = { QStringLiteral("%1/tables"), QStringLiteral("%1/clientqueue"),
        QStringLiteral("%1/dbak") };
    for (const QString &d : dirs)
        qt5ext::DirCreator::checkAndCreate(d.arg(workDir()), qt5ext::DirCreator::DEFAULT_ALL);
}

QString FrCoreConfig::filePath()
{
    return configFilePath(QStringLiteral("frcore.conf"));
}

quint16 FrCoreConfig::atolTcpPort() const
{
    bool ok = false;
    const uint port = value(GROUP, KEY_ATOL_TCP_PORT, DEFAULT_ATOL_TCP_PORT).toUInt(&ok);
    // A port the file cannot express as 1..65535 is no port: use the driver's default.
    return (ok && port > 0 && port <= 0xFFFF) ? quint16(port) : DEFAULT_ATOL_TCP_PORT;
}

void FrCoreConfig::setAtolTcpPort(quint16 port)
{
    setValue(GROUP, KEY_ATOL_TCP_PORT, port);
}

QString FrCoreConfig::busName() const
{
    return value(GROUP, KEY_BUS_NAME, QString()).toString().trimmed();
}

void FrCoreConfig::setBusName(const QString &name)
{
    setValue(GROUP, KEY_BUS_NAME, name);
}

QString FrCoreConfig::busServerName()
{
    const QString fromEnvironment = qEnvironmentVariable(BUS_NAME_VARIABLE).trimmed();
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    const QString fromFile = FrCoreConfig().busName();
    if (!fromFile.isEmpty())
        return fromFile;
    // A folder of this user's only, so the socket is neither shared nor squatted.
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return runtime.isEmpty() ? QStringLiteral("orvafrcore")
                             : runtime + QStringLiteral("/orvafrcore");
}
