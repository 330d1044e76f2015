#ifndef APPBUSCONNECTION_H
#define APPBUSCONNECTION_H

#include "appbusframereader.h"

#include <QJsonObject>
#include <QObject>

class QLocalSocket;

namespace bus {

// One end of a bus connection over a local socket: writes messages and emits each one it
// reads. Lives in the thread of its socket. Bad messages are answered with an "error"
// message; a stream that cannot be read any further is closed.
class AppBusConnection : public QObject
{
    Q_OBJECT
public:
    // Takes the socket (connected or not) as its child.
    explicit AppBusConnection(QLocalSocket *socket, QObject *parent = nullptr);

    QLocalSocket *socket() const { return m_socket; }
    bool isConnected() const;
    bool send(const QJsonObject &message);
    void close();

    // Blocking use (a thread with no event loop of its own): the next message within the
    // time; false when none came or the connection ended.
    bool waitForMessage(QJsonObject *message, int msecs);

signals:
    void messageReceived(const QJsonObject &message);
    // A message that could not be read was skipped (and answered with an "error").
    void badMessage(const QString &error);
    void disconnected();

private slots:
    void p_readyRead();

private:
    // false when the stream broke.
    bool drain(QJsonObject *first);

    QLocalSocket *m_socket;
    AppBusFrameReader m_reader;
    bool m_blocking = false;
    QList<QJsonObject> m_pending;
};

} // namespace bus

#endif // APPBUSCONNECTION_H
