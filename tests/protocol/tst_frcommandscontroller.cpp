#include "frcommandscontroller.h"
#include "scripteddevice.h"
#include "tempprofile.h"

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
    void defaults();
    void firstTaskGoesOutAlone();
    void nextTaskLeavesWithTheAck();
    void clearBufferCompleteWhateverPayload_data();
    void clearBufferCompleteWhateverPayload();
    void forceStopAllClears();
    void reqErrorStatus();
    void staleReqAnswerIgnored();
    void stateTidAnsweredByReqDoesNotRouteLater();
    void resultHandlerMayRestartBuffer();

    // Against the scripted register.
    void linkStateFollowsWorker();
    void resendSameFrameUntilAccepted();
    void reqPollingAfterAcceptance();
    void asyncResultBeforeAcceptance();
    void resultForOtherTidDropped();
    void wrongPasswordEmptiesBuffer();
    void asyncErrorIsAcked();
    void tidWrapsAfter221Tasks();
    void stateRequestSignals_data();
    void stateRequestSignals();
    void staleReqAnswerOverLink();

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

void TestFrCommandsController::defaults()
{
    QCOMPARE(m_ctl->answerTimeout(), 2000);
    QCOMPARE(m_ctl->reqInterval(), 3000);
    QCOMPARE(m_ctl->bufferSize(), 0);
    QVERIFY(!m_ctl->isConnected());
}

void TestFrCommandsController::firstTaskGoesOutAlone()
{
    QSignalSpy sent(m_ctl, &FrCommandsController::needSendCommand);
    const CommandSendInfo first = m_ctl->sendGetFrMoneyCommand();
    QCOMPARE(first.tid, quint8(2)); // both counters start at 1
    QCOMPARE(first.cmdCode, quint8(0x4D));
    QCOMPARE(sent.count(), 1);
    QCOMPARE(sentId(sent, 0), quint8(2));
    QCOMPARE(sentData(sent, 0).toHex(), hex("c1020200004d").toHex());

    QCOMPARE(m_ctl->sendCheckCancelCommand(), quint8(3));
    QCOMPARE(sent.count(), 1);
    QCOMPARE(m_ctl->bufferSize(), 2);
}

void TestFrCommandsController::nextTaskLeavesWithTheAck()
{
    QSignalSpy sent(m_ctl, &FrCommandsController::needSendCommand);
    QSignalSpy answers(m_ctl, &FrCommandsController::assyncAnswer);
    m_ctl->sendGetFrMoneyCommand(); // TID 2, frame 2
    m_ctl->sendGetFrCycleMoneyCommand(); // TID 3, frame 3
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

void TestFrCommandsController::clearBufferCompleteWhateverPayload_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("zero") << hex("00");
    QTest::newRow("looks like a result") << hex("a60255");
    QTest::newRow("looks like a REQ answer") << hex("a3");
}

void TestFrCommandsController::clearBufferCompleteWhateverPayload()
{
    QFETCH(QByteArray, payload);
    QSignalSpy sent(m_ctl, &FrCommandsController::needSendCommand);
    QSignalSpy done(m_ctl, &FrCommandsController::clearBufferComplete);
    QSignalSpy answers(m_ctl, &FrCommandsController::assyncAnswer);
    m_ctl->sendGetFrMoneyCommand();
    m_ctl->sendGetFrMoneyCommand();
    m_ctl->sendClearBufferCommand();
    QCOMPARE(m_ctl->bufferSize(), 0);
    QCOMPARE(sent.count(), 2);
    const quint8 abortId = sentId(sent, 1);
    QCOMPARE(abortId, quint8(4));
    QCOMPARE(sentData(sent, 1).toHex(), QByteArray("c4"));

    m_ctl->answerReceiveHandler(0x33, payload); // some other frame
    QCOMPARE(done.count(), 0);
    m_ctl->answerReceiveHandler(abortId, payload);
    QCOMPARE(done.count(), 1);
    m_ctl->answerReceiveHandler(abortId, payload); // the identifier is used up
    QCOMPARE(done.count(), 1);
    QCOMPARE(answers.count(), 0);
}

