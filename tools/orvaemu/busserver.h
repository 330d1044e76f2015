#ifndef BUSSERVER_H
#define BUSSERVER_H

#include <QHash>
#include <QList>
#include <QLocalServer>
#include <QObject>
#include <QVariantMap>

class BusSession;
class RegisterModel;

// The register's fiscal core service on a local socket that only its user may open. Clients
// that subscribe get every shared object again whenever the register's state changes it.
class BusServer : public QObject
{
    Q_OBJECT
public:
    explicit BusServer(RegisterModel *model, QObject *parent = nullptr);
    ~BusServer() override;

    // A socket left behind by a dead service is replaced; a live one is not.
    bool listen(const QString &name);
    QString fullServerName() const { return m_server.fullServerName(); }
    QString errorString() const { return m_error; }
    void setReplyDelay(int msecs) { m_delay = msecs; }

private slots:
    void acceptConnections();
    void p_stateChanged();

private:
    QLocalServer m_server;
    RegisterModel *m_model;
    QList<BusSession *> m_sessions;
    QHash<QString, QVariantMap> m_published;
    QString m_error;
    int m_delay = 0;
    int m_connections = 0;
};

#endif // BUSSERVER_H
