#ifndef APPBUSMSGWORKER_H
#define APPBUSMSGWORKER_H

#include "abstractworker.h"
#include "appbuscommand.h"
#include "appbusobject.h"

#include <QHash>
#include <QJsonObject>
#include <QString>

class QTimer;

namespace bus {

class AppBusConnection;

// Carries commands, publications and object loads to the service and brings back replies,
// progress and objects, in a thread of its own. Requests made while the service is not
// there are answered at once with an ErrorNoService reply; requests open when the
// connection ends are answered the same way.
class AppBusMsgWorker : public qt5ext::AbstractWorker
{
    Q_OBJECT
public:
    enum Option {
        NoOptions = 0,
        SubscribeObjects = 1, // receive the objects the service sends when they change
    };

    static const int RECONNECT_INTERVAL_MS = 2000;
    static const int CONNECT_TIMEOUT_MS = 1000;

    AppBusMsgWorker(const QString &clientName, int options, QObject *parent = nullptr);
    ~AppBusMsgWorker() override;

    QString clientName() const { return m_clientName; }
    int options() const { return m_options; }
    // Set before the worker's thread starts.
    void setServerName(const QString &name) { m_serverName = name; }
    QString serverName() const { return m_serverName; }

    bool doStart() override;
    bool doStop() override;

signals:
    // Replies, progress, loaded objects and objects sent by the service.
    void objectLoaded(bus::AppBusObject obj);
    void connectionChanged(bool connected);

public slots:
    void processCommand(bus::AppBusCommand command);
    void publishObject(bus::AppBusObject object);
    void requestObject(QString name);

protected:
    // An object the service sent of its own accord. Derived workers pass what they do not
    // handle to unprocessedObject().
    virtual void incomingObject(const AppBusObject &object);
    // Stores the object in the shared storage and emits objectLoaded().
    void unprocessedObject(const AppBusObject &object);

private slots:
    void p_message(const QJsonObject &message);
    void p_badMessage(const QString &error);
    void p_disconnected();
    void p_reconnect();

private:
    struct Pending
    {
        QString name;
        AppBusObject::Kind kind;
    };

    bool ensureConnected();
    void send(quint64 id, const Pending &pending, const QJsonObject &message);
    void failAll(int code, const QString &text);

    QString m_clientName;
    int m_options;
    QString m_serverName;
    AppBusConnection *m_connection = nullptr;
    QTimer *m_reconnectTimer = nullptr;
    QHash<quint64, Pending> m_pending;
    bool m_stopping = false;
};

} // namespace bus

#endif // APPBUSMSGWORKER_H
