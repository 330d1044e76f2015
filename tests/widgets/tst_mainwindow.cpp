#include "connectstatuswidget.h"
#include "frcfgroot.h"
#include "frcommandscontroller.h"
#include "mainwindow.h"
#include "recordingprompts.h"
#include "registerfixture.h"
#include "scripteddevice.h"
#include "sessionmanager.h"
#include "waitmessagewidget.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

class TestMainWindow : public RegisterFixture
{
    Q_OBJECT
private slots:
    void init()
    {
        setUpLink();
        m_window = new MainWindow(m_root->sessionManager());
        m_root->setMainWindow(m_window);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window));
    }
    void cleanup()
    {
        tearDownLink();
        m_root->setMainWindow(nullptr);
        delete m_window;
    }

    void pagesAndServiceTabs();
    void connectShowsLinkAndClearsBuffer();
    void connectWhileConnectedReconnects();
    void disconnectShowsDisconnected_data();
    void disconnectShowsDisconnected();
    void modeLabelFollowsState();
    void exportSettings_data();
    void exportSettings();
    void importSettingsTouchesNothing();
    void overlays();

private:
    template<typename T>
    T *child(const char *name) const
    {
        T *w = m_window->findChild<T *>(QLatin1String(name));
        if (!w)
            qWarning("no widget %s", name);
        return w;
    }
    QString modeText() const { return m_window->frModeText(); }
    QWidget *currentPage() const { return child<QStackedWidget>("mainTabs")->currentWidget(); }
    void clickConnect()
    {
        QTest::mouseClick(child<QToolButton>("tbConnect"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(m_window->connectStatusWidget()->isConnected(), LONG_WAIT_MS);
    }
    void showMode(quint8 modeByte, const QString &text)
    {
        m_device->setModeByte(modeByte);
        m_controller->sendGetFrStateCommand();
        QTRY_COMPARE_WITH_TIMEOUT(modeText(), text, LONG_WAIT_MS);
    }

    MainWindow *m_window = nullptr;
};

void TestMainWindow::pagesAndServiceTabs()
{
    // Opens on the service page, without a link; the status icons come from the resources.
    QCOMPARE(currentPage(), child<QWidget>("pageServiceMode"));
    QVERIFY(child<QPushButton>("pbServiceMode")->isChecked());
    QCOMPARE(m_window->connectStatusWidget()->description(), QStringLiteral("disconnected"));
    QVERIFY(!child<QLabel>("lbIcon")->pixmap(Qt::ReturnByValue).isNull());
    QVERIFY(!m_controller->isStarted());

    // Each button shows its page, in the group's order, and stays the only one checked.
    const char *const pairs[][2] = { { "pbRegs", "pageCashbox" }, { "pbProgMode", "pageProgMode" },
        { "pbReports", "pageReports" }, { "pbFiscMode", "pageFiscal" }, { "tbCheck", "pageCheck" },
        { "pbServiceMode", "pageServiceMode" } };
    for (const auto &pair : pairs) {
        auto *button = m_window->findChild<QAbstractButton *>(QLatin1String(pair[0]));
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(currentPage()->objectName(), QLatin1String(pair[1]));
        int checked = 0;
        for (const auto &other : pairs)
            checked += m_window->findChild<QAbstractButton *>(QLatin1String(other[0]))->isChecked();
        QCOMPARE(checked, 1);
        QVERIFY(button->isChecked());
    }
    // The root sends the user to the link settings.
    QTest::mouseClick(child<QPushButton>("pbRegs"), Qt::LeftButton);
    emit m_root->needShowFrRs232Settings();
    QCOMPARE(currentPage(), child<QWidget>("pageServiceMode"));
    QVERIFY(child<QPushButton>("pbServiceMode")->isChecked());

    // The state tab has nothing to save or reload; every tab change shows the link's password.
    auto *tabs = child<QTabWidget>("serviceModTabs");
    auto *save = child<QPushButton>("pbServiceModSave");
    auto *reload = child<QPushButton>("pbServiceModeReload");
    QVERIFY(child<QLineEdit>("lePassword")->text().isEmpty());
    QTabBar *bar = tabs->tabBar();
    for (int tab : { 2, 1, 2, 0 }) {
        QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(tab).center());
        const bool state = tabs->currentWidget() == child<QWidget>("tabServiceFrState");
        QCOMPARE(state, tab == 2);
        QCOMPARE(save->isVisible(), !state);
        QCOMPARE(reload->isVisible(), !state);
        QCOMPARE(child<QLineEdit>("lePassword")->text(), QStringLiteral("47"));
    }
}

