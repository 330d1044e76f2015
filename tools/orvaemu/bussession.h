#ifndef BUSSESSION_H
#define BUSSESSION_H

#include <QJsonObject>
#include <QObject>

class QLocalSocket;
class RegisterModel;

namespace bus {
class AppBusConnection;
}

// One client of the fiscal core service: reads its requests, runs them on the register and
// answers them. A client must say hello (with our protocol version) before anything else.
class BusSession : public QObject
{
    Q_OBJECT
public:
    BusSession(QLocalSocket *socket, RegisterModel *model, int number, QObject *parent = nullptr);

    int number() const { return m_number; }
    QString clientName() const { return m_client; }
    bool isSubscribed() const { return m_subscribed; }
    // Answers wait this long (the work is done at once): a slow service.
    void setReplyDelay(int msecs) { m_delay = msecs; }
    void send(const QJsonObject &message);

signals:
    void closed(BusSession *session);

private slots:
    void p_message(const QJsonObject &message);

private:
    void reply(const QJsonObject &message);
    void handleHello(const QJsonObject &message);
    void handleCall(quint64 id, const QJsonObject &message);
    void handleLoad(quint64 id, const QJsonObject &message);
    void handlePublish(quint64 id, const QJsonObject &message);

    bus::AppBusConnection *m_connection;
    RegisterModel *m_model;
    int m_number;
    QString m_client;
    bool m_introduced = false;
    bool m_subscribed = false;
    int m_delay = 0;
};

#endif // BUSSESSION_H
