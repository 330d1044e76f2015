#ifndef SYSTEMDSERVICECONTROLLER_H
#define SYSTEMDSERVICECONTROLLER_H

#include "servicecontroller.h"

#include <QStringList>

// A systemd unit "<name>.service": installing writes the unit file and enables it, the rest
// goes through systemctl. As root the unit is a system one; otherwise it belongs to the
// user's own service manager (systemctl --user), which needs no password.
class SystemdServiceController : public ServiceController
{
public:
    enum Scope { System, User };

    explicit SystemdServiceController(const QString &name);
    SystemdServiceController(const QString &name, Scope scope, const QString &unitDir,
        const QString &systemctl = QStringLiteral("systemctl"));

    bool install(
        const QString &executable, const QString &account, const QString &password) override;
    bool uninstall() override;
    bool start() override;
    bool stop() override;
    bool isInstalled() const override;
    bool isRunning() const override;

    QString unitName() const { return serviceName() + QStringLiteral(".service"); }
    QString unitFilePath() const;
    // A systemctl that has not answered by then counts as failed.
    void setTimeout(int ms) { m_timeoutMs = ms; }

    static QString unitFileText(
        const QString &name, const QString &executable, const QString &account, Scope scope);
    static Scope defaultScope();
    static QString defaultUnitDir(Scope scope);

private:
    bool systemctl(const QStringList &arguments, QByteArray *output = nullptr) const;
    QString property(const QString &name) const;

    Scope m_scope;
    QString m_unitDir;
    QString m_systemctl;
    int m_timeoutMs = 10000;
};

#endif // SYSTEMDSERVICECONTROLLER_H
