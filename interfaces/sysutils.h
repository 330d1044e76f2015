#ifndef SYSUTILS_H
#define SYSUTILS_H

#include <QString>

namespace qt5ext {

class SysUtils
{
public:
    // Releases a stale UUCP lock ("LCK..ttyS0") of the serial port whose owner process is
    // gone. force also removes a lock whose owner is alive. True when no lock remains.
    // Does nothing (and answers true) where serial ports are not locked by files.
    static bool unlockPort(const QString &portName, bool force);

    // Folders searched for lock files; the system ones by default.
    static void setLockDirectories(const QStringList &dirs);
    static QStringList lockDirectories();
};

} // namespace qt5ext

#endif // SYSUTILS_H
