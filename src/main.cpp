#include "appversion.h"
#include "appversionmanager.h"
#include "frcfgroot.h"
#include "initconfig.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QLocale>

namespace {
// __DATE__ pads single-digit days with a blank ("Mar  5 2024"); simplified() folds it.
QString buildStamp()
{
    const QString text = QStringLiteral("%1 %2")
                             .arg(QLatin1String(__DATE__), QLatin1String(__TIME__))
                             .simplified();
    return QLocale(QStringLiteral("en"))
        .toDateTime(text, QStringLiteral("MMM d yyyy hh:mm:ss"))
        .toString(Qt::ISODate);
}
} // namespace

int main(int argc, char *argv[])
{
    qt5ext::AppVersionManager::addVersion(
        QStringLiteral("orvaconfig"), qt5ext::AppVersion(QStringLiteral("0.0.11"), buildStamp()));
    qt5ext::AppVersionManager::addLocalisation(QStringLiteral("cashbox"));
    qt5ext::InitConfig::setAppWorkDir(QStringLiteral("ORVI"));

    auto *root = new FrCfgRoot(argc, argv);
    int code = -1;
    if (root->init())
        code = root->run();
    delete root;
    // The application object outlives the root by design; end it here so its single-instance
    // lock and local server are released cleanly.
    delete QCoreApplication::instance();
    return code;
}
