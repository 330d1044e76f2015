#ifndef CASHBOXBUSMSGWORKER_H
#define CASHBOXBUSMSGWORKER_H

#include "appbusmsgworker.h"

// The configurator's message worker: every object the service sends goes to the shared
// storage and on to the pages unchanged.
class CashboxBusMsgWorker : public bus::AppBusMsgWorker
{
    Q_OBJECT
public:
    explicit CashboxBusMsgWorker(const QString &clientName, QObject *parent = nullptr);

signals:
    // A new fiscal storage state arrived.
    void settingsLoaded();
    // Commands for the service; the controller feeds this signal.
    void sendCommand(bus::AppBusCommand cms);

protected:
    void incomingObject(const bus::AppBusObject &object) override;
};

#endif // CASHBOXBUSMSGWORKER_H
