#include "frcommandscontroller.h"

#include "bcd.h"
#include "frportsettings.h"
#include "hostrs232worker.h"
#include "hosttcpworker.h"
#include "logstream.h"

#include <QDebug>
#include <QThread>

#include <utility>

using qt5ext::BCD;
using qt5ext::FixNumber;
using qt5ext::logbinary;

namespace {

const quint8 MAX_IDENTIFIER = 222;

const quint8 BUF_ADD_TASK = 0xC1;
const quint8 BUF_ACK = 0xC2;
const quint8 BUF_REQ = 0xC3;
const quint8 BUF_ABORT = 0xC4;
const quint8 TASK_FLAGS = 0x02;

const quint8 ASYNC_FRAME_ID = 0xF0;
const quint8 ASYNC_RESULT = 0xA6;
const quint8 ASYNC_ERROR = 0xA7;
const quint8 REQ_WAITING = 0xA1;
const quint8 REQ_IN_PROGRESS = 0xA2;
const quint8 REQ_RESULT = 0xA3;

const quint8 RESULT_TAG = 0x55;
const quint8 WRONG_PASSWORD = 0x8C;

const quint8 CMD_GET_STATE = 0x3F;
const quint8 CMD_GET_MONEY = 0x4D;
const quint8 CMD_GET_CYCLE_MONEY = 0x58;
const quint8 CMD_GET_VERSION = 0x9D;
const quint8 CMD_GET_DEVICE_TYPE = 0xA5;
const quint8 CMD_PRINT_LAST_CHECK = 0x95;
const quint8 CMD_SET_MODE = 0x56;
const quint8 CMD_MODE_EXIT = 0x48;
const quint8 CMD_READ_TABLE = 0x46;
const quint8 CMD_SAVE_TABLE = 0x50;
const quint8 CMD_SET_DATE = 0x64;
const quint8 CMD_SET_TIME = 0x4B;
const quint8 CMD_SET_TIMEZONE = 0xD1;
const quint8 CMD_GET_TIMEZONE = 0xD2;
const quint8 CMD_SET_REKV = 0xE8;
const quint8 CMD_ACTIVATION = 0xA6;
const quint8 CMD_CHECK_OPEN = 0x92;
const quint8 CMD_CHECK_CLOSE = 0x4A;
const quint8 CMD_CHECK_CANCEL = 0x59;
const quint8 CMD_OPEN_CYCLE = 0x9A;
const quint8 CMD_CLOSE_CYCLE = 0x5A;
const quint8 CMD_COMMON_GASH = 0x77;
const quint8 CMD_REGISTRATION_REPORT = 0xA8;
const quint8 CMD_BUILD_REG_REPORT = 0xDC;
const quint8 CMD_READ_TAG = 0xE9;
const quint8 CMD_REPORT_WITHOUT_GASH = 0x67;
const quint8 CMD_REG_POSITION = 0xE6;
const quint8 CMD_REG_POSITION_CANCEL = 0xE7;
const quint8 CMD_CHECK_PAYMENT = 0x99;
const quint8 CMD_INTRODUCTION = 0x49;
const quint8 CMD_ENCASHMENT = 0x4F;
const quint8 CMD_FN_CLOSE_ARCHIVE = 0xA7;
const quint8 CMD_FD_BY_NUMBER_REPORT = 0xAB;
const quint8 CMD_FD_BY_NUMBER_TLV_REPORT = 0xB6;
const quint8 CMD_FN_READ = 0xA4;
const quint8 CMD_REGISTER_READ = 0x91;
const quint8 CMD_SET_FACTORY_NUMBER = 0x61;

const int POSITION_NAME_SIZE = 64;
const int POSITION_BARCODE_SIZE = 16;

QString hex(quint8 v)
{
    return QString::number(v, 16);
}

const char *boolText(bool v)
{
    return v ? "true" : "false";
}

// A one-byte BCD field carries two digits (days, months, hours, payment types...).
QByteArray bcdByte(qint64 value)
{
    return BCD::int2bcd(value, 2);
}

QByteArray fitted(QByteArray bytes, int size)
{
    if (bytes.size() > size)
        bytes.truncate(size);
    else if (bytes.size() < size)
        bytes.append(QByteArray(size - bytes.size(), '\0'));
    return bytes;
}

QByteArray flagsAnd(const QByteArray &rest)
{
    return QByteArray(1, '\0') + rest;
}

quint8 stepIdentifier(quint8 &counter)
{
    int next = int(counter) + 1;
    if (next > MAX_IDENTIFIER)
        next = 1;
    counter = quint8(next);
    return counter;
}

} // namespace

