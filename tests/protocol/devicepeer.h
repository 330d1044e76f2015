#ifndef DEVICEPEER_H
#define DEVICEPEER_H

#include "devicecodec.h"

#include <QObject>
#include <QPointer>

#include <functional>

class QTcpServer;
class QTcpSocket;

// A scripted register on a local TCP port: records every frame the configurator sends and
// answers as the test (or its script) tells it to.
class DevicePeer : public QObject
{
    Q_OBJECT
public:
    using Frame = DeviceCodec::Frame;
    // Called for every received frame, after it was recorded.
    using Script = std::function<void(DevicePeer &peer, const Frame &frame)>;

    explicit DevicePeer(QObject *parent = nullptr);
    ~DevicePeer() override;

    bool listen();
    quint16 port() const;

    bool waitForClient(int msecs = 5000);
    bool hasClient() const;
    int connectionCount() const { return m_connections; }
    void dropClient();

    void send(quint8 id, const QByteArray &payload);
    void sendRaw(const QByteArray &bytes);

    void setScript(Script script) { m_script = std::move(script); }
    // Accepts every add-task record and at once reports its result 0xA6 with the given answer.
    static Script completingScript(const QByteArray &answer);

    QList<Frame> frames() const { return m_frames; }
    int frameCount() const { return m_frames.size(); }
    Frame frame(int index) const { return m_frames.value(index); }
    Frame lastFrame() const { return m_frames.isEmpty() ? Frame() : m_frames.last(); }
    // Frames whose payload starts with the given buffer command byte.
    QList<Frame> framesOf(quint8 command) const;
    QByteArray received() const { return m_received; }
    // Processes events until that many frames have arrived in total.
    bool waitForFrames(int count, int msecs = 5000);
    // Processes events until done() holds; false on timeout.
    bool waitUntil(const std::function<bool()> &done, int msecs = 5000);

signals:
    void frameReceived(quint8 id, QByteArray payload);

private:
    void onNewConnection();
    void onReadyRead();

    QTcpServer *m_server;
    QPointer<QTcpSocket> m_client;
    DeviceCodec m_codec;
    QList<Frame> m_frames;
    QByteArray m_received;
    Script m_script;
    int m_connections = 0;
};

#endif // DEVICEPEER_H
