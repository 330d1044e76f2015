#ifndef WINSERVICECONTROLLER_H
#define WINSERVICECONTROLLER_H

#include "servicecontroller.h"

// A service of the Windows Service Control Manager.
class WinServiceController : public ServiceController
{
public:
    explicit WinServiceController(const QString &name);

    bool install(
        const QString &executable, const QString &account, const QString &password) override;
    bool uninstall() override;
    bool start() override;
    bool stop() override;
    bool isInstalled() const override;
    bool isRunning() const override;
};

#endif // WINSERVICECONTROLLER_H
