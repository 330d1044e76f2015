#include "cashboxbusmsgworker.h"

#include "fsstatus.h"

CashboxBusMsgWorker::CashboxBusMsgWorker(const QString &clientName, QObject *parent)
    : bus::AppBusMsgWorker(clientName, SubscribeObjects, parent)
{
    connect(this, &CashboxBusMsgWorker::sendCommand, this, &bus::AppBusMsgWorker::processCommand);
}

void CashboxBusMsgWorker::incomingObject(const bus::AppBusObject &object)
{
    unprocessedObject(object);
    if (object.name() == fiscal::FsStatus::OBJECT_NAME)
        emit settingsLoaded();
}
