#include "appbusconnection.h"

#include "appbusprotocol.h"

#include <QDeadlineTimer>
#include <QDebug>
#include <QLocalSocket>

namespace bus {

AppBusConnection::AppBusConnection(QLocalSocket *socket, QObject *parent)
    : QObject(parent), m_socket(socket)
{
    m_socket->setParent(this);
    connect(m_socket, &QLocalSocket::readyRead, this, &AppBusConnection::p_readyRead);
    connect(m_socket, &QLocalSocket::disconnected, this, &AppBusConnection::disconnected);
}

bool AppBusConnection::isConnected() const
{
    return m_socket->state() == QLocalSocket::ConnectedState && !m_reader.isBroken();
}

bool AppBusConnection::send(const QJsonObject &message)
{
    if (!isConnected())
        return false;
    const QByteArray bytes = protocol::frame(message);
    if (bytes.size() - protocol::HEADER_SIZE > protocol::MAX_MESSAGE_SIZE) {
        qWarning().noquote() << "BUS_MESSAGE_TOO_LARGE" << bytes.size();
        return false;
    }
    return m_socket->write(bytes) == bytes.size();
}

void AppBusConnection::close()
{
    if (m_socket->state() == QLocalSocket::ConnectedState)
        m_socket->flush();
    m_socket->abort();
}

void AppBusConnection::p_readyRead()
{
    QJsonObject message;
    while (drain(&message)) {
        if (m_blocking)
            m_pending.append(message);
        else
            emit messageReceived(message);
    }
}

bool AppBusConnection::drain(QJsonObject *first)
{
    if (m_socket->bytesAvailable() > 0)
        m_reader.append(m_socket->readAll());
    for (;;) {
        QString error;
        switch (m_reader.next(first, &error)) {
        case AppBusFrameReader::Message:
            return true;
        case AppBusFrameReader::NeedMore:
            return false;
        case AppBusFrameReader::BadMessage:
            qWarning().noquote() << "BUS_BAD_MESSAGE" << error;
            send(protocol::error(0, protocol::BadMessage, error));
            emit badMessage(error);
            continue;
        case AppBusFrameReader::Fatal:
            qWarning().noquote() << "BUS_STREAM_BROKEN" << error;
            m_socket->write(protocol::frame(protocol::error(0, protocol::TooLarge, error)));
            emit badMessage(error);
            close();
            return false;
        }
    }
}

bool AppBusConnection::waitForMessage(QJsonObject *message, int msecs)
{
    QDeadlineTimer deadline(msecs);
    m_blocking = true;
    p_readyRead();
    while (m_pending.isEmpty() && m_socket->state() == QLocalSocket::ConnectedState
        && !deadline.hasExpired()) {
        if (m_socket->waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime()))))
            p_readyRead();
        else if (m_socket->state() != QLocalSocket::ConnectedState)
            break;
    }
    m_blocking = false;
    if (m_pending.isEmpty())
        return false;
    *message = m_pending.takeFirst();
    return true;
}

} // namespace bus
