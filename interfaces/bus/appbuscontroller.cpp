#include "appbuscontroller.h"

#include "appbusmsgworker.h"
#include "appbusqueryworker.h"
#include "frcoreerror.h"

namespace bus {

AppBusController::AppBusController(int interval, const QString &clientName, QObject *parent)
    : qt5ext::AbstractWorkerController(parent), m_interval(interval), m_clientName(clientName)
{
    qRegisterMetaType<bus::AppBusCommand>();
    qRegisterMetaType<bus::AppBusObject>();
}

AppBusController::~AppBusController()
{
    if (m_queryWorker)
        m_queryWorker->abortLoads();
    doKillThreads();
}

void AppBusController::initWorkers(AppBusMsgWorker *msgWorker, AppBusQueryWorker *queryWorker)
{
    m_msgWorker = msgWorker;
    m_queryWorker = queryWorker;
    msgWorker->setServerName(m_serverName);
    queryWorker->setServerName(m_serverName);
    queryWorker->setInterval(m_interval);
    connect(this, &AppBusController::objectPublished, msgWorker, &AppBusMsgWorker::publishObject);
    connect(this, &AppBusController::objectRequested, msgWorker, &AppBusMsgWorker::requestObject);
    connect(msgWorker, &AppBusMsgWorker::connectionChanged, this,
        &AppBusController::p_connectionChanged);
    // Whatever changed while the service was away was never sent: fetch it all again.
    connect(msgWorker, &AppBusMsgWorker::connectionChanged, queryWorker, [queryWorker](bool up) {
        if (up)
            queryWorker->refresh();
    });
    connectWorkers(msgWorker, queryWorker);
    addWorkerToThread(msgWorker);
    addWorkerToThread(queryWorker);
}

void AppBusController::connectWorkers(AppBusMsgWorker *msgWorker, AppBusQueryWorker *)
{
    connect(this, &AppBusController::commandSent, msgWorker, &AppBusMsgWorker::processCommand);
}

void AppBusController::doStop()
{
    // A query worker blocked on a silent service would hold the join up to its time limit.
    if (m_queryWorker)
        m_queryWorker->abortLoads();
    m_msgWorker.clear();
    m_queryWorker.clear();
    qt5ext::AbstractWorkerController::doStop();
    p_connectionChanged(false);
}

void AppBusController::p_connectionChanged(bool connected)
{
    if (connected == m_connected)
        return;
    m_connected = connected;
    emit connectionChanged(connected);
}

void AppBusController::sendCommand(bus::AppBusCommand command)
{
    if (!m_msgWorker) {
        emit undelivered(AppBusObject::error(command.operation(), command.id(),
            core::ErrorNoService, QStringLiteral("Шина приложений не запущена")));
        return;
    }
    emit commandSent(command);
}

void AppBusController::publish(bus::AppBusObject object)
{
    if (!m_msgWorker) {
        emit undelivered(AppBusObject::error(object.name(), object.requestId(),
            core::ErrorNoService, QStringLiteral("Шина приложений не запущена")));
        return;
    }
    emit objectPublished(object);
}

void AppBusController::loadObject(QString name)
{
    if (!m_msgWorker) {
        emit undelivered(AppBusObject::error(name, 0, core::ErrorNoService,
            QStringLiteral("Шина приложений не запущена"), AppBusObject::Object));
        return;
    }
    emit objectRequested(name);
}

} // namespace bus
