#ifndef FRCOMMANDSCONTROLLER_H
#define FRCOMMANDSCONTROLLER_H

#include "abstractworkercontroller.h"
#include "commandsendinfo.h"
#include "fixnumber.h"
#include "franswers.h"
#include "sendbuffercommand.h"

#include <QDate>
#include <QList>
#include <QMap>
#include <QTime>
#include <QTimer>

// The one conversation partner of the register: runs the ATOL 3.1 task buffer (add task,
// REQ, ACK, abort) over a transport worker living in its own thread, and routes results
// to signals by TID. Lives in the GUI thread.
class FrCommandsController : public qt5ext::AbstractWorkerController
{
    Q_OBJECT
public:
    explicit FrCommandsController(QObject *parent = nullptr);
    ~FrCommandsController() override;

    static const int DEFAULT_ANSWER_TIMEOUT_MS = 2000;
    static const int DEFAULT_REQ_INTERVAL_MS = 3000;

    // Tests shorten the resend and REQ periods; the defaults are the protocol's.
    void setAnswerTimeout(int msecs);
    int answerTimeout() const { return m_answerTimeoutMs; }
    void setReqInterval(int msecs);
    int reqInterval() const { return m_reqIntervalMs; }

    // Overrides the TCP endpoint of the link settings (empty host / port 0: use them).
    void setTcpEndpoint(const QString &host, quint16 port);

    int bufferSize() const { return m_sendBuffer.size(); }
    // Frames handed to the transport worker that it has not yet reported written.
    int unwrittenFrames() const { return m_unwrittenFrames; }

signals:
    void needForceStopAll();
    void needRestartHostWorker();
    void needSendCommand(quint8 id, QByteArray dat);
    void frStateReceivedGlobal(FrStateCommandAnswer frState);
    void frStateReceived(FrStateCommandAnswer frState);
    void frReadTableAnswer(TableReadCommandAnswer answer);
    void connectState(bool);
    void connectionPasswordError();
    void assyncAnswer(quint8 tid, QByteArray ba);
    void assyncError(quint8 tid, QByteArray ba);
    void clearBufferComplete();
    // The worker has written (and flushed) the frame, or dropped it for want of a link.
    void frameWritten(quint8 id, bool written);
    // Every frame handed to the worker so far has been written or dropped.
    void allFramesWritten();

public slots:
    void sendClearBufferCommand();
    void forceStopAll();

    quint8 sendGetFrStateCommand(bool autoAnswer = true);
    CommandSendInfo sendFrCommand(quint8 cmdCode, QByteArray cmdData);
    CommandSendInfo sendGetFrMoneyCommand();
    CommandSendInfo sendGetFrCycleMoneyCommand();
    CommandSendInfo sendGetFrVersionCommand();
    CommandSendInfo sendGetFrDeviceTypeCommand();
    CommandSendInfo sendPrintLastCheckCommand();
    quint8 sendSetModeCommand(quint8 mode);
    quint8 sendModeExitCommand();
    quint8 sendFrReadTableCell(quint8 table, quint8 row, quint8 col);
    quint8 sendFrSaveTableCell(
        quint8 table, quint8 row, quint8 col, QByteArray ba, bool zeroByteIfNullData = false);
    CommandSendInfo sendFrSetDateCommand(QDate date);
    CommandSendInfo sendFrSetTimeCommand(QTime time);
    CommandSendInfo sendFrTimezoneOffset(int offset);
    CommandSendInfo sendFrGetTimezoneOffset();
    quint8 sendFrSetRekvCommand(QByteArray ba);
    quint8 sendFrActivationCommand(quint8 preview);
    quint8 sendCheckOpenCommand(quint8 checkKind);
    quint8 sendCheckCloseCommand(qt5ext::FixNumber summ, int payType = 1);
    quint8 sendCheckCancelCommand();
    quint8 sendOpenCycleCommand(QByteArray txt);
    quint8 sendCloseCycleCommand();
    CommandSendInfo sendCommonGashCommand();
    CommandSendInfo sendRegistrationReportCommand();
    CommandSendInfo sendBuildRegReportCommand(uint docNumber);
    CommandSendInfo sendReadTagCommand(ushort tag);
    quint8 sendReportWithoutGashCommand(int reportType);
    CommandSendInfo sendRegPostionCommand(QByteArray nameBa, qt5ext::FixNumber summ,
        qt5ext::FixNumber count, quint8 discountType, qt5ext::FixNumber discountSumm,
        quint8 discountSummType, quint8 fiscalNumber, quint8 section, QByteArray barcode,
        bool cancel);
    quint8 sendCheckPaymentCommand(qt5ext::FixNumber summ, int type);
    quint8 sendIntroductionCommand(qt5ext::FixNumber summ);
    quint8 sendEncashmentCommand(qt5ext::FixNumber summ);
    CommandSendInfo sendFnCloseArchiveCommand();
    CommandSendInfo sendFdByNumberReportCommand(int number);
    CommandSendInfo sendFdByNumberTLVReportCommand(int number);
    CommandSendInfo sendFnReadCommand(quint8 subCode, QByteArray ba = QByteArray());
    CommandSendInfo sendRegisterReadCommand(quint8 regCode, QByteArray ba = QByteArray());
    quint8 sendSetFactoryNumberCommand(QString number);

