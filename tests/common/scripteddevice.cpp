#include "scripteddevice.h"

#include <QEventLoop>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

namespace {

const quint8 ASYNC_ID = 0xF0;

// Cashier 1, hall 5, 2024-03-05 12:34:56, flags 0x03, serial 1234, three unread bytes, then
// the mode byte.
const char DEFAULT_STATE[] = "440105240305123456030000123400000000";
// The connection password "47" as BCD(8), as mode entry carries it.
const char PASSWORD[] = "00000047";

QByteArray okAnswer()
{
    return QByteArray::fromHex("550000");
}

QByteArray prefixed(quint8 code, quint8 tid, const QByteArray &rest = QByteArray())
{
    return QByteArray(1, char(code)) + char(tid) + rest;
}

} // namespace

ScriptedDevice::ScriptedDevice(QObject *parent) : QObject(parent), m_server(new QTcpServer(this))
{
    m_clock.start();
    connect(m_server, &QTcpServer::newConnection, this, &ScriptedDevice::p_newConnection);
}

bool ScriptedDevice::listen()
{
    // The link asks for "localhost": take both address families.
    return m_server->listen(QHostAddress::Any, 0);
}

quint16 ScriptedDevice::port() const
{
    return m_server->serverPort();
}

bool ScriptedDevice::waitForClient(int msecs)
{
    return waitUntil([this] { return isClientConnected(); }, msecs);
}

bool ScriptedDevice::isClientConnected() const
{
    return m_client && m_client->state() == QAbstractSocket::ConnectedState;
}

void ScriptedDevice::dropClient()
{
    if (m_client) {
        m_client->disconnectFromHost();
        m_client = nullptr;
    }
}

void ScriptedDevice::script(quint8 code, Reply reply, const QByteArray &answer, int times)
{
    m_scripts.insert(code, Script { reply, answer, times });
}

QByteArray ScriptedDevice::stateAnswer() const
{
    QByteArray state = QByteArray::fromHex(DEFAULT_STATE);
    state[17] = char(m_modeByte);
    return state;
}

void ScriptedDevice::sendRaw(const QByteArray &bytes)
{
    if (!m_client)
        return;
    m_client->write(bytes);
    m_client->flush();
}

QList<ScriptedDevice::Frame> ScriptedDevice::framesOf(quint8 command) const
{
    QList<Frame> list;
    for (const Frame &f : m_frames)
        if (!f.payload.isEmpty() && quint8(f.payload.at(0)) == command)
            list.append(f);
    return list;
}

QList<quint8> ScriptedDevice::taskCodes(int from) const
{
    QList<quint8> codes;
    for (int i = from; i < m_tasks.size(); ++i)
        codes.append(m_tasks.at(i).code);
    return codes;
}

bool ScriptedDevice::waitForFrames(int count, int msecs)
{
    return waitUntil([this, count] { return m_frames.size() >= count; }, msecs);
}

