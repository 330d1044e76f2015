#include "initconfig.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcessEnvironment>

namespace qt5ext {

namespace {
QString &workDirName()
{
    static QString name;
    return name;
}
} // namespace

const QString InitConfig::APP_GROUP = QStringLiteral("APP");

InitConfig::InitConfig(const QString &filePath, bool appConfig)
    : FileConfigHelper(filePath), m_appConfig(appConfig)
{ }

InitConfig::~InitConfig() = default;

QString InitConfig::loggerPath() const
{
    QString app = QCoreApplication::applicationName();
    if (app.isEmpty())
        app = QStringLiteral("app");
    const QString def = workDir() + QStringLiteral("/logs/") + app;
    if (!m_appConfig)
        return def;
    return QDir::fromNativeSeparators(
        value(APP_GROUP, QStringLiteral("loggerPath"), def).toString());
}

QString InitConfig::translationsPath() const
{
    const QString def = QCoreApplication::applicationDirPath() + QStringLiteral("/translations");
    if (!m_appConfig)
        return def;
    return QDir::fromNativeSeparators(
        value(APP_GROUP, QStringLiteral("translationsPath"), def).toString());
}

QLocale InitConfig::locale() const
{
    const QLocale def(QLocale::Russian, QLocale::Russia);
    if (!m_appConfig)
        return def;
    const QString name = value(APP_GROUP, QStringLiteral("locale")).toString();
    if (name.isEmpty())
        return def;
    const QLocale loc(name);
    // QLocale falls back to "C" for names it does not know; keep the default then.
    return loc.language() == QLocale::C ? def : loc;
}

void InitConfig::setAppWorkDir(const QString &name)
{
    workDirName() = name;
}

QString InitConfig::appWorkDir()
{
    return workDirName();
}

QString InitConfig::workDir()
{
    const QString root
        = QProcessEnvironment::systemEnvironment().value(QStringLiteral("ALLUSERSPROFILE"));
    if (workDirName().isEmpty())
        return QDir::fromNativeSeparators(root);
    return QDir::fromNativeSeparators(root + QLatin1Char('/') + workDirName());
}

} // namespace qt5ext
