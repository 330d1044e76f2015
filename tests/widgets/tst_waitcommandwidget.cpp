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
#include <QtTest>

#include <memory>

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

using LinkTarget = WaitCommandWidget::LinkTarget;
Q_DECLARE_METATYPE(LinkTarget)

class TestWaitCommandWidget : public RegisterFixture
{
    Q_OBJECT
private slots:
    void init()
    {
        setUpLink();
        m_page = new RecordingPage;
        m_page->modeChanger()->setStateReaskDelay(50);
        m_reached = std::make_unique<QSignalSpy>(m_page, &RecordingPage::modeReached);
    }
    void cleanup()
    {
        tearDownLink();
        m_reached.reset();
        delete m_page;
    }

    void modeChange_data();
    void modeChange();
    void silentRegisterStartsOver();
    void eachWaitEndsOnce();
    void connectionQuestion_data();
    void connectionQuestion();
    void connectionQuestionYesConnects();
    void promptComesAfterTheControllerIsDone();
    void overlayCancelEndsTheWait();

private:
    void connectLink()
    {
        m_controller->start();
        QTRY_VERIFY_WITH_TIMEOUT(m_controller->isConnected(), LONG_WAIT_MS);
    }
    // Links up, lets the register report modeByte and runs a change to target to its end.
    bool changeMode(quint8 modeByte, quint8 target)
    {
        connectLink();
        m_device->setModeByte(modeByte);
        m_firstFrame = m_device->frameCount();
        m_firstTask = m_device->tasks().size();
        m_page->changeFrMode(target);
        return m_page->isChangingMode()
            && QTest::qWaitFor([this] { return m_reached->count() == 1; }, LONG_WAIT_MS);
    }
    // What the page heard of the change: "mode ok|failed code".
    QString outcome() const
    {
        const QList<QVariant> a = m_reached->value(0);
        return a.size() != 3 ? QString()
                             : QStringLiteral("%1 %2 %3")
                                   .arg(a.at(0).toInt())
                                   .arg(a.at(1).toBool() ? "failed" : "ok")
                                   .arg(a.at(2).toInt(), 2, 16, QLatin1Char('0'));
    }

    RecordingPage *m_page = nullptr;
    std::unique_ptr<QSignalSpy> m_reached;
    int m_firstFrame = 0;
    int m_firstTask = 0;
};

void TestWaitCommandWidget::modeChange_data()
{
    QTest::addColumn<int>("modeByte");
    QTest::addColumn<int>("target");
    QTest::addColumn<QByteArray>("refusal"); // the register's answer to the mode entry
    QTest::addColumn<QList<quint8>>("commands");
    QTest::addColumn<QString>("outcome");
    QTest::addColumn<QString>("warning");
    auto row = [](const char *name, int modeByte, int target, const char *refusal,
                   const QList<quint8> &commands, const char *outcome, const char *warning = "") {
        QTest::newRow(name) << modeByte << target << QByteArray::fromHex(refusal) << commands
                            << QString::fromUtf8(outcome) << QString::fromUtf8(warning);
    };
    const QList<quint8> leaveFirst { 0x3F, 0x48, 0x3F, 0x56, 0x3F };
    const QList<quint8> refused { 0x3F, 0x56 };
    // Mode 2 is left first; mode 0 with submode 0 is the only place a mode is entered.
    row("mode 2 to 4", 0x02, 4, "", leaveFirst, "4 ok 00");
    // The mode is the low nibble: 0x24 is programming with submode 2, already there.
    row("0x24 is mode 4", 0x24, 4, "", { 0x3F }, "4 ok 00");
    // Mode 0 with a submode is not the plain selection mode: it must be left first.
    row("mode 0 submode 3 to 1", 0x30, 1, "", leaveFirst, "1 ok 00");
    row("mode 0 to 1", 0x00, 1, "", { 0x3F, 0x56, 0x3F }, "1 ok 00");
    row("wrong password", 0x00, 4, "558c00", refused, "4 failed 8c",
        "При смене режима произошла ошибка. Неверный пароль");
    // Code 0 is "no error", and an answer that is no "U" result no refusal: silently.
    row("code 0", 0x00, 4, "550000", refused, "4 failed 00");
    row("no code", 0x00, 4, "44", refused, "4 failed ff");
    row("foreign tag", 0x00, 4, "4466", refused, "4 failed 66");
}

