#include "ctlrunner.h"

#include "frcommandscontroller.h"
#include "frmodechanger.h"

#include <QDebug>
#include <QTcpSocket>

#include <cstdio>

CtlRunner::CtlRunner(const CtlOptions &options, QObject *parent)
    : QObject(parent), m_options(options), m_controller(new FrCommandsController(this))
{
    m_deadline.setSingleShot(true);
    m_deadline.setTimerType(Qt::PreciseTimer);
    connect(&m_deadline, &QTimer::timeout, this, &CtlRunner::p_deadlineHandler);
    connect(
        m_controller, &FrCommandsController::connectState, this, &CtlRunner::p_connectStateHandler);
    connect(m_controller, &FrCommandsController::clearBufferComplete, this,
        &CtlRunner::p_clearBufferHandler);
    connect(m_controller, &FrCommandsController::assyncAnswer, this, &CtlRunner::p_answerHandler);
    connect(m_controller, &FrCommandsController::assyncError, this, &CtlRunner::p_errorHandler);
    connect(
        m_controller, &FrCommandsController::allFramesWritten, this, &CtlRunner::p_acknowledged);
    if (m_options.command == CtlOptions::Mode) {
        m_modeChanger = new FrModeChanger(m_controller, this);
        connect(m_modeChanger, &FrModeChanger::modeChanged, this, &CtlRunner::p_modeChangedHandler);
    }
}

CtlRunner::~CtlRunner()
{
    m_controller->stop();
}

void CtlRunner::writeOut(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    fflush(stdout);
}

void CtlRunner::writeErr(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    fflush(stderr);
}

QString CtlRunner::endpoint() const
{
    return QStringLiteral("%1:%2").arg(m_options.host).arg(m_options.port);
}

void CtlRunner::start()
{
    m_phase = Connecting;
    m_deadline.start(m_options.timeoutMs);
    // The link itself never reports a refused connection; a script must not sit out the whole
    // time limit when nothing listens, so try the endpoint once on our own first.
    m_probe = new QTcpSocket(this);
    connect(m_probe, &QTcpSocket::connected, this, &CtlRunner::p_probeConnected);
    connect(m_probe, &QTcpSocket::errorOccurred, this, &CtlRunner::p_probeFailed);
    m_probe->connectToHost(m_options.host, m_options.port);
}

void CtlRunner::p_probeConnected()
{
    m_probe->abort();
    m_probe->deleteLater();
    m_probe = nullptr;
    m_controller->setTcpEndpoint(m_options.host, m_options.port);
    if (m_options.reqIntervalMs > 0)
        m_controller->setReqInterval(m_options.reqIntervalMs);
    qDebug().noquote() << "ORVACTL_CONNECT" << endpoint();
    m_controller->start();
}

void CtlRunner::p_probeFailed()
{
    if (!m_probe || m_phase == Done)
        return;
    const QString reason = m_probe->errorString();
    m_probe->deleteLater();
    m_probe = nullptr;
    finish(ExitLink, tr("Cannot connect to %1: %2").arg(endpoint(), reason));
}

void CtlRunner::p_connectStateHandler(bool isConnected)
{
    if (m_phase == Done)
        return;
    if (!isConnected) {
        if (m_phase != Connecting)
            finish(ExitLink, tr("The link to %1 was closed").arg(endpoint()));
        return;
    }
    if (m_phase != Connecting)
        return;
    if (m_modeChanger) {
        // The mode change clears the register's buffer itself.
        m_phase = Running;
        p_runOnce();
        return;
    }
    // Tasks of an earlier client may still sit in the register's buffer under the TIDs we
    // are about to use.
    m_phase = Clearing;
    m_controller->sendClearBufferCommand();
}

void CtlRunner::p_clearBufferHandler()
{
    if (m_phase != Clearing)
        return;
    m_phase = Running;
    p_runOnce();
}

