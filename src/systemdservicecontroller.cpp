#include "systemdservicecontroller.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSaveFile>
#include <QStandardPaths>

#include <unistd.h>

namespace {

// ExecStart takes C-style quoting; "%" starts a specifier and "$" a variable.
QString quoteArgument(const QString &text)
{
    QString out = text;
    out.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    out.replace(QLatin1Char('"'), QLatin1String("\\\""));
    out.replace(QLatin1Char('%'), QLatin1String("%%"));
    out.replace(QLatin1Char('$'), QLatin1String("$$"));
    return QLatin1Char('"') + out + QLatin1Char('"');
}

// Environment values: the same quoting, but only "%" is special.
QString quoteAssignment(const QString &assignment)
{
    QString out = assignment;
    out.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    out.replace(QLatin1Char('"'), QLatin1String("\\\""));
    out.replace(QLatin1Char('%'), QLatin1String("%%"));
    return QLatin1Char('"') + out + QLatin1Char('"');
}

} // namespace

SystemdServiceController::SystemdServiceController(const QString &name)
    : SystemdServiceController(name, defaultScope(), defaultUnitDir(defaultScope()))
{ }

SystemdServiceController::SystemdServiceController(
    const QString &name, Scope scope, const QString &unitDir, const QString &systemctl)
    : ServiceController(name), m_scope(scope), m_unitDir(unitDir), m_systemctl(systemctl)
{ }

SystemdServiceController::Scope SystemdServiceController::defaultScope()
{
    return ::geteuid() == 0 ? System : User;
}

QString SystemdServiceController::defaultUnitDir(Scope scope)
{
    if (scope == System)
        return QStringLiteral("/etc/systemd/system");
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/systemd/user");
}

QString SystemdServiceController::unitFilePath() const
{
    return m_unitDir + QLatin1Char('/') + unitName();
}

QString SystemdServiceController::unitFileText(
    const QString &name, const QString &executable, const QString &account, Scope scope)
{
    QString text;
    text += QStringLiteral("[Unit]\nDescription=ORVA register driver (%1)\n").arg(name);
    text += QStringLiteral("After=network.target\n\n[Service]\nType=simple\n");
    text += QStringLiteral("ExecStart=%1\n").arg(quoteArgument(executable));
    // The driver finds its configuration where the configurator keeps it.
    const QString profile
        = QProcessEnvironment::systemEnvironment().value(QStringLiteral("ALLUSERSPROFILE"));
    if (!profile.isEmpty()) {
        text += QStringLiteral("Environment=%1\n")
                    .arg(quoteAssignment(QStringLiteral("ALLUSERSPROFILE=") + profile));
    }
    if (scope == System && !account.isEmpty())
        text += QStringLiteral("User=%1\n").arg(account);
    text += QStringLiteral("Restart=on-failure\n\n[Install]\nWantedBy=%1\n")
                .arg(scope == System ? QStringLiteral("multi-user.target")
                                     : QStringLiteral("default.target"));
    return text;
}

bool SystemdServiceController::systemctl(const QStringList &arguments, QByteArray *output) const
{
    QStringList args;
    if (m_scope == User)
        args << QStringLiteral("--user");
    args << QStringLiteral("--no-ask-password") << arguments;
    QProcess process;
    process.start(m_systemctl, args);
    if (!process.waitForStarted(m_timeoutMs)) {
        qWarning().noquote() << "SYSTEMCTL_NOT_STARTED" << m_systemctl << process.errorString();
        return false;
    }
    if (!process.waitForFinished(m_timeoutMs)) {
        process.kill();
        process.waitForFinished(1000);
        qWarning().noquote() << "SYSTEMCTL_TIMEOUT" << args.join(QLatin1Char(' '));
        return false;
    }
    if (output)
        *output = process.readAllStandardOutput();
    const bool ok = process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    if (!ok) {
        qWarning().noquote() << "SYSTEMCTL_FAILED" << args.join(QLatin1Char(' '))
                             << process.exitCode() << process.readAllStandardError().trimmed();
    }
    return ok;
}

QString SystemdServiceController::property(const QString &name) const
{
    QByteArray out;
    if (!systemctl({ QStringLiteral("show"), QStringLiteral("--property=") + name,
                       QStringLiteral("--value"), unitName() },
            &out))
        return QString();
    return QString::fromUtf8(out).trimmed();
}

bool SystemdServiceController::isInstalled() const
{
    return property(QStringLiteral("LoadState")) == QLatin1String("loaded");
}

bool SystemdServiceController::isRunning() const
{
    const QString state = property(QStringLiteral("ActiveState"));
    return state == QLatin1String("active") || state == QLatin1String("reloading");
}

bool SystemdServiceController::install(
    const QString &executable, const QString &account, const QString &password)
{
    Q_UNUSED(password); // systemd runs services without one
    if (!QDir().mkpath(m_unitDir)) {
        qWarning().noquote() << "SERVICE_UNIT_DIR_FAILED" << m_unitDir;
        return false;
    }
    QSaveFile file(unitFilePath());
    if (!file.open(QIODevice::WriteOnly)) {
        qWarning().noquote() << "SERVICE_UNIT_WRITE_FAILED" << file.errorString();
        return false;
    }
    file.write(unitFileText(serviceName(), executable, account, m_scope).toUtf8());
    if (!file.commit()) {
        qWarning().noquote() << "SERVICE_UNIT_WRITE_FAILED" << file.errorString();
        return false;
    }
    return systemctl({ QStringLiteral("daemon-reload") })
        && systemctl({ QStringLiteral("enable"), unitName() });
}

bool SystemdServiceController::uninstall()
{
    // A unit that some package installed elsewhere is not ours to delete.
    if (!QFile::exists(unitFilePath()))
        return false;
    systemctl({ QStringLiteral("disable"), unitName() });
    if (!QFile::remove(unitFilePath()))
        return false;
    return systemctl({ QStringLiteral("daemon-reload") });
}

bool SystemdServiceController::start()
{
    return systemctl({ QStringLiteral("start"), unitName() });
}

bool SystemdServiceController::stop()
{
    return systemctl({ QStringLiteral("stop"), unitName() });
}
