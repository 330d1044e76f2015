#include "servicecontroller.h"

#include <QCoreApplication>

#ifdef Q_OS_WIN
#include "winservicecontroller.h"
#else
#include "systemdservicecontroller.h"
#endif

const QString ServiceController::DRIVER_SERVICE = QStringLiteral("frservicesmgr");

QString ServiceController::driverExecutable()
{
#ifdef Q_OS_WIN
    const QString file = QStringLiteral("frservicesmgr.exe");
#else
    const QString file = QStringLiteral("frservicesmgr");
#endif
    return QStringLiteral("%1/%2").arg(QCoreApplication::applicationDirPath(), file);
}

ServiceController *ServiceController::create(const QString &name)
{
#ifdef Q_OS_WIN
    return new WinServiceController(name);
#else
    return new SystemdServiceController(name);
#endif
}