void TestMainWindow::connectShowsLinkAndClearsBuffer()
{
    QVERIFY(modeText().isEmpty());
    m_device->setModeByte(0x00);
    clickConnect();
    QCOMPARE(m_window->connectStatusWidget()->description(),
        QStringLiteral("connected to localhost:%1").arg(m_device->port()));
    QCOMPARE(m_window->connectStatusWidget()->iconPath(), QStringLiteral(":/icons/greenled.png"));
    // Whatever the register still holds from an earlier session is aborted first, then the
    // window asks for the state so the status bar can name the mode.
    QTRY_VERIFY_WITH_TIMEOUT(m_device->frameCount() >= 2, LONG_WAIT_MS);
    QCOMPARE(m_device->frame(0).payload, QByteArray::fromHex("c4"));
    // add task, flags 02, the first TID (2), password 0000, state request 3F
    QCOMPARE(m_device->frame(1).payload, QByteArray::fromHex("c1020200003f"));
    QTRY_COMPARE_WITH_TIMEOUT(modeText(), QStringLiteral("ККТ: Выбор"), LONG_WAIT_MS);
    QCOMPARE(m_root->sessionManager()->lastState().data(), m_device->stateAnswer());
}

void TestMainWindow::connectWhileConnectedReconnects()
{
    clickConnect();
    // The window's state request is done once the register has its ACK.
    QTRY_COMPARE_WITH_TIMEOUT(m_device->framesOf(0xC2).size(), 1, LONG_WAIT_MS);
    const int firstLinkFrames = m_device->frameCount();
    QSignalSpy states(m_controller, &FrCommandsController::connectState);

    QTest::mouseClick(child<QToolButton>("tbConnect"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(m_device->connectionCount(), 2, LONG_WAIT_MS);
    QTRY_VERIFY_WITH_TIMEOUT(!states.isEmpty() && states.last().at(0).toBool(), LONG_WAIT_MS);
    QCOMPARE(states.first().at(0).toBool(), false);
    QVERIFY(m_window->connectStatusWidget()->isConnected());
    // The new link starts with its own abort.
    QTRY_VERIFY_WITH_TIMEOUT(m_device->frameCount() > firstLinkFrames, LONG_WAIT_MS);
    QCOMPARE(m_device->frame(firstLinkFrames).payload, QByteArray::fromHex("c4"));
    QVERIFY(m_device->isClientConnected());
}

void TestMainWindow::disconnectShowsDisconnected_data()
{
    QTest::addColumn<bool>("byUser");
    QTest::newRow("Разорвать соединение") << true;
    QTest::newRow("link lost") << false;
}

void TestMainWindow::disconnectShowsDisconnected()
{
    QFETCH(bool, byUser);
    clickConnect();
    QTRY_COMPARE_WITH_TIMEOUT(modeText(), QStringLiteral("ККТ: Выбор"), LONG_WAIT_MS);
    if (byUser) {
        QTest::mouseClick(child<QToolButton>("tbDisconnect"), Qt::LeftButton);
        QVERIFY(!m_controller->isStarted());
    } else {
        m_device->dropClient();
    }
    QTRY_VERIFY_WITH_TIMEOUT(!m_window->connectStatusWidget()->isConnected(), LONG_WAIT_MS);
    QCOMPARE(m_window->connectStatusWidget()->description(), QStringLiteral("disconnected"));
    QCOMPARE(m_window->connectStatusWidget()->iconPath(), QStringLiteral(":/icons/redled.png"));
    // The last mode seen says nothing about a register that is out of reach.
    QCOMPARE(modeText(), QString());
    QTRY_VERIFY_WITH_TIMEOUT(!m_device->isClientConnected(), LONG_WAIT_MS);
}

void TestMainWindow::modeLabelFollowsState()
{
    clickConnect();
    // Only the low nibble names the mode; past 7 there is no name.
    showMode(0x24, QStringLiteral("ККТ: Программирование"));
    QCOMPARE(m_root->sessionManager()->lastState().modeByte(), 0x24);
    showMode(0x08, QStringLiteral("ККТ: "));

    m_device->script(0x3F, ScriptedDevice::AcceptThenError, QByteArray::fromHex("558c00"));
    m_controller->sendGetFrStateCommand();
    QTRY_COMPARE_WITH_TIMEOUT(modeText(), QStringLiteral("ККТ: Неверный пароль!!!"), LONG_WAIT_MS);
    // Other results leave the warning in place, until the register takes the password again.
    QSignalSpy answers(m_controller, &FrCommandsController::assyncAnswer);
    m_controller->sendGetFrMoneyCommand();
    QVERIFY(answers.wait(LONG_WAIT_MS));
    QCOMPARE(modeText(), QStringLiteral("ККТ: Неверный пароль!!!"));
    m_device->clearScripts();
    showMode(0x01, QStringLiteral("ККТ: Регистрация"));
}

void TestMainWindow::exportSettings_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("written");
    QTest::newRow("suffix added") << QString("backup") << QString("backup.sts");
    // "sts" anywhere in the name is enough; an existing file is replaced entirely.
    QTest::newRow("sts inside the name") << QString("tests.txt") << QString("tests.txt");
    QTest::newRow("case matters") << QString("BACKUP.STS") << QString("BACKUP.STS.sts");
    QTest::newRow("cancelled") << QString() << QString();
}

void TestMainWindow::exportSettings()
{
    QFETCH(QString, answer);
    QFETCH(QString, written);
    QTemporaryDir dir;
    QFile old(dir.filePath(QStringLiteral("tests.txt")));
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("an older and much longer export");
    old.close();

    m_prompts->queueAnswer(!answer.isEmpty(), answer.isEmpty() ? answer : dir.filePath(answer));
    QTest::mouseClick(child<QToolButton>("tbExportSettings"), Qt::LeftButton);

    QCOMPARE(m_prompts->count(), 1);
    QCOMPARE(m_prompts->last().kind, UserPrompts::SaveFileName);
    QCOMPARE(m_prompts->last().title, QStringLiteral("Save settings export file"));
    QCOMPARE(m_prompts->last().initialText, QStringLiteral("kkt_current"));
    QCOMPARE(m_prompts->last().filter, QStringLiteral("Settings file (*.sts)"));

    QStringList expected { QStringLiteral("tests.txt") };
    if (!written.isEmpty() && !expected.contains(written))
        expected << written;
    expected.sort();
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files, QDir::Name), expected);
    QFile f(dir.filePath(written.isEmpty() ? QStringLiteral("tests.txt") : written));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(),
        written.isEmpty() ? QByteArray("an older and much longer export") : "HELLO WORLD");
}

