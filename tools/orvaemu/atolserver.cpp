#include "atolserver.h"

#include <QDebug>
#include <QTcpSocket>

AtolServer::AtolServer(RegisterModel *model, FaultInjector *faults,
    const AtolSession::Options &options, QObject *parent)
    : QObject(parent), m_model(model), m_faults(faults), m_options(options)
{
    connect(&m_server, &QTcpServer::newConnection, this, &AtolServer::acceptConnections);
}

bool AtolServer::listen(quint16 port)
{
    return m_server.listen(QHostAddress::LocalHost, port);
}

void AtolServer::acceptConnections()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        const int number = ++m_connections;
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        auto *session = new AtolSession(socket, m_model, m_faults, m_options, number, socket);
        Q_UNUSED(session)
        qInfo().noquote()
            << QStringLiteral("connection %1 from port %2").arg(number).arg(socket->peerPort());
        connect(socket, &QTcpSocket::disconnected, socket, [socket, number]() {
            qInfo().noquote() << QStringLiteral("connection %1 closed").arg(number);
            socket->deleteLater();
        });
    }
}
