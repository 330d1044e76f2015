#include "emulatorprocess.h"
#include "frcommandscontroller.h"
#include "frmodechanger.h"
#include "scripteddevice.h"
#include "tempprofile.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

quint8 sentId(const QSignalSpy &spy, int i)
{
    return spy.at(i).at(0).value<quint8>();
}

QByteArray sentData(const QSignalSpy &spy, int i)
{
    return spy.at(i).at(1).toByteArray();
}

QByteArray result(quint8 code, quint8 tid, const QByteArray &answer)
{
    return QByteArray(1, char(code)) + char(tid) + answer;
}

// A state answer: cashier 1, hall 2, 2024-03-05 12:30:45, flags 0x03, serial 123456,
// three unread bytes, mode byte 0x24 (mode 4, submode 2).
const QByteArray STATE = QByteArray::fromHex("440102240305123045030012345600000024");

} // namespace

class TestFrCommandsController : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    // Driven directly, without a link.
    void nextTaskLeavesWithTheAck();
    void clearCancelsQueuedTasks_data();
    void clearCancelsQueuedTasks();
    void reqErrorStatus();
    void staleReqAnswerIgnored();
    void stateTidAnsweredByReqDoesNotRouteLater();
    void resultHandlerMayRestartBuffer();
    void numberBeyondItsFieldIsLogged();

    // Against the scripted register.
    void resendSameFrameUntilAccepted();
    void reqPollingAfterAcceptance();
    void asyncResultBeforeAcceptance();
    void resultForOtherTidDropped();
    void asyncErrorIsAcked();
    void wrongPasswordCancelsTheRest();
    void linkDownStopsResending();
    void tidWrapsAfter221Tasks();
    void stateRequestSignals_data();
    void stateRequestSignals();

    // Against orvaemu.
    void lostRegisterNothingRunsTwice();

private:
    void startLink();

    std::unique_ptr<TempProfile> m_profile;
    ScriptedDevice *m_peer = nullptr;
    FrCommandsController *m_ctl = nullptr;
};

void TestFrCommandsController::init()
{
    m_profile = std::make_unique<TempProfile>();
    m_peer = new ScriptedDevice;
    m_peer->setAnswering(false); // each test answers for the register itself
    m_ctl = new FrCommandsController;
}

void TestFrCommandsController::cleanup()
{
    m_ctl->stop();
    delete m_ctl;
    m_ctl = nullptr;
    const int badFrames = m_peer->badFrames();
    delete m_peer;
    m_peer = nullptr;
    m_profile.reset();
    QCOMPARE(badFrames, 0);
}

void TestFrCommandsController::startLink()
{
    QVERIFY(m_peer->listen());
    m_profile->setAtolPort(m_peer->port());
    QSignalSpy up(m_ctl, &FrCommandsController::connectState);
    QVERIFY(m_ctl->start());
    QVERIFY(m_peer->waitForClient());
    QTRY_COMPARE(up.count(), 1);
    QCOMPARE(up.at(0).at(0).toBool(), true);
}

void TestFrCommandsController::nextTaskLeavesWithTheAck()
{
    QSignalSpy sent(m_ctl, &FrCommandsController::needSendCommand);
    QSignalSpy answers(m_ctl, &FrCommandsController::assyncAnswer);
    const CommandSendInfo first = m_ctl->sendGetFrMoneyCommand();
    QCOMPARE(first.tid, quint8(2)); // both counters start at 1
    m_ctl->sendGetFrCycleMoneyCommand(); // TID 3, frame 3
    QCOMPARE(sent.count(), 1); // only the first task is in flight
    QCOMPARE(sentId(sent, 0), quint8(2));
    QCOMPARE(sentData(sent, 0).toHex(), QByteArray("c1020200004d"));
    sent.clear();

    m_ctl->answerReceiveHandler(0xF0, hex("a6024d0000001500"));

    // One call: the result, the ACK (fresh frame 4) and the next record (its own frame 3).
    QCOMPARE(answers.count(), 1);
    QCOMPARE(answers.at(0).at(0).value<quint8>(), quint8(2));
    QCOMPARE(answers.at(0).at(1).toByteArray().toHex(), QByteArray("4d0000001500"));
    QCOMPARE(sent.count(), 2);
    QCOMPARE(sentId(sent, 0), quint8(4));
    QCOMPARE(sentData(sent, 0).toHex(), QByteArray("c202"));
    QCOMPARE(sentId(sent, 1), quint8(3));
    QCOMPARE(sentData(sent, 1).toHex(), QByteArray("c10203000058"));
    QCOMPARE(m_ctl->bufferSize(), 1);
}

