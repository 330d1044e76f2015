#include "busserver.h"

#include "appbusprotocol.h"
#include "bussession.h"
#include "registermodel.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QJsonObject>
#include <QLocalSocket>

BusServer::BusServer(RegisterModel *model, QObject *parent) : QObject(parent), m_model(model)
{
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&m_server, &QLocalServer::newConnection, this, &BusServer::acceptConnections);
    connect(m_model, &RegisterModel::stateChanged, this, &BusServer::p_stateChanged);
    for (const QString &name : RegisterModel::coreObjectNames())
        m_published.insert(name, m_model->coreObject(name).value);
}

BusServer::~BusServer()
{
    m_server.close();
}

bool BusServer::listen(const QString &name)
{
    if (name.contains(QLatin1Char('/')))
        QDir().mkpath(QFileInfo(name).absolutePath());
    if (m_server.listen(name))
        return true;
    if (m_server.serverError() == QAbstractSocket::AddressInUseError) {
        QLocalSocket probe;
        probe.connectToServer(name);
        if (probe.waitForConnected(500)) {
            m_error = QStringLiteral("another service is listening there");
            return false;
        }
        QLocalServer::removeServer(name);
        if (m_server.listen(name))
            return true;
    }
    m_error = m_server.errorString();
    return false;
}

void BusServer::acceptConnections()
{
    while (QLocalSocket *socket = m_server.nextPendingConnection()) {
        auto *session = new BusSession(socket, m_model, ++m_connections, this);
        session->setReplyDelay(m_delay);
        m_sessions.append(session);
        qInfo().noquote() << QStringLiteral("bus connection %1").arg(session->number());
        connect(session, &BusSession::closed, this, [this](BusSession *s) {
            qInfo().noquote() << QStringLiteral("bus connection %1 closed").arg(s->number());
            m_sessions.removeOne(s);
            s->deleteLater();
        });
    }
}

void BusServer::p_stateChanged()
{
    for (const QString &name : RegisterModel::coreObjectNames()) {
        const QVariantMap content = m_model->coreObject(name).value;
        if (m_published.value(name) == content)
            continue;
        m_published.insert(name, content);
        const QJsonObject message
            = bus::protocol::object(0, name, QJsonObject::fromVariantMap(content));
        for (BusSession *s : qAsConst(m_sessions)) {
            if (s->isSubscribed())
                s->send(message);
        }
    }
}
