#ifndef CASHBOXBUSQUERYWORKER_H
#define CASHBOXBUSQUERYWORKER_H

#include "appbusqueryworker.h"

// Fetches the registration data, the cashiers and the fiscal storage state into the shared
// storage as soon as the service is reached.
class CashboxBusQueryWorker : public bus::AppBusQueryWorker
{
    Q_OBJECT
public:
    explicit CashboxBusQueryWorker(const QString &clientName, QObject *parent = nullptr);

    // The objects this worker keeps fresh, in the order of the bus list.
    static QStringList objectList();

signals:
    void settingsReady();
    void settingsLoaded();

public slots:
    void downloadSettings();
    bool doStart() override;
};

#endif // CASHBOXBUSQUERYWORKER_H
