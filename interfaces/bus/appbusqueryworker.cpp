#include "appbusqueryworker.h"

#include "appbusqueryhandler.h"
#include "sharedobjectsstorage.h"

#include <QDebug>
#include <QTimer>

namespace bus {

AppBusQueryWorker::AppBusQueryWorker(
    const QString &clientName, const QStringList &objectNames, QObject *parent)
    : qt5ext::AbstractWorker(parent), m_clientName(clientName), m_objectNames(objectNames)
{ }

AppBusQueryWorker::~AppBusQueryWorker() = default;

bool AppBusQueryWorker::doStart()
{
    if (!m_handler) {
        m_handler = new AppBusQueryHandler(m_clientName, this);
        m_handlerForAbort.storeRelease(m_handler);
    }
    if (!m_refreshTimer) {
        m_refreshTimer = new QTimer(this);
        connect(m_refreshTimer, &QTimer::timeout, this, &AppBusQueryWorker::refresh);
        m_retryTimer = new QTimer(this);
        m_retryTimer->setSingleShot(true);
        m_retryTimer->setInterval(RETRY_INTERVAL_MS);
        // restart() runs the derived doStart() again.
        connect(m_retryTimer, &QTimer::timeout, this, &AppBusQueryWorker::restart);
    }
    if (!m_handler->isOpen() && !m_handler->open(m_serverName)) {
        m_refreshTimer->stop();
        m_retryTimer->start();
        return false;
    }
    m_refreshTimer->start(m_interval);
    return true;
}

bool AppBusQueryWorker::doStop()
{
    if (m_refreshTimer) {
        m_refreshTimer->stop();
        m_retryTimer->stop();
    }
    if (m_handler)
        m_handler->close();
    return true;
}

void AppBusQueryWorker::abortLoads()
{
    // The handler is made in this worker's thread; once made it lives as long as the worker.
    if (AppBusQueryHandler *h = m_handlerForAbort.loadAcquire())
        h->abort();
}

bool AppBusQueryWorker::loadAndStore(const QString &name)
{
    if (!m_handler || !m_handler->isOpen())
        return false;
    AppBusObject object;
    if (!m_handler->loadObject(name, object)) {
        qWarning().noquote() << "BUS_LOAD_FAILED" << name << m_handler->lastErrorText();
        if (!m_handler->isOpen() && m_retryTimer && !m_retryTimer->isActive())
            m_retryTimer->start();
        return false;
    }
    SharedObjectsStorage::store(object);
    return true;
}

void AppBusQueryWorker::refresh()
{
    if (!m_handler || !m_handler->isOpen()) {
        // Not (or no longer) connected: reconnect, which fetches what doStart() fetches.
        if (m_handler && (!m_retryTimer || !m_retryTimer->isActive()))
            restart();
        return;
    }
    for (const QString &name : qAsConst(m_objectNames))
        loadAndStore(name);
}

} // namespace bus
