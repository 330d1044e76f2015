#ifndef LOGGERMANAGER_H
#define LOGGERMANAGER_H

#include <QString>
#include <QtGlobal>

namespace qt5ext {

// Routes every qDebug/qWarning/qCritical line of the process into rotating log files.
class LoggerManager
{
public:
    enum Output {
        FileOutput = 0x1, // lines go to the log files
        StderrOutput = 0x2, // lines are mirrored to standard error
    };

    // Bit set of Output values; takes effect at the next initLog.
    static void setDebugOuts(int outputs);
    static int debugOuts();

    // Installs the message handler. filesToKeep is how many files survive rotation (the
    // current one included); lines below minLevel are dropped.
    static bool initLog(const QString &path, int filesToKeep, QtMsgType minLevel);
    static void releaseLog();

    // Rotation threshold; one file grows up to this size before it is rotated.
    static void setMaxFileSize(qint64 bytes);
    static qint64 maxFileSize();

    // Current log file; empty when logging falls back to standard error.
    static QString currentFile();
};

} // namespace qt5ext

#endif // LOGGERMANAGER_H