void TestFrCommandsController::clearCancelsQueuedTasks_data()
{
    QTest::addColumn<bool>("forceStop");
    QTest::addColumn<QByteArray>("payload");
    // The abort's answer is matched by its frame identifier alone.
    QTest::newRow("empty answer") << false << QByteArray();
    QTest::newRow("looks like a result") << false << hex("a60255");
    QTest::newRow("forced stop") << true << hex("a3");
}

void TestFrCommandsController::clearCancelsQueuedTasks()
{
    QFETCH(bool, forceStop);
    QFETCH(QByteArray, payload);
    QSignalSpy sent(m_ctl, &FrCommandsController::needSendCommand);
    QSignalSpy done(m_ctl, &FrCommandsController::clearBufferComplete);
    QSignalSpy stop(m_ctl, &FrCommandsController::needForceStopAll);
    QSignalSpy errors(m_ctl, &FrCommandsController::assyncError);
    QSignalSpy answers(m_ctl, &FrCommandsController::assyncAnswer);
    // A page waiting for a cancelled task may queue a new one at once: it follows the abort.
    quint8 retried = 0;
    connect(m_ctl, &FrCommandsController::assyncError, this, [&](quint8 tid) {
        if (tid == 2)
            retried = m_ctl->sendGetFrStateCommand(false);
    });
    const quint8 a = m_ctl->sendGetFrMoneyCommand().tid;
    const quint8 b = m_ctl->sendModeExitCommand();

    if (forceStop)
        m_ctl->forceStopAll();
    else
        m_ctl->sendClearBufferCommand();

    QCOMPARE(stop.count(), forceStop ? 1 : 0);
    QCOMPARE(sent.count(), 3);
    QCOMPARE(sentData(sent, 1).toHex(), QByteArray("c4"));
    QCOMPARE(sentData(sent, 2).at(5), char(0x3F));
    // Each dropped task ends once, as a refusal with the program's own code.
    QCOMPARE(errors.count(), 2);
    QCOMPARE(errors.at(0).at(0).value<quint8>(), a);
    QCOMPARE(errors.at(1).at(0).value<quint8>(), b);
    for (const QList<QVariant> &e : qAsConst(errors)) {
        QCOMPARE(e.at(1).toByteArray(), linkCancelledResult());
        QCOMPARE(CommandResultAnswer(e.at(1).toByteArray(), 3).code(), LINK_CANCELLED);
    }
    QVERIFY(!errorCodeText(LINK_CANCELLED).startsWith(QLatin1String("Код ошибки")));
    QCOMPARE(m_ctl->bufferSize(), 1);
    QCOMPARE(quint8(sentData(sent, 2).at(2)), retried);

    const quint8 abortId = sentId(sent, 1);
    m_ctl->answerReceiveHandler(0x33, payload); // some other frame
    QCOMPARE(done.count(), 0);
    m_ctl->answerReceiveHandler(abortId, payload);
    QCOMPARE(done.count(), 1);
    m_ctl->answerReceiveHandler(abortId, payload); // the identifier is used up
    QCOMPARE(done.count(), 1);
    QCOMPARE(answers.count(), 0);
}

