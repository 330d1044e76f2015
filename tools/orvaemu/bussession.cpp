#include "bussession.h"

#include "appbusconnection.h"
#include "appbusprotocol.h"
#include "registermodel.h"

#include <QDebug>
#include <QLocalSocket>
#include <QPointer>
#include <QTimer>

namespace protocol = bus::protocol;

BusSession::BusSession(QLocalSocket *socket, RegisterModel *model, int number, QObject *parent)
    : QObject(parent),
      m_connection(new bus::AppBusConnection(socket, this)),
      m_model(model),
      m_number(number)
{
    connect(m_connection, &bus::AppBusConnection::messageReceived, this, &BusSession::p_message);
    connect(
        m_connection, &bus::AppBusConnection::disconnected, this, [this]() { emit closed(this); },
        Qt::QueuedConnection);
}

void BusSession::send(const QJsonObject &message)
{
    m_connection->send(message);
}

void BusSession::reply(const QJsonObject &message)
{
    if (m_delay <= 0) {
        send(message);
        return;
    }
    QPointer<BusSession> self(this);
    QTimer::singleShot(m_delay, this, [self, message]() {
        if (self)
            self->send(message);
    });
}

void BusSession::p_message(const QJsonObject &message)
{
    const QString type = message.value(QStringLiteral("type")).toString();
    quint64 id = 0;
    if (!protocol::messageId(message, &id)) {
        send(protocol::error(0, protocol::BadMessage, QStringLiteral("bad \"id\"")));
        return;
    }
    if (type == protocol::HELLO)
        return handleHello(message);
    if (!m_introduced) {
        send(protocol::error(id, protocol::NotIntroduced, QStringLiteral("hello first")));
        return;
    }
    if (type == protocol::CALL || type == protocol::LOAD || type == protocol::PUBLISH) {
        if (!id) {
            send(protocol::error(
                0, protocol::BadMessage, QStringLiteral("a request needs an \"id\"")));
            return;
        }
        if (type == protocol::CALL)
            handleCall(id, message);
        else if (type == protocol::LOAD)
            handleLoad(id, message);
        else
            handlePublish(id, message);
        return;
    }
    send(protocol::error(
        id, protocol::UnknownType, QStringLiteral("unknown type \"%1\"").arg(type)));
}

void BusSession::handleHello(const QJsonObject &message)
{
    const QJsonValue version = message.value(QStringLiteral("version"));
    if (!version.isDouble() || version.toInt() != protocol::VERSION) {
        send(protocol::error(0, protocol::UnsupportedVersion,
            QStringLiteral("protocol version %1 is not supported (this service speaks %2)")
                .arg(version.toVariant().toString())
                .arg(protocol::VERSION)));
        m_connection->close();
        return;
    }
    m_client = message.value(QStringLiteral("client")).toString();
    m_subscribed = message.value(QStringLiteral("subscribe")).toBool();
    m_introduced = true;
    qInfo().noquote() << QStringLiteral("bus client %1 is %2").arg(m_number).arg(m_client);
    send(protocol::welcome(QStringLiteral("orvaemu")));
}

void BusSession::handleCall(quint64 id, const QJsonObject &message)
{
    const QJsonValue op = message.value(QStringLiteral("op"));
    const QJsonValue args = message.value(QStringLiteral("args"));
    if (!op.isString() || !(args.isObject() || args.isUndefined())) {
        reply(protocol::errorReply(
            id, protocol::BadMessage, QStringLiteral("bad \"op\" or \"args\"")));
        return;
    }
    QPointer<BusSession> self(this);
    const auto progress = [self, id](int minimum, int maximum, int value) {
        if (self)
            self->send(protocol::progress(id, minimum, maximum, value));
    };
    const RegisterModel::CoreReply r
        = m_model->coreCall(op.toString(), args.toObject().toVariantMap(), progress);
    if (!r.ok())
        qInfo().noquote() << QStringLiteral("bus %1 refused: %2").arg(op.toString(), r.text);
    reply(r.ok() ? protocol::reply(id, QJsonObject::fromVariantMap(r.value))
                 : protocol::errorReply(id, r.code, r.text));
}

void BusSession::handleLoad(quint64 id, const QJsonObject &message)
{
    const QJsonValue name = message.value(QStringLiteral("name"));
    if (!name.isString()) {
        reply(protocol::errorReply(id, protocol::BadMessage, QStringLiteral("bad \"name\"")));
        return;
    }
    const RegisterModel::CoreReply r = m_model->coreObject(name.toString());
    reply(r.ok() ? protocol::object(id, name.toString(), QJsonObject::fromVariantMap(r.value))
                 : protocol::errorReply(id, r.code, r.text));
}

void BusSession::handlePublish(quint64 id, const QJsonObject &message)
{
    const QJsonValue name = message.value(QStringLiteral("name"));
    const QJsonValue content = message.value(QStringLiteral("content"));
    if (!name.isString() || !content.isObject()) {
        reply(protocol::errorReply(
            id, protocol::BadMessage, QStringLiteral("bad \"name\" or \"content\"")));
        return;
    }
    const RegisterModel::CoreReply r
        = m_model->storeCoreObject(name.toString(), content.toObject().toVariantMap());
    reply(r.ok() ? protocol::reply(id, QJsonObject::fromVariantMap(r.value))
                 : protocol::errorReply(id, r.code, r.text));
}
