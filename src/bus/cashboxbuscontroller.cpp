#include "cashboxbuscontroller.h"

#include "cashboxbusmsgworker.h"
#include "cashboxbusqueryworker.h"
#include "frcoreconfig.h"
#include "frcoreexternalapi.h"

const QString CashboxBusController::CLIENT_NAME = QStringLiteral("orvaconfig");

CashboxBusController::CashboxBusController(QObject *parent)
    : bus::AppBusController(INTERVAL_MS, CLIENT_NAME, parent)
{
    // Requests made while the workers are down are answered here, to the same clients.
    connect(this, &bus::AppBusController::undelivered, this, &CashboxBusController::objectLoaded);
}

CashboxBusController::~CashboxBusController()
{
    stop();
}

core::FrcoreExternalApi *CashboxBusController::createFrcoreApi(QObject *parent)
{
    auto *api = new core::FrcoreExternalApi(clientName(), parent);
    connect(api, &core::FrcoreExternalApi::sendCommand, this, &CashboxBusController::sendCommand);
    connect(api, &core::FrcoreExternalApi::publish, this, &CashboxBusController::publish);
    connect(api, &core::FrcoreExternalApi::loadObject, this, &CashboxBusController::loadObject);
    connect(this, &CashboxBusController::objectLoaded, api, &core::FrcoreExternalApi::objectLoaded);
    return api;
}

void CashboxBusController::downloadSettings()
{
    if (auto *worker = qobject_cast<CashboxBusQueryWorker *>(queryWorker()))
        QMetaObject::invokeMethod(worker, &CashboxBusQueryWorker::downloadSettings);
}

bool CashboxBusController::doStart()
{
    if (isStarted())
        return true;
    if (serverName().isEmpty() || serverName() == m_resolvedName) {
        m_resolvedName = FrCoreConfig::busServerName();
        setServerName(m_resolvedName);
    }
    initWorkers(new CashboxBusMsgWorker(clientName()), new CashboxBusQueryWorker(clientName()));
    return true;
}

void CashboxBusController::connectWorkers(
    bus::AppBusMsgWorker *msgWorker, bus::AppBusQueryWorker *queryWorker)
{
    qRegisterMetaType<bus::AppBusCommand>();
    auto *msg = static_cast<CashboxBusMsgWorker *>(msgWorker);
    auto *query = static_cast<CashboxBusQueryWorker *>(queryWorker);
    connect(msg, &CashboxBusMsgWorker::settingsLoaded, this, &CashboxBusController::settingsLoaded);
    connect(
        query, &CashboxBusQueryWorker::settingsLoaded, this, &CashboxBusController::settingsLoaded);
    connect(
        query, &CashboxBusQueryWorker::settingsReady, this, &CashboxBusController::settingsReady);
    connect(msg, &bus::AppBusMsgWorker::objectLoaded, this, &CashboxBusController::objectLoaded);
    connect(this, &bus::AppBusController::commandSent, msg, &CashboxBusMsgWorker::sendCommand);
}
