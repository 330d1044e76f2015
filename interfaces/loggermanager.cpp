#include "loggermanager.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QThread>

#include <cstdio>

namespace qt5ext {

namespace {

// The message handler is called from any thread; this state is shared by all of them.
struct LoggerState
{
    QMutex mutex;
    QFile file;
    QString dir;
    QString baseName;
    int outputs = LoggerManager::FileOutput;
    int filesToKeep = 10;
    QtMsgType minLevel = QtDebugMsg;
    qint64 maxFileSize = 4 * 1024 * 1024;
    bool installed = false;
    bool fileBroken = false;
    QtMessageHandler previous = nullptr;
};

LoggerState &state()
{
    static LoggerState s;
    return s;
}

int severity(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg:
        return 0;
    case QtInfoMsg:
        return 1;
    case QtWarningMsg:
        return 2;
    case QtCriticalMsg:
        return 3;
    case QtFatalMsg:
        return 4;
    }
    return 0;
}

const char *levelTag(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg:
        return "D";
    case QtInfoMsg:
        return "I";
    case QtWarningMsg:
        return "W";
    case QtCriticalMsg:
        return "C";
    case QtFatalMsg:
        return "F";
    }
    return "?";
}

QString rotatedName(const LoggerState &s, int index)
{
    if (index == 0)
        return s.dir + QLatin1Char('/') + s.baseName + QLatin1String(".log");
    return s.dir + QLatin1Char('/') + s.baseName + QLatin1Char('.') + QString::number(index)
        + QLatin1String(".log");
}

bool openCurrent(LoggerState &s)
{
    s.file.close();
    s.file.setFileName(rotatedName(s, 0));
    s.fileBroken = !s.file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text);
    return !s.fileBroken;
}

void rotate(LoggerState &s)
{
    s.file.close();
    const int keep = qMax(1, s.filesToKeep);
    QFile::remove(rotatedName(s, keep - 1));
    for (int i = keep - 2; i >= 0; --i) {
        if (QFile::exists(rotatedName(s, i)))
            QFile::rename(rotatedName(s, i), rotatedName(s, i + 1));
    }
    openCurrent(s);
}

void messageHandler(QtMsgType type, const QMessageLogContext &, const QString &msg)
{
    LoggerState &s = state();
    const QByteArray line
        = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")).toUtf8()
        + ' ' + levelTag(type) + ' '
        + QByteArray::number(reinterpret_cast<quintptr>(QThread::currentThreadId()), 16) + ' '
        + msg.toUtf8() + '\n';

    {
        QMutexLocker lock(&s.mutex);
        if (severity(type) >= severity(s.minLevel)) {
            bool written = false;
            if ((s.outputs & LoggerManager::FileOutput) && !s.fileBroken && s.file.isOpen()) {
                if (s.file.size() + line.size() > s.maxFileSize)
                    rotate(s);
                if (s.file.isOpen() && s.file.write(line) == line.size()) {
                    s.file.flush();
                    written = true;
                } else {
                    s.fileBroken = true;
                }
            }
            if (!written || (s.outputs & LoggerManager::StderrOutput)) {
                fwrite(line.constData(), 1, size_t(line.size()), stderr);
                fflush(stderr);
            }
        }
    }
    if (type == QtFatalMsg)
        abort();
}

} // namespace

void LoggerManager::setDebugOuts(int outputs)
{
    QMutexLocker lock(&state().mutex);
    state().outputs = outputs;
}

int LoggerManager::debugOuts()
{
    QMutexLocker lock(&state().mutex);
    return state().outputs;
}

bool LoggerManager::initLog(const QString &path, int filesToKeep, QtMsgType minLevel)
{
    LoggerState &s = state();
    bool ok = false;
    {
        QMutexLocker lock(&s.mutex);
        s.dir = QDir::cleanPath(path);
        s.baseName = QCoreApplication::applicationName().isEmpty()
            ? QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName()
            : QCoreApplication::applicationName();
        if (s.baseName.isEmpty())
            s.baseName = QStringLiteral("app");
        s.filesToKeep = qMax(1, filesToKeep);
        s.minLevel = minLevel;
        if (s.outputs & FileOutput) {
            QDir().mkpath(s.dir);
            ok = openCurrent(s);
        }
        if (!s.installed) {
            s.previous = qInstallMessageHandler(messageHandler);
            s.installed = true;
        }
    }
    if (!ok && (s.outputs & FileOutput))
        qWarning().noquote() << "LOGGER cannot write to" << path << "- logging to stderr";
    return ok;
}

void LoggerManager::releaseLog()
{
    LoggerState &s = state();
    QMutexLocker lock(&s.mutex);
    if (s.installed) {
        qInstallMessageHandler(s.previous);
        s.installed = false;
        s.previous = nullptr;
    }
    s.file.close();
}

void LoggerManager::setMaxFileSize(qint64 bytes)
{
    QMutexLocker lock(&state().mutex);
    state().maxFileSize = qMax<qint64>(256, bytes);
}

qint64 LoggerManager::maxFileSize()
{
    QMutexLocker lock(&state().mutex);
    return state().maxFileSize;
}

QString LoggerManager::currentFile()
{
    LoggerState &s = state();
    QMutexLocker lock(&s.mutex);
    return (s.file.isOpen() && !s.fileBroken) ? s.file.fileName() : QString();
}

} // namespace qt5ext
