#include "emulatorprocess.h"
#include "frcommandscontroller.h"
#include "frmodechanger.h"
#include "hexbytes.h"
#include "scripteddevice.h"
#include "tempprofile.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

namespace {

QByteArray result(quint8 code, quint8 tid, const QByteArray &answer)
{
    return QByteArray(1, char(code)) + char(tid) + answer;
}

QByteArray ack(quint8 tid)
{
    return QByteArray(1, char(0xC2)) + char(tid);
}

// "TID bytes" of the i-th result or error a spy holds.
QString ended(const QSignalSpy &spy, int i)
{
    return QStringLiteral("%1 %2")
        .arg(spy.at(i).at(0).toInt())
        .arg(QString::fromLatin1(spy.at(i).at(1).toByteArray().toHex()));
}

// A state answer: cashier 1, hall 2, 2024-03-05 12:30:45, flags 0x03, serial 123456,
// three unread bytes, mode byte 0x24 (mode 4, submode 2).
const QByteArray STATE = hex("440102240305123045030012345600000024");

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
    void identifiersWrapAndReqForgetsState();
    void resultHandlerMayRestartBuffer();
    void numberBeyondItsFieldIsLogged();
    void resendSameFrameUntilAccepted();
    void reqPollingAfterAcceptance();
    void asyncResultBeforeAcceptance();
    void asyncResultsFinishOnlyTheFirstTask();
    void wrongPasswordCancelsTheRest();
    void stateRequestSignals_data();
    void stateRequestSignals();
    void linkBackWithoutRestart();

    // Against the scripted register.
    void linkDownStopsResending();

    // Against orvaemu.
    void lostRegisterNothingRunsTwice();

private:
    void startLink();
    // The i-th frame handed to the worker; a negative i counts back from the last.
    QList<QVariant> frame(int i) const { return m_sent->at(i < 0 ? m_sent->count() + i : i); }
    quint8 sentId(int i) const { return frame(i).at(0).value<quint8>(); }
    QByteArray sentData(int i) const { return frame(i).at(1).toByteArray(); }

    std::unique_ptr<TempProfile> m_profile;
    ScriptedDevice *m_peer = nullptr;
    FrCommandsController *m_ctl = nullptr;
    std::unique_ptr<QSignalSpy> m_sent;
    std::unique_ptr<QSignalSpy> m_answers;
    std::unique_ptr<QSignalSpy> m_errors;
};

void TestFrCommandsController::init()
{
    m_profile = std::make_unique<TempProfile>();
    m_peer = new ScriptedDevice;
    m_peer->setAnswering(false); // each test answers for the register itself
    m_ctl = new FrCommandsController;
    m_sent = std::make_unique<QSignalSpy>(m_ctl, &FrCommandsController::needSendCommand);
    m_answers = std::make_unique<QSignalSpy>(m_ctl, &FrCommandsController::assyncAnswer);
    m_errors = std::make_unique<QSignalSpy>(m_ctl, &FrCommandsController::assyncError);
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
    const CommandSendInfo first = m_ctl->sendGetFrMoneyCommand();
    QCOMPARE(first.tid, quint8(2)); // both counters start at 1
    m_ctl->sendGetFrCycleMoneyCommand(); // TID 3, frame 3
    QCOMPARE(m_sent->count(), 1); // only the first task is in flight
    QCOMPARE(sentId(0), quint8(2));
    QCOMPARE(sentData(0).toHex(), QByteArray("c1020200004d"));

    m_ctl->answerReceiveHandler(0xF0, hex("a6024d0000001500"));

    // One call: the result, the ACK (fresh frame 4) and the next record (its own frame 3).
    QCOMPARE(m_answers->count(), 1);
    QCOMPARE(ended(*m_answers, 0), QStringLiteral("2 4d0000001500"));
    QCOMPARE(m_sent->count(), 3);
    QCOMPARE(sentId(1), quint8(4));
    QCOMPARE(sentData(1), ack(2));
    QCOMPARE(sentId(2), quint8(3));
    QCOMPARE(sentData(2).toHex(), QByteArray("c10203000058"));
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
    QSignalSpy done(m_ctl, &FrCommandsController::clearBufferComplete);
    QSignalSpy stop(m_ctl, &FrCommandsController::needForceStopAll);
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
    QCOMPARE(m_sent->count(), 3);
    QCOMPARE(sentData(1).toHex(), QByteArray("c4"));
    QCOMPARE(sentData(2).at(5), char(0x3F));
    QCOMPARE(quint8(sentData(2).at(2)), retried);
    QCOMPARE(m_ctl->bufferSize(), 1);
    // Each dropped task ends once, as a refusal with the program's own code.
    QCOMPARE(m_errors->count(), 2);
    QCOMPARE(m_errors->at(0).at(0).value<quint8>(), a);
    QCOMPARE(m_errors->at(1).at(0).value<quint8>(), b);
    for (const QList<QVariant> &e : qAsConst(*m_errors))
        QCOMPARE(CommandResultAnswer(e.at(1).toByteArray(), 3).code(), LINK_CANCELLED);
    QVERIFY(!errorCodeText(LINK_CANCELLED).startsWith(QLatin1String("Код ошибки")));

    const quint8 abortId = sentId(1);
    m_ctl->answerReceiveHandler(0x33, payload); // some other frame
    QCOMPARE(done.count(), 0);
    m_ctl->answerReceiveHandler(abortId, payload);
    QCOMPARE(done.count(), 1);
    m_ctl->answerReceiveHandler(abortId, payload); // the identifier is used up
    QCOMPARE(done.count(), 1);
    QCOMPARE(m_answers->count(), 0);
}

