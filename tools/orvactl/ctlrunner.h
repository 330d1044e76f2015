#ifndef CTLRUNNER_H
#define CTLRUNNER_H

#include "answerformatter.h"
#include "ctloptions.h"
#include "ctlstats.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class FrCommandsController;
class QTcpSocket;
class FrModeChanger;

// Runs one orvactl command line over the command buffer controller: waits for the link,
// clears the register's task buffer once, runs the command as often as asked and reports
// the exit code through finished(). Output goes to standard output, complaints to
// standard error.
class CtlRunner : public QObject
{
    Q_OBJECT
public:
    enum ExitCode { ExitOk = 0, ExitUsage = 1, ExitLink = 2, ExitRefused = 3 };

    explicit CtlRunner(const CtlOptions &options, QObject *parent = nullptr);
    ~CtlRunner() override;

    void start();

    static void writeOut(const QString &text);
    static void writeErr(const QString &text);

signals:
    void finished(int exitCode);

private slots:
    void p_probeConnected();
    void p_probeFailed();
    void p_connectStateHandler(bool isConnected);
    void p_clearBufferHandler();
    void p_answerHandler(quint8 tid, QByteArray ba);
    void p_errorHandler(quint8 tid, QByteArray ba);
    void p_modeChangedHandler(quint8 mode, bool error, quint8 errorCode);
    void p_deadlineHandler();
    void p_runOnce();
    void p_acknowledged();

private:
    // Acknowledging: the result is in; the run ends once its ACK (or the abort after a
    // password error) has been written, or the register keeps the finished task.
    enum Phase { Connecting, Clearing, Running, Acknowledging, Done };

    void runDone(const AnswerFormatter::Formatted &result);
    void runEnded();
    void finish(int exitCode, const QString &complaint = QString());
    QString endpoint() const;

    CtlOptions m_options;
    FrCommandsController *m_controller;
    FrModeChanger *m_modeChanger = nullptr;
    QTcpSocket *m_probe = nullptr;
    QTimer m_deadline;
    QElapsedTimer m_runTimer;
    CtlStats m_stats;
    Phase m_phase = Connecting;
    AnswerFormatter::Formatted m_result;
    bool m_waiting = false;
    quint8 m_waitTid = 0;
};

#endif // CTLRUNNER_H