FrCommandsController::FrCommandsController(QObject *parent)
    : qt5ext::AbstractWorkerController(parent)
{
    qRegisterMetaType<FrStateCommandAnswer>("FrStateCommandAnswer");
    qRegisterMetaType<TableReadCommandAnswer>("TableReadCommandAnswer");
    qRegisterMetaType<SendBufferCommand>("SendBufferCommand");
    qRegisterMetaType<CommandSendInfo>("CommandSendInfo");

    m_reqTimer.setSingleShot(false);
    m_answerTimer.setSingleShot(false);
    connect(&m_reqTimer, &QTimer::timeout, this, &FrCommandsController::doSendReq);
    connect(
        &m_answerTimer, &QTimer::timeout, this, &FrCommandsController::waitSendAnserTimoutHandler);
}

FrCommandsController::~FrCommandsController()
{
    // The serial worker may still queue calls into this object: end its thread first.
    doKillThreads();
    m_reqTimer.stop();
    m_answerTimer.stop();
}

void FrCommandsController::setAnswerTimeout(int msecs)
{
    m_answerTimeoutMs = msecs;
    if (m_answerTimer.isActive())
        m_answerTimer.start(m_answerTimeoutMs);
}

void FrCommandsController::setReqInterval(int msecs)
{
    m_reqIntervalMs = msecs;
    if (m_reqTimer.isActive())
        m_reqTimer.start(m_reqIntervalMs);
}

void FrCommandsController::setTcpEndpoint(const QString &host, quint16 port)
{
    m_hostOverride = host;
    m_portOverride = port;
}

quint8 FrCommandsController::nextFrameId()
{
    return stepIdentifier(m_frameId);
}

quint8 FrCommandsController::nextTid()
{
    return stepIdentifier(m_tid);
}

bool FrCommandsController::doStart()
{
    // A second start without a stop would put two workers on the same link.
    if (isStarted())
        doKillThreads();

    FrPortSettings settings;
    m_tcpLink = settings.tcpUse();
    m_unwrittenFrames = 0;
    qt5ext::AbstractWorker *worker = nullptr;
    if (m_tcpLink) {
        auto *tcp = new HostTcpWorker;
        tcp->setEndpoint(m_hostOverride, m_portOverride);
        connect(this, &FrCommandsController::needRestartHostWorker, tcp,
            &qt5ext::AbstractWorker::restart, Qt::QueuedConnection);
        connect(this, &FrCommandsController::needSendCommand, tcp, &HostTcpWorker::sendCommand,
            Qt::QueuedConnection);
        connect(
            tcp, &HostTcpWorker::connectState, this, &FrCommandsController::connectStateHandler);
        // Wired before the thread runs so that no early answer can slip past.
        connect(
            tcp, &HostTcpWorker::answerReceived, this, &FrCommandsController::answerReceiveHandler);
        connect(
            tcp, &HostTcpWorker::frameWritten, this, &FrCommandsController::frameWrittenHandler);
        worker = tcp;
    } else {
        auto *serial = new HostRs232Worker(this);
        connect(this, &FrCommandsController::needRestartHostWorker, serial,
            &HostRs232Worker::restart, Qt::QueuedConnection);
        connect(this, &FrCommandsController::needSendCommand, serial, &HostRs232Worker::sendCommand,
            Qt::QueuedConnection);
        connect(serial, &HostRs232Worker::connectState, this,
            &FrCommandsController::connectStateHandler);
        connect(serial, &HostRs232Worker::answerReceived, this,
            &FrCommandsController::answerReceiveHandler);
        connect(serial, &HostRs232Worker::frameWritten, this,
            &FrCommandsController::frameWrittenHandler);
        worker = serial;
    }
    QThread *thread = addWorkerToThread(worker);
    thread->start(QThread::InheritPriority);
    // Tasks left from the previous link, or sent while there was none: the abort goes out
    // first on the new one.
    if (m_staleFirst || (!m_sendBuffer.isEmpty() && m_sendBuffer.first().sent))
        sendClearBufferCommand();
    return true;
}