void TestFrCommandsController::reqErrorStatus()
{
    const quint8 tid = m_ctl->sendCheckOpenCommand(1);
    m_ctl->answerReceiveHandler(sentId(0), hex("a1")); // accepted
    m_ctl->doSendReq();
    QCOMPARE(sentData(1).toHex(), QByteArray("c302"));
    const quint8 reqId = sentId(1);

    m_ctl->answerReceiveHandler(reqId, hex("a1"));
    m_ctl->answerReceiveHandler(reqId, QByteArray()); // empty: only logged
    QCOMPARE(m_errors->count() + m_answers->count(), 0);

    m_ctl->answerReceiveHandler(reqId, hex("a40102"));
    QCOMPARE(m_errors->count(), 1);
    QCOMPARE(ended(*m_errors, 0), QStringLiteral("%1 0102").arg(tid));
    QCOMPARE(sentData(-1), ack(tid));
    QCOMPARE(m_ctl->bufferSize(), 0);
}

void TestFrCommandsController::staleReqAnswerIgnored()
{
    m_ctl->sendGetFrMoneyCommand(); // TID 2, frame 2
    m_ctl->answerReceiveHandler(2, hex("a1"));
    m_ctl->doSendReq(); // REQ for TID 2 with frame 3, never answered in time
    QCOMPARE(sentId(1), quint8(3));
    m_ctl->answerReceiveHandler(0xF0, hex("a602aa")); // finished the other way; ACK frame 4

    m_ctl->sendGetFrCycleMoneyCommand(); // TID 3, frame 5
    m_ctl->answerReceiveHandler(5, hex("a1"));
    m_ctl->doSendReq(); // REQ for TID 3 with frame 6
    const int sentBefore = m_sent->count();

    m_ctl->answerReceiveHandler(3, hex("a3bb")); // late answer to the first REQ
    QCOMPARE(m_answers->count(), 1);
    QCOMPARE(m_ctl->bufferSize(), 1);
    QCOMPARE(m_sent->count(), sentBefore); // no ACK

    m_ctl->answerReceiveHandler(6, hex("a3cc"));
    QCOMPARE(m_answers->count(), 2);
    QCOMPARE(ended(*m_answers, 1), QStringLiteral("3 cc"));
    QCOMPARE(m_ctl->bufferSize(), 0);
}

