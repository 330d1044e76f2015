#ifndef APPBUSQUERYHANDLER_H
#define APPBUSQUERYHANDLER_H

#include "appbusobject.h"

#include <QAtomicInt>
#include <QJsonObject>
#include <QObject>
#include <QString>

namespace bus {

class AppBusConnection;

// Blocking object loads over a connection of its own, for a worker thread.
class AppBusQueryHandler : public QObject
{
    Q_OBJECT
public:
    static const int DEFAULT_TIMEOUT_MS = 3000;

    explicit AppBusQueryHandler(const QString &clientName, QObject *parent = nullptr);
    ~AppBusQueryHandler() override;

    // Connects to the service and introduces the client; false when it is not there or
    // did not answer within the time limit.
    bool open(const QString &serverName);
    void close();
    bool isOpen() const;

    // True and the object when the service gave it within the time limit.
    bool loadObject(const QString &name, AppBusObject &object);
    // The error of the last failed open or load.
    int lastError() const { return m_lastError; }
    QString lastErrorText() const { return m_lastErrorText; }

    // From any thread: ends a wait in progress and every later one at once, so a worker
    // blocked on a silent service can be stopped. open() clears it.
    void abort() { m_aborted.storeRelease(1); }

    int timeout() const { return m_timeout; }
    void setTimeout(int msecs) { m_timeout = msecs; }

private:
    bool fail(int code, const QString &text);
    // The next message within the deadline, waiting in short steps so abort() is heard.
    bool nextMessage(QJsonObject *message, qint64 deadlineMsecs);

    QString m_clientName;
    AppBusConnection *m_connection = nullptr;
    int m_timeout = DEFAULT_TIMEOUT_MS;
    int m_lastError = 0;
    QString m_lastErrorText;
    QAtomicInt m_aborted;
};

} // namespace bus

#endif // APPBUSQUERYHANDLER_H