void FrCommandsController::doStop()
{
    qt5ext::AbstractWorkerController::doStop();
    // Frames queued to the worker that is gone will never be reported.
    m_unwrittenFrames = 0;
    if (m_connected) {
        connectStateHandler(false);
    } else {
        linkDown();
    }
}

// --- buffer protocol --------------------------------------------------------------------

void FrCommandsController::sendClearBufferCommand()
{
    const QList<SendBufferCommand> dropped = std::exchange(m_sendBuffer, {});
    for (const SendBufferCommand &cmd : dropped)
        forgetTask(cmd.tid);
    m_staleFirst = false;
    m_reqTimer.stop();
    m_answerTimer.stop();
    m_pendingClearId = nextFrameId();
    sendFrame(m_pendingClearId, QByteArray(1, char(BUF_ABORT)));
    // Whoever waits for a dropped task hears of it; the abort is already on its way, so a
    // task queued from these signals goes out behind it.
    for (const SendBufferCommand &cmd : dropped) {
        qDebug().noquote() << "TASK_CANCELLED TID=" << int(cmd.tid);
        emit assyncError(cmd.tid, linkCancelledResult());
    }
}

void FrCommandsController::forceStopAll()
{
    emit needForceStopAll();
    sendClearBufferCommand();
}

quint8 FrCommandsController::sendReq(quint8 tid)
{
    const quint8 id = nextFrameId();
    QByteArray req;
    req.append(char(BUF_REQ)).append(char(tid));
    sendFrame(id, req);
    return id;
}

void FrCommandsController::sendAck(quint8 tid)
{
    const quint8 id = nextFrameId();
    QByteArray ack;
    ack.append(char(BUF_ACK)).append(char(tid));
    sendFrame(id, ack);
}

void FrCommandsController::answerReceiveHandler(quint8 id, QByteArray data)
{
    qDebug().noquote() << "<< ANSWER_RECEIVED________________ID=" + hex(id) << logbinary(data);

    // Frame identifiers are never 0, so a 0 here means no abort is outstanding.
    if (m_pendingClearId != 0 && id == m_pendingClearId) {
        m_pendingClearId = 0;
        emit clearBufferComplete();
        return;
    }

    if (id == ASYNC_FRAME_ID) {
        if (data.isEmpty())
            return;
        const quint8 code = quint8(data.at(0));
        if (code == ASYNC_RESULT)
            asyncResultHandler(data);
        else if (code == ASYNC_ERROR)
            asyncErrorHandler(data);
        return;
    }

    for (auto it = m_reqIds.cbegin(); it != m_reqIds.cend(); ++it) {
        if (it.value() == id) {
            reqAnswerHandler(it.key(), data);
            return;
        }
    }

    if (!m_sendBuffer.isEmpty() && id == m_sendBuffer.first().id) {
        SendBufferCommand &first = m_sendBuffer.first();
        qDebug().noquote() << "BUFFER_SET_COMMAND_ANSWER TID=" << int(first.tid);
        first.accepted = true;
        m_answerTimer.stop();
        m_reqTimer.stop();
        m_reqTimer.start(m_reqIntervalMs);
    }
}