void TestFrCommandsController::identifiersWrapAndReqForgetsState()
{
    QSignalSpy states(m_ctl, &FrCommandsController::frStateReceived);
    QSignalSpy global(m_ctl, &FrCommandsController::frStateReceivedGlobal);
    const quint8 stateTid = m_ctl->sendGetFrStateCommand(true);
    m_ctl->answerReceiveHandler(sentId(0), hex("a1"));
    m_ctl->doSendReq();
    m_ctl->answerReceiveHandler(sentId(-1), hex("a3") + STATE);
    // The REQ path knows nothing of state requests.
    QCOMPARE(m_answers->count(), 1);
    QCOMPARE(states.count() + global.count(), 0);

    // TIDs run 1..222: 222 tasks later the same TID comes back for an ordinary command.
    quint8 tid = 0;
    for (int i = 0; i < 222; ++i) {
        tid = m_ctl->sendGetFrMoneyCommand().tid;
        QCOMPARE(quint8(sentData(-1).at(2)), tid);
        m_ctl->answerReceiveHandler(0xF0, result(0xA6, tid, hex("55")));
        QCOMPARE(ended(*m_answers, i + 1), QStringLiteral("%1 55").arg(tid));
    }
    QCOMPARE(tid, stateTid);
    QCOMPARE(states.count() + global.count(), 0);
    // Frame identifiers (records, REQ, ACKs) wrap within 1..222 as well.
    QSet<quint8> ids;
    for (int i = 0; i < m_sent->count(); ++i)
        ids << sentId(i);
    QCOMPARE(ids.size(), 222);
    QVERIFY(!ids.contains(0) && !ids.contains(223));
}

void TestFrCommandsController::resultHandlerMayRestartBuffer()
{
    // A page that reacts to a result by clearing the buffer and queuing a fresh task must not
    // see that fresh task finished by the old result.
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
    for (int i = 0; i < m_sent->count(); ++i)
        QVERIFY2(quint8(sentData(i).at(0)) != 0xC2, "no ACK for the cleared task");
    QCOMPARE(sentData(-1).toHex(), QByteArray("c1020300003f"));
}

void TestFrCommandsController::numberBeyondItsFieldIsLogged()
{
    // The builders check nothing; the pages keep numbers within their fields, and a number
    // that does not fit still leaves a trace of the document actually asked for.
    QTest::ignoreMessage(QtWarningMsg,
        QRegularExpression(QStringLiteral("BCD_VALUE_TRUNCATED VALUE= 123456 DIGITS= 4")));
    m_ctl->sendFdByNumberReportCommand(123456);
    QCOMPARE(sentData(0).mid(5).toHex(), QByteArray("ab3456"));
}

void TestFrCommandsController::resendSameFrameUntilAccepted()
{
    m_ctl->setAnswerTimeout(50);
    m_ctl->sendCheckCancelCommand();
    QTRY_VERIFY(m_sent->count() >= 3);
    QCOMPARE(sentData(0).toHex(), QByteArray("c10202000059"));
    for (int i = 1; i < 3; ++i)
        QCOMPARE(frame(i), frame(0));
    m_ctl->answerReceiveHandler(sentId(0), hex("a1"));
    const int sends = m_sent->count();
    QTest::qWait(300);
    QCOMPARE(m_sent->count(), sends); // no resend, and no REQ before its 3000 ms
}

void TestFrCommandsController::reqPollingAfterAcceptance()
{
    m_ctl->setReqInterval(50);
    const quint8 tid = m_ctl->sendCheckOpenCommand(1);
    const QByteArray req = QByteArray("\xC3", 1) + char(tid);
    m_ctl->answerReceiveHandler(sentId(0), hex("a1"));
    // The REQ repeats until one is answered with the result; only the latest counts.
    QTRY_VERIFY(m_sent->count() >= 2);
    QCOMPARE(sentData(1), req);
    m_ctl->answerReceiveHandler(sentId(1), hex("a2"));
    QTRY_VERIFY(m_sent->count() >= 3);
    QCOMPARE(sentData(-1), req);
    QVERIFY(sentId(-1) != sentId(1));
    m_ctl->answerReceiveHandler(sentId(-1), hex("a3550000"));
    QCOMPARE(sentData(-1), ack(tid));
    QCOMPARE(ended(*m_answers, 0), QStringLiteral("%1 550000").arg(tid));
    const int sends = m_sent->count();
    QTest::qWait(200); // polling ends with the task
    QCOMPARE(m_sent->count(), sends);
    QCOMPARE(m_answers->count(), 1);
}

void TestFrCommandsController::asyncResultBeforeAcceptance()
{
    m_ctl->setReqInterval(50);
    const quint8 tid = m_ctl->sendPrintLastCheckCommand().tid;
    m_ctl->answerReceiveHandler(0xF0, result(0xA6, tid, hex("550000")));
    m_ctl->answerReceiveHandler(sentId(0), hex("a1")); // late acceptance
    QTest::qWait(200);
    QCOMPARE(m_sent->count(), 2); // the ACK, and no REQ started by the late acceptance
    QCOMPARE(sentData(1), ack(tid));
    QCOMPARE(m_answers->count(), 1);
}