    quint8 sendReq(quint8 tid);
    void answerReceiveHandler(quint8 id, QByteArray data);
    void sendAck(quint8 tid);
    void processSendBuffer();
    void addSendBufferCommand(SendBufferCommand cmd);
    void connectStateHandler(bool isConnected);
    void doSendReq();
    void waitSendAnserTimoutHandler();
    void removeBufferItem(bool error, bool async, QByteArray data);
    void frameWrittenHandler(quint8 id, bool written);

public:
    bool isConnected() const { return m_connected; }
    quint8 nextFrameId();
    quint8 nextTid();

    // Requisite TLV: tag and length little-endian; the top-level form is prefixed 00 01 00.
    static QByteArray buildTlv(quint16 tag, const QByteArray &value, bool topLevel);

protected:
    bool doStart() override;
    void doStop() override;

private:
    // Steps the TID then the frame counter and builds the add-task record.
    SendBufferCommand buildTask(quint8 cmdCode, const QByteArray &payload);
    // buildTask, then queues the record.
    quint8 queueTask(quint8 cmdCode, const QByteArray &payload);

    void asyncResultHandler(const QByteArray &data);
    void asyncErrorHandler(const QByteArray &data);
    void reqAnswerHandler(quint8 tid, const QByteArray &data);
    // removeBufferItem, but only while the task (frame id, TID) is still the first one.
    void finishTask(quint8 taskId, quint8 tid, bool error, bool async, const QByteArray &data);
    // Drops what routes answers to the TID: its REQ identifier and state request marks.
    void forgetTask(quint8 tid);
    // Every frame to the worker goes through here, so that its write can be awaited.
    void sendFrame(quint8 id, const QByteArray &data);
    // A started TCP link carries no task until it is up: a connecting socket would put the
    // record on the wire ahead of the abort a new link begins with. A serial port is written
    // once it is open (its link counts as up only after the register's first answer).
    // Without a worker nothing reaches the register; start() cancels what went out then.
    bool canSendTasks() const { return m_connected || !m_tcpLink || !isStarted(); }
    void linkDown();

    QList<quint8> m_pageStateTids;
    QList<quint8> m_stateTids;
    QMap<quint8, quint8> m_reqIds;
    quint8 m_frameId = 1;
    quint8 m_tid = 1;
    quint8 m_pendingClearId = 0;
    bool m_connected = false;
    bool m_tcpLink = true;
    // The first task went out on a link that is gone: the register may hold it, so it must
    // not be sent again; only an abort makes the register's buffer known again.
    bool m_staleFirst = false;
    int m_unwrittenFrames = 0;
    QList<SendBufferCommand> m_sendBuffer;
    QTimer m_reqTimer;
    QTimer m_answerTimer;
    int m_answerTimeoutMs = DEFAULT_ANSWER_TIMEOUT_MS;
    int m_reqIntervalMs = DEFAULT_REQ_INTERVAL_MS;
    QString m_hostOverride;
    quint16 m_portOverride = 0;
};

#endif // FRCOMMANDSCONTROLLER_H