void TestFrCommandsController::reqErrorStatus()
{
    QSignalSpy sent(m_ctl, &FrCommandsController::needSendCommand);
    QSignalSpy errors(m_ctl, &FrCommandsController::assyncError);
    QSignalSpy answers(m_ctl, &FrCommandsController::assyncAnswer);
    const quint8 tid = m_ctl->sendCheckOpenCommand(1);
    m_ctl->answerReceiveHandler(sentId(sent, 0), hex("a1")); // accepted
    m_ctl->doSendReq();
    QCOMPARE(sentData(sent, 1).toHex(), QByteArray("c302"));
    const quint8 reqId = sentId(sent, 1);

    m_ctl->answerReceiveHandler(reqId, hex("a1"));
    m_ctl->answerReceiveHandler(reqId, QByteArray()); // empty: only logged
    QCOMPARE(errors.count() + answers.count(), 0);

    m_ctl->answerReceiveHandler(reqId, hex("a40102"));
    QCOMPARE(errors.count(), 1);
    QCOMPARE(errors.at(0).at(0).value<quint8>(), tid);
    QCOMPARE(errors.at(0).at(1).toByteArray().toHex(), QByteArray("0102"));
    QCOMPARE(sentData(sent, sent.count() - 1).toHex(), QByteArray("c202"));
    QCOMPARE(m_ctl->bufferSize(), 0);
}

void TestFrCommandsController::staleReqAnswerIgnored()
{
    QSignalSpy sent(m_ctl, &FrCommandsController::needSendCommand);
    QSignalSpy answers(m_ctl, &FrCommandsController::assyncAnswer);
    m_ctl->sendGetFrMoneyCommand(); // TID 2, frame 2
    m_ctl->answerReceiveHandler(2, hex("a1"));
    m_ctl->doSendReq(); // REQ for TID 2 with frame 3, never answered in time
    QCOMPARE(sentId(sent, 1), quint8(3));
    m_ctl->answerReceiveHandler(0xF0, hex("a602aa")); // finished the other way; ACK frame 4

    m_ctl->sendGetFrCycleMoneyCommand(); // TID 3, frame 5
    m_ctl->answerReceiveHandler(5, hex("a1"));
    m_ctl->doSendReq(); // REQ for TID 3 with frame 6
    const int sentBefore = sent.count();

    m_ctl->answerReceiveHandler(3, hex("a3bb")); // late answer to the first REQ
    QCOMPARE(answers.count(), 1);
    QCOMPARE(m_ctl->bufferSize(), 1);
    QCOMPARE(sent.count(), sentBefore); // no ACK

    m_ctl->answerReceiveHandler(6, hex("a3cc"));
    QCOMPARE(answers.count(), 2);
    QCOMPARE(answers.at(1).at(0).value<quint8>(), quint8(3));
    QCOMPARE(answers.at(1).at(1).toByteArray().toHex(), QByteArray("cc"));
    QCOMPARE(m_ctl->bufferSize(), 0);
}

void TestFrCommandsController::stateTidAnsweredByReqDoesNotRouteLater()
{
    QSignalSpy sent(m_ctl, &FrCommandsController::needSendCommand);
    QSignalSpy answers(m_ctl, &FrCommandsController::assyncAnswer);
    QSignalSpy states(m_ctl, &FrCommandsController::frStateReceived);
    QSignalSpy global(m_ctl, &FrCommandsController::frStateReceivedGlobal);

    const quint8 stateTid = m_ctl->sendGetFrStateCommand(true);
    m_ctl->answerReceiveHandler(sentId(sent, 0), hex("a1"));
    m_ctl->doSendReq();
    m_ctl->answerReceiveHandler(sentId(sent, sent.count() - 1), hex("a3") + STATE);
    // The REQ path knows nothing of state requests.
    QCOMPARE(answers.count(), 1);
    QCOMPARE(states.count() + global.count(), 0);

    // 222 tasks later the same TID comes back for an ordinary command.
    quint8 tid = 0;
    for (int i = 0; i < 222; ++i) {
        tid = m_ctl->sendGetFrMoneyCommand().tid;
        m_ctl->answerReceiveHandler(0xF0, result(0xA6, tid, hex("55")));
    }
    QCOMPARE(tid, stateTid);
    QCOMPARE(answers.count(), 223);
    QCOMPARE(states.count() + global.count(), 0);
}

