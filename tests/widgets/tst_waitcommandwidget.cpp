#include "frcfgroot.h"
#include "frcommandscontroller.h"
#include "frmodechanger.h"
#include "mainwindow.h"
#include "recordingprompts.h"
#include "registerfixture.h"
#include "scripteddevice.h"
#include "sessionmanager.h"
#include "waitcommandwidget.h"
#include "waitmessagewidget.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QtTest>

namespace {
// A page that reports every call of the base class as a signal.
class RecordingPage : public WaitCommandWidget
{
    Q_OBJECT
public:
    using WaitCommandWidget::WaitCommandWidget;

    bool overrideLink = false;
    LinkTarget link;
    QStringList events;

signals:
    void answered(quint8 cmdCode, quint8 tid, QByteArray ba);
    void refused(quint8 cmdCode, quint8 tid, QByteArray ba);
    void modeReached(quint8 mode, bool error, quint8 errorCode);

protected:
    void frCommandAnswerHandler(quint8 cmdCode, quint8 tid, QByteArray ba) override
    {
        events << QStringLiteral("answer");
        emit answered(cmdCode, tid, ba);
    }
    void frCommandErrorHandler(quint8 cmdCode, quint8 tid, QByteArray ba) override
    {
        events << QStringLiteral("error");
        emit refused(cmdCode, tid, ba);
    }
    void frModeChanged(quint8 mode, bool error, quint8 errorCode) override
    {
        WaitCommandWidget::frModeChanged(mode, error, errorCode);
        events << QStringLiteral("modeChanged");
        emit modeReached(mode, error, errorCode);
    }
    void frForceStopHandler() override { events << QStringLiteral("forceStop"); }
    LinkTarget linkTarget() const override
    {
        return overrideLink ? link : WaitCommandWidget::linkTarget();
    }
};
} // namespace

class TestWaitCommandWidget : public QObject, private RegisterFixture
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void modeChangeSequence_data();
    void modeChangeSequence();
    void stateAskedAgainOnlyAfterDelay();
    void modeCommandRefused_data();
    void modeCommandRefused();
    void silentRegisterStartsOver();
    void forcedStopEndsChange();
    void lastWaitDisconnectsHandlers();
    void refusedCommandGoesToErrorHandler();
    void duplicateTidReplacesWait();
    void connectionQuestion_data();
    void connectionQuestion();
    void connectionQuestionYesConnects();
    void promptComesAfterTheControllerIsDone();
    void overlayCancelEndsTheWait();

private:
    void connectLink();

    RecordingPage *m_page = nullptr;
};

void TestWaitCommandWidget::initTestCase()
{
    setUpRoot();
}

void TestWaitCommandWidget::cleanupTestCase()
{
    tearDownRoot();
}

void TestWaitCommandWidget::init()
{
    setUpLink();
    m_page = new RecordingPage;
    m_page->modeChanger()->setStateReaskDelay(50);
}

void TestWaitCommandWidget::cleanup()
{
    tearDownLink();
    delete m_page;
}

void TestWaitCommandWidget::connectLink()
{
    m_controller->start();
    QTRY_VERIFY_WITH_TIMEOUT(m_controller->isConnected(), LONG_WAIT_MS);
}

void TestWaitCommandWidget::modeChangeSequence_data()
{
    QTest::addColumn<int>("modeByte");
    QTest::addColumn<int>("target");
    QTest::addColumn<QList<quint8>>("commands");

    // Mode 2 is left first; mode 0 with submode 0 is the only place a mode is entered.
    QTest::newRow("mode 2 to 4") << 0x02 << 4 << QList<quint8> { 0x3F, 0x48, 0x3F, 0x56, 0x3F };
    // The mode is the low nibble: 0x24 is programming with submode 2, already there.
    QTest::newRow("0x24 is mode 4") << 0x24 << 4 << QList<quint8> { 0x3F };
    // Mode 0 with a submode is not the plain selection mode: it must be left first.
    QTest::newRow("mode 0 submode 3 to 1")
        << 0x30 << 1 << QList<quint8> { 0x3F, 0x48, 0x3F, 0x56, 0x3F };
    QTest::newRow("mode 0 to 1") << 0x00 << 1 << QList<quint8> { 0x3F, 0x56, 0x3F };
}

