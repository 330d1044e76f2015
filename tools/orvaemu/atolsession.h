#ifndef ATOLSESSION_H
#define ATOLSESSION_H

#include "atol31frameparser.h"
#include "patol31.h"
#include "registermodel.h"

#include <QList>
#include <QObject>
#include <QTimer>

class FaultInjector;
class QTcpSocket;

// The device side of one link connection: frames in and out, and the task buffer of the
// connection (add task, REQ, ACK, abort). Commands go to the shared register model in the
// order their tasks arrive.
class AtolSession : public QObject
{
    Q_OBJECT
public:
    enum AnswerMode { Async, OnRequest };

    struct Options
    {
        AnswerMode answers = Async;
        int delayMs = 0; // how long a task stays busy before its result is ready
        bool logFrames = false;
        // Silence that ends a partial frame: the same wait the host side allows per byte.
        int byteTimeoutMs = PAtol31::BYTE_WAIT_MS;
        // Send-requisite tasks for this tag run on the register but stay busy for good, as
        // when the fiscal storage never confirms them; only an abort clears them.
        int stuckRequisiteTag = -1;
    };

    // Buffer statuses and answers of this device.
    enum Status : quint8 {
        Pending = 0xA1,
        InProgress = 0xA2,
        Result = 0xA3,
        Error = 0xA4,
        Aborted = 0xA5,
        AsyncResult = 0xA6,
        AsyncError = 0xA7,
        Overflow = 0xB1,
        NotFound = 0xB3,
        IllegalValue = 0xB4,
    };

    static const quint8 ASYNC_FRAME_ID = 0xF0;
    static const int CAPACITY = 200;
    // A finished task that this many newer tasks have passed is taken as abandoned (its ACK
    // was lost): a client that reuses its TID has wrapped around and means a new task.
    static const int STALE_AFTER = 100;

    AtolSession(QTcpSocket *socket, RegisterModel *model, FaultInjector *faults,
        const Options &options, int number, QObject *parent = nullptr);

    int taskCount() const { return m_tasks.size(); }

private slots:
    void readBytes();
    void byteTimeout();
    void deliver();

private:
    struct Task
    {
        enum State { Waiting, Busy, Done };
        quint8 tid = 0;
        QByteArray command;
        State state = Waiting;
        RegisterModel::Answer answer;
        quint64 sequence = 0;
        bool stuck = false; // busy for good
    };

    void feed(quint8 byte);
    void handleFrame(quint8 id, const QByteArray &payload);
    void addTask(quint8 id, const QByteArray &payload);
    void request(quint8 id, const QByteArray &payload);
    void acknowledge(const QByteArray &payload);
    void abortAll(quint8 id);
    void runNext();
    bool isStuckRequisite(const QByteArray &command) const;
    int indexOf(quint8 tid) const;
    // REQ-style answer: A1/A2 with the TID while waiting or busy, A3/A4 and the answer after.
    QByteArray statusOf(const Task &task) const;
    void send(quint8 id, const QByteArray &payload);
    void log(const char *direction, quint8 id, const QByteArray &payload, const char *note);

    QTcpSocket *m_socket;
    RegisterModel *m_model;
    FaultInjector *m_faults;
    Options m_options;
    int m_number;
    Atol31FrameParser m_parser;
    QByteArray m_attempt; // bytes of the frame being received, from its STX
    QTimer m_byteTimer;
    QTimer m_workTimer;
    QList<Task> m_tasks;
    quint64 m_added = 0;
};

#endif // ATOLSESSION_H