void TestFrCommandsController::asyncResultsFinishOnlyTheFirstTask()
{
    QSignalSpy password(m_ctl, &FrCommandsController::connectionPasswordError);
    const quint8 tidA = m_ctl->sendCloseCycleCommand();
    const quint8 tidB = m_ctl->sendCheckCancelCommand();
    // Results for a task that is not first, too short to name a TID, or not results at all.
    for (const QByteArray &data :
        { result(0xA6, tidB, hex("550000")), result(0xA7, tidB, hex("558c00")), hex("a6"),
            hex("a7"), result(0xA5, tidA, QByteArray()), QByteArray() })
        m_ctl->answerReceiveHandler(0xF0, data);
    QCOMPARE(m_answers->count() + m_errors->count() + password.count(), 0);
    QCOMPARE(m_sent->count(), 1);

    // An error is acknowledged like a result, and the next task goes out.
    m_ctl->answerReceiveHandler(0xF0, result(0xA7, tidA, hex("556600")));
    QCOMPARE(m_errors->count(), 1);
    QCOMPARE(ended(*m_errors, 0), QStringLiteral("%1 556600").arg(tidA));
    QCOMPARE(sentData(1), ack(tidA));
    QCOMPARE(quint8(sentData(2).at(2)), tidB);
    // An error without the command's answer.
    m_ctl->answerReceiveHandler(0xF0, result(0xA7, tidB, QByteArray()));
    QCOMPARE(m_errors->count(), 2);
    QCOMPARE(ended(*m_errors, 1), QStringLiteral("%1 ").arg(tidB));
    QCOMPARE(sentData(3), ack(tidB));
    QCOMPARE(m_answers->count() + password.count(), 0);
}

void TestFrCommandsController::wrongPasswordCancelsTheRest()
{
    QStringList order;
    connect(m_ctl, &FrCommandsController::assyncError, this,
        [&order](quint8 tid, QByteArray) { order << QString::number(tid); });
    connect(m_ctl, &FrCommandsController::connectionPasswordError, this,
        [&order] { order << QStringLiteral("password"); });
    QSignalSpy done(m_ctl, &FrCommandsController::clearBufferComplete);

    const quint8 tid = m_ctl->sendSetModeCommand(1);
    const quint8 state = m_ctl->sendGetFrStateCommand();
    const quint8 exit = m_ctl->sendModeExitCommand();
    // More bytes behind 55 8C still mean a wrong password.
    m_ctl->answerReceiveHandler(0xF0, result(0xA7, tid, hex("558c0001")));
    QCOMPARE(m_sent->count(), 2);
    QCOMPARE(sentData(1).toHex(), QByteArray("c4"));
    // Each task ends exactly once: the refused one with the register's answer, the queued
    // ones cancelled behind the abort.
    QCOMPARE(order.join(' '), QStringLiteral("%1 password %2 %3").arg(tid).arg(state).arg(exit));
    QCOMPARE(ended(*m_errors, 0), QStringLiteral("%1 558c0001").arg(tid));
    QCOMPARE(m_errors->at(1).at(1).toByteArray(), linkCancelledResult());
    QCOMPARE(m_ctl->bufferSize(), 0);

    m_ctl->answerReceiveHandler(sentId(1), hex("00"));
    QCOMPARE(done.count(), 1);
    QCOMPARE(m_sent->count(), 2); // no ACK, no next task
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
    QStringList order;
    QList<FrStateCommandAnswer> states;
    auto record = [&](const QString &name) {
        return [&, name](const FrStateCommandAnswer &s) { order << name, states << s; };
    };
    connect(m_ctl, &FrCommandsController::frStateReceivedGlobal, this, record("global"));
    connect(m_ctl, &FrCommandsController::frStateReceived, this, record("state"));
    connect(m_ctl, &FrCommandsController::assyncAnswer, this, [&](quint8, QByteArray ba) {
        order << QStringLiteral("answer");
        QCOMPARE(ba, STATE);
    });

    for (int round = 0; round < 2; ++round) { // the marks are per TID
        order.clear();
        states.clear();
        const quint8 tid = m_ctl->sendGetFrStateCommand(autoAnswer);
        m_ctl->answerReceiveHandler(0xF0, result(0xA6, tid, STATE));
        QCOMPARE(order, expected);
        for (const FrStateCommandAnswer &s : qAsConst(states)) {
            QCOMPARE(s.answerCode(), quint8(0xA6));
            QCOMPARE(s.tid(), tid);
            QCOMPARE(s.data(), STATE);
            QCOMPARE(int(s.mode()), 4);
        }
    }
}