void TestWaitCommandWidget::modeChange()
{
    QFETCH(int, modeByte);
    QFETCH(int, target);
    QFETCH(QByteArray, refusal);
    QFETCH(QList<quint8>, commands);
    QFETCH(QString, warning);
    if (!refusal.isEmpty())
        m_device->script(0x56, ScriptedDevice::AcceptThenError, refusal);
    m_page->modeChanger()->setStateReaskDelay(100);

    QVERIFY(changeMode(quint8(modeByte), quint8(target)));
    // The change starts by aborting whatever the register's buffer holds.
    QCOMPARE(m_device->frame(m_firstFrame).payload, QByteArray::fromHex("c4"));
    QCOMPARE(m_device->taskCodes(m_firstTask), commands);
    QTEST(outcome(), "outcome");
    QCOMPARE(m_prompts->count(), warning.isEmpty() ? 0 : 1);
    if (!warning.isEmpty()) {
        QCOMPARE(m_prompts->last().kind, UserPrompts::Warning);
        QCOMPARE(m_prompts->last().text, warning);
    }
    QVERIFY(!m_page->isChangingMode());
    QVERIFY(m_page->modeChanger()->privateWaits().isEmpty());
    QVERIFY(!m_page->modeChanger()->privateHandlersConnected());
    // After an exit or an entry the state is asked again only after the pause, which runs
    // from the answer.
    qint64 changedAt = -1;
    for (const ScriptedDevice::Frame &f : m_device->frames().mid(m_firstFrame)) {
        const char code = f.payload.startsWith(char(0xC1)) ? f.payload.at(5) : 0;
        if (code == 0x3F && changedAt >= 0)
            QVERIFY2(f.atMs - changedAt >= 90, qPrintable(QString::number(f.atMs - changedAt)));
        if (code)
            changedAt = code == 0x3F ? -1 : f.atMs;
    }
    // The change is over: nothing more is asked, no timeout brings it back.
    QVERIFY(!m_page->modeChanger()->isStateWaitActive());
    QTest::qWait(300);
    QCOMPARE(m_device->taskCodes(m_firstTask), commands);
    QCOMPARE(m_reached->count(), 1);
}

void TestWaitCommandWidget::silentRegisterStartsOver()
{
    m_page->modeChanger()->setStateWaitTimeout(600);
    m_device->script(0x3F, ScriptedDevice::AcceptOnly, QByteArray(), 1);
    QVERIFY(changeMode(0x01, 1));
    // One abort to begin with, one more when the timeout started the change over.
    int aborts = 0;
    for (const ScriptedDevice::Frame &f : m_device->frames().mid(m_firstFrame))
        aborts += f.payload == QByteArray::fromHex("c4");
    QCOMPARE(aborts, 2);
    QCOMPARE(m_device->taskCodes(m_firstTask), (QList<quint8> { 0x3F, 0x3F }));
    QCOMPARE(outcome(), QStringLiteral("1 ok 00"));
    QCOMPARE(m_prompts->count(), 0);
}

void TestWaitCommandWidget::eachWaitEndsOnce()
{
    QSignalSpy answered(m_page, &RecordingPage::answered);
    QSignalSpy refused(m_page, &RecordingPage::refused);
    QVERIFY(!m_page->resultHandlersConnected());
    m_page->addWaitTid(200, 0x11);
    QVERIFY(m_page->resultHandlersConnected());
    m_page->addWaitTid(200, 0x22); // the later wait for a TID replaces the earlier
    m_page->addWaitTid(CommandSendInfo { 201, 0x95 });
    QCOMPARE(m_page->waits().size(), 2);

    emit m_controller->assyncAnswer(199, QByteArray("x")); // nobody waits for it
    emit m_controller->assyncAnswer(200, QByteArray("y"));
    emit m_controller->assyncAnswer(200, QByteArray("z")); // that wait is over
    emit m_controller->assyncError(201, QByteArray::fromHex("556700"));
    // Results reach the page once the controller's own handling is over.
    QCOMPARE(answered.count() + refused.count(), 0);
    QTRY_COMPARE(refused.count(), 1);
    QCOMPARE(answered.count(), 1);
    QCOMPARE(answered.first(), (QList<QVariant> { quint8(0x22), quint8(200), QByteArray("y") }));
    QCOMPARE(refused.first(),
        (QList<QVariant> { quint8(0x95), quint8(201), QByteArray::fromHex("556700") }));
    QVERIFY(m_page->waits().isEmpty());
    QVERIFY(!m_page->resultHandlersConnected());

    // The next wait connects again.
    m_page->addWaitTid(5, 0x3F);
    emit m_controller->assyncAnswer(5, QByteArray("s"));
    QTRY_COMPARE(answered.count(), 2);
    QVERIFY(!m_page->resultHandlersConnected());
}