void FrCommandsController::asyncResultHandler(const QByteArray &data)
{
    if (data.size() == 1)
        return;
    const quint8 tid = quint8(data.at(1));
    if (tid == 3)
        qDebug() << "KOSTIL TID==3";
    if (m_sendBuffer.isEmpty() || m_sendBuffer.first().tid != tid) {
        qDebug().noquote() << "ASYNC_ANSWER_FOR_NON_FIRST_ITEM TID=" << int(tid);
        return;
    }
    const quint8 taskId = m_sendBuffer.first().id;
    const QByteArray answer = data.mid(2);
    if (m_stateTids.removeAll(tid) > 0)
        emit frStateReceivedGlobal(FrStateCommandAnswer(ASYNC_FRAME_ID, data));
    if (m_pageStateTids.removeAll(tid) > 0)
        emit frStateReceived(FrStateCommandAnswer(ASYNC_FRAME_ID, data));
    else
        emit assyncAnswer(tid, answer);
    finishTask(taskId, tid, false, true, data);
}

void FrCommandsController::asyncErrorHandler(const QByteArray &data)
{
    qDebug() << "WARNING A7 RECEIVED" << int(ASYNC_FRAME_ID);
    if (data.size() == 1)
        return;
    const quint8 tid = quint8(data.at(1));
    if (m_sendBuffer.isEmpty() || m_sendBuffer.first().tid != tid) {
        qDebug().noquote() << "ASYNC_ERROR_FOR_NON_FIRST_ITEM TID=" << int(tid);
        return;
    }
    const quint8 taskId = m_sendBuffer.first().id;
    qDebug().noquote() << "SEND_ACK_FOR_ASYNK_ERROR FOR TID=" + hex(tid);
    const QByteArray answer = data.mid(2);
    emit assyncError(tid, answer);
    if (answer.size() > 1 && quint8(answer.at(0)) == RESULT_TAG
        && quint8(answer.at(1)) == WRONG_PASSWORD) {
        emit connectionPasswordError();
        qDebug() << "INCORRECT PWD"
                 << "RESET_BUFFER";
        // This task has had its answer; the ones behind it are cancelled by the clear.
        if (!m_sendBuffer.isEmpty() && m_sendBuffer.first().id == taskId) {
            forgetTask(tid);
            m_sendBuffer.removeFirst();
        }
        sendClearBufferCommand();
    }
    finishTask(taskId, tid, true, true, data);
}

void FrCommandsController::reqAnswerHandler(quint8 tid, const QByteArray &data)
{
    if (data.isEmpty()) {
        qDebug() << "REQ_RESULT";
        return;
    }
    const quint8 status = quint8(data.at(0));
    // Frame identifiers come round again after 222 frames: an answer to an old REQ must not
    // finish whatever task is first now.
    if (m_sendBuffer.isEmpty() || m_sendBuffer.first().tid != tid) {
        qDebug().noquote() << "REQ_ANSWER_FOR_NON_FIRST_ITEM TID=" << int(tid);
    } else if (status == REQ_WAITING || status == REQ_IN_PROGRESS) {
        qDebug().noquote() << "COMMAND_IN_PROGRESS STATE=" + hex(status) << "TID=" + hex(tid);
    } else {
        const quint8 taskId = m_sendBuffer.first().id;
        const QByteArray answer = data.mid(1);
        // A state request answered here is done with; its TID must not route a later task.
        m_stateTids.removeAll(tid);
        m_pageStateTids.removeAll(tid);
        if (status == REQ_RESULT) {
            qDebug().noquote() << "ANSWER_BY_REQ TID=" << int(tid) << "CODE=" << int(REQ_RESULT);
            emit assyncAnswer(tid, answer);
            finishTask(taskId, tid, false, false, data);
        } else {
            qDebug().noquote() << "ERROR_BY_REQ TID=" << int(tid) << "CODE=" << int(status);
            emit assyncError(tid, answer);
            finishTask(taskId, tid, true, false, data);
        }
    }
    qDebug() << "REQ_RESULT";
}