void TestFrCommandsController::resultHandlerMayRestartBuffer()
{
    // A page that reacts to a result by clearing the buffer and queuing a fresh task must not
    // see that fresh task finished by the old result.
    QSignalSpy sent(m_ctl, &FrCommandsController::needSendCommand);
    quint8 freshTid = 0;
    connect(m_ctl, &FrCommandsController::assyncAnswer, this, [this, &freshTid](quint8 tid) {
        if (tid == 2) {
            m_ctl->sendClearBufferCommand();
            freshTid = m_ctl->sendGetFrStateCommand(false);
        }
    });
    m_ctl->sendGetFrMoneyCommand();
    m_ctl->answerReceiveHandler(0xF0, hex("a60255"));
    QCOMPARE(freshTid, quint8(3));
    QCOMPARE(m_ctl->bufferSize(), 1);
    for (int i = 0; i < sent.count(); ++i)
        QVERIFY2(quint8(sentData(sent, i).at(0)) != 0xC2, "no ACK for the cleared task");
    QCOMPARE(sentData(sent, sent.count() - 1).toHex(), QByteArray("c1020300003f"));
}

void TestFrCommandsController::numberBeyondItsFieldIsLogged()
{
    // The builders check nothing; the pages keep numbers within their fields, and a number
    // that does not fit still leaves a trace of the document actually asked for.
    QSignalSpy sent(m_ctl, &FrCommandsController::needSendCommand);
    QTest::ignoreMessage(QtWarningMsg,
        QRegularExpression(QStringLiteral("BCD_VALUE_TRUNCATED VALUE= 123456 DIGITS= 4")));
    m_ctl->sendFdByNumberReportCommand(123456);
    QCOMPARE(sentData(sent, 0).mid(5).toHex(), QByteArray("ab3456"));
}

void TestFrCommandsController::resendSameFrameUntilAccepted()
{
    m_ctl->setAnswerTimeout(150);
    startLink();
    m_ctl->sendCheckCancelCommand();
    QVERIFY(m_peer->waitForFrames(3));
    const ScriptedDevice::Frame first = m_peer->frame(0);
    QCOMPARE(first.payload.toHex(), QByteArray("c10202000059"));
    for (int i = 1; i < 3; ++i)
        QCOMPARE(m_peer->frame(i).raw, first.raw);

    m_peer->send(first.id, hex("a1"));
    QTest::qWait(100); // let the acceptance arrive; a resend may cross it
    const int sends = m_peer->framesOf(0xC1).size();
    QTest::qWait(500);
    QCOMPARE(m_peer->framesOf(0xC1).size(), sends);
    QCOMPARE(m_peer->frameCount(), sends); // and no REQ before its 3000 ms
}