void TestWaitCommandWidget::modeChangeSequence()
{
    QFETCH(int, modeByte);
    QFETCH(int, target);
    QFETCH(QList<quint8>, commands);

    connectLink();
    m_device->setModeByte(quint8(modeByte));
    QSignalSpy reached(m_page, &RecordingPage::modeReached);
    const int firstFrame = m_device->frameCount();
    const int firstCommand = m_device->tasks().size();

    m_page->changeFrMode(quint8(target));
    QVERIFY(m_page->isChangingMode());
    QTRY_COMPARE_WITH_TIMEOUT(reached.count(), 1, LONG_WAIT_MS);

    // The change starts by aborting whatever the register's buffer holds.
    QCOMPARE(m_device->frame(firstFrame).payload, QByteArray::fromHex("c4"));
    QCOMPARE(m_device->taskCodes(firstCommand), commands);
    const QList<QVariant> args = reached.takeFirst();
    QCOMPARE(args.at(0).value<quint8>(), quint8(target));
    QCOMPARE(args.at(1).toBool(), false);
    QCOMPARE(args.at(2).value<quint8>(), quint8(0));
    QVERIFY(!m_page->isChangingMode());
    QVERIFY(m_page->modeChanger()->privateWaits().isEmpty());
    QVERIFY(!m_page->modeChanger()->privateHandlersConnected());

    // Mode entry: add task C1, flags 02, TID, access password 00 00, code 56, the mode and
    // the connection password 47 as BCD(8).
    const int setModeAt = commands.indexOf(0x56);
    if (setModeAt >= 0) {
        QByteArray record;
        for (const ScriptedDevice::Frame &f : m_device->framesOf(0xC1))
            if (quint8(f.payload.at(5)) == 0x56)
                record = f.payload;
        QCOMPARE(record.left(2), QByteArray::fromHex("c102"));
        QCOMPARE(record.mid(3),
            QByteArray::fromHex("000056") + char(target) + QByteArray::fromHex("00000047"));
    }
    // Nothing more is asked once the mode is reached.
    QTest::qWait(200);
    QCOMPARE(m_device->taskCodes(firstCommand).size(), commands.size());
}

void TestWaitCommandWidget::stateAskedAgainOnlyAfterDelay()
{
    connectLink();
    m_page->modeChanger()->setStateReaskDelay(400);
    m_device->setModeByte(0x02);
    QSignalSpy reached(m_page, &RecordingPage::modeReached);
    const int firstFrame = m_device->frameCount();
    m_page->changeFrMode(0);
    QTRY_COMPARE_WITH_TIMEOUT(reached.count(), 1, LONG_WAIT_MS);

    qint64 exitAt = -1;
    qint64 nextStateAt = -1;
    const QList<ScriptedDevice::Frame> frames = m_device->frames().mid(firstFrame);
    for (const ScriptedDevice::Frame &f : frames) {
        if (!f.payload.startsWith(char(0xC1)))
            continue;
        if (quint8(f.payload.at(5)) == 0x48)
            exitAt = f.atMs;
        else if (quint8(f.payload.at(5)) == 0x3F && exitAt >= 0 && nextStateAt < 0)
            nextStateAt = f.atMs;
    }
    QVERIFY(exitAt >= 0);
    QVERIFY(nextStateAt >= 0);
    // The pause runs from the exit's answer, which comes after the exit itself.
    QVERIFY2(nextStateAt - exitAt >= 390, qPrintable(QString::number(nextStateAt - exitAt)));
}

void TestWaitCommandWidget::modeCommandRefused_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("warning");

    QTest::newRow("wrong password") << QByteArray::fromHex(
        "558c00") << 0x8C << QStringLiteral("При смене режима произошла ошибка. Неверный пароль");
    // Code 0 is "no error": the change fails silently.
    QTest::newRow("code 0") << QByteArray::fromHex("550000") << 0x00 << QString();
    // Not a "U" result and no code byte: 0xFF, silently.
    QTest::newRow("no code") << QByteArray::fromHex("44") << 0xFF << QString();
    QTest::newRow("foreign tag") << QByteArray::fromHex("4466") << 0x66 << QString();
}

