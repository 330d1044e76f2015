#ifndef SCRIPTEDDEVICE_H
#define SCRIPTEDDEVICE_H

#include "devicecodec.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QPointer>

#include <functional>

class QTcpServer;
class QTcpSocket;

// A register on a loopback TCP port, written from the register's side of the link with its
// own framing. It records every frame the host sends and, unless told to stay passive, plays
// the task buffer (add task, REQ, ACK, abort) and just enough of a register to answer the
// state request, mode exit and mode entry (which wants the default connection password 47);
// tests script other answers per command code.
class ScriptedDevice : public QObject
{
    Q_OBJECT
public:
    using Frame = DeviceCodec::Frame;

    enum Reply {
        AcceptThenResult, // answer the add-task frame, then an unsolicited 0xA6 result
        ResultOnly, // the 0xA6 result without answering the add-task frame
        AcceptThenError, // answer the add-task frame, then an unsolicited 0xA7 error
        ResultOnRequest, // answer the add-task frame; give the result to a REQ (0xA3)
        AcceptOnly, // answer the add-task frame, never finish the task
        Silent, // never answer the task
        CloseLink, // drop the connection when the task arrives
    };

    struct Task
    {
        quint8 tid = 0;
        quint8 code = 0;
        QByteArray payload; // after the command code
    };

    explicit ScriptedDevice(QObject *parent = nullptr);

    bool listen();
    quint16 port() const;
    bool waitForClient(int msecs = 5000);
    bool isClientConnected() const;
    int connectionCount() const { return m_connections; }
    void dropClient();

    // Off: the device answers nothing by itself; the test sends every answer.
    void setAnswering(bool on) { m_answering = on; }
    // Overrides the device for the next `times` tasks with this code (-1: all of them).
    void script(quint8 code, Reply reply, const QByteArray &answer = QByteArray(), int times = -1);
    void clearScripts() { m_scripts.clear(); }
    void setAnswerAbort(bool answer) { m_answerAbort = answer; }
    void setModeByte(quint8 modeByte) { m_modeByte = modeByte; }
    quint8 modeByte() const { return m_modeByte; }
    // The 18-byte state answer ('D' ...); byte 17 carries the current mode byte.
    QByteArray stateAnswer() const;

    void send(quint8 id, const QByteArray &payload) { sendRaw(DeviceCodec::encode(id, payload)); }
    void sendRaw(const QByteArray &bytes);

    // Good frames in order of arrival. Frames that fail the framing checks or are no buffer
    // command of the right shape are only counted.
    QList<Frame> frames() const { return m_frames; }
    int frameCount() const { return m_frames.size(); }
    Frame frame(int index) const { return m_frames.value(index); }
    // Frames whose payload starts with the given buffer command byte.
    QList<Frame> framesOf(quint8 command) const;
    int badFrames() const { return m_badFrames; }
    QByteArray received() const { return m_received; }
    // Add-task records in order of arrival, and their command codes from the given one on.
    QList<Task> tasks() const { return m_tasks; }
    QList<quint8> taskCodes(int from = 0) const;

    bool waitForFrames(int count, int msecs = 5000);
    // Processes events until done() holds; false on timeout.
    bool waitUntil(const std::function<bool()> &done, int msecs = 5000);

signals:
    void frameReceived(quint8 id, QByteArray payload);

private slots:
    void p_newConnection();
    void p_readyRead();

private:
    struct Script
    {
        Reply reply;
        QByteArray answer;
        int times;
    };

    static bool isWellFormed(const QByteArray &payload);
    void handleFrame(const Frame &frame);
    void runTask(quint8 id, const Task &task);
    QByteArray execute(const Task &task, Reply *reply);

    QTcpServer *m_server;
    QPointer<QTcpSocket> m_client;
    DeviceCodec m_codec;
    QElapsedTimer m_clock;
    QHash<quint8, Script> m_scripts;
    QHash<quint8, QByteArray> m_pendingResults; // TID -> result kept for a REQ
    bool m_answering = true;
    bool m_answerAbort = true;
    quint8 m_modeByte = 0;
    QList<Frame> m_frames;
    QList<Task> m_tasks;
    QByteArray m_received;
    int m_badFrames = 0;
    int m_connections = 0;
};

#endif // SCRIPTEDDEVICE_H