void FrCommandsController::processSendBuffer()
{
    m_reqTimer.stop();
    if (m_sendBuffer.isEmpty())
        return;
    if (!canSendTasks()) {
        qDebug() << "NO_LINK_TASK_HELD";
        return;
    }
    SendBufferCommand &first = m_sendBuffer.first();
    qDebug().noquote() << "SEND_COMMAND ID=" + hex(first.id) + " TID=" + hex(first.tid);
    first.sent = true;
    m_answerTimer.stop();
    m_answerTimer.start(m_answerTimeoutMs);
    sendFrame(first.id, first.data);
}

void FrCommandsController::addSendBufferCommand(SendBufferCommand cmd)
{
    m_sendBuffer.append(cmd);
    if (m_sendBuffer.size() == 1)
        processSendBuffer();
}

void FrCommandsController::connectStateHandler(bool isConnected)
{
    m_connected = isConnected;
    if (!isConnected)
        linkDown();
    emit connectState(isConnected);
    if (!isConnected || m_sendBuffer.isEmpty())
        return;
    // Listeners may have cleared the buffer already. What is left either never went out
    // and goes now, or went out on the lost link and is cancelled with an abort.
    if (m_staleFirst) {
        qDebug() << "LINK_UP_STALE_TASKS_CANCELLED";
        sendClearBufferCommand();
    } else if (!m_answerTimer.isActive() && !m_reqTimer.isActive()) {
        processSendBuffer();
    }
}

void FrCommandsController::linkDown()
{
    m_connected = false;
    // Resending into a worker without a socket loses the record; resending it on the next
    // connection before the abort could run it twice.
    if (m_answerTimer.isActive() || m_reqTimer.isActive())
        qDebug() << "LINK_DOWN_TIMERS_STOPPED";
    m_answerTimer.stop();
    m_reqTimer.stop();
    if (!m_sendBuffer.isEmpty() && m_sendBuffer.first().sent)
        m_staleFirst = true;
}

void FrCommandsController::frameWrittenHandler(quint8 id, bool written)
{
    if (m_unwrittenFrames > 0)
        --m_unwrittenFrames;
    if (!written)
        qDebug().noquote() << "FRAME_NOT_WRITTEN ID=" + hex(id);
    emit frameWritten(id, written);
    if (m_unwrittenFrames == 0)
        emit allFramesWritten();
}

void FrCommandsController::sendFrame(quint8 id, const QByteArray &data)
{
    if (isStarted())
        ++m_unwrittenFrames;
    emit needSendCommand(id, data);
}

void FrCommandsController::doSendReq()
{
    if (m_sendBuffer.isEmpty())
        return;
    const quint8 tid = m_sendBuffer.first().tid;
    m_reqIds.remove(tid);
    m_reqIds.insert(tid, sendReq(tid));
    qDebug() << "NO_ASYNC_ANSWER";
}

void FrCommandsController::waitSendAnserTimoutHandler()
{
    if (m_sendBuffer.isEmpty()) {
        m_reqTimer.stop();
        m_answerTimer.stop();
        return;
    }
    m_answerTimer.start(m_answerTimeoutMs);
    SendBufferCommand &first = m_sendBuffer.first();
    first.resent = true;
    qDebug().noquote() << "NO_BUFFER_ANSWER"
                       << "TID=" + hex(first.tid) << "TRY_RESEND_COMMAND";
    sendFrame(first.id, first.data);
}

void FrCommandsController::removeBufferItem(bool error, bool async, QByteArray data)
{
    m_reqTimer.stop();
    m_answerTimer.stop();
    if (m_sendBuffer.isEmpty())
        return;
    const quint8 tid = m_sendBuffer.first().tid;
    qDebug().noquote() << "SEND_ACK_FOR_TID=" + hex(tid) << "ERROR=" << boolText(error)
                       << "ASYNK=" << boolText(async) << logbinary(data);
    sendAck(tid);
    forgetTask(tid);
    m_sendBuffer.removeFirst();
    m_staleFirst = false;
    processSendBuffer();
}