void TestWaitCommandWidget::modeCommandRefused()
{
    QFETCH(QByteArray, answer);
    QFETCH(int, code);
    QFETCH(QString, warning);

    connectLink();
    m_device->setModeByte(0x00);
    m_device->script(0x56, ScriptedDevice::AcceptThenError, answer);
    QSignalSpy reached(m_page, &RecordingPage::modeReached);
    const int firstCommand = m_device->tasks().size();

    m_page->changeFrMode(4);
    QTRY_COMPARE_WITH_TIMEOUT(reached.count(), 1, LONG_WAIT_MS);
    QCOMPARE(m_device->taskCodes(firstCommand), (QList<quint8> { 0x3F, 0x56 }));
    const QList<QVariant> args = reached.takeFirst();
    QCOMPARE(args.at(0).value<quint8>(), quint8(4));
    QCOMPARE(args.at(1).toBool(), true);
    QCOMPARE(args.at(2).value<quint8>(), quint8(code));

    if (warning.isEmpty()) {
        QCOMPARE(m_prompts->count(), 0);
    } else {
        QCOMPARE(m_prompts->count(), 1);
        QCOMPARE(m_prompts->last().kind, UserPrompts::Warning);
        QCOMPARE(m_prompts->last().title, QStringLiteral("Внимание"));
        QCOMPARE(m_prompts->last().text, warning);
    }
    // A failed change is over: no timeout brings it back.
    QVERIFY(!m_page->modeChanger()->isStateWaitActive());
    QTest::qWait(300);
    QCOMPARE(m_device->taskCodes(firstCommand).size(), 2);
    QCOMPARE(reached.count(), 0);
}

void TestWaitCommandWidget::silentRegisterStartsOver()
{
    connectLink();
    m_page->modeChanger()->setStateWaitTimeout(600);
    m_device->setModeByte(0x01);
    m_device->script(0x3F, ScriptedDevice::AcceptOnly, QByteArray(), 1);
    QSignalSpy reached(m_page, &RecordingPage::modeReached);
    const int firstFrame = m_device->frameCount();
    const int firstCommand = m_device->tasks().size();

    m_page->changeFrMode(1);
    QTRY_COMPARE_WITH_TIMEOUT(reached.count(), 1, LONG_WAIT_MS);

    int aborts = 0;
    const QList<ScriptedDevice::Frame> frames = m_device->frames().mid(firstFrame);
    for (const ScriptedDevice::Frame &f : frames)
        aborts += f.payload == QByteArray::fromHex("c4");
    // One abort to begin with, one more when the timeout started the change over.
    QCOMPARE(aborts, 2);
    QCOMPARE(m_device->taskCodes(firstCommand), (QList<quint8> { 0x3F, 0x3F }));
    QCOMPARE(reached.first().at(1).toBool(), false);
    QCOMPARE(m_prompts->count(), 0);
}

void TestWaitCommandWidget::forcedStopEndsChange()
{
    connectLink();
    m_device->script(0x3F, ScriptedDevice::AcceptOnly, QByteArray(), 1);
    QSignalSpy reached(m_page, &RecordingPage::modeReached);
    const int firstCommand = m_device->tasks().size();
    m_page->changeFrMode(3);
    QTRY_COMPARE_WITH_TIMEOUT(m_device->taskCodes(firstCommand).size(), 1, LONG_WAIT_MS);

    m_page->events.clear();
    m_controller->forceStopAll();
    QTRY_COMPARE(reached.count(), 1);
    QCOMPARE(m_page->events, (QStringList { "forceStop", "modeChanged" }));
    QCOMPARE(reached.first().at(0).value<quint8>(), quint8(3));
    QCOMPARE(reached.first().at(1).toBool(), true);
    QCOMPARE(reached.first().at(2).value<quint8>(), quint8(0xFF));

    // Idle: a second forced stop reaches the page but ends nothing.
    m_controller->forceStopAll();
    QCOMPARE(m_page->events.count(QStringLiteral("forceStop")), 2);
    QTest::qWait(50);
    QCOMPARE(reached.count(), 1);
}