void CtlRunner::p_runOnce()
{
    if (m_phase != Running)
        return;
    m_runTimer.start();
    m_waiting = true;
    switch (m_options.command) {
    case CtlOptions::State:
        m_waitTid = m_controller->sendGetFrStateCommand(false);
        break;
    case CtlOptions::Raw:
        m_waitTid = m_controller->sendFrCommand(m_options.code, m_options.payload).tid;
        break;
    case CtlOptions::Money:
        m_waitTid = m_controller->sendGetFrMoneyCommand().tid;
        break;
    case CtlOptions::ShiftTotals:
        m_waitTid = m_controller->sendGetFrCycleMoneyCommand().tid;
        break;
    case CtlOptions::Mode:
        m_waiting = false; // the changer waits for its own TIDs
        m_modeChanger->changeMode(m_options.mode);
        break;
    case CtlOptions::NoCommand:
    case CtlOptions::Bus: // BusRunner's, never over the link
        finish(ExitUsage, CtlOptions::tr("no command given"));
        break;
    }
}

void CtlRunner::p_answerHandler(quint8 tid, QByteArray ba)
{
    if (m_phase != Running || !m_waiting || tid != m_waitTid)
        return;
    m_waiting = false;
    m_stats.add(m_runTimer.nsecsElapsed());
    switch (m_options.command) {
    case CtlOptions::State:
        runDone(AnswerFormatter::state(ba));
        break;
    case CtlOptions::Money:
        runDone(AnswerFormatter::money(ba));
        break;
    case CtlOptions::ShiftTotals:
        runDone(AnswerFormatter::shiftTotals(ba));
        break;
    default:
        runDone(AnswerFormatter::raw(ba));
        break;
    }
}

void CtlRunner::p_errorHandler(quint8 tid, QByteArray ba)
{
    if (m_phase != Running || !m_waiting || tid != m_waitTid)
        return;
    m_waiting = false;
    runDone(AnswerFormatter::refusal(ba));
}

void CtlRunner::p_modeChangedHandler(quint8 mode, bool error, quint8 errorCode)
{
    if (m_phase != Running)
        return;
    if (!error) {
        m_stats.add(m_runTimer.nsecsElapsed());
        AnswerFormatter::Formatted done;
        done.outcome = AnswerFormatter::Ok;
        done.text = QStringLiteral("mode=%1\n").arg(mode);
        runDone(done);
        return;
    }
    AnswerFormatter::Formatted refused;
    refused.outcome = AnswerFormatter::Refused;
    refused.text = (errorCode != 0 && errorCode != 0xFF)
        ? errorCodeText(errorCode)
        : tr("The register did not enter mode %1").arg(mode);
    runDone(refused);
}

void CtlRunner::runDone(const AnswerFormatter::Formatted &result)
{
    writeOut(result.outcome == AnswerFormatter::Ok ? result.text : result.output);
    m_result = result;
    m_phase = Acknowledging;
    // The controller sends the ACK once the signal that brought the result returns.
    QMetaObject::invokeMethod(this, &CtlRunner::p_acknowledged, Qt::QueuedConnection);
}

void CtlRunner::p_acknowledged()
{
    if (m_phase != Acknowledging || m_controller->unwrittenFrames() > 0)
        return;
    m_phase = Running;
    runEnded();
}

void CtlRunner::runEnded()
{
    const AnswerFormatter::Formatted &result = m_result;
    if (result.outcome == AnswerFormatter::Refused) {
        finish(ExitRefused, result.text);
        return;
    }
    if (result.outcome == AnswerFormatter::Unexpected) {
        finish(ExitLink, result.text);
        return;
    }
    if (m_stats.runs() < m_options.repeat) {
        p_runOnce();
        return;
    }
    if (m_options.stats)
        writeOut(m_stats.line() + QLatin1Char('\n'));
    finish(ExitOk);
}

void CtlRunner::p_deadlineHandler()
{
    if (m_phase == Done)
        return;
    if (m_phase == Connecting)
        finish(ExitLink, tr("No link to %1 within %2 ms").arg(endpoint()).arg(m_options.timeoutMs));
    else
        finish(ExitLink,
            tr("No answer from the register within %1 ms (%2 of %3 runs done)")
                .arg(m_options.timeoutMs)
                .arg(m_stats.runs())
                .arg(m_options.repeat));
}

void CtlRunner::finish(int exitCode, const QString &complaint)
{
    if (m_phase == Done)
        return;
    m_phase = Done;
    m_deadline.stop();
    if (m_modeChanger)
        m_modeChanger->abort();
    if (!complaint.isEmpty())
        writeErr(complaint + QLatin1Char('\n'));
    qDebug() << "ORVACTL_EXIT CODE=" << exitCode;
    emit finished(exitCode);
}
