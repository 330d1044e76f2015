#include "scripteddevice.h"

#include <QTcpServer>
#include <QTcpSocket>

namespace {
const quint8 STX = 0xFE;
const quint8 ESC = 0xFD;
const quint8 ESC_FD = 0xED;
const quint8 ESC_FE = 0xEE;
const quint8 ASYNC_ID = 0xF0;

QByteArray stuff(const QByteArray &bytes)
{
    QByteArray out;
    for (char c : bytes) {
        const quint8 b = quint8(c);
        if (b == ESC)
            out.append(char(ESC)).append(char(ESC_FD));
        else if (b == STX)
            out.append(char(ESC)).append(char(ESC_FE));
        else
            out.append(c);
    }
    return out;
}
} // namespace

ScriptedDevice::ScriptedDevice(QObject *parent) : QObject(parent), m_server(new QTcpServer(this))
{
    m_clock.start();
    connect(m_server, &QTcpServer::newConnection, this, &ScriptedDevice::newConnection);
}

ScriptedDevice::~ScriptedDevice() = default;

bool ScriptedDevice::listen()
{
    return m_server->listen(QHostAddress::LocalHost, 0);
}

quint16 ScriptedDevice::port() const
{
    return m_server->serverPort();
}

bool ScriptedDevice::isClientConnected() const
{
    return m_socket && m_socket->state() == QAbstractSocket::ConnectedState;
}

quint8 ScriptedDevice::crc8(const QByteArray &bytes)
{
    quint8 crc = 0xFF;
    for (char c : bytes) {
        crc ^= quint8(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x80) ? quint8((crc << 1) ^ 0x31) : quint8(crc << 1);
    }
    return crc;
}

QByteArray ScriptedDevice::encodeFrame(quint8 id, const QByteArray &data)
{
    const QByteArray body = stuff(QByteArray(1, char(id)) + data);
    const quint8 crc = crc8(body);
    QByteArray frame;
    frame.append(char(STX));
    frame.append(char(data.size() & 0x7F));
    frame.append(char((data.size() >> 7) & 0xFF));
    frame.append(body);
    frame.append(stuff(QByteArray(1, char(crc))));
    return frame;
}

QByteArray ScriptedDevice::stateAnswer(quint8 modeByte)
{
    // 'D', cashier 1, hall 1, 05.03.24 12:30:00, no flags, serial 00001234, three unread
    // bytes, then the mode byte at offset 17.
    QByteArray a = QByteArray::fromHex("4401012403051230000000001234000000");
    a.append(char(modeByte));
    return a;
}

void ScriptedDevice::newConnection()
{
    while (QTcpSocket *s = m_server->nextPendingConnection()) {
        if (m_socket)
            m_socket->disconnect(this);
        m_socket = s;
        m_rx.clear();
        ++m_connections;
        connect(s, &QTcpSocket::readyRead, this, &ScriptedDevice::readyRead);
        connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
    }
}

void ScriptedDevice::readyRead()
{
    auto *s = qobject_cast<QTcpSocket *>(sender());
    if (!s || s != m_socket)
        return;
    m_rx.append(s->readAll());
    for (;;) {
        const int start = m_rx.indexOf(char(STX));
        if (start < 0) {
            m_rx.clear();
            return;
        }
        m_rx.remove(0, start);
        if (m_rx.size() < 4)
            return;
        const int len = quint8(m_rx.at(1)) + quint8(m_rx.at(2)) * 128;
        QByteArray payload;
        int pos = 4;
        bool complete = true;
        bool bad = false;
        while (payload.size() < len) {
            if (pos >= m_rx.size()) {
                complete = false;
                break;
            }
            const quint8 b = quint8(m_rx.at(pos));
            if (b == ESC) {
                if (pos + 1 >= m_rx.size()) {
                    complete = false;
                    break;
                }
                const quint8 next = quint8(m_rx.at(pos + 1));
                bad = bad || (next != ESC_FD && next != ESC_FE);
                payload.append(char(next == ESC_FD ? ESC : STX));
                pos += 2;
            } else {
                bad = bad || b == STX;
                payload.append(char(b));
                ++pos;
            }
        }
        if (!complete || pos >= m_rx.size())
            return;
        const int bodyEnd = pos;
        quint8 crc = quint8(m_rx.at(pos));
        if (crc == ESC) {
            if (pos + 1 >= m_rx.size())
                return;
            crc = quint8(m_rx.at(pos + 1)) == ESC_FD ? ESC : STX;
            pos += 2;
        } else {
            ++pos;
        }
        Frame f;
        f.id = quint8(m_rx.at(3));
        f.data = payload;
        f.atMs = m_clock.elapsed();
        if (crc8(m_rx.mid(3, bodyEnd - 3)) != crc)
            bad = true;
        m_rx.remove(0, pos);
        if (bad) {
            ++m_badFrames;
            continue;
        }
        frames.append(f);
        emit frameReceived(f.id, f.data);
        handleFrame(f);
    }
}

void ScriptedDevice::handleFrame(const Frame &frame)
{
    if (frame.data.isEmpty())
        return;
    switch (quint8(frame.data.at(0))) {
    case 0xC1:
        handleTask(frame.id, frame.data);
        break;
    case 0xC2: // ACK: the controller does not wait for this answer
    case 0xC4: // abort: nothing is kept between tasks, so there is nothing to drop
        send(frame.id, QByteArray(1, char(0xA1)));
        break;
    case 0xC3: // REQ: only tasks kept quiet are still open
        send(frame.id, QByteArray(1, char(0xA2)));
        break;
    default:
        break;
    }
}

void ScriptedDevice::handleTask(quint8 id, const QByteArray &data)
{
    if (data.size() < 6)
        return;
    const quint8 tid = quint8(data.at(2));
    const quint8 code = quint8(data.at(5));
    const QByteArray payload = data.mid(6);
    commands.append(code);
    commandPayloads.append(payload);
    send(id, QByteArray(1, char(0xA1)));
    if (m_quiet.value(code) > 0) {
        --m_quiet[code];
        return;
    }
    bool refused = false;
    const QByteArray answer = execute(code, payload, &refused);
    QByteArray result;
    result.append(char(refused ? 0xA7 : 0xA6));
    result.append(char(tid));
    result.append(answer);
    send(ASYNC_ID, result);
}

QByteArray ScriptedDevice::execute(quint8 code, const QByteArray &payload, bool *refused)
{
    static const QByteArray done = QByteArray::fromHex("550000");
    if (m_refusals.contains(code)) {
        *refused = true;
        return m_refusals.value(code);
    }
    if (m_answers.contains(code))
        return m_answers.value(code);
    switch (code) {
    case 0x3F:
        return stateAnswer(m_modeByte);
    case 0x48:
        m_modeByte = 0;
        return done;
    case 0x56:
        m_modeByte = payload.isEmpty() ? 0 : quint8(payload.at(0)) & 0x0F;
        return done;
    default:
        return done;
    }
}

void ScriptedDevice::send(quint8 id, const QByteArray &data)
{
    if (m_socket)
        m_socket->write(encodeFrame(id, data));
}