void TestWaitCommandWidget::lastWaitDisconnectsHandlers()
{
    connectLink();
    const QByteArray money = QByteArray::fromHex("4d00000001234500");
    m_device->script(0x4D, ScriptedDevice::AcceptThenResult, money);
    QSignalSpy answered(m_page, &RecordingPage::answered);
    QVERIFY(!m_page->resultHandlersConnected());

    const CommandSendInfo first = m_controller->sendGetFrMoneyCommand();
    const quint8 second = m_controller->sendGetFrStateCommand(false);
    m_page->addWaitTid(first);
    QVERIFY(m_page->resultHandlersConnected());
    m_page->addWaitTid(second, 0x3F);
    QCOMPARE(m_page->waits().size(), 2);

    QTRY_COMPARE_WITH_TIMEOUT(answered.count(), 2, LONG_WAIT_MS);
    QCOMPARE(answered.at(0).at(0).value<quint8>(), quint8(0x4D));
    QCOMPARE(answered.at(0).at(1).value<quint8>(), first.tid);
    QCOMPARE(answered.at(0).at(2).toByteArray(), money);
    QCOMPARE(answered.at(1).at(0).value<quint8>(), quint8(0x3F));
    QCOMPARE(answered.at(1).at(1).value<quint8>(), second);
    QCOMPARE(answered.at(1).at(2).toByteArray(), m_device->stateAnswer());
    QVERIFY(m_page->waits().isEmpty());
    QVERIFY(!m_page->resultHandlersConnected());

    // Results nobody waits for are dropped.
    emit m_controller->assyncAnswer(first.tid, money);
    QCOMPARE(answered.count(), 2);

    const CommandSendInfo third = m_controller->sendGetFrMoneyCommand();
    m_page->addWaitTid(third.tid, third.cmdCode);
    QVERIFY(m_page->resultHandlersConnected());
    QTRY_COMPARE_WITH_TIMEOUT(answered.count(), 3, LONG_WAIT_MS);
    QCOMPARE(answered.at(2).at(1).value<quint8>(), third.tid);
}

void TestWaitCommandWidget::refusedCommandGoesToErrorHandler()
{
    connectLink();
    m_device->script(0x95, ScriptedDevice::AcceptThenError, QByteArray::fromHex("556700"));
    QSignalSpy refused(m_page, &RecordingPage::refused);
    QSignalSpy answered(m_page, &RecordingPage::answered);
    const CommandSendInfo info = m_controller->sendPrintLastCheckCommand();
    m_page->addWaitTid(info);
    QTRY_COMPARE_WITH_TIMEOUT(refused.count(), 1, LONG_WAIT_MS);
    QCOMPARE(refused.first().at(0).value<quint8>(), quint8(0x95));
    QCOMPARE(refused.first().at(1).value<quint8>(), info.tid);
    QCOMPARE(refused.first().at(2).toByteArray(), QByteArray::fromHex("556700"));
    QCOMPARE(answered.count(), 0);
    QVERIFY(!m_page->resultHandlersConnected());
}

void TestWaitCommandWidget::duplicateTidReplacesWait()
{
    QSignalSpy answered(m_page, &RecordingPage::answered);
    m_page->addWaitTid(200, 0x11);
    m_page->addWaitTid(200, 0x22);
    QCOMPARE(m_page->waits().size(), 1);
    QCOMPARE(m_page->waits().value(200), quint8(0x22));

    emit m_controller->assyncAnswer(201, QByteArray("x"));
    emit m_controller->assyncAnswer(200, QByteArray("y"));
    emit m_controller->assyncAnswer(200, QByteArray("z"));
    // Results reach the page once the controller's own handling is over.
    QCOMPARE(answered.count(), 0);
    QTRY_COMPARE(answered.count(), 1);
    QTest::qWait(20);
    QCOMPARE(answered.count(), 1);
    QCOMPARE(answered.first().at(0).value<quint8>(), quint8(0x22));
    QCOMPARE(answered.first().at(2).toByteArray(), QByteArray("y"));
    QVERIFY(!m_page->resultHandlersConnected());
}

