#include "hosttcpworker.h"

#include "frportsettings.h"
#include "patol31.h"

#include <QDebug>
#include <QTcpSocket>

HostTcpWorker::HostTcpWorker(QObject *parent) : qt5ext::AbstractWorker(parent) { }

HostTcpWorker::~HostTcpWorker() = default;

void HostTcpWorker::setEndpoint(const QString &host, quint16 port)
{
    m_host = host;
    m_port = port;
}

bool HostTcpWorker::doStart()
{
    doStop();
    createPort();
    FrPortSettings settings;
    const quint16 port = m_port != 0 ? m_port : settings.tcpPort();
    const QString address = m_host.isEmpty() ? settings.tcpAddress() : m_host;
    qDebug().noquote() << "TCP_CONNECT ADDRESS=" << address << "PORT=" << port;
    if (m_socket)
        m_socket->connectToHost(
            address, port, QIODevice::ReadWrite, QAbstractSocket::AnyIPProtocol);
    return true;
}

bool HostTcpWorker::doStop()
{
    if (m_socket) {
        flushSocket();
        // Closing with unread input sends a reset instead of a close, and a reset makes the
        // register's system drop what it has not read yet: the last ACK among it.
        m_socket->readAll();
        QTcpSocket *socket = m_socket;
        m_socket = nullptr;
        socket->disconnectFromHost();
    }
    return true;
}

void HostTcpWorker::taskProcessed(quint8 taskId)
{
    Q_UNUSED(taskId)
}

void HostTcpWorker::sendCommand(quint8 id, QByteArray cmdData)
{
    if (!m_socket) {
        emit frameWritten(id, false);
        return;
    }
    PAtol31(QPointer<QIODevice>(m_socket.data())).sendCommand(id, cmdData);
    emit frameWritten(id, flushSocket());
}

bool HostTcpWorker::flushSocket()
{
    // Left in the socket's buffer, a frame dies with the socket when the thread ends; the
    // register would never see the ACK that lets it drop a finished task.
    if (!m_socket || m_socket->state() != QAbstractSocket::ConnectedState)
        return false;
    m_socket->flush();
    while (m_socket && m_socket->bytesToWrite() > 0) {
        if (!m_socket->waitForBytesWritten(FLUSH_TIMEOUT_MS))
            return false;
    }
    return m_socket != nullptr;
}

bool HostTcpWorker::createPort()
{
    if (m_socket) {
        m_socket->disconnectFromHost();
        return false;
    }
    m_socket = new QTcpSocket(this);
    connect(m_socket, &QTcpSocket::readyRead, this, &HostTcpWorker::readyRead);
    connect(m_socket, &QTcpSocket::disconnected, this, &HostTcpWorker::socketDisconnected);
    connect(m_socket, &QTcpSocket::connected, this, &HostTcpWorker::sockeConnected);
    return true;
}

void HostTcpWorker::readyRead()
{
    auto *socket = qobject_cast<QTcpSocket *>(sender());
    if (!socket)
        return;
    PAtol31 codec { QPointer<QIODevice>(socket) };
    while (socket->bytesAvailable() > 0) {
        quint8 id = 0;
        QByteArray data;
        if (codec.readData(id, data))
            emit answerReceived(id, data);
    }
}

void HostTcpWorker::socketDisconnected()
{
    emit connectState(false);
    auto *socket = qobject_cast<QTcpSocket *>(sender());
    if (socket && socket == m_socket)
        m_socket = nullptr;
    // A forgotten socket must not report again (its close may still emit).
    if (socket)
        socket->blockSignals(true);
}

void HostTcpWorker::sockeConnected()
{
    // An ACK is followed at once by the next task's record; Nagle would hold the record back
    // until the register acknowledged the ACK's segment.
    if (auto *socket = qobject_cast<QTcpSocket *>(sender()))
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    emit connectState(true);
}
