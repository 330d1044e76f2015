#include "cashboxbusqueryworker.h"

#include "appbusqueryhandler.h"
#include "atoltaxmap.h"
#include "cashier.h"
#include "fsstatus.h"
#include "regdata.h"

CashboxBusQueryWorker::CashboxBusQueryWorker(const QString &clientName, QObject *parent)
    : bus::AppBusQueryWorker(clientName, objectList(), parent)
{ }

QStringList CashboxBusQueryWorker::objectList()
{
    return { fiscal::RegData::BUS_OBJECT_NAME, core::Cashier::CASHIERS_OBJECT_NAME,
        fiscal::FsStatus::OBJECT_NAME, QStringLiteral("settings.frcore"),
        core::AtolTaxMap::OBJECT_NAME };
}

bool CashboxBusQueryWorker::doStart()
{
    const bool started = bus::AppBusQueryWorker::doStart();
    if (!queryHandler() || !queryHandler()->isOpen())
        return started;
    for (const QString &name : { fiscal::RegData::BUS_OBJECT_NAME,
             core::Cashier::CASHIERS_OBJECT_NAME, fiscal::FsStatus::OBJECT_NAME })
        loadAndStore(name);
    emit settingsReady();
    return started;
}

void CashboxBusQueryWorker::downloadSettings()
{
    if (!queryHandler() || !queryHandler()->isOpen())
        return;
    if (loadAndStore(fiscal::FsStatus::OBJECT_NAME))
        emit settingsLoaded();
}