void TestFrCommandsController::reqPollingAfterAcceptance()
{
    m_ctl->setReqInterval(150);
    startLink();
    QSignalSpy answers(m_ctl, &FrCommandsController::assyncAnswer);
    // Only the latest REQ counts, so the register answers each one as it comes: first
    // "in progress", then the result.
    QList<ScriptedDevice::Frame> reqs;
    m_peer->setHook([this, &reqs](const ScriptedDevice::Frame &f) {
        if (!f.payload.startsWith(char(0xC3)))
            return;
        reqs << f;
        m_peer->send(f.id, QByteArray::fromHex(reqs.size() == 1 ? "a2" : "a3550000"));
    });
    const quint8 tid = m_ctl->sendCheckOpenCommand(1);
    QVERIFY(m_peer->waitForFrames(1));
    QCOMPARE(m_peer->frame(0).payload.toHex(), QByteArray("c102020000920001"));
    m_peer->send(m_peer->frame(0).id, hex("a1"));

    QVERIFY(m_peer->waitUntil([this] { return !m_peer->framesOf(0xC2).isEmpty(); }));
    QCOMPARE(reqs.size(), 2);
    QCOMPARE(reqs.at(0).payload, QByteArray("\xC3", 1) + char(tid));
    QCOMPARE(reqs.at(1).payload, reqs.at(0).payload);
    QVERIFY(reqs.at(1).id != reqs.at(0).id);
    QCOMPARE(m_peer->framesOf(0xC2).first().payload, QByteArray("\xC2", 1) + char(tid));
    QCOMPARE(answers.count(), 1);
    QCOMPARE(answers.at(0).at(1).toByteArray().toHex(), QByteArray("550000"));

    // Polling ends with the task.
    QTest::qWait(450);
    QCOMPARE(reqs.size(), 2);
}

void TestFrCommandsController::asyncResultBeforeAcceptance()
{
    m_ctl->setReqInterval(150);
    startLink();
    QSignalSpy answers(m_ctl, &FrCommandsController::assyncAnswer);
    const quint8 tid = m_ctl->sendPrintLastCheckCommand().tid;
    QVERIFY(m_peer->waitForFrames(1));
    m_peer->send(0xF0, result(0xA6, tid, hex("550000")));
    m_peer->send(m_peer->frame(0).id, hex("a1")); // late acceptance
    QVERIFY(m_peer->waitForFrames(2));
    QCOMPARE(m_peer->frame(1).payload, QByteArray("\xC2", 1) + char(tid));
    QTest::qWait(450);
    QCOMPARE(m_peer->frameCount(), 2); // no REQ was started by the late acceptance
    QCOMPARE(answers.count(), 1);
}

void TestFrCommandsController::resultForOtherTidDropped()
{
    startLink();
    QSignalSpy answers(m_ctl, &FrCommandsController::assyncAnswer);
    QSignalSpy errors(m_ctl, &FrCommandsController::assyncError);
    const quint8 tid = m_ctl->sendModeExitCommand();
    QVERIFY(m_peer->waitForFrames(1));
    m_peer->send(0xF0, result(0xA6, tid + 1, hex("550000")));
    m_peer->send(0xF0, result(0xA7, tid + 1, hex("558c00")));
    m_peer->send(0xF0, hex("a6")); // too short to name a TID
    m_peer->send(0xF0, hex("a5") + char(tid)); // not a result at all
    m_peer->send(0xF0, result(0xA6, tid, hex("550000")));
    QTRY_COMPARE(answers.count(), 1);
    QCOMPARE(answers.at(0).at(0).value<quint8>(), tid);
    QCOMPARE(errors.count(), 0);
    QVERIFY(m_peer->waitForFrames(2));
    QCOMPARE(m_peer->frame(1).payload, QByteArray("\xC2", 1) + char(tid));
}

void TestFrCommandsController::asyncErrorIsAcked()
{
    startLink();
    QSignalSpy errors(m_ctl, &FrCommandsController::assyncError);
    QSignalSpy password(m_ctl, &FrCommandsController::connectionPasswordError);
    const quint8 tidA = m_ctl->sendCloseCycleCommand();
    const quint8 tidB = m_ctl->sendCheckCancelCommand();
    QVERIFY(m_peer->waitForFrames(1));
    m_peer->send(0xF0, result(0xA7, tidA, hex("556600")));
    QVERIFY(m_peer->waitForFrames(3));
    QCOMPARE(m_peer->frame(1).payload, QByteArray("\xC2", 1) + char(tidA));
    QCOMPARE(quint8(m_peer->frame(2).payload.at(2)), tidB);
    QCOMPARE(errors.at(0).at(1).toByteArray().toHex(), QByteArray("556600"));

    // An error without the command's answer.
    m_peer->send(0xF0, QByteArray("\xA7", 1) + char(tidB));
    QTRY_COMPARE(errors.count(), 2);
    QVERIFY(errors.at(1).at(1).toByteArray().isEmpty());
    QCOMPARE(password.count(), 0);
}

