#ifndef SCRIPTEDDEVICE_H
#define SCRIPTEDDEVICE_H

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>

class QTcpServer;
class QTcpSocket;

// A register on a loopback TCP port, seen from the register's side of the link: it decodes
// the host's frames with its own codec, keeps a mode, answers the task buffer commands
// (add task, REQ, ACK, abort) and plays a script per device command.
class ScriptedDevice : public QObject
{
    Q_OBJECT
public:
    enum Reply {
        AcceptThenResult, // answer the add-task frame, then an unsolicited 0xA6 result
        ResultOnly, // the 0xA6 result without answering the add-task frame
        AcceptThenError, // answer the add-task frame, then an unsolicited 0xA7 error
        ResultOnRequest, // answer the add-task frame; give the result to a REQ (0xA3)
        Silent, // never answer the task
        CloseLink, // drop the connection when the task arrives
    };

    struct Task
    {
        quint8 tid;
        quint8 code;
        QByteArray payload; // after the command code
    };

    explicit ScriptedDevice(QObject *parent = nullptr);
    ~ScriptedDevice() override;

    bool listen();
    quint16 port() const;

    // Overrides the built-in behaviour for one command code.
    void script(quint8 code, Reply reply, const QByteArray &answer = QByteArray());
    void setAnswerAbort(bool answer) { m_answerAbort = answer; }
    void setModeByte(quint8 modeByte) { m_modeByte = modeByte; }
    quint8 modeByte() const { return m_modeByte; }
    // The 18-byte state answer; its mode byte is replaced by the current one.
    void setState(const QByteArray &state) { m_state = state; }
    void setPassword(const QByteArray &bcd) { m_password = bcd; }

    int connections() const { return m_connections; }
    // First payload byte of every frame received (0xC1 add task, 0xC2 ACK, ...).
    QByteArray bufferCommands() const { return m_bufferCommands; }
    QList<Task> tasks() const { return m_tasks; }
    QList<quint8> frameIds() const { return m_frameIds; }
    int badFrames() const { return m_badFrames; }

    // The register's own codec.
    static quint8 crc8(const QByteArray &bytes);
    static QByteArray encode(quint8 id, const QByteArray &payload);
    // Takes one frame off the front of bytes; false while it is incomplete. A frame with a
    // bad CRC is consumed and reported through crcOk.
    static bool decode(QByteArray &bytes, quint8 *id, QByteArray *payload, bool *crcOk);

private slots:
    void p_newConnection();
    void p_readyRead();

private:
    void frameReceived(quint8 id, const QByteArray &payload);
    void taskReceived(quint8 id, const Task &task);
    QByteArray builtInAnswer(const Task &task, Reply *reply) const;
    void send(const QByteArray &bytes);

    QTcpServer *m_server;
    QPointer<QTcpSocket> m_socket;
    QByteArray m_in;
    QHash<quint8, QPair<Reply, QByteArray>> m_scripts;
    QHash<quint8, QByteArray> m_pendingResults; // TID -> result for ResultOnRequest
    bool m_answerAbort = true;
    quint8 m_modeByte = 0;
    QByteArray m_state;
    QByteArray m_password;
    int m_connections = 0;
    QByteArray m_bufferCommands;
    QList<Task> m_tasks;
    QList<quint8> m_frameIds;
    int m_badFrames = 0;
};

#endif // SCRIPTEDDEVICE_H
