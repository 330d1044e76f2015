#ifndef SERVICECONTROLLER_H
#define SERVICECONTROLLER_H

#include <QString>

// One operating-system service by name: install, remove, start, stop and its state. Every
// operation is true on success.
class ServiceController
{
public:
    explicit ServiceController(const QString &name) : m_name(name) { }
    virtual ~ServiceController() = default;

    ServiceController(const ServiceController &) = delete;
    ServiceController &operator=(const ServiceController &) = delete;

    QString serviceName() const { return m_name; }

    // Registers the executable as the service, run as the account (empty: the system's
    // default account).
    virtual bool install(const QString &executable, const QString &account, const QString &password)
        = 0;
    virtual bool uninstall() = 0;
    virtual bool start() = 0;
    virtual bool stop() = 0;
    virtual bool isInstalled() const = 0;
    virtual bool isRunning() const = 0;

    // The platform's service manager: systemd, or the Windows Service Control Manager.
    static ServiceController *create(const QString &name);

    // The register's driver.
    static const QString DRIVER_SERVICE;
    static QString driverExecutable();

private:
    QString m_name;
};

#endif // SERVICECONTROLLER_H