void TestFrCommandsController::wrongPasswordCancelsTheRest()
{
    startLink();
    QStringList order;
    connect(m_ctl, &FrCommandsController::assyncError, this,
        [&order](quint8 tid, QByteArray) { order << QString::number(tid); });
    connect(m_ctl, &FrCommandsController::connectionPasswordError, this,
        [&order] { order << QStringLiteral("password"); });
    QSignalSpy errors(m_ctl, &FrCommandsController::assyncError);
    QSignalSpy done(m_ctl, &FrCommandsController::clearBufferComplete);

    const quint8 tid = m_ctl->sendSetModeCommand(1);
    const quint8 state = m_ctl->sendGetFrStateCommand();
    const quint8 exit = m_ctl->sendModeExitCommand();
    QVERIFY(m_peer->waitForFrames(1));
    // Default password "47" as BCD(8).
    QCOMPARE(m_peer->frame(0).payload.toHex(), QByteArray("c102020000560100000047"));

    // More bytes behind 55 8C still mean a wrong password.
    m_peer->send(0xF0, result(0xA7, tid, hex("558c0001")));
    QVERIFY(m_peer->waitForFrames(2));
    const ScriptedDevice::Frame abort = m_peer->frame(1);
    QCOMPARE(abort.payload.toHex(), QByteArray("c4"));
    // Each task ends exactly once: the refused one with the register's answer, the queued
    // ones cancelled behind the abort.
    QCOMPARE(order,
        QStringList({ QString::number(tid), QStringLiteral("password"), QString::number(state),
            QString::number(exit) }));
    QCOMPARE(errors.at(0).at(1).toByteArray().toHex(), QByteArray("558c0001"));
    QCOMPARE(errors.at(1).at(1).toByteArray(), linkCancelledResult());
    QCOMPARE(m_ctl->bufferSize(), 0);

    m_peer->send(abort.id, hex("00"));
    QTRY_COMPARE(done.count(), 1);
    QCOMPARE(m_peer->frameCount(), 2); // no ACK, no next task
}

void TestFrCommandsController::linkDownStopsResending()
{
    m_ctl->setAnswerTimeout(100);
    startLink();
    QSignalSpy link(m_ctl, &FrCommandsController::connectState);
    QSignalSpy sent(m_ctl, &FrCommandsController::needSendCommand);
    QSignalSpy errors(m_ctl, &FrCommandsController::assyncError);
    const quint8 lost = m_ctl->sendCheckCancelCommand();
    QVERIFY(m_peer->waitForFrames(1));
    m_peer->dropClient();
    QTRY_COMPARE(link.count(), 1);
    QVERIFY(!m_ctl->isConnected());
    const int sentAtLoss = sent.count();
    QTest::qWait(400);
    QCOMPARE(sent.count(), sentAtLoss); // no resend into a worker without a socket
    QCOMPARE(errors.count(), 0);

    // Reconnecting ends the task that went out on the lost link at once, and the new link
    // begins with the abort. A task queued before the link is up waits for it, so the abort
    // the window sends on connecting cancels it before the register ever sees it.
    const int framesBefore = m_peer->frameCount();
    m_ctl->stop();
    QVERIFY(m_ctl->start());
    QCOMPARE(errors.count(), 1);
    QCOMPARE(errors.at(0).at(0).value<quint8>(), lost);
    connect(m_ctl, &FrCommandsController::connectState, m_ctl,
        &FrCommandsController::sendClearBufferCommand);
    const quint8 early = m_ctl->sendGetFrMoneyCommand().tid;
    QVERIFY(m_peer->waitForFrames(framesBefore + 2));
    QCOMPARE(m_peer->frame(framesBefore).payload.toHex(), QByteArray("c4"));
    QCOMPARE(m_peer->frame(framesBefore + 1).payload.toHex(), QByteArray("c4"));
    QCOMPARE(errors.count(), 2);
    QCOMPARE(errors.at(1).at(0).value<quint8>(), early);
    QTest::qWait(300);
    QCOMPARE(m_peer->framesOf(0xC1).size(), 1);
}

