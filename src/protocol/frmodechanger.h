#ifndef FRMODECHANGER_H
#define FRMODECHANGER_H

#include <QByteArray>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QTimer>

class FrCommandsController;

// Brings the register into a wanted mode: clears its task buffer, asks for the state and
// leaves (0x48) or enters (0x56) modes, re-asking the state until the register reports the
// target mode or refuses. Knows nothing of widgets, so pages and command-line tools share it.
//
// The controller's needForceStopAll is connected in the constructor: objects that must hear
// a forced stop before the change is ended connect to that signal before creating a changer.
class FrModeChanger : public QObject
{
    Q_OBJECT
public:
    static const int DEFAULT_STATE_WAIT_TIMEOUT_MS = 5000;
    static const int DEFAULT_STATE_REASK_DELAY_MS = 1000;

    explicit FrModeChanger(FrCommandsController *controller, QObject *parent = nullptr);
    ~FrModeChanger() override;

    // How long a change may go without reaching the mode before it starts over.
    void setStateWaitTimeout(int msecs) { m_stateWaitTimeoutMs = msecs; }
    int stateWaitTimeout() const { return m_stateWaitTimeoutMs; }
    // Pause after a mode exit or entry before the state is asked again.
    void setStateReaskDelay(int msecs) { m_stateReaskDelayMs = msecs; }
    int stateReaskDelay() const { return m_stateReaskDelayMs; }
    // When false, a timeout only emits stateWaitTimedOut() and leaves the restart to the
    // listener (pages ask about the link first); the change stays in progress meanwhile.
    void setRestartOnTimeout(bool restart) { m_restartOnTimeout = restart; }
    bool restartOnTimeout() const { return m_restartOnTimeout; }

    bool isChanging() const { return m_changing; }
    quint8 targetMode() const { return m_targetMode; }
    // TIDs of the commands the change itself sent, with their command codes.
    QMap<quint8, quint8> privateWaits() const { return m_privateWaits; }
    bool privateHandlersConnected() const { return bool(m_answerConnection); }
    // Whether the timeout that starts the change over is running.
    bool isStateWaitActive() const { return m_waitTimer.isActive(); }

signals:
    // The change is over: on success mode is the mode reached, error false and code 0;
    // on failure mode is the target, error true and code the register's or 0xFF.
    void modeChanged(quint8 mode, bool error, quint8 errorCode);
    // The register refused a mode command with a code the user should be told about;
    // emitted just before the failing modeChanged().
    void modeChangeWarning(quint8 errorCode);
    // No state answer reached the target in time.
    void stateWaitTimedOut(quint8 mode);

public slots:
    // Starts (or starts over) the change to the mode. The link must be up for the
    // register to hear it; the controller resends meanwhile.
    void changeMode(quint8 mode);
    // Ends a running change as failed with code 0xFF; nothing when idle.
    void abort();

private slots:
    void p_FrCommandTidAnswerHandler(quint8 tid, QByteArray ba);
    void p_FrCommandTidErrorHandler(quint8 tid, QByteArray ba);
    void p_sendFrStateRequest();
    void p_FrClearBufferHandler();
    void p_waitStateTimout();
    void p_forceStopAllHandler();

private:
    void p_addWaitTid(quint8 tid, quint8 cmdCode);
    void clearPrivateWaits();
    void connectPrivateHandlers();
    void disconnectPrivateHandlers();
    void finish(quint8 mode, bool error, quint8 errorCode);

    QPointer<FrCommandsController> m_controller;
    bool m_changing = false;
    quint8 m_targetMode = 0;
    QTimer m_waitTimer;
    QTimer m_reaskTimer;
    QMap<quint8, quint8> m_privateWaits;
    QMetaObject::Connection m_answerConnection;
    QMetaObject::Connection m_errorConnection;
    int m_stateWaitTimeoutMs = DEFAULT_STATE_WAIT_TIMEOUT_MS;
    int m_stateReaskDelayMs = DEFAULT_STATE_REASK_DELAY_MS;
    bool m_restartOnTimeout = true;
};

#endif // FRMODECHANGER_H