void FrCommandsController::finishTask(
    quint8 taskId, quint8 tid, bool error, bool async, const QByteArray &data)
{
    // A slot of the signal just emitted may have cleared the buffer and queued new tasks;
    // those are not the task this result belongs to.
    if (m_sendBuffer.isEmpty()) {
        m_reqTimer.stop();
        m_answerTimer.stop();
        return;
    }
    const SendBufferCommand &first = m_sendBuffer.first();
    if (first.id != taskId || first.tid != tid)
        return;
    removeBufferItem(error, async, data);
}

void FrCommandsController::forgetTask(quint8 tid)
{
    m_reqIds.remove(tid);
    m_stateTids.removeAll(tid);
    m_pageStateTids.removeAll(tid);
}

// --- command set ------------------------------------------------------------------------

SendBufferCommand FrCommandsController::buildTask(quint8 cmdCode, const QByteArray &payload)
{
    SendBufferCommand cmd;
    cmd.tid = nextTid();
    cmd.id = nextFrameId();
    cmd.data.reserve(6 + payload.size());
    cmd.data.append(char(BUF_ADD_TASK));
    cmd.data.append(char(TASK_FLAGS));
    cmd.data.append(char(cmd.tid));
    cmd.data.append(char(0)).append(char(0)); // access password
    cmd.data.append(char(cmdCode));
    cmd.data.append(payload);
    return cmd;
}

quint8 FrCommandsController::queueTask(quint8 cmdCode, const QByteArray &payload)
{
    const SendBufferCommand cmd = buildTask(cmdCode, payload);
    addSendBufferCommand(cmd);
    return cmd.tid;
}

QByteArray FrCommandsController::buildTlv(quint16 tag, const QByteArray &value, bool topLevel)
{
    QByteArray tlv;
    tlv.reserve(value.size() + 7);
    if (topLevel)
        tlv.append(char(0x00)).append(char(0x01)).append(char(0x00));
    tlv.append(char(tag & 0xFF)).append(char(tag >> 8));
    const int len = value.size();
    tlv.append(char(len & 0xFF)).append(char((len >> 8) & 0xFF));
    tlv.append(value);
    return tlv;
}

quint8 FrCommandsController::sendGetFrStateCommand(bool autoAnswer)
{
    const SendBufferCommand cmd = buildTask(CMD_GET_STATE, QByteArray());
    m_stateTids.append(cmd.tid);
    if (autoAnswer)
        m_pageStateTids.append(cmd.tid);
    addSendBufferCommand(cmd);
    return cmd.tid;
}

CommandSendInfo FrCommandsController::sendFrCommand(quint8 cmdCode, QByteArray cmdData)
{
    CommandSendInfo info;
    info.tid = queueTask(cmdCode, cmdData);
    info.cmdCode = cmdCode;
    return info;
}

CommandSendInfo FrCommandsController::sendGetFrMoneyCommand()
{
    return sendFrCommand(CMD_GET_MONEY, QByteArray());
}

CommandSendInfo FrCommandsController::sendGetFrCycleMoneyCommand()
{
    return sendFrCommand(CMD_GET_CYCLE_MONEY, QByteArray());
}

CommandSendInfo FrCommandsController::sendGetFrVersionCommand()
{
    return sendFrCommand(CMD_GET_VERSION, QByteArray(1, char(0x01)));
}

CommandSendInfo FrCommandsController::sendGetFrDeviceTypeCommand()
{
    return sendFrCommand(CMD_GET_DEVICE_TYPE, QByteArray());
}

CommandSendInfo FrCommandsController::sendPrintLastCheckCommand()
{
    return sendFrCommand(CMD_PRINT_LAST_CHECK, QByteArray());
}

