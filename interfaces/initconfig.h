#ifndef INITCONFIG_H
#define INITCONFIG_H

#include "fileconfighelper.h"

#include <QLocale>

namespace qt5ext {

// A settings file of one application or service.
//
// appConfig true: the file belongs to this application; its group "APP" may override
// "loggerPath", "translationsPath" and "locale". appConfig false: a file of another
// component (the driver's); it is read and written key by key and never consulted for
// those three paths, which then come from the defaults below.
//
// Defaults: logs under workDir()/logs/<application name>; translations in the
// "translations" folder beside the executable; locale ru_RU.
class InitConfig : public FileConfigHelper
{
public:
    InitConfig(const QString &filePath, bool appConfig);
    ~InitConfig() override;

    bool isAppConfig() const { return m_appConfig; }

    QString loggerPath() const;
    QString translationsPath() const;
    QLocale locale() const;

    // Name of the data folder below ALLUSERSPROFILE ("ORVI").
    static void setAppWorkDir(const QString &name);
    static QString appWorkDir();
    // ALLUSERSPROFILE/<appWorkDir>, with forward slashes.
    static QString workDir();

    static const QString APP_GROUP;

private:
    bool m_appConfig;
};

} // namespace qt5ext

#endif // INITCONFIG_H
