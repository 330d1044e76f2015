#include "appbusqueryhandler.h"

#include "appbuscommand.h"
#include "appbusconnection.h"
#include "appbusprotocol.h"
#include "frcoreerror.h"

#include <QDeadlineTimer>
#include <QLocalSocket>

namespace bus {

AppBusQueryHandler::AppBusQueryHandler(const QString &clientName, QObject *parent)
    : QObject(parent), m_clientName(clientName)
{ }

AppBusQueryHandler::~AppBusQueryHandler()
{
    close();
}

bool AppBusQueryHandler::fail(int code, const QString &text)
{
    m_lastError = code;
    m_lastErrorText = text;
    return false;
}

bool AppBusQueryHandler::nextMessage(QJsonObject *message, qint64 deadlineMsecs)
{
    const QDeadlineTimer deadline(deadlineMsecs);
    while (!m_aborted.loadAcquire() && isOpen() && !deadline.hasExpired()) {
        if (m_connection->waitForMessage(
                message, int(qBound<qint64>(1, deadline.remainingTime(), 50))))
            return true;
    }
    return false;
}

bool AppBusQueryHandler::open(const QString &serverName)
{
    close();
    m_aborted.storeRelease(0);
    auto *socket = new QLocalSocket;
    m_connection = new AppBusConnection(socket, this);
    socket->connectToServer(serverName);
    if (!socket->waitForConnected(m_timeout)) {
        const QString why = socket->errorString();
        close();
        return fail(core::ErrorNoService, why);
    }
    m_connection->send(protocol::hello(m_clientName, false));
    QJsonObject message;
    QDeadlineTimer deadline(m_timeout);
    while (nextMessage(&message, deadline.remainingTime())) {
        const QString type = message.value(QStringLiteral("type")).toString();
        if (type == protocol::WELCOME) {
            m_lastError = 0;
            m_lastErrorText.clear();
            return true;
        }
        AppBusObject answer;
        if (type == protocol::ERROR && protocol::toAnswer(message, &answer)) {
            close();
            return fail(answer.errorCode(), answer.errorText());
        }
    }
    close();
    return fail(core::ErrorTimeout, QStringLiteral("the service did not answer the hello"));
}

void AppBusQueryHandler::close()
{
    if (!m_connection)
        return;
    m_connection->close();
    delete m_connection;
    m_connection = nullptr;
}

bool AppBusQueryHandler::isOpen() const
{
    return m_connection && m_connection->isConnected();
}

bool AppBusQueryHandler::loadObject(const QString &name, AppBusObject &object)
{
    if (!isOpen())
        return fail(core::ErrorNoService, QStringLiteral("not connected"));
    const quint64 id = AppBusCommand::nextId();
    if (!m_connection->send(protocol::load(id, name)))
        return fail(core::ErrorNoService, QStringLiteral("not connected"));
    QJsonObject message;
    QDeadlineTimer deadline(m_timeout);
    while (nextMessage(&message, deadline.remainingTime())) {
        AppBusObject answer;
        if (!protocol::toAnswer(message, &answer) || answer.requestId() != id)
            continue;
        if (answer.isError())
            return fail(answer.errorCode(), answer.errorText());
        if (answer.kind() != AppBusObject::Object || answer.name() != name)
            return fail(core::ErrorProtocol, QStringLiteral("unexpected answer to a load"));
        object = answer;
        object.setRequestId(0);
        m_lastError = 0;
        m_lastErrorText.clear();
        return true;
    }
    if (m_aborted.loadAcquire())
        return fail(core::ErrorNoService, QStringLiteral("stopped"));
    if (!isOpen())
        return fail(core::ErrorNoService, QStringLiteral("the connection ended"));
    return fail(core::ErrorTimeout, QStringLiteral("no answer within %1 ms").arg(m_timeout));
}

} // namespace bus