quint8 FrCommandsController::sendSetModeCommand(quint8 mode)
{
    bool ok = false;
    qint64 password = FrPortSettings().frConnPwd().toLongLong(&ok, 10);
    if (!ok)
        password = 0;
    QByteArray payload(1, char(mode));
    payload.append(BCD::int2bcd(password, 8));
    return queueTask(CMD_SET_MODE, payload);
}

quint8 FrCommandsController::sendModeExitCommand()
{
    return queueTask(CMD_MODE_EXIT, QByteArray());
}

quint8 FrCommandsController::sendFrReadTableCell(quint8 table, quint8 row, quint8 col)
{
    QByteArray payload;
    payload.append(char(table)).append(char(0)).append(char(row)).append(char(col));
    return queueTask(CMD_READ_TABLE, payload);
}

quint8 FrCommandsController::sendFrSaveTableCell(
    quint8 table, quint8 row, quint8 col, QByteArray ba, bool zeroByteIfNullData)
{
    QByteArray payload;
    payload.append(char(table)).append(char(0)).append(char(row)).append(char(col));
    if (!ba.isEmpty())
        payload.append(ba);
    else if (zeroByteIfNullData)
        payload.append(char(0));
    return queueTask(CMD_SAVE_TABLE, payload);
}

CommandSendInfo FrCommandsController::sendFrSetDateCommand(QDate date)
{
    QByteArray payload;
    payload.append(bcdByte(date.day()));
    payload.append(bcdByte(date.month()));
    payload.append(bcdByte(date.year() - 2000));
    return sendFrCommand(CMD_SET_DATE, payload);
}

CommandSendInfo FrCommandsController::sendFrSetTimeCommand(QTime time)
{
    QByteArray payload;
    payload.append(bcdByte(time.hour()));
    payload.append(bcdByte(time.minute()));
    payload.append(bcdByte(time.second()));
    return sendFrCommand(CMD_SET_TIME, payload);
}

CommandSendInfo FrCommandsController::sendFrTimezoneOffset(int offset)
{
    return sendFrCommand(CMD_SET_TIMEZONE, flagsAnd(bcdByte(offset)));
}

CommandSendInfo FrCommandsController::sendFrGetTimezoneOffset()
{
    return sendFrCommand(CMD_GET_TIMEZONE, QByteArray());
}

quint8 FrCommandsController::sendFrSetRekvCommand(QByteArray ba)
{
    return queueTask(CMD_SET_REKV, ba);
}

quint8 FrCommandsController::sendFrActivationCommand(quint8 preview)
{
    return queueTask(CMD_ACTIVATION, QByteArray(1, char(preview)));
}

quint8 FrCommandsController::sendCheckOpenCommand(quint8 checkKind)
{
    return queueTask(CMD_CHECK_OPEN, flagsAnd(QByteArray(1, char(checkKind))));
}

quint8 FrCommandsController::sendCheckCloseCommand(FixNumber summ, int payType)
{
    return queueTask(CMD_CHECK_CLOSE, flagsAnd(bcdByte(payType) + BCD::int2bcd(summ.value(), 10)));
}

quint8 FrCommandsController::sendCheckCancelCommand()
{
    return queueTask(CMD_CHECK_CANCEL, QByteArray());
}

quint8 FrCommandsController::sendOpenCycleCommand(QByteArray txt)
{
    return queueTask(CMD_OPEN_CYCLE, flagsAnd(txt));
}

quint8 FrCommandsController::sendCloseCycleCommand()
{
    return queueTask(CMD_CLOSE_CYCLE, QByteArray());
}

CommandSendInfo FrCommandsController::sendCommonGashCommand()
{
    return sendFrCommand(CMD_COMMON_GASH, QByteArray());
}

CommandSendInfo FrCommandsController::sendRegistrationReportCommand()
{
    return sendFrCommand(CMD_REGISTRATION_REPORT, QByteArray());
}

