#include "filefrcoresettings.h"

#include "frcoreconfig.h"

const QString FrCoreSettingsAccess::KEY_HOST_RS = QStringLiteral("hostRs");

QVariantMap FileFrCoreSettings::getFrCoreSettings()
{
    FrCoreConfig config;
    QVariantMap map;
    const QStringList keys = config.keys(FrCoreConfig::GROUP);
    for (const QString &key : keys)
        map.insert(key, config.value(FrCoreConfig::GROUP, key));
    return map;
}

bool FileFrCoreSettings::setFrCoreSettings(const QVariantMap &settings)
{
    FrCoreConfig config;
    bool ok = true;
    const QStringList stored = config.keys(FrCoreConfig::GROUP);
    for (const QString &key : stored) {
        if (!settings.contains(key))
            ok = config.remove(FrCoreConfig::GROUP, key) && ok;
    }
    for (auto it = settings.constBegin(); it != settings.constEnd(); ++it) {
        // Rewriting an unchanged key would still touch the driver's file.
        if (!config.contains(FrCoreConfig::GROUP, it.key())
            || config.value(FrCoreConfig::GROUP, it.key()) != it.value())
            ok = config.setValue(FrCoreConfig::GROUP, it.key(), it.value()) && ok;
    }
    return ok;
}