void TestMainWindow::importSettingsTouchesNothing()
{
    QTemporaryDir dir;
    QFile f(dir.filePath(QStringLiteral("kkt.sts")));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("saved");
    f.close();
    m_prompts->queueAnswer(true, f.fileName());
    QTest::mouseClick(child<QToolButton>("tbImportSettings"), Qt::LeftButton);
    QCOMPARE(m_prompts->count(), 1);
    QCOMPARE(m_prompts->last().kind, UserPrompts::OpenFileName);
    QCOMPARE(m_prompts->last().filter, QStringLiteral("Settings file (*.sts)"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("saved"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList { "kkt.sts" });
}

void TestMainWindow::overlays()
{
    // A second overlay closes and deletes the first; the root forwards only to a window.
    QPointer<WaitMessageWidget> first = m_window->showWaitWidget(QStringLiteral("first"), true);
    QVERIFY(first && first->isVisible());
    QCOMPARE(first->windowModality(), Qt::ApplicationModal);
    QCOMPARE(first->text(), QStringLiteral("first"));

    QPointer<WaitMessageWidget> second = m_root->showWaitWidget(QStringLiteral("second"), false);
    QVERIFY(second && second != first);
    QVERIFY(!first || !first->isVisible());
    QTRY_VERIFY(!first);
    QVERIFY(second->isVisible());
    QCOMPARE(second->windowModality(), Qt::NonModal);
    QCOMPARE(m_window->waitWidget(), second.data());

    m_root->hideWaitWidget();
    QVERIFY(!m_window->waitWidget());
    QTRY_VERIFY(!second);
    m_window->hideWaitWidget(); // nothing to close

    m_root->setMainWindow(nullptr);
    QVERIFY(!m_root->showWaitWidget(QStringLiteral("no window")));
    QVERIFY(!m_window->waitWidget());
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