void TestWaitCommandWidget::connectionQuestion_data()
{
    QTest::addColumn<bool>("tcpUse");
    QTest::addColumn<QString>("portName");
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("port");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("text");

    const QString notConnected
        = QStringLiteral("В настоящее время соединение с ККТ не установлено. ");
    QTest::newRow("tcp") << true << QString() << "localhost" << 3333 << int(UserPrompts::Question)
                         << notConnected + "Установить связь с localhost:3333?";
    QTest::newRow("serial") << false << "COM3"
                            << "localhost" << 3333 << int(UserPrompts::Question)
                            << notConnected + "Установить по порту COM3?";
    const QString setUpFirst
        = notConnected + "Вначеле необходимо настроить параметры связи с ККТ в сервисном режиме";
    QTest::newRow("serial without port")
        << false << QString() << "localhost" << 3333 << int(UserPrompts::Warning) << setUpFirst;
    QTest::newRow("tcp without address")
        << true << "COM3" << QString() << 0 << int(UserPrompts::Warning) << setUpFirst;
}

void TestWaitCommandWidget::connectionQuestion()
{
    QFETCH(bool, tcpUse);
    QFETCH(QString, portName);
    QFETCH(QString, address);
    QFETCH(int, port);
    QFETCH(int, kind);
    QFETCH(QString, text);

    m_page->overrideLink = true;
    m_page->link.tcpUse = tcpUse;
    m_page->link.portName = portName;
    m_page->link.address = address;
    m_page->link.port = quint16(port);

    MainWindow window(m_root->sessionManager());
    auto *stack = window.findChild<QStackedWidget *>("mainTabs");
    stack->setCurrentIndex(0);
    m_root->setMainWindow(&window);
    QPointer<WaitMessageWidget> overlay = m_root->showWaitWidget(QStringLiteral("wait"));
    QVERIFY(overlay);
    QSignalSpy showSettings(m_root, &FrCfgRoot::needShowFrRs232Settings);
    QSignalSpy reached(m_page, &RecordingPage::modeReached);
    m_prompts->queueAnswer(false);

    m_page->changeFrMode(1);
    m_root->setMainWindow(nullptr);

    QCOMPARE(m_prompts->count(), 1);
    QCOMPARE(int(m_prompts->last().kind), kind);
    QCOMPARE(m_prompts->last().title, QStringLiteral("Внмиание"));
    QCOMPARE(m_prompts->last().text, text);
    // Declined or impossible: the overlay goes, the link stays down, the page hears nothing.
    QVERIFY(!window.waitWidget());
    QVERIFY(!overlay || !overlay->isVisible());
    QVERIFY(!m_controller->isStarted());
    QVERIFY(!m_page->isChangingMode());
    QCOMPARE(showSettings.count(), kind == UserPrompts::Warning ? 1 : 0);
    // The warning sends the user to the page where the link is set up.
    QCOMPARE(stack->currentWidget()->objectName(),
        kind == UserPrompts::Warning ? QStringLiteral("pageServiceMode")
                                     : QStringLiteral("pageCashbox"));
    QTest::qWait(100);
    QCOMPARE(reached.count(), 0);
    QCOMPARE(m_device->connectionCount(), 0);
}

void TestWaitCommandWidget::connectionQuestionYesConnects()
{
    // The real link settings: the driver's port on localhost.
    m_page->modeChanger()->setStateWaitTimeout(600);
    m_device->setModeByte(0x01);
    QSignalSpy reached(m_page, &RecordingPage::modeReached);
    m_prompts->queueAnswer(true);

    m_page->changeFrMode(1);
    QCOMPARE(m_prompts->count(), 1);
    QCOMPARE(m_prompts->last().text,
        QStringLiteral("В настоящее время соединение с ККТ не установлено. Установить связь с "
                       "localhost:%1?")
            .arg(m_device->port()));
    QVERIFY(m_controller->isStarted());
    QTRY_COMPARE_WITH_TIMEOUT(reached.count(), 1, LONG_WAIT_MS);
    QCOMPARE(reached.first().at(0).value<quint8>(), quint8(1));
    QCOMPARE(reached.first().at(1).toBool(), false);
    QCOMPARE(m_device->connectionCount(), 1);
    QVERIFY(m_device->taskCodes().contains(0x3F));
}

