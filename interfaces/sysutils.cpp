#include "sysutils.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <cstring>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <signal.h>
#include <sys/types.h>
#endif

namespace qt5ext {

namespace {
QStringList &lockDirs()
{
    static QStringList dirs { QStringLiteral("/var/lock"), QStringLiteral("/run/lock"),
        QStringLiteral("/var/spool/lock") };
    return dirs;
}

#ifdef Q_OS_UNIX
// A lock file holds the owner's pid as ASCII (HDB style) or as a binary int (old style).
qint64 lockOwner(const QByteArray &content)
{
    bool ok = false;
    const qint64 pid = content.trimmed().toLongLong(&ok);
    if (ok)
        return pid;
    if (content.size() == 4) {
        qint32 bin = 0;
        memcpy(&bin, content.constData(), 4);
        return bin;
    }
    return -1;
}

bool processAlive(qint64 pid)
{
    if (pid <= 0)
        return false;
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}
#endif
} // namespace

bool SysUtils::unlockPort(const QString &portName, bool force)
{
#ifdef Q_OS_UNIX
    const QString base = QFileInfo(portName).fileName();
    if (base.isEmpty())
        return true;
    bool clear = true;
    for (const QString &dir : qAsConst(lockDirs())) {
        const QString path = dir + QStringLiteral("/LCK..") + base;
        QFile f(path);
        if (!f.exists())
            continue;
        qint64 pid = -1;
        if (f.open(QIODevice::ReadOnly)) {
            pid = lockOwner(f.read(64));
            f.close();
        }
        if (force || !processAlive(pid)) {
            if (QFile::remove(path)) {
                qDebug().noquote() << "PORT_LOCK_RELEASED" << path << "PID=" << pid;
                continue;
            }
            qWarning().noquote() << "PORT_LOCK_REMOVE_FAILED" << path;
        }
        clear = false;
    }
    return clear;
#else
    Q_UNUSED(portName)
    Q_UNUSED(force)
    return true;
#endif
}

void SysUtils::setLockDirectories(const QStringList &dirs)
{
    lockDirs() = dirs;
}

QStringList SysUtils::lockDirectories()
{
    return lockDirs();
}

} // namespace qt5ext