CommandSendInfo FrCommandsController::sendBuildRegReportCommand(uint docNumber)
{
    QByteArray payload;
    payload.append(char((docNumber >> 24) & 0xFF));
    payload.append(char((docNumber >> 16) & 0xFF));
    payload.append(char((docNumber >> 8) & 0xFF));
    payload.append(char(docNumber & 0xFF));
    return sendFrCommand(CMD_BUILD_REG_REPORT, payload);
}

CommandSendInfo FrCommandsController::sendReadTagCommand(ushort tag)
{
    QByteArray payload;
    payload.append(char(tag & 0xFF)).append(char((tag >> 8) & 0xFF)).append(char(0));
    return sendFrCommand(CMD_READ_TAG, payload);
}

quint8 FrCommandsController::sendReportWithoutGashCommand(int reportType)
{
    return queueTask(CMD_REPORT_WITHOUT_GASH, bcdByte(reportType));
}

CommandSendInfo FrCommandsController::sendRegPostionCommand(QByteArray nameBa, FixNumber summ,
    FixNumber count, quint8 discountType, FixNumber discountSumm, quint8 discountSummType,
    quint8 fiscalNumber, quint8 section, QByteArray barcode, bool cancel)
{
    QByteArray record;
    record.reserve(103);
    record.append(char(0)); // flags
    record.append(fitted(nameBa, POSITION_NAME_SIZE));
    record.append(BCD::int2bcd(summ.value(), 12));
    record.append(BCD::int2bcd(count.value(), 10));
    // The register takes the kind of amount before the kind of discount.
    record.append(char(discountSummType));
    record.append(char(discountType));
    record.append(BCD::int2bcd(discountSumm.value(), 12));
    record.append(char(fiscalNumber));
    record.append(char(section));
    record.append(fitted(barcode, POSITION_BARCODE_SIZE));
    record.append(char(0));
    return sendFrCommand(cancel ? CMD_REG_POSITION_CANCEL : CMD_REG_POSITION, record);
}

quint8 FrCommandsController::sendCheckPaymentCommand(FixNumber summ, int type)
{
    return queueTask(CMD_CHECK_PAYMENT, flagsAnd(bcdByte(type) + BCD::int2bcd(summ.value(), 10)));
}

quint8 FrCommandsController::sendIntroductionCommand(FixNumber summ)
{
    return queueTask(CMD_INTRODUCTION, flagsAnd(BCD::int2bcd(summ.value(), 10)));
}

quint8 FrCommandsController::sendEncashmentCommand(FixNumber summ)
{
    return queueTask(CMD_ENCASHMENT, flagsAnd(BCD::int2bcd(summ.value(), 10)));
}

CommandSendInfo FrCommandsController::sendFnCloseArchiveCommand()
{
    return sendFrCommand(CMD_FN_CLOSE_ARCHIVE, QByteArray());
}

CommandSendInfo FrCommandsController::sendFdByNumberReportCommand(int number)
{
    return sendFrCommand(CMD_FD_BY_NUMBER_REPORT, BCD::int2bcd(number, 4));
}

CommandSendInfo FrCommandsController::sendFdByNumberTLVReportCommand(int number)
{
    return sendFrCommand(CMD_FD_BY_NUMBER_TLV_REPORT, BCD::int2bcd(number, 4));
}

CommandSendInfo FrCommandsController::sendFnReadCommand(quint8 subCode, QByteArray ba)
{
    return sendFrCommand(CMD_FN_READ, QByteArray(1, char(subCode)) + ba);
}

CommandSendInfo FrCommandsController::sendRegisterReadCommand(quint8 regCode, QByteArray ba)
{
    return sendFrCommand(CMD_REGISTER_READ, QByteArray(1, char(regCode)) + ba);
}

quint8 FrCommandsController::sendSetFactoryNumberCommand(QString number)
{
    bool ok = false;
    qint64 value = number.toLongLong(&ok, 10);
    if (!ok)
        value = 0;
    return queueTask(CMD_SET_FACTORY_NUMBER, BCD::int2bcd(value, 4));
}
