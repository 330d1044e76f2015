#ifndef SCRIPTEDDEVICE_H
#define SCRIPTEDDEVICE_H

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QSet>

class QTcpServer;
class QTcpSocket;

// The register's end of the link, written from the device's side: its own framing and CRC,
// the task buffer (add task, REQ, ACK, abort) and just enough of a register to answer the
// state request, mode exit and mode entry. Tests script refusals and silences.
class ScriptedDevice : public QObject
{
    Q_OBJECT
public:
    struct Frame
    {
        quint8 id = 0;
        QByteArray data;
        qint64 atMs = 0; // arrival, milliseconds since the device was made
    };

    explicit ScriptedDevice(QObject *parent = nullptr);
    ~ScriptedDevice() override;

    bool listen();
    quint16 port() const;

    // Frames as the register received them, in order.
    QList<Frame> frames;
    // Device command codes of the add-task records received, in order.
    QList<quint8> commands;
    // Payload (after the code) of each add-task record, in order.
    QList<QByteArray> commandPayloads;
    int connectionCount() const { return m_connections; }
    // Frames that failed the device's own checks (length, stuffing, CRC).
    int badFrames() const { return m_badFrames; }
    bool isClientConnected() const;

    void setModeByte(quint8 modeByte) { m_modeByte = modeByte; }
    quint8 modeByte() const { return m_modeByte; }
    // Refuse every task with this code by an asynchronous error carrying the answer.
    void refuse(quint8 cmdCode, const QByteArray &answer) { m_refusals.insert(cmdCode, answer); }
    void clearRefusals() { m_refusals.clear(); }
    // Accept the next n tasks with this code but never give their result.
    void stayQuiet(quint8 cmdCode, int times) { m_quiet[cmdCode] = times; }
    // Result of every task with this code (codes the register model does not know).
    void setAnswer(quint8 cmdCode, const QByteArray &answer) { m_answers.insert(cmdCode, answer); }

    // Frame codec of the link, from the device's side.
    static QByteArray encodeFrame(quint8 id, const QByteArray &data);
    static quint8 crc8(const QByteArray &bytes);

    // A state answer ('D' ...) with the given mode byte.
    static QByteArray stateAnswer(quint8 modeByte);

    int countCommand(quint8 code) const { return commands.count(code); }

signals:
    void frameReceived(quint8 id, QByteArray data);

private slots:
    void newConnection();
    void readyRead();

private:
    void handleFrame(const Frame &frame);
    void handleTask(quint8 id, const QByteArray &data);
    QByteArray execute(quint8 code, const QByteArray &payload, bool *refused);
    void send(quint8 id, const QByteArray &data);

    QTcpServer *m_server;
    QPointer<QTcpSocket> m_socket;
    QByteArray m_rx;
    QElapsedTimer m_clock;
    int m_badFrames = 0;
    int m_connections = 0;
    quint8 m_modeByte = 0;
    QMap<quint8, QByteArray> m_refusals;
    QMap<quint8, int> m_quiet;
    QMap<quint8, QByteArray> m_answers;
};

#endif // SCRIPTEDDEVICE_H
