#ifndef ATOLSERVER_H
#define ATOLSERVER_H

#include "atolsession.h"

#include <QObject>
#include <QTcpServer>

class FaultInjector;
class RegisterModel;

// Listens on the loopback address and gives every connection its own session (and task
// buffer) in front of the one register.
class AtolServer : public QObject
{
    Q_OBJECT
public:
    AtolServer(RegisterModel *model, FaultInjector *faults, const AtolSession::Options &options,
        QObject *parent = nullptr);

    bool listen(quint16 port);
    quint16 port() const { return m_server.serverPort(); }
    QString errorString() const { return m_server.errorString(); }

private slots:
    void acceptConnections();

private:
    QTcpServer m_server;
    RegisterModel *m_model;
    FaultInjector *m_faults;
    AtolSession::Options m_options;
    int m_connections = 0;
};

#endif // ATOLSERVER_H
