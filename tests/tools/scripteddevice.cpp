#include "scripteddevice.h"

#include <QTcpServer>
#include <QTcpSocket>

namespace {

const quint8 STX = 0xFE;
const quint8 ESC = 0xFD;
const quint8 ASYNC_ID = 0xF0;

// Cashier 1, hall 5, 2024-03-05 12:34:56, flags 0x03, serial 1234, mode byte last.
const char DEFAULT_STATE[] = "440105240305123456030000123400000000";

QByteArray stuff(const QByteArray &bytes)
{
    QByteArray out;
    for (const char c : bytes) {
        if (quint8(c) == ESC)
            out.append(char(ESC)).append(char(0xED));
        else if (quint8(c) == STX)
            out.append(char(ESC)).append(char(0xEE));
        else
            out.append(c);
    }
    return out;
}

QByteArray ok()
{
    return QByteArray::fromHex("550000");
}

} // namespace

ScriptedDevice::ScriptedDevice(QObject *parent)
    : QObject(parent),
      m_server(new QTcpServer(this)),
      m_state(QByteArray::fromHex(DEFAULT_STATE)),
      m_password(QByteArray::fromHex("00000047"))
{
    connect(m_server, &QTcpServer::newConnection, this, &ScriptedDevice::p_newConnection);
}

ScriptedDevice::~ScriptedDevice() = default;

bool ScriptedDevice::listen()
{
    return m_server->listen(QHostAddress::LocalHost);
}

quint16 ScriptedDevice::port() const
{
    return m_server->serverPort();
}

void ScriptedDevice::script(quint8 code, Reply reply, const QByteArray &answer)
{
    m_scripts.insert(code, qMakePair(reply, answer));
}

quint8 ScriptedDevice::crc8(const QByteArray &bytes)
{
    quint8 crc = 0xFF;
    for (const char c : bytes) {
        crc ^= quint8(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x80) ? quint8((crc << 1) ^ 0x31) : quint8(crc << 1);
    }
    return crc;
}

QByteArray ScriptedDevice::encode(quint8 id, const QByteArray &payload)
{
    const QByteArray body = stuff(char(id) + payload);
    QByteArray frame;
    frame.append(char(STX));
    frame.append(char(payload.size() & 0x7F));
    frame.append(char(payload.size() >> 7));
    frame.append(body);
    frame.append(stuff(QByteArray(1, char(crc8(body)))));
    return frame;
}

bool ScriptedDevice::decode(QByteArray &bytes, quint8 *id, QByteArray *payload, bool *crcOk)
{
    const int start = bytes.indexOf(char(STX));
    if (start < 0) {
        bytes.clear();
        return false;
    }
    bytes.remove(0, start);
    if (bytes.size() < 3)
        return false;
    const int len = quint8(bytes.at(1)) + quint8(bytes.at(2)) * 128;
    QByteArray plain; // identifier, payload, CRC
    int pos = 3;
    int stuffedEnd = -1;
    while (plain.size() < len + 2) {
        if (pos >= bytes.size())
            return false;
        quint8 b = quint8(bytes.at(pos++));
        if (b == ESC) {
            if (pos >= bytes.size())
                return false;
            b = quint8(bytes.at(pos++)) == 0xED ? ESC : STX;
        }
        plain.append(char(b));
        if (plain.size() == len + 1)
            stuffedEnd = pos;
    }
    *crcOk = crc8(bytes.mid(3, stuffedEnd - 3)) == quint8(plain.at(len + 1));
    *id = quint8(plain.at(0));
    *payload = plain.mid(1, len);
    bytes.remove(0, pos);
    return true;
}

void ScriptedDevice::p_newConnection()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        ++m_connections;
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        connect(socket, &QTcpSocket::readyRead, this, &ScriptedDevice::p_readyRead);
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        m_socket = socket;
        m_in.clear();
    }
}

void ScriptedDevice::p_readyRead()
{
    auto *socket = qobject_cast<QTcpSocket *>(sender());
    if (!socket || socket != m_socket)
        return;
    m_in.append(socket->readAll());
    quint8 id = 0;
    QByteArray payload;
    bool crcOk = false;
    while (m_socket && decode(m_in, &id, &payload, &crcOk)) {
        if (!crcOk || payload.isEmpty()) {
            ++m_badFrames;
            continue;
        }
        frameReceived(id, payload);
    }
}

void ScriptedDevice::send(const QByteArray &bytes)
{
    if (m_socket)
        m_socket->write(bytes);
}

void ScriptedDevice::frameReceived(quint8 id, const QByteArray &payload)
{
    m_frameIds.append(id);
    const quint8 command = quint8(payload.at(0));
    m_bufferCommands.append(char(command));
    switch (command) {
    case 0xC1: // add task: flags, TID, password (2), code, payload
        if (payload.size() < 6) {
            ++m_badFrames;
            return;
        }
        taskReceived(id, Task { quint8(payload.at(2)), quint8(payload.at(5)), payload.mid(6) });
        return;
    case 0xC2: // ACK: the task is forgotten
        send(encode(id, QByteArray::fromHex("a0")));
        return;
    case 0xC3: { // REQ
        const quint8 tid = payload.size() > 1 ? quint8(payload.at(1)) : 0;
        if (m_pendingResults.contains(tid))
            send(encode(id, char(0xA3) + m_pendingResults.take(tid)));
        else
            send(encode(id, QByteArray(1, char(0xA2))));
        return;
    }
    case 0xC4: // abort: every task is dropped
        m_pendingResults.clear();
        if (m_answerAbort)
            send(encode(id, QByteArray::fromHex("a0")));
        return;
    default:
        ++m_badFrames;
        return;
    }
}

QByteArray ScriptedDevice::builtInAnswer(const Task &task, Reply *reply) const
{
    *reply = AcceptThenResult;
    switch (task.code) {
    case 0x3F: {
        QByteArray state = m_state;
        state[17] = char(m_modeByte);
        return state;
    }
    case 0x56:
        if (task.payload.mid(1) != m_password) {
            *reply = AcceptThenError;
            return QByteArray::fromHex("558c00");
        }
        return ok();
    default:
        return ok();
    }
}

void ScriptedDevice::taskReceived(quint8 id, const Task &task)
{
    m_tasks.append(task);
    Reply reply = AcceptThenResult;
    QByteArray answer;
    if (m_scripts.contains(task.code)) {
        reply = m_scripts.value(task.code).first;
        answer = m_scripts.value(task.code).second;
    } else {
        answer = builtInAnswer(task, &reply);
        // The mode commands take effect once accepted.
        if (task.code == 0x48)
            m_modeByte = 0;
        else if (task.code == 0x56 && reply == AcceptThenResult && !task.payload.isEmpty())
            m_modeByte = quint8(task.payload.at(0));
    }

    const QByteArray accepted = encode(id, QByteArray::fromHex("a1") + char(task.tid));
    switch (reply) {
    case AcceptThenResult:
        send(accepted + encode(ASYNC_ID, QByteArray::fromHex("a6") + char(task.tid) + answer));
        break;
    case ResultOnly:
        send(encode(ASYNC_ID, QByteArray::fromHex("a6") + char(task.tid) + answer));
        break;
    case AcceptThenError:
        send(accepted + encode(ASYNC_ID, QByteArray::fromHex("a7") + char(task.tid) + answer));
        break;
    case ResultOnRequest:
        m_pendingResults.insert(task.tid, answer);
        send(accepted);
        break;
    case Silent:
        break;
    case CloseLink:
        if (m_socket)
            m_socket->disconnectFromHost();
        break;
    }
}