void TestWaitCommandWidget::connectionQuestion_data()
{
    QTest::addColumn<LinkTarget>("link");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("text");
    const auto row = [](const char *name, const LinkTarget &link, int kind, const QString &text) {
        QTest::newRow(name) << link << kind << text;
    };
    const QString notConnected
        = QStringLiteral("В настоящее время соединение с ККТ не установлено. ");
    const QString setUpFirst
        = notConnected + "Вначеле необходимо настроить параметры связи с ККТ в сервисном режиме";
    const int question = UserPrompts::Question, warning = UserPrompts::Warning;
    row("tcp", { true, {}, "localhost", 3333 }, question,
        notConnected + "Установить связь с localhost:3333?");
    row("serial", { false, "COM3", "localhost", 3333 }, question,
        notConnected + "Установить по порту COM3?");
    row("serial without port", { false, {}, "localhost", 3333 }, warning, setUpFirst);
    row("tcp without address", { true, "COM3", {}, 0 }, warning, setUpFirst);
}

void TestWaitCommandWidget::connectionQuestion()
{
    QFETCH(LinkTarget, link);
    QFETCH(int, kind);
    m_page->overrideLink = true;
    m_page->link = link;

    MainWindow window(m_root->sessionManager());
    m_root->setMainWindow(&window);
    QPointer<WaitMessageWidget> overlay = m_root->showWaitWidget(QStringLiteral("wait"));
    QVERIFY(overlay);
    QSignalSpy showSettings(m_root, &FrCfgRoot::needShowFrRs232Settings);
    m_prompts->queueAnswer(false);

    m_page->changeFrMode(1);
    m_root->setMainWindow(nullptr);

    QCOMPARE(m_prompts->count(), 1);
    QCOMPARE(int(m_prompts->last().kind), kind);
    QCOMPARE(m_prompts->last().title, QStringLiteral("Внмиание"));
    QTEST(m_prompts->last().text, "text");
    // Declined or impossible: the overlay goes, the link stays down, the page hears nothing.
    QVERIFY(!window.waitWidget());
    QVERIFY(!overlay || !overlay->isVisible());
    QVERIFY(!m_controller->isStarted());
    QVERIFY(!m_page->isChangingMode());
    // The warning sends the user to the page where the link is set up.
    QCOMPARE(showSettings.count(), kind == UserPrompts::Warning ? 1 : 0);
    QTest::qWait(100);
    QCOMPARE(m_reached->count(), 0);
    QCOMPARE(m_device->connectionCount(), 0);
}

void TestWaitCommandWidget::connectionQuestionYesConnects()
{
    // The real link settings: the driver's port on localhost.
    m_page->modeChanger()->setStateWaitTimeout(600);
    m_device->setModeByte(0x01);
    m_prompts->queueAnswer(true);

    m_page->changeFrMode(1);
    QCOMPARE(m_prompts->count(), 1);
    QCOMPARE(m_prompts->last().text,
        QStringLiteral("В настоящее время соединение с ККТ не установлено. Установить связь с "
                       "localhost:%1?")
            .arg(m_device->port()));
    QVERIFY(m_controller->isStarted());
    QTRY_COMPARE_WITH_TIMEOUT(m_reached->count(), 1, LONG_WAIT_MS);
    QCOMPARE(outcome(), QStringLiteral("1 ok 00"));
    QCOMPARE(m_device->connectionCount(), 1);
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

    m_page->changeFrMode(1);
    QTRY_COMPARE_WITH_TIMEOUT(m_reached->count(), 1, LONG_WAIT_MS);
    QCOMPARE(m_prompts->count(), 1);
    QCOMPARE(m_prompts->last().text,
        QStringLiteral("При смене режима произошла ошибка. Неверный пароль"));
    QCOMPARE(statusWhileShown, QStringLiteral("ККТ: Неверный пароль!!!"));
    // The change's own abort, and the one after the refusal.
    QCOMPARE(abortsWhileShown, abortsBefore + 2);
    QCOMPARE(framesAfterAbort, 0);
    QCOMPARE(outcome(), QStringLiteral("1 failed 8c"));
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

    m_page->events.clear();
    QTest::mouseClick(cancel, Qt::LeftButton);
    m_root->setMainWindow(nullptr);
    QTRY_VERIFY(!overlay);
    QTRY_COMPARE(m_reached->count(), 1);
    // The page hears of the forced stop before the change it was waiting for ends.
    QCOMPARE(m_page->events, (QStringList { "forceStop", "modeChanged" }));
    QCOMPARE(outcome(), QStringLiteral("1 failed ff"));
    QVERIFY(m_device->waitUntil([&] { return m_device->framesOf(0xC4).size() == aborts + 1; }));
    const int records = m_device->framesOf(0xC1).size();
    QTest::qWait(700); // the state record was being resent; no longer
    QCOMPARE(m_device->framesOf(0xC1).size(), records);
    QVERIFY(!m_page->isChangingMode());
    // Idle: another forced stop reaches the page but ends nothing.
    m_controller->forceStopAll();
    QTest::qWait(50);
    QCOMPARE(m_page->events, (QStringList { "forceStop", "modeChanged", "forceStop" }));
}

QTEST_MAIN(TestWaitCommandWidget)
#include "tst_waitcommandwidget.moc"
