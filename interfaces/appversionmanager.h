#ifndef APPVERSIONMANAGER_H
#define APPVERSIONMANAGER_H

#include "appversion.h"

#include <QMap>
#include <QStringList>

namespace qt5ext {

// Process-wide registry of component versions and of the translation files to load.
class AppVersionManager
{
public:
    static void addVersion(const QString &name, const AppVersion &version);
    static AppVersion version(const QString &name);
    static QMap<QString, AppVersion> versions();

    // Names are kept in the order they were added; a repeated name is not added twice.
    static void addLocalisation(const QString &name);
    static QStringList localisations();

    static void clear();
};

} // namespace qt5ext

#endif // APPVERSIONMANAGER_H