void TestFrCommandsController::tidWrapsAfter221Tasks()
{
    startLink();
    m_peer->setAnswering(true); // accepts each task and finishes it with 55 00 00 at once
    QSignalSpy answers(m_ctl, &FrCommandsController::assyncAnswer);
    QList<quint8> returned;
    for (int i = 0; i < 223; ++i)
        returned << m_ctl->sendGetFrDeviceTypeCommand().tid;
    QVERIFY(m_peer->waitUntil([&answers] { return answers.count() >= 223; }, 20000));

    QList<quint8> onWire;
    const QList<ScriptedDevice::Frame> records = m_peer->framesOf(0xC1);
    for (const ScriptedDevice::Frame &f : records)
        onWire << quint8(f.payload.at(2));
    QCOMPARE(onWire, returned);
    QCOMPARE(int(returned.at(0)), 2);
    QCOMPARE(int(returned.at(220)), 222);
    QCOMPARE(int(returned.at(221)), 1); // the 222nd task
    for (int i = 0; i < answers.count(); ++i)
        QCOMPARE(answers.at(i).at(0).value<quint8>(), returned.at(i));
    // Frame identifiers (records, ACKs) stay within 1..222 as well.
    for (const ScriptedDevice::Frame &f : m_peer->frames())
        QVERIFY2(f.id >= 1 && f.id <= 222, qPrintable(QString::number(f.id)));
    // Every frame handed to the worker was reported written.
    QTRY_COMPARE(m_ctl->unwrittenFrames(), 0);
}

void TestFrCommandsController::stateRequestSignals_data()
{
    QTest::addColumn<bool>("autoAnswer");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("page request") << true << QStringList({ "global", "state" });
    QTest::newRow("plain request") << false << QStringList({ "global", "answer" });
}

void TestFrCommandsController::stateRequestSignals()
{
    QFETCH(bool, autoAnswer);
    QFETCH(QStringList, expected);
    startLink();
    QStringList order;
    QList<FrStateCommandAnswer> states;
    connect(m_ctl, &FrCommandsController::frStateReceivedGlobal, this, [&](FrStateCommandAnswer s) {
        order << QStringLiteral("global");
        states << s;
    });
    connect(m_ctl, &FrCommandsController::frStateReceived, this, [&](FrStateCommandAnswer s) {
        order << QStringLiteral("state");
        states << s;
    });
    connect(m_ctl, &FrCommandsController::assyncAnswer, this, [&](quint8, QByteArray ba) {
        order << QStringLiteral("answer");
        QCOMPARE(ba, STATE);
    });

    for (int round = 0; round < 2; ++round) { // the marks are per TID
        order.clear();
        states.clear();
        const quint8 tid = m_ctl->sendGetFrStateCommand(autoAnswer);
        QVERIFY(m_peer->waitForFrames(2 * round + 1));
        QCOMPARE(m_peer->frame(2 * round).payload.mid(5).toHex(), QByteArray("3f"));
        m_peer->send(0xF0, result(0xA6, tid, STATE));
        QVERIFY(m_peer->waitForFrames(2 * round + 2)); // the ACK
        QCOMPARE(order, expected);
        for (const FrStateCommandAnswer &s : qAsConst(states)) {
            QCOMPARE(s.answerCode(), quint8(0xA6));
            QCOMPARE(s.tid(), tid);
            QCOMPARE(s.data(), STATE);
            QCOMPARE(int(s.mode()), 4);
        }
    }
}

