#include "dircreator.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace qt5ext {

const QFileDevice::Permissions DirCreator::DEFAULT_ALL = QFileDevice::ReadOwner
    | QFileDevice::WriteOwner | QFileDevice::ExeOwner | QFileDevice::ReadUser
    | QFileDevice::WriteUser | QFileDevice::ExeUser | QFileDevice::ReadGroup
    | QFileDevice::WriteGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther
    | QFileDevice::WriteOther | QFileDevice::ExeOther;

bool DirCreator::checkAndCreate(const QString &path, QFileDevice::Permissions permissions)
{
    if (path.isEmpty())
        return false;
    const QString clean = QDir::cleanPath(QDir::fromNativeSeparators(path));
    if (QFileInfo(clean).isDir())
        return true;

    // Walk up to the first existing ancestor so only the new folders get the permissions.
    QStringList missing;
    QString cur = clean;
    while (!cur.isEmpty() && !QFileInfo::exists(cur)) {
        missing.prepend(cur);
        const QString parent = QFileInfo(cur).path();
        if (parent == cur)
            break;
        cur = parent;
    }
    for (const QString &dir : qAsConst(missing)) {
        if (!QDir().mkdir(dir) && !QFileInfo(dir).isDir()) {
            qWarning().noquote() << "DIR_CREATE_FAILED" << dir;
            return false;
        }
        QFile::setPermissions(dir, permissions);
    }
    return QFileInfo(clean).isDir();
}

} // namespace qt5ext
