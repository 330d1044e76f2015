#ifndef HOSTRS232WORKER_H
#define HOSTRS232WORKER_H

#include "abstractworker.h"

#include <QByteArray>
#include <QPointer>

class FrCommandsController;
class QSerialPort;
class QTimer;

// Link to the register over a serial line. Lives in its own thread. Reports the link up only
// when the first complete answer arrives after opening; retries a failed open periodically.
class HostRs232Worker : public qt5ext::AbstractWorker
{
    Q_OBJECT
public:
    static const int DEFAULT_RESTART_INTERVAL_MS = 15000;

    // The controller is asked for a device type query after each successful open.
    explicit HostRs232Worker(FrCommandsController *controller = nullptr, QObject *parent = nullptr);
    ~HostRs232Worker() override;

    // Tests shorten the reopen period; set it before the thread starts.
    void setRestartInterval(int msecs) { m_restartIntervalMs = msecs; }
    int restartInterval() const { return m_restartIntervalMs; }

    bool doStart() override;
    bool doStop() override;

signals:
    void answerReceived(quint8 id, QByteArray data);
    void connectState(bool);
    // After each sendCommand: written and flushed, or dropped (no open channel).
    void frameWritten(quint8 id, bool written);

public slots:
    void restart();
    void taskProcessed(quint8 taskId);
    void sendCommand(quint8 id, QByteArray cmdData);
    void readyRead();

private:
    bool createPort();
    void connectPort();

    QPointer<QSerialPort> m_port;
    QPointer<QTimer> m_restartTimer;
    bool m_awaitingFirstAnswer = false;
    QPointer<FrCommandsController> m_controller;
    int m_restartIntervalMs = DEFAULT_RESTART_INTERVAL_MS;
};

#endif // HOSTRS232WORKER_H
