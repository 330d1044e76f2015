#include "appversionmanager.h"

namespace qt5ext {

namespace {
struct Registry
{
    QMap<QString, AppVersion> versions;
    QStringList localisations;
};

Registry &registry()
{
    static Registry r;
    return r;
}
} // namespace

void AppVersionManager::addVersion(const QString &name, const AppVersion &version)
{
    registry().versions.insert(name, version);
}

AppVersion AppVersionManager::version(const QString &name)
{
    return registry().versions.value(name);
}

QMap<QString, AppVersion> AppVersionManager::versions()
{
    return registry().versions;
}

void AppVersionManager::addLocalisation(const QString &name)
{
    if (!name.isEmpty() && !registry().localisations.contains(name))
        registry().localisations.append(name);
}

QStringList AppVersionManager::localisations()
{
    return registry().localisations;
}

void AppVersionManager::clear()
{
    registry().versions.clear();
    registry().localisations.clear();
}

} // namespace qt5ext