void TestWaitCommandWidget::promptComesAfterTheControllerIsDone()
{
    // The register refuses the mode entry for a wrong password. The warning blocks like a real
    // box; by then the controller must have aborted the register's buffer, stopped asking
    // about the failed task and told the status bar.
    MainWindow window(m_root->sessionManager());
    m_device->setModeByte(0x00);
    connectLink();
    QTRY_COMPARE(window.frModeText(), QStringLiteral("ККТ: Выбор"));
    const int abortsBefore = m_device->framesOf(0xC4).size();
    m_device->script(0x56, ScriptedDevice::AcceptThenError, QByteArray::fromHex("558c00"));
    QString statusWhileShown;
    int abortsWhileShown = -1;
    int framesAfterAbort = -1;
    m_prompts->whileShown = [&](const UserPrompts::Request &) {
        statusWhileShown = window.frModeText();
        // The abort that follows the refused mode entry.
        int mark = -1;
        m_device->waitUntil([&] {
            const QList<ScriptedDevice::Frame> frames = m_device->frames();
            bool entrySeen = false;
            for (int i = 0; i < frames.size() && mark < 0; ++i) {
                entrySeen = entrySeen || frames.at(i).payload.mid(5, 1) == "\x56";
                if (entrySeen && frames.at(i).payload == QByteArray::fromHex("c4"))
                    mark = i;
            }
            return mark >= 0;
        });
        QTest::qWait(700); // several REQ periods: nothing more may be asked
        abortsWhileShown = m_device->framesOf(0xC4).size();
        framesAfterAbort = m_device->frameCount() - mark - 1;
    };
    QSignalSpy reached(m_page, &RecordingPage::modeReached);

    m_page->changeFrMode(1);
    QTRY_COMPARE_WITH_TIMEOUT(reached.count(), 1, LONG_WAIT_MS);
    QCOMPARE(m_prompts->count(), 1);
    QCOMPARE(m_prompts->last().text,
        QStringLiteral("При смене режима произошла ошибка. Неверный пароль"));
    QCOMPARE(statusWhileShown, QStringLiteral("ККТ: Неверный пароль!!!"));
    // The change's own abort, and the one after the refusal.
    QCOMPARE(abortsWhileShown, abortsBefore + 2);
    QCOMPARE(framesAfterAbort, 0);
    QCOMPARE(reached.first().at(2).value<quint8>(), quint8(0x8C));
}

void TestWaitCommandWidget::overlayCancelEndsTheWait()
{
    // A register that never answers: the overlay offers "Отмена" after a while, and pressing it
    // ends the change as failed and aborts the register's buffer.
    MainWindow window(m_root->sessionManager());
    window.setWaitCancelDelay(200);
    m_root->setMainWindow(&window);
    connectLink();
    m_device->script(0x3F, ScriptedDevice::Silent);
    QSignalSpy reached(m_page, &RecordingPage::modeReached);
    QPointer<WaitMessageWidget> overlay = m_root->showWaitWidget(QStringLiteral("Смена режима"));
    auto *cancel = overlay->findChild<QPushButton *>(QStringLiteral("pbCancel"));
    QVERIFY(cancel);
    QVERIFY(!cancel->isVisible());
    m_page->changeFrMode(1);
    QTest::qWait(100);
    QVERIFY(!cancel->isVisible());
    QTRY_VERIFY(cancel->isVisible());
    QCOMPARE(cancel->text(), QStringLiteral("Отмена"));
    const int aborts = m_device->framesOf(0xC4).size();

    QTest::mouseClick(cancel, Qt::LeftButton);
    m_root->setMainWindow(nullptr);
    QTRY_VERIFY(!overlay);
    QTRY_COMPARE(reached.count(), 1);
    QCOMPARE(reached.first().at(0).value<quint8>(), quint8(1));
    QCOMPARE(reached.first().at(1).toBool(), true);
    QCOMPARE(reached.first().at(2).value<quint8>(), quint8(0xFF));
    QVERIFY(m_device->waitUntil([&] { return m_device->framesOf(0xC4).size() == aborts + 1; }));
    const int records = m_device->framesOf(0xC1).size();
    QTest::qWait(700); // the state record was being resent; no longer
    QCOMPARE(m_device->framesOf(0xC1).size(), records);
    QVERIFY(!m_page->isChangingMode());
}

QTEST_MAIN(TestWaitCommandWidget)
#include "tst_waitcommandwidget.moc"
