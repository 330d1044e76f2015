#ifndef CASHBOXBUSCONTROLLER_H
#define CASHBOXBUSCONTROLLER_H

#include "appbuscontroller.h"

namespace core {
class FrcoreExternalApi;
}

// The configurator's place on the application bus: fetches the shared objects at start
// and hands every page its own fiscal core client. The service's socket name comes from
// FrCoreConfig::busServerName() each time the controller starts, unless set by hand.
class CashboxBusController : public bus::AppBusController
{
    Q_OBJECT
public:
    static const int INTERVAL_MS = 300000;
    static const QString CLIENT_NAME;

    explicit CashboxBusController(QObject *parent = nullptr);
    ~CashboxBusController() override;

    // A new fiscal core client owned by parent, wired to this controller.
    core::FrcoreExternalApi *createFrcoreApi(QObject *parent);
    // Asks the query worker to fetch the fiscal storage state again; settingsLoaded() follows.
    void downloadSettings();

signals:
    void settingsReady();
    void settingsLoaded();
    void objectLoaded(bus::AppBusObject obj);

protected:
    bool doStart() override;
    void connectWorkers(
        bus::AppBusMsgWorker *msgWorker, bus::AppBusQueryWorker *queryWorker) override;

private:
    QString m_resolvedName;
};

#endif // CASHBOXBUSCONTROLLER_H
