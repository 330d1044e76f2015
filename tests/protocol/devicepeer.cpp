#include "devicepeer.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

DevicePeer::DevicePeer(QObject *parent) : QObject(parent), m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, &DevicePeer::onNewConnection);
}

DevicePeer::~DevicePeer() = default;

bool DevicePeer::listen()
{
    // The link asks for "localhost": take both address families.
    return m_server->listen(QHostAddress::Any, 0);
}

quint16 DevicePeer::port() const
{
    return m_server->serverPort();
}

bool DevicePeer::waitForClient(int msecs)
{
    return waitUntil([this] { return hasClient(); }, msecs);
}

bool DevicePeer::hasClient() const
{
    return m_client && m_client->state() == QAbstractSocket::ConnectedState;
}

void DevicePeer::dropClient()
{
    if (m_client) {
        m_client->disconnectFromHost();
        m_client = nullptr;
    }
}

void DevicePeer::send(quint8 id, const QByteArray &payload)
{
    sendRaw(DeviceCodec::encode(id, payload));
}

void DevicePeer::sendRaw(const QByteArray &bytes)
{
    if (!m_client)
        return;
    m_client->write(bytes);
    m_client->flush();
}

DevicePeer::Script DevicePeer::completingScript(const QByteArray &answer)
{
    return [answer](DevicePeer &peer, const Frame &f) {
        if (f.payload.size() < 3 || quint8(f.payload.at(0)) != 0xC1)
            return;
        const char tid = f.payload.at(2);
        peer.send(f.id, QByteArray::fromHex("a1"));
        peer.send(0xF0, QByteArray("\xA6", 1) + tid + answer);
    };
}

QList<DevicePeer::Frame> DevicePeer::framesOf(quint8 command) const
{
    QList<Frame> list;
    for (const Frame &f : m_frames)
        if (!f.payload.isEmpty() && quint8(f.payload.at(0)) == command)
            list.append(f);
    return list;
}

bool DevicePeer::waitForFrames(int count, int msecs)
{
    return waitUntil([this, count] { return m_frames.size() >= count; }, msecs);
}

// An event loop woken by every frame and connection (QTest::qWait sleeps between rounds,
// which would make long exchanges slow).
bool DevicePeer::waitUntil(const std::function<bool()> &done, int msecs)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        const qint64 left = msecs - timer.elapsed();
        if (left <= 0)
            return false;
        QEventLoop loop;
        QTimer::singleShot(int(qMin<qint64>(left, 20)), &loop, &QEventLoop::quit);
        connect(this, &DevicePeer::frameReceived, &loop, &QEventLoop::quit);
        connect(m_server, &QTcpServer::newConnection, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

void DevicePeer::onNewConnection()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        ++m_connections;
        if (m_client)
            m_client->disconnectFromHost();
        m_client = socket;
        // Answers go out at once, as from a register on a serial line.
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        m_codec = DeviceCodec();
        connect(socket, &QTcpSocket::readyRead, this, &DevicePeer::onReadyRead);
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void DevicePeer::onReadyRead()
{
    auto *socket = qobject_cast<QTcpSocket *>(sender());
    if (!socket || socket != m_client)
        return;
    const QByteArray bytes = socket->readAll();
    m_received.append(bytes);
    const QList<Frame> frames = m_codec.feed(bytes);
    for (const Frame &f : frames) {
        m_frames.append(f);
        emit frameReceived(f.id, f.payload);
        if (m_script)
            m_script(*this, f);
    }
}
