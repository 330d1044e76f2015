#include "frmodechanger.h"

#include "franswers.h"
#include "frcommandscontroller.h"
#include "logstream.h"

#include <QDebug>

using qt5ext::logbinary;

namespace {
const quint8 CMD_GET_STATE = 0x3F;
const quint8 CMD_SET_MODE = 0x56;
const quint8 CMD_MODE_EXIT = 0x48;
const quint8 RESULT_TAG = 0x55; // 'U'
const quint8 NO_ERROR_CODE = 0xFF;
} // namespace

FrModeChanger::FrModeChanger(FrCommandsController *controller, QObject *parent)
    : QObject(parent), m_controller(controller)
{
    m_waitTimer.setSingleShot(false);
    m_reaskTimer.setSingleShot(true);
    connect(&m_waitTimer, &QTimer::timeout, this, &FrModeChanger::p_waitStateTimout);
    connect(&m_reaskTimer, &QTimer::timeout, this, &FrModeChanger::p_sendFrStateRequest);
    if (m_controller) {
        connect(m_controller, &FrCommandsController::clearBufferComplete, this,
            &FrModeChanger::p_FrClearBufferHandler);
        connect(m_controller, &FrCommandsController::needForceStopAll, this,
            &FrModeChanger::p_forceStopAllHandler);
    }
}

FrModeChanger::~FrModeChanger() = default;

void FrModeChanger::changeMode(quint8 mode)
{
    if (!m_controller) {
        qWarning() << "FR_MODE_CHANGE NO_CONTROLLER MODE=" << mode;
        return;
    }
    qDebug() << "FR_MODE_CHANGE_START MODE=" << mode;
    m_changing = true;
    m_targetMode = mode;
    m_reaskTimer.stop();
    // The clear below deletes every queued task, so older private waits can never be
    // answered; dropping them keeps a reused TID from being taken for one of them.
    clearPrivateWaits();
    m_controller->sendClearBufferCommand();
    m_waitTimer.stop();
    m_waitTimer.start(m_stateWaitTimeoutMs);
}

void FrModeChanger::abort()
{
    if (m_changing)
        finish(m_targetMode, true, NO_ERROR_CODE);
}

void FrModeChanger::p_FrCommandTidAnswerHandler(quint8 tid, QByteArray ba)
{
    if (!m_privateWaits.contains(tid))
        return;
    const quint8 code = m_privateWaits.take(tid);
    if (m_privateWaits.isEmpty())
        disconnectPrivateHandlers();
    if (!m_changing || !m_controller)
        return;

    switch (code) {
    case CMD_GET_STATE: {
        FrStateCommandAnswer state;
        state.parseState(ba);
        qDebug() << "FR_MODE_CHANGE_STATE MODE_BYTE=" << Qt::hex << state.modeByte()
                 << "TARGET=" << m_targetMode;
        if (state.mode() == m_targetMode) {
            m_waitTimer.stop();
            finish(state.mode(), false, 0);
        } else if (state.modeByte() == 0) {
            p_addWaitTid(m_controller->sendSetModeCommand(m_targetMode), CMD_SET_MODE);
        } else {
            p_addWaitTid(m_controller->sendModeExitCommand(), CMD_MODE_EXIT);
        }
        break;
    }
    case CMD_SET_MODE:
    case CMD_MODE_EXIT:
        m_reaskTimer.start(m_stateReaskDelayMs);
        break;
    default:
        break;
    }
}

void FrModeChanger::p_FrCommandTidErrorHandler(quint8 tid, QByteArray ba)
{
    if (!m_privateWaits.contains(tid))
        return;
    if (!m_changing) {
        m_privateWaits.remove(tid);
        if (m_privateWaits.isEmpty())
            disconnectPrivateHandlers();
        return;
    }
    clearPrivateWaits();
    const quint8 code = ba.size() >= 2 ? quint8(ba.at(1)) : NO_ERROR_CODE;
    qDebug() << "FR_MODE_CHANGE_ERROR TID=" << tid << logbinary(ba);
    if (!ba.isEmpty() && quint8(ba.at(0)) == RESULT_TAG && code != 0) {
        m_waitTimer.stop();
        emit modeChangeWarning(code);
    }
    finish(m_targetMode, true, code);
}

void FrModeChanger::p_sendFrStateRequest()
{
    if (!m_changing || !m_controller)
        return;
    p_addWaitTid(m_controller->sendGetFrStateCommand(false), CMD_GET_STATE);
}

void FrModeChanger::p_FrClearBufferHandler()
{
    if (m_changing)
        p_sendFrStateRequest();
}

void FrModeChanger::p_waitStateTimout()
{
    m_waitTimer.stop();
    if (!m_changing)
        return;
    qDebug() << "WAIT_STATE_TIMEOUT";
    emit stateWaitTimedOut(m_targetMode);
    if (m_restartOnTimeout && m_changing)
        changeMode(m_targetMode);
}

void FrModeChanger::p_forceStopAllHandler()
{
    abort();
}

void FrModeChanger::p_addWaitTid(quint8 tid, quint8 cmdCode)
{
    if (m_privateWaits.isEmpty())
        connectPrivateHandlers();
    if (m_privateWaits.contains(tid)) {
        m_privateWaits.remove(tid);
        qWarning() << "WARNING"
                   << "WAIT TID ALREADY EXISTS" << tid;
    }
    m_privateWaits.insert(tid, cmdCode);
}

void FrModeChanger::clearPrivateWaits()
{
    m_privateWaits.clear();
    disconnectPrivateHandlers();
}

void FrModeChanger::connectPrivateHandlers()
{
    if (m_answerConnection || !m_controller)
        return;
    m_answerConnection = connect(m_controller, &FrCommandsController::assyncAnswer, this,
        &FrModeChanger::p_FrCommandTidAnswerHandler);
    m_errorConnection = connect(m_controller, &FrCommandsController::assyncError, this,
        &FrModeChanger::p_FrCommandTidErrorHandler);
}

void FrModeChanger::disconnectPrivateHandlers()
{
    disconnect(m_answerConnection);
    disconnect(m_errorConnection);
    m_answerConnection = QMetaObject::Connection();
    m_errorConnection = QMetaObject::Connection();
}

void FrModeChanger::finish(quint8 mode, bool error, quint8 errorCode)
{
    m_waitTimer.stop();
    m_reaskTimer.stop();
    m_changing = false;
    clearPrivateWaits();
    qDebug() << "FR_MODE_CHANGE_RESULT" << mode << (error ? "true" : "false") << errorCode;
    emit modeChanged(mode, error, errorCode);
}