// An event loop woken by every frame and connection (QTest::qWait sleeps between rounds,
// which would make long exchanges slow).
bool ScriptedDevice::waitUntil(const std::function<bool()> &done, int msecs)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        const qint64 left = msecs - timer.elapsed();
        if (left <= 0)
            return false;
        QEventLoop loop;
        QTimer::singleShot(int(qMin<qint64>(left, 20)), &loop, &QEventLoop::quit);
        connect(this, &ScriptedDevice::frameReceived, &loop, &QEventLoop::quit);
        connect(m_server, &QTcpServer::newConnection, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

void ScriptedDevice::p_newConnection()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        ++m_connections;
        if (m_client)
            m_client->disconnectFromHost();
        m_client = socket;
        // Answers go out at once, as from a register on a serial line.
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        m_codec = DeviceCodec();
        connect(socket, &QTcpSocket::readyRead, this, &ScriptedDevice::p_readyRead);
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void ScriptedDevice::p_readyRead()
{
    auto *socket = qobject_cast<QTcpSocket *>(sender());
    if (!socket || socket != m_client)
        return;
    const QByteArray bytes = socket->readAll();
    m_received.append(bytes);
    const QList<Frame> frames = m_codec.feed(bytes);
    for (Frame f : frames) {
        if (!f.valid || !isWellFormed(f.payload)) {
            ++m_badFrames;
            continue;
        }
        f.atMs = m_clock.elapsed();
        m_frames.append(f);
        emit frameReceived(f.id, f.payload);
        handleFrame(f);
    }
}

// Add task: C1, flags, TID, access password (2), code, payload. ACK and REQ: C2 or C3, TID.
// Abort: C4 alone.
bool ScriptedDevice::isWellFormed(const QByteArray &payload)
{
    switch (payload.isEmpty() ? 0 : quint8(payload.at(0))) {
    case 0xC1:
        return payload.size() >= 6;
    case 0xC2:
    case 0xC3:
        return payload.size() == 2;
    case 0xC4:
        return payload.size() == 1;
    default:
        return false;
    }
}

void ScriptedDevice::handleFrame(const Frame &frame)
{
    const QByteArray &p = frame.payload;
    const quint8 command = quint8(p.at(0));
    if (command == 0xC1)
        m_tasks.append(Task { quint8(p.at(2)), quint8(p.at(5)), p.mid(6) });
    if (!m_answering)
        return;
    switch (command) {
    case 0xC1:
        runTask(frame.id, m_tasks.last());
        break;
    case 0xC2: // ACK: the task is forgotten
        send(frame.id, QByteArray::fromHex("a0"));
        break;
    case 0xC3: { // REQ: in progress, or the result kept for it
        const quint8 tid = quint8(p.at(1));
        if (m_pendingResults.contains(tid))
            send(frame.id, char(0xA3) + m_pendingResults.take(tid));
        else
            send(frame.id, QByteArray(1, char(0xA2)));
        break;
    }
    case 0xC4: // abort: every task is dropped
        m_pendingResults.clear();
        if (m_answerAbort)
            send(frame.id, QByteArray::fromHex("a0"));
        break;
    }
}

void ScriptedDevice::runTask(quint8 id, const Task &task)
{
    Reply reply = AcceptThenResult;
    QByteArray answer;
    const auto script = m_scripts.find(task.code);
    if (script != m_scripts.end()) {
        reply = script->reply;
        answer = script->answer;
        if (script->times > 0 && --script->times == 0)
            m_scripts.erase(script);
    } else {
        answer = execute(task, &reply);
    }

    const QByteArray accepted = DeviceCodec::encode(id, prefixed(0xA1, task.tid));
    const QByteArray result = DeviceCodec::encode(ASYNC_ID, prefixed(0xA6, task.tid, answer));
    const QByteArray error = DeviceCodec::encode(ASYNC_ID, prefixed(0xA7, task.tid, answer));
    switch (reply) {
    case AcceptThenResult:
        sendRaw(accepted + result);
        break;
    case ResultOnly:
        sendRaw(result);
        break;
    case AcceptThenError:
        sendRaw(accepted + error);
        break;
    case ResultOnRequest:
        m_pendingResults.insert(task.tid, answer);
        sendRaw(accepted);
        break;
    case AcceptOnly:
        sendRaw(accepted);
        break;
    case Silent:
        break;
    case CloseLink:
        dropClient();
        break;
    }
}

// The register itself: the state, and the two mode commands, which take effect once accepted.
QByteArray ScriptedDevice::execute(const Task &task, Reply *reply)
{
    switch (task.code) {
    case 0x3F:
        return stateAnswer();
    case 0x48:
        m_modeByte = 0;
        return okAnswer();
    case 0x56: // the mode, then the connection password
        if (task.payload.mid(1) != QByteArray::fromHex(PASSWORD)) {
            *reply = AcceptThenError;
            return QByteArray::fromHex("558c00");
        }
        m_modeByte = quint8(task.payload.at(0)) & 0x0F;
        return okAnswer();
    default:
        return okAnswer();
    }
}
