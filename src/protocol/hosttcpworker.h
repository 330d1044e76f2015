#ifndef HOSTTCPWORKER_H
#define HOSTTCPWORKER_H

#include "abstractworker.h"

#include <QByteArray>
#include <QPointer>
#include <QString>

class QTcpSocket;

// Link to the register over TCP. Lives in its own thread; the controller talks to it only
// through queued signals. It never reconnects by itself: the controller's stop and start do.
class HostTcpWorker : public qt5ext::AbstractWorker
{
    Q_OBJECT
public:
    explicit HostTcpWorker(QObject *parent = nullptr);
    ~HostTcpWorker() override;

    // Empty host or port 0: take them from the link settings. Set before the thread starts.
    void setEndpoint(const QString &host, quint16 port);

    bool doStart() override;
    bool doStop() override;

signals:
    void answerReceived(quint8 id, QByteArray data);
    void connectState(bool);
    // After each sendCommand: written and flushed, or dropped (no open channel).
    void frameWritten(quint8 id, bool written);

public slots:
    void taskProcessed(quint8 taskId);
    void sendCommand(quint8 id, QByteArray cmdData);
    bool createPort();
    void readyRead();
    void socketDisconnected();
    void sockeConnected();

private:
    static const int FLUSH_TIMEOUT_MS = 1000;
    bool flushSocket();

    QPointer<QTcpSocket> m_socket;
    QString m_host;
    quint16 m_port = 0;
};

#endif // HOSTTCPWORKER_H
