#include "appbusmsgworker.h"

#include "appbusconnection.h"
#include "appbusprotocol.h"
#include "frcoreerror.h"
#include "sharedobjectsstorage.h"

#include <QDebug>
#include <QJsonObject>
#include <QLocalSocket>
#include <QTimer>

#include <utility>

namespace bus {

namespace {

const QString NO_SERVICE = QStringLiteral("Нет связи с сервисом фискального ядра");

} // namespace

AppBusMsgWorker::AppBusMsgWorker(const QString &clientName, int options, QObject *parent)
    : qt5ext::AbstractWorker(parent), m_clientName(clientName), m_options(options)
{ }

AppBusMsgWorker::~AppBusMsgWorker() = default;

bool AppBusMsgWorker::doStart()
{
    m_stopping = false;
    if (!m_reconnectTimer) {
        m_reconnectTimer = new QTimer(this);
        m_reconnectTimer->setSingleShot(true);
        m_reconnectTimer->setInterval(RECONNECT_INTERVAL_MS);
        connect(m_reconnectTimer, &QTimer::timeout, this, &AppBusMsgWorker::p_reconnect);
    }
    if (!ensureConnected())
        m_reconnectTimer->start();
    return true;
}

bool AppBusMsgWorker::doStop()
{
    m_stopping = true;
    if (m_reconnectTimer)
        m_reconnectTimer->stop();
    failAll(core::ErrorNoService, NO_SERVICE);
    if (m_connection) {
        m_connection->disconnect(this);
        m_connection->close();
        delete m_connection;
        m_connection = nullptr;
    }
    return true;
}

bool AppBusMsgWorker::ensureConnected()
{
    if (m_connection && m_connection->isConnected())
        return true;
    if (m_stopping || m_serverName.isEmpty())
        return false;
    if (m_connection) {
        m_connection->disconnect(this);
        delete m_connection;
        m_connection = nullptr;
    }
    auto *socket = new QLocalSocket;
    socket->connectToServer(m_serverName);
    // A local socket is refused at once when nobody listens.
    if (!socket->waitForConnected(CONNECT_TIMEOUT_MS)) {
        delete socket;
        return false;
    }
    m_connection = new AppBusConnection(socket, this);
    connect(m_connection, &AppBusConnection::messageReceived, this, &AppBusMsgWorker::p_message);
    connect(m_connection, &AppBusConnection::badMessage, this, &AppBusMsgWorker::p_badMessage);
    connect(m_connection, &AppBusConnection::disconnected, this, &AppBusMsgWorker::p_disconnected,
        Qt::QueuedConnection);
    m_connection->send(protocol::hello(m_clientName, m_options & SubscribeObjects));
    qDebug().noquote() << "BUS_CONNECTED" << m_serverName;
    emit connectionChanged(true);
    return true;
}

void AppBusMsgWorker::p_reconnect()
{
    if (!ensureConnected() && !m_stopping)
        m_reconnectTimer->start();
}

void AppBusMsgWorker::p_disconnected()
{
    if (m_connection && m_connection->isConnected())
        return;
    qDebug().noquote() << "BUS_DISCONNECTED" << m_serverName;
    failAll(core::ErrorNoService, NO_SERVICE);
    emit connectionChanged(false);
    if (m_connection) {
        m_connection->disconnect(this);
        m_connection->deleteLater();
        m_connection = nullptr;
    }
    if (!m_stopping && m_reconnectTimer)
        m_reconnectTimer->start();
}

void AppBusMsgWorker::failAll(int code, const QString &text)
{
    const QHash<quint64, Pending> pending = std::exchange(m_pending, {});
    for (auto it = pending.cbegin(); it != pending.cend(); ++it)
        emit objectLoaded(AppBusObject::error(it->name, it.key(), code, text, it->kind));
}

void AppBusMsgWorker::send(quint64 id, const Pending &pending, const QJsonObject &message)
{
    if (!ensureConnected() || !m_connection->send(message)) {
        emit objectLoaded(
            AppBusObject::error(pending.name, id, core::ErrorNoService, NO_SERVICE, pending.kind));
        return;
    }
    m_pending.insert(id, pending);
}

void AppBusMsgWorker::processCommand(bus::AppBusCommand command)
{
    if (!command.isValid()) {
        emit objectLoaded(AppBusObject::error(command.operation(), command.id(),
            protocol::BadMessage, QStringLiteral("invalid command")));
        return;
    }
    send(command.id(), { command.operation(), AppBusObject::Reply },
        protocol::call(
            command.id(), command.operation(), QJsonObject::fromVariantMap(command.arguments())));
}

void AppBusMsgWorker::publishObject(bus::AppBusObject object)
{
    quint64 id = object.requestId();
    if (!id)
        id = AppBusCommand::nextId();
    send(id, { object.name(), AppBusObject::Reply },
        protocol::publish(id, object.name(), QJsonObject::fromVariantMap(object.content())));
}

void AppBusMsgWorker::requestObject(QString name)
{
    const quint64 id = AppBusCommand::nextId();
    send(id, { name, AppBusObject::Object }, protocol::load(id, name));
}

void AppBusMsgWorker::p_message(const QJsonObject &message)
{
    AppBusObject answer;
    if (!protocol::toAnswer(message, &answer)) {
        const QString type = message.value(QStringLiteral("type")).toString();
        if (type == protocol::WELCOME)
            return;
        qWarning().noquote() << "BUS_UNEXPECTED_MESSAGE" << type;
        // An answer to one of ours that cannot be read ends that request now.
        quint64 id = 0;
        if (protocol::messageId(message, &id) && m_pending.contains(id)) {
            const Pending pending = m_pending.take(id);
            emit objectLoaded(AppBusObject::error(pending.name, id, core::ErrorProtocol,
                QStringLiteral("Некорректный ответ сервиса фискального ядра"), pending.kind));
        }
        return;
    }
    const quint64 id = answer.requestId();
    if (!id) {
        if (answer.isError()) {
            qWarning().noquote() << "BUS_SERVICE_ERROR" << answer.errorCode() << answer.errorText();
            // The service could not read a request of ours; which one it cannot say.
            if (answer.errorCode() == protocol::UnsupportedVersion
                || answer.errorCode() == protocol::TooLarge)
                failAll(answer.errorCode(), answer.errorText());
            return;
        }
        if (answer.kind() == AppBusObject::Object)
            incomingObject(answer);
        return;
    }
    const auto it = m_pending.constFind(id);
    if (it == m_pending.constEnd())
        return; // answered already, or not ours
    const Pending pending = it.value();
    if (answer.kind() == AppBusObject::Progress) {
        answer.setName(pending.name);
        emit objectLoaded(answer);
        return;
    }
    m_pending.remove(id);
    if (answer.name().isEmpty())
        answer.setName(pending.name);
    if (answer.kind() == AppBusObject::Object && !answer.isError()) {
        SharedObjectsStorage::store(answer);
    } else if (!answer.isError()) {
        answer.setKind(
            pending.kind == AppBusObject::Object ? AppBusObject::Object : AppBusObject::Reply);
    } else {
        answer.setKind(pending.kind);
    }
    emit objectLoaded(answer);
}

void AppBusMsgWorker::p_badMessage(const QString &error)
{
    // Which request the unreadable message answered cannot be known: none is waited for.
    failAll(core::ErrorProtocol,
        QStringLiteral("Некорректный ответ сервиса фискального ядра: %1").arg(error));
}

void AppBusMsgWorker::incomingObject(const AppBusObject &object)
{
    unprocessedObject(object);
}

void AppBusMsgWorker::unprocessedObject(const AppBusObject &object)
{
    SharedObjectsStorage::store(object);
    emit objectLoaded(object);
}

} // namespace bus