void TestFrCommandsController::forceStopAllClears()
{
    QSignalSpy sent(m_ctl, &FrCommandsController::needSendCommand);
    QSignalSpy stop(m_ctl, &FrCommandsController::needForceStopAll);
    m_ctl->sendModeExitCommand();
    m_ctl->forceStopAll();
    QCOMPARE(stop.count(), 1);
    QCOMPARE(m_ctl->bufferSize(), 0);
    QCOMPARE(sent.count(), 2);
    QCOMPARE(sentData(sent, 1).toHex(), QByteArray("c4"));
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
    QCOMPARE(m_ctl->bufferSize(), 1);

    m_ctl->answerReceiveHandler(reqId, hex("a40102"));
    QCOMPARE(errors.count(), 1);
    QCOMPARE(errors.at(0).at(0).value<quint8>(), tid);
    QCOMPARE(errors.at(0).at(1).toByteArray().toHex(), QByteArray("0102"));
    QCOMPARE(answers.count(), 0);
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
    QCOMPARE(sentId(sent, sent.count() - 1), quint8(6));
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
    QCOMPARE(answers.at(0).at(1).toByteArray(), STATE);
    QCOMPARE(states.count() + global.count(), 0);

    // 222 tasks later the same TID comes back for an ordinary command.
    quint8 tid = 0;
    for (int i = 0; i < 222; ++i) {
        tid = m_ctl->sendGetFrMoneyCommand().tid;
        m_ctl->answerReceiveHandler(0xF0, QByteArray("\xA6", 1) + char(tid) + hex("55"));
    }
    QCOMPARE(tid, stateTid);
    QCOMPARE(answers.count(), 223);
    QCOMPARE(answers.last().at(0).value<quint8>(), stateTid);
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

void TestFrCommandsController::linkStateFollowsWorker()
{
    startLink();
    QVERIFY(m_ctl->isConnected());
    QSignalSpy link(m_ctl, &FrCommandsController::connectState);
    m_ctl->sendGetFrMoneyCommand();
    QVERIFY(m_peer->waitForFrames(1));
    m_peer->dropClient();
    QTRY_COMPARE(link.count(), 1);
    QCOMPARE(link.at(0).at(0).toBool(), false);
    QVERIFY(!m_ctl->isConnected());
    QCOMPARE(m_ctl->bufferSize(), 1); // the link state alone changes nothing else
}

void TestFrCommandsController::resendSameFrameUntilAccepted()
{
    m_ctl->setAnswerTimeout(150);
    startLink();
    m_ctl->sendCheckCancelCommand();
    QVERIFY(m_peer->waitForFrames(3));
    const ScriptedDevice::Frame first = m_peer->frame(0);
    QCOMPARE(first.payload.toHex(), QByteArray("c10202000059"));
    for (int i = 1; i < 3; ++i) {
        QCOMPARE(m_peer->frame(i).id, first.id);
        QCOMPARE(m_peer->frame(i).raw, first.raw);
    }

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
    QSignalSpy errors(m_ctl, &FrCommandsController::assyncError);
    // Only the latest REQ counts, so the register answers each one as it comes: first
    // "in progress", then the result.
    QList<ScriptedDevice::Frame> reqs;
    m_peer->setHook([this, &reqs](const ScriptedDevice::Frame &f) {
        if (!f.payload.startsWith(char(0xC3)))
            return;
        reqs << f;
        if (reqs.size() == 1)
            m_peer->send(f.id, QByteArray::fromHex("a2"));
        else if (reqs.size() == 2)
            m_peer->send(f.id, QByteArray::fromHex("a3550000"));
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
    QCOMPARE(answers.at(0).at(0).value<quint8>(), tid);
    QCOMPARE(answers.at(0).at(1).toByteArray().toHex(), QByteArray("550000"));
    QCOMPARE(errors.count(), 0);

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
    m_peer->send(0xF0, QByteArray("\xA6", 1) + char(tid) + hex("550000"));
    m_peer->send(m_peer->frame(0).id, hex("a1")); // late acceptance
    QVERIFY(m_peer->waitForFrames(2));
    QCOMPARE(m_peer->frame(1).payload, QByteArray("\xC2", 1) + char(tid));
    QTest::qWait(450);
    QCOMPARE(m_peer->frameCount(), 2); // no REQ was started by the late acceptance
    QCOMPARE(answers.count(), 1);
    QCOMPARE(m_ctl->bufferSize(), 0);
}

void TestFrCommandsController::resultForOtherTidDropped()
{
    startLink();
    QSignalSpy answers(m_ctl, &FrCommandsController::assyncAnswer);
    QSignalSpy errors(m_ctl, &FrCommandsController::assyncError);
    const quint8 tid = m_ctl->sendModeExitCommand();
    QVERIFY(m_peer->waitForFrames(1));
    m_peer->send(0xF0, QByteArray("\xA6", 1) + char(tid + 1) + hex("550000"));
    m_peer->send(0xF0, QByteArray("\xA7", 1) + char(tid + 1) + hex("558c00"));
    m_peer->send(0xF0, hex("a6")); // too short to name a TID
    m_peer->send(0xF0, hex("a5") + char(tid)); // not a result at all
    m_peer->send(0xF0, QByteArray("\xA6", 1) + char(tid) + hex("550000"));
    QTRY_COMPARE(answers.count(), 1);
    QCOMPARE(answers.at(0).at(0).value<quint8>(), tid);
    QCOMPARE(errors.count(), 0);
    QVERIFY(m_peer->waitForFrames(2));
    QCOMPARE(m_peer->frame(1).payload, QByteArray("\xC2", 1) + char(tid));
}

void TestFrCommandsController::wrongPasswordEmptiesBuffer()
{
    startLink();
    QStringList order;
    connect(m_ctl, &FrCommandsController::assyncError, this,
        [&order](quint8, QByteArray) { order << QStringLiteral("error"); });
    connect(m_ctl, &FrCommandsController::connectionPasswordError, this,
        [&order] { order << QStringLiteral("password"); });
    QSignalSpy errors(m_ctl, &FrCommandsController::assyncError);
    QSignalSpy done(m_ctl, &FrCommandsController::clearBufferComplete);

    const quint8 tid = m_ctl->sendSetModeCommand(1);
    m_ctl->sendGetFrStateCommand();
    m_ctl->sendModeExitCommand();
    QVERIFY(m_peer->waitForFrames(1));
    // Default password "47" as BCD(8).
    QCOMPARE(m_peer->frame(0).payload.toHex(), QByteArray("c102020000560100000047"));

    // More bytes behind 55 8C still mean a wrong password.
    m_peer->send(0xF0, QByteArray("\xA7", 1) + char(tid) + hex("558c0001"));
    QVERIFY(m_peer->waitForFrames(2));
    const ScriptedDevice::Frame abort = m_peer->frame(1);
    QCOMPARE(abort.payload.toHex(), QByteArray("c4"));
    QCOMPARE(order, QStringList({ QStringLiteral("error"), QStringLiteral("password") }));
    QCOMPARE(errors.at(0).at(0).value<quint8>(), tid);
    QCOMPARE(errors.at(0).at(1).toByteArray().toHex(), QByteArray("558c0001"));
    QCOMPARE(m_ctl->bufferSize(), 0);

    m_peer->send(abort.id, hex("00"));
    QTRY_COMPARE(done.count(), 1);
    QCOMPARE(m_peer->frameCount(), 2); // no ACK, no next task
}

void TestFrCommandsController::asyncErrorIsAcked()
{
    startLink();
    QSignalSpy errors(m_ctl, &FrCommandsController::assyncError);
    QSignalSpy password(m_ctl, &FrCommandsController::connectionPasswordError);
    const quint8 tidA = m_ctl->sendCloseCycleCommand();
    const quint8 tidB = m_ctl->sendCheckCancelCommand();
    QVERIFY(m_peer->waitForFrames(1));
    m_peer->send(0xF0, QByteArray("\xA7", 1) + char(tidA) + hex("556600"));
    QVERIFY(m_peer->waitForFrames(3));
    QCOMPARE(m_peer->frame(1).payload, QByteArray("\xC2", 1) + char(tidA));
    QCOMPARE(quint8(m_peer->frame(2).payload.at(2)), tidB);
    QCOMPARE(errors.count(), 1);
    QCOMPARE(errors.at(0).at(1).toByteArray().toHex(), QByteArray("556600"));
    QCOMPARE(password.count(), 0);

    // An error without the command's answer.
    m_peer->send(0xF0, QByteArray("\xA7", 1) + char(tidB));
    QTRY_COMPARE(errors.count(), 2);
    QVERIFY(errors.at(1).at(1).toByteArray().isEmpty());
    QCOMPARE(password.count(), 0);
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
    QCOMPARE(answers.count(), 223);

    QList<quint8> onWire;
    const QList<ScriptedDevice::Frame> records = m_peer->framesOf(0xC1);
    for (const ScriptedDevice::Frame &f : records)
        onWire << quint8(f.payload.at(2));
    QCOMPARE(onWire, returned);
    for (int i = 0; i < 221; ++i)
        QCOMPARE(int(returned.at(i)), i + 2);
    QCOMPARE(int(returned.at(221)), 1); // the 222nd task
    QCOMPARE(int(returned.at(222)), 2);
    for (int i = 0; i < answers.count(); ++i)
        QCOMPARE(answers.at(i).at(0).value<quint8>(), returned.at(i));
    // Frame identifiers (records, ACKs) stay within 1..222 as well.
    for (const ScriptedDevice::Frame &f : m_peer->frames())
        QVERIFY2(f.id >= 1 && f.id <= 222, qPrintable(QString::number(f.id)));
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
    QByteArray answerBytes;
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
        answerBytes = ba;
    });

    QSignalSpy globalSpy(m_ctl, &FrCommandsController::frStateReceivedGlobal);
    QSignalSpy stateSpy(m_ctl, &FrCommandsController::frStateReceived);
    QSignalSpy answerSpy(m_ctl, &FrCommandsController::assyncAnswer);

    const quint8 tid = m_ctl->sendGetFrStateCommand(autoAnswer);
    QVERIFY(m_peer->waitForFrames(1));
    QCOMPARE(m_peer->frame(0).payload.toHex(), QByteArray("c1020200003f"));
    m_peer->send(m_peer->frame(0).id, hex("a1"));
    m_peer->send(0xF0, QByteArray("\xA6", 1) + char(tid) + STATE);
    QVERIFY(m_peer->waitForFrames(2)); // the ACK
    QCOMPARE(order, expected);
    QCOMPARE(globalSpy.count(), 1);
    QCOMPARE(stateSpy.count(), autoAnswer ? 1 : 0);
    QCOMPARE(answerSpy.count(), autoAnswer ? 0 : 1);
    QCOMPARE(globalSpy.at(0).at(0).value<FrStateCommandAnswer>().tid(), tid);
    if (!autoAnswer) {
        QCOMPARE(answerSpy.at(0).at(0).value<quint8>(), tid);
        QCOMPARE(answerSpy.at(0).at(1).toByteArray(), STATE);
    }
    for (const FrStateCommandAnswer &s : qAsConst(states)) {
        QCOMPARE(s.answerCode(), quint8(0xA6));
        QCOMPARE(s.tid(), tid);
        QCOMPARE(s.data(), STATE);
        QCOMPARE(int(s.mode()), 4);
        QCOMPARE(s.serialNumber(), 123456);
    }
    if (!autoAnswer)
        QCOMPARE(answerBytes, STATE);
    QCOMPARE(states.size(), autoAnswer ? 2 : 1);

    // A second request with the same flag behaves the same: the marks were per TID.
    order.clear();
    const quint8 tid2 = m_ctl->sendGetFrStateCommand(autoAnswer);
    QVERIFY(m_peer->waitForFrames(3));
    m_peer->send(0xF0, QByteArray("\xA6", 1) + char(tid2) + STATE);
    QVERIFY(m_peer->waitForFrames(4));
    QCOMPARE(order, expected);
}

void TestFrCommandsController::staleReqAnswerOverLink()
{
    m_ctl->setReqInterval(150);
    startLink();
    QSignalSpy answers(m_ctl, &FrCommandsController::assyncAnswer);
    const quint8 tidA = m_ctl->sendGetFrMoneyCommand().tid;
    QVERIFY(m_peer->waitForFrames(1));
    m_peer->send(m_peer->frame(0).id, hex("a1"));
    QVERIFY(m_peer->waitUntil([this] { return !m_peer->framesOf(0xC3).isEmpty(); }));
    const ScriptedDevice::Frame reqA = m_peer->framesOf(0xC3).first();
    // A finishes by itself; its REQ stays unanswered for now.
    m_peer->send(0xF0, QByteArray("\xA6", 1) + char(tidA) + hex("aa"));
    QTRY_COMPARE(answers.count(), 1);

    const quint8 tidB = m_ctl->sendGetFrCycleMoneyCommand().tid;
    QVERIFY(m_peer->waitUntil([this] { return m_peer->framesOf(0xC1).size() == 2; }));
    m_peer->send(m_peer->framesOf(0xC1).last().id, hex("a1"));
    // The late answer for A comes while B waits; B's own REQ gets its result.
    m_peer->send(reqA.id, hex("a3bb"));
    m_peer->setHook([this, tidB](const ScriptedDevice::Frame &f) {
        if (f.payload == QByteArray("\xC3", 1) + char(tidB))
            m_peer->send(f.id, QByteArray::fromHex("a3cc"));
    });
    QVERIFY(m_peer->waitUntil([&answers] { return answers.count() >= 2; }));
    QTest::qWait(50);
    QCOMPARE(answers.count(), 2);
    QCOMPARE(answers.at(1).at(0).value<quint8>(), tidB);
    QCOMPARE(answers.at(1).at(1).toByteArray().toHex(), QByteArray("cc"));
    QCOMPARE(m_ctl->bufferSize(), 0);
}

QTEST_GUILESS_MAIN(TestFrCommandsController)
#include "tst_frcommandscontroller.moc"
