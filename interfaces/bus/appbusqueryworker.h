#ifndef APPBUSQUERYWORKER_H
#define APPBUSQUERYWORKER_H

#include "abstractworker.h"

#include <QAtomicPointer>
#include <QString>
#include <QStringList>

class QTimer;

namespace bus {

class AppBusQueryHandler;

// Fetches a list of objects into the shared storage, in a thread of its own: once the
// service is reached and again every interval. While the service is not there it tries
// again every few seconds, running doStart() anew.
class AppBusQueryWorker : public qt5ext::AbstractWorker
{
    Q_OBJECT
public:
    static const int RETRY_INTERVAL_MS = 2000;

    AppBusQueryWorker(
        const QString &clientName, const QStringList &objectNames, QObject *parent = nullptr);
    ~AppBusQueryWorker() override;

    QString clientName() const { return m_clientName; }
    QStringList objectNames() const { return m_objectNames; }
    // Both set before the worker's thread starts.
    void setServerName(const QString &name) { m_serverName = name; }
    QString serverName() const { return m_serverName; }
    void setInterval(int msecs) { m_interval = msecs; }
    int interval() const { return m_interval; }

    // Opens the query handler; then refreshes every interval, or retries when it failed.
    bool doStart() override;
    bool doStop() override;
    // From any thread: makes a load in progress give up at once (before doStop()).
    void abortLoads();

public slots:
    // Loads every listed object into the shared storage; reconnects first when the
    // connection is gone.
    virtual void refresh();

protected:
    AppBusQueryHandler *queryHandler() const { return m_handler; }
    // Loads one object and stores it; false when it did not load.
    bool loadAndStore(const QString &name);

private:
    QString m_clientName;
    QStringList m_objectNames;
    QString m_serverName;
    int m_interval = 300000;
    AppBusQueryHandler *m_handler = nullptr;
    QAtomicPointer<AppBusQueryHandler> m_handlerForAbort;
    QTimer *m_refreshTimer = nullptr;
    QTimer *m_retryTimer = nullptr;
};

} // namespace bus

#endif // APPBUSQUERYWORKER_H