void TestFrCommandsController::lostRegisterNothingRunsTwice()
{
    // Cash-ins queue behind one the register has accepted but not finished; then the register
    // goes away. After reconnecting, every task has ended exactly once and the drawer holds
    // what the register really did: the accepted task, and nothing more.
    const QString state = m_profile->path() + QStringLiteral("/state.json");
    auto emu = std::make_unique<EmulatorProcess>();
    QVERIFY(emu->start({ "--state", state, "--answers", "req" }));
    m_profile->setAtolPort(emu->port());
    m_ctl->setReqInterval(50);
    QVERIFY(m_ctl->start());
    QTRY_VERIFY(m_ctl->isConnected());
    {
        FrModeChanger changer(m_ctl);
        changer.setStateReaskDelay(10);
        QSignalSpy mode(&changer, &FrModeChanger::modeChanged);
        changer.changeMode(1);
        QTRY_COMPARE_WITH_TIMEOUT(mode.count(), 1, 20000);
        QCOMPARE(mode.at(0).at(1).toBool(), false);
    }
    // The result stays with the register: nobody asks for it.
    m_ctl->setReqInterval(600000);

    QSignalSpy answers(m_ctl, &FrCommandsController::assyncAnswer);
    QSignalSpy errors(m_ctl, &FrCommandsController::assyncError);
    const QList<quint8> tids { m_ctl->sendIntroductionCommand(qt5ext::FixNumber(100, 100LL)),
        m_ctl->sendIntroductionCommand(qt5ext::FixNumber(100, 200LL)),
        m_ctl->sendIntroductionCommand(qt5ext::FixNumber(100, 400LL)) };
    // The register has run the first one once its state file says so.
    auto drawer = [&state] {
        QFile f(state);
        return f.open(QIODevice::ReadOnly)
            ? QJsonDocument::fromJson(f.readAll()).object().value(QStringLiteral("drawer")).toInt()
            : -1;
    };
    QTRY_COMPARE_WITH_TIMEOUT(drawer(), 100, 10000);
    emu->stop();
    QCOMPARE(drawer(), 100);
    QTRY_VERIFY_WITH_TIMEOUT(!m_ctl->isConnected(), 10000);
    QCOMPARE(answers.count() + errors.count(), 0);

    emu = std::make_unique<EmulatorProcess>();
    QVERIFY(emu->start({ "--state", state, "--log-frames" }));
    m_profile->setAtolPort(emu->port());
    m_ctl->stop();
    QVERIFY(m_ctl->start());
    QTRY_VERIFY_WITH_TIMEOUT(m_ctl->isConnected(), 10000);
    QCOMPARE(errors.count(), 3);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(errors.at(i).at(0).value<quint8>(), tids.at(i));
        QCOMPARE(errors.at(i).at(1).toByteArray(), linkCancelledResult());
    }

    const quint8 money = m_ctl->sendGetFrMoneyCommand().tid;
    QTRY_COMPARE_WITH_TIMEOUT(answers.count(), 1, 10000);
    QCOMPARE(answers.at(0).at(0).value<quint8>(), money);
    QCOMPARE(answers.at(0).at(1).toByteArray().toHex(), QByteArray("4d00000000000100"));
    // The first frame on the new connection is the abort.
    const QString frames = emu->readOutput();
    const int firstIn = frames.indexOf(QLatin1String("<< id="));
    QVERIFY2(firstIn >= 0, qPrintable(frames));
    QCOMPARE(frames.mid(firstIn + 8, 3), QStringLiteral(" c4"));
    QCOMPARE(errors.count(), 3);
}

QTEST_GUILESS_MAIN(TestFrCommandsController)
#include "tst_frcommandscontroller.moc"
