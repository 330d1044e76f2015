#ifndef DIRCREATOR_H
#define DIRCREATOR_H

#include <QFileDevice>
#include <QString>

namespace qt5ext {

class DirCreator
{
public:
    // Read, write and enter for everybody: the folders are shared by the configurator and
    // the driver's service, which runs as another account.
    static const QFileDevice::Permissions DEFAULT_ALL;

    // Creates the folder and its missing parents; the permissions are given to the folders
    // created here, existing ones are left alone. True when the folder exists afterwards.
    static bool checkAndCreate(
        const QString &path, QFileDevice::Permissions permissions = DEFAULT_ALL);
};

} // namespace qt5ext

#endif // DIRCREATOR_H