// A serial worker reopens its port by itself and reports the link up again without the
// controller's own start: the task that went out on the lost line is cancelled behind an
// abort, never sent a second time.
void TestFrCommandsController::linkBackWithoutRestart()
{
    const quint8 lost = m_ctl->sendGetFrMoneyCommand().tid;
    QCOMPARE(m_sent->count(), 1);
    m_ctl->connectStateHandler(false);
    m_ctl->connectStateHandler(true);
    QCOMPARE(m_sent->count(), 2);
    QCOMPARE(sentData(1).toHex(), QByteArray("c4"));
    QCOMPARE(m_errors->count(), 1);
    QCOMPARE(m_errors->at(0).at(0).value<quint8>(), lost);
}

void TestFrCommandsController::linkDownStopsResending()
{
    m_ctl->setAnswerTimeout(100);
    startLink();
    const quint8 lost = m_ctl->sendCheckCancelCommand();
    QVERIFY(m_peer->waitForFrames(1));
    m_peer->dropClient();
    QTRY_VERIFY(!m_ctl->isConnected());
    const int sentAtLoss = m_sent->count();
    QTest::qWait(400);
    QCOMPARE(m_sent->count(), sentAtLoss); // no resend into a worker without a socket
    QCOMPARE(m_errors->count(), 0);

    // Reconnecting ends the task that went out on the lost link at once, and the new link
    // begins with the abort. A task queued before the link is up waits for it, so the abort
    // the window sends on connecting cancels it before the register ever sees it.
    const int framesBefore = m_peer->frameCount();
    m_ctl->stop();
    QVERIFY(m_ctl->start());
    QCOMPARE(m_errors->count(), 1);
    QCOMPARE(m_errors->at(0).at(0).value<quint8>(), lost);
    connect(m_ctl, &FrCommandsController::connectState, m_ctl,
        &FrCommandsController::sendClearBufferCommand);
    const quint8 early = m_ctl->sendGetFrMoneyCommand().tid;
    QVERIFY(m_peer->waitForFrames(framesBefore + 2));
    QCOMPARE(m_peer->frame(framesBefore).payload.toHex(), QByteArray("c4"));
    QCOMPARE(m_peer->frame(framesBefore + 1).payload.toHex(), QByteArray("c4"));
    QCOMPARE(m_errors->count(), 2);
    QCOMPARE(m_errors->at(1).at(0).value<quint8>(), early);
    QTest::qWait(300);
    QCOMPARE(m_peer->framesOf(0xC1).size(), 1);
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

    m_answers->clear();
    m_errors->clear();
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
    QCOMPARE(m_answers->count() + m_errors->count(), 0);

    emu = std::make_unique<EmulatorProcess>();
    QVERIFY(emu->start({ "--state", state, "--log-frames" }));
    m_profile->setAtolPort(emu->port());
    m_ctl->stop();
    QVERIFY(m_ctl->start());
    QTRY_VERIFY_WITH_TIMEOUT(m_ctl->isConnected(), 10000);
    QCOMPARE(m_errors->count(), 3);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(m_errors->at(i).at(0).value<quint8>(), tids.at(i));
        QCOMPARE(m_errors->at(i).at(1).toByteArray(), linkCancelledResult());
    }

    const quint8 money = m_ctl->sendGetFrMoneyCommand().tid;
    QTRY_COMPARE_WITH_TIMEOUT(m_answers->count(), 1, 10000);
    QCOMPARE(ended(*m_answers, 0), QStringLiteral("%1 4d00000000000100").arg(money));
    // The first frame on the new connection is the abort.
    const QString frames = emu->readOutput();
    const int firstIn = frames.indexOf(QLatin1String("<< id="));
    QVERIFY2(firstIn >= 0, qPrintable(frames));
    QCOMPARE(frames.mid(firstIn + 8, 3), QStringLiteral(" c4"));
    QCOMPARE(m_errors->count(), 3);
}

QTEST_GUILESS_MAIN(TestFrCommandsController)
#include "tst_frcommandscontroller.moc"
