#ifndef APPBUSCONTROLLER_H
#define APPBUSCONTROLLER_H

#include "abstractworkercontroller.h"
#include "appbuscommand.h"
#include "appbusmsgworker.h"
#include "appbusobject.h"
#include "appbusqueryworker.h"

#include <QPointer>
#include <QString>

namespace bus {

// Joins a client to the application bus: a message worker and a query worker, each in its
// own thread, handed over by the derived class with initWorkers() from doStart(). Commands,
// publications and loads sent to the controller go to the message worker; while no worker
// runs they are answered at once with ErrorNoService through undelivered().
class AppBusController : public qt5ext::AbstractWorkerController
{
    Q_OBJECT
public:
    AppBusController(int interval, const QString &clientName, QObject *parent = nullptr);
    ~AppBusController() override;

    int interval() const { return m_interval; }
    QString clientName() const { return m_clientName; }
    // The service's local socket; set before start().
    QString serverName() const { return m_serverName; }
    void setServerName(const QString &name) { m_serverName = name; }
    // The message worker's connection, as last reported.
    bool isConnected() const { return m_connected; }

signals:
    // Towards the message worker.
    void commandSent(bus::AppBusCommand command);
    void objectPublished(bus::AppBusObject object);
    void objectRequested(QString name);
    // The answer to a request that no worker could take.
    void undelivered(bus::AppBusObject answer);
    void connectionChanged(bool connected);

public slots:
    void sendCommand(bus::AppBusCommand command);
    void publish(bus::AppBusObject object);
    void loadObject(QString name);

protected:
    // Gives the workers their threads and runs the connection hook.
    void initWorkers(AppBusMsgWorker *msgWorker, AppBusQueryWorker *queryWorker);
    // Connects the workers to the controller. The default sends commandSent() to the message
    // worker's processCommand().
    virtual void connectWorkers(AppBusMsgWorker *msgWorker, AppBusQueryWorker *queryWorker);
    void doStop() override;

    AppBusMsgWorker *msgWorker() const { return m_msgWorker; }
    AppBusQueryWorker *queryWorker() const { return m_queryWorker; }

private slots:
    void p_connectionChanged(bool connected);

private:
    int m_interval;
    QString m_clientName;
    QString m_serverName;
    QPointer<AppBusMsgWorker> m_msgWorker;
    QPointer<AppBusQueryWorker> m_queryWorker;
    bool m_connected = false;
};

} // namespace bus

#endif // APPBUSCONTROLLER_H
