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
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

class TestMainWindow : public QObject, private RegisterFixture
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void startsOnServicePageDisconnected();
    void connectShowsLinkAndClearsBuffer();
    void connectWhileConnectedReconnects();
    void disconnectShowsDisconnected_data();
    void disconnectShowsDisconnected();
    void wrongPasswordUntilNextState();
    void modeLabel_data();
    void modeLabel();
    void exportSettings_data();
    void exportSettings();
    void importSettingsTouchesNothing();
    void stateTabHidesSaveAndReload();
    void secondOverlayClosesFirst();
    void rootForwardsOverlayOnlyWithWindow();
    void modeButtonsSwitchStack_data();
    void modeButtonsSwitchStack();
    void rootAsksForLinkSettings();

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
    void clickConnect();

    MainWindow *m_window = nullptr;
};

void TestMainWindow::initTestCase()
{
    setUpRoot();
}

void TestMainWindow::cleanupTestCase()
{
    tearDownRoot();
}

void TestMainWindow::init()
{
    setUpLink();
    m_window = new MainWindow(m_root->sessionManager());
    m_root->setMainWindow(m_window);
    m_window->resize(1180, 760);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
}

void TestMainWindow::cleanup()
{
    tearDownLink();
    m_root->setMainWindow(nullptr);
    delete m_window;
}

void TestMainWindow::clickConnect()
{
    QTest::mouseClick(child<QToolButton>("tbConnect"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(m_window->connectStatusWidget()->isConnected(), LONG_WAIT_MS);
}

void TestMainWindow::startsOnServicePageDisconnected()
{
    QCOMPARE(child<QStackedWidget>("mainTabs")->currentWidget(), child<QWidget>("pageServiceMode"));
    QVERIFY(child<QPushButton>("pbServiceMode")->isChecked());
    QCOMPARE(m_window->connectStatusWidget()->description(), QStringLiteral("disconnected"));
    QVERIFY(!child<QLabel>("lbIcon")->pixmap(Qt::ReturnByValue).isNull());
    QVERIFY(!m_controller->isStarted());
    // A language change retranslates the form and keeps the title.
    QEvent change(QEvent::LanguageChange);
    QApplication::sendEvent(m_window, &change);
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Универсальный конфигуратор ОРВА"));
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
    QCOMPARE(m_device->frame(1).payload,
        QByteArray::fromHex("c102020000"
                            "3f"));
    QTRY_COMPARE_WITH_TIMEOUT(modeText(), QStringLiteral("ККТ: Выбор"), LONG_WAIT_MS);
    QCOMPARE(m_root->sessionManager()->lastState().data(), m_device->stateAnswer());
}

void TestMainWindow::connectWhileConnectedReconnects()
{
    clickConnect();
    QTRY_VERIFY_WITH_TIMEOUT(!modeText().isEmpty(), LONG_WAIT_MS);
    // The window's state request is done once the register has its ACK.
    QTRY_COMPARE_WITH_TIMEOUT(m_device->framesOf(0xC2).size(), 1, LONG_WAIT_MS);
    const int firstLinkFrames = m_device->frameCount();
    QSignalSpy states(m_controller, &FrCommandsController::connectState);

    QTest::mouseClick(child<QToolButton>("tbConnect"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(m_device->connectionCount(), 2, LONG_WAIT_MS);
    QTRY_VERIFY_WITH_TIMEOUT(m_window->connectStatusWidget()->isConnected(), LONG_WAIT_MS);
    QTRY_VERIFY_WITH_TIMEOUT(!states.isEmpty() && states.last().at(0).toBool(), LONG_WAIT_MS);
    QCOMPARE(states.first().at(0).toBool(), false);
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

void TestMainWindow::wrongPasswordUntilNextState()
{
    clickConnect();
    m_device->script(0x3F, ScriptedDevice::AcceptThenError, QByteArray::fromHex("558c00"));
    m_controller->sendGetFrStateCommand();
    QTRY_COMPARE_WITH_TIMEOUT(modeText(), QStringLiteral("ККТ: Неверный пароль!!!"), LONG_WAIT_MS);

    // Other results leave the warning in place.
    QSignalSpy answers(m_controller, &FrCommandsController::assyncAnswer);
    m_controller->sendGetFrMoneyCommand();
    QVERIFY(answers.wait(LONG_WAIT_MS));
    QCOMPARE(modeText(), QStringLiteral("ККТ: Неверный пароль!!!"));

    // The register takes the password again.
    m_device->clearScripts();
    m_device->setModeByte(0x01);
    m_controller->sendGetFrStateCommand();
    QTRY_COMPARE_WITH_TIMEOUT(modeText(), QStringLiteral("ККТ: Регистрация"), LONG_WAIT_MS);
}

void TestMainWindow::modeLabel_data()
{
    QTest::addColumn<int>("modeByte");
    QTest::addColumn<QString>("text");
    // Only the low nibble names the mode; past 7 there is no name.
    QTest::newRow("0x24 programming") << 0x24 << QStringLiteral("ККТ: Программирование");
    QTest::newRow("nibble 8") << 0x08 << QStringLiteral("ККТ: ");
}

void TestMainWindow::modeLabel()
{
    QFETCH(int, modeByte);
    QFETCH(QString, text);
    clickConnect();
    m_device->setModeByte(0x05);
    m_controller->sendGetFrStateCommand();
    QTRY_COMPARE_WITH_TIMEOUT(modeText(), QStringLiteral("ККТ: Ввод ЗН"), LONG_WAIT_MS);
    m_device->setModeByte(quint8(modeByte));
    m_controller->sendGetFrStateCommand();
    QTRY_COMPARE_WITH_TIMEOUT(modeText(), text, LONG_WAIT_MS);
    QCOMPARE(m_root->sessionManager()->lastState().modeByte(), modeByte);
}

void TestMainWindow::exportSettings_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("written");
    QTest::newRow("suffix added") << "backup"
                                  << "backup.sts";
    QTest::newRow("has suffix") << "my.sts"
                                << "my.sts";
    // "sts" anywhere in the name is enough.
    QTest::newRow("sts inside the name") << "tests.txt"
                                         << "tests.txt";
    QTest::newRow("case matters") << "BACKUP.STS"
                                  << "BACKUP.STS.sts";
    QTest::newRow("cancelled") << QString() << QString();
}

void TestMainWindow::exportSettings()
{
    QFETCH(QString, answer);
    QFETCH(QString, written);
    QTemporaryDir dir;
    // An existing file is replaced entirely.
    QFile old(dir.filePath(QStringLiteral("my.sts")));
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

    QStringList expected { QStringLiteral("my.sts") };
    if (!written.isEmpty() && !expected.contains(written))
        expected << written;
    QStringList files = QDir(dir.path()).entryList(QDir::Files);
    files.sort();
    expected.sort();
    QCOMPARE(files, expected);
    if (written.isEmpty()) {
        QFile kept(dir.filePath(QStringLiteral("my.sts")));
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("an older and much longer export"));
        return;
    }
    QFile f(dir.filePath(written));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("HELLO WORLD"));
}

void TestMainWindow::importSettingsTouchesNothing()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("kkt.sts"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("saved");
    f.close();
    m_prompts->queueAnswer(true, path);
    QTest::mouseClick(child<QToolButton>("tbImportSettings"), Qt::LeftButton);
    QCOMPARE(m_prompts->count(), 1);
    QCOMPARE(m_prompts->last().kind, UserPrompts::OpenFileName);
    QCOMPARE(m_prompts->last().title, QStringLiteral("Open settings export file"));
    QCOMPARE(m_prompts->last().filter, QStringLiteral("Settings file (*.sts)"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("saved"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList { "kkt.sts" });
}

void TestMainWindow::stateTabHidesSaveAndReload()
{
    auto *tabs = child<QTabWidget>("serviceModTabs");
    auto *save = child<QPushButton>("pbServiceModSave");
    auto *reload = child<QPushButton>("pbServiceModeReload");
    QCOMPARE(tabs->count(), 3);
    QCOMPARE(tabs->tabText(0), QStringLiteral("Доступ к ОФД"));
    QCOMPARE(tabs->tabText(1), QStringLiteral("Настройки драйвера"));
    QCOMPARE(tabs->tabText(2), QStringLiteral("Состояние"));
    QVERIFY(save->isVisible());
    QVERIFY(reload->isVisible());
    QVERIFY(child<QLineEdit>("lePassword")->text().isEmpty());

    QTabBar *bar = tabs->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(2).center());
    QCOMPARE(tabs->currentWidget(), child<QWidget>("tabServiceFrState"));
    QVERIFY(!save->isVisible());
    QVERIFY(!reload->isVisible());
    // Every tab change shows the link's connection password.
    QCOMPARE(child<QLineEdit>("lePassword")->text(), QStringLiteral("47"));

    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(1).center());
    QVERIFY(save->isVisible());
    QVERIFY(reload->isVisible());
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(2).center());
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(0).center());
    QVERIFY(save->isVisible());
    QVERIFY(reload->isVisible());
}

void TestMainWindow::secondOverlayClosesFirst()
{
    QPointer<WaitMessageWidget> first = m_window->showWaitWidget(QStringLiteral("first"), true);
    QVERIFY(first);
    QVERIFY(first->isVisible());
    QCOMPARE(first->windowModality(), Qt::ApplicationModal);
    QCOMPARE(first->text(), QStringLiteral("first"));

    QPointer<WaitMessageWidget> second = m_window->showWaitWidget(QStringLiteral("second"), false);
    QVERIFY(second);
    QVERIFY(second != first);
    QVERIFY(!first || !first->isVisible());
    QTRY_VERIFY(!first); // closed overlays are deleted
    QVERIFY(second->isVisible());
    QCOMPARE(second->windowModality(), Qt::NonModal);
    QCOMPARE(m_window->waitWidget(), second.data());

    m_window->hideWaitWidget();
    QVERIFY(!m_window->waitWidget());
    QTRY_VERIFY(!second);
    m_window->hideWaitWidget(); // nothing to close
}

void TestMainWindow::rootForwardsOverlayOnlyWithWindow()
{
    WaitMessageWidget *w = m_root->showWaitWidget(QStringLiteral("через корень"));
    QVERIFY(w);
    QCOMPARE(m_window->waitWidget(), w);
    m_root->hideWaitWidget();
    QVERIFY(!m_window->waitWidget());

    m_root->setMainWindow(nullptr);
    QVERIFY(!m_root->showWaitWidget(QStringLiteral("no window")));
    m_root->hideWaitWidget();
    QVERIFY(!m_window->waitWidget());
}

void TestMainWindow::modeButtonsSwitchStack_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("page");
    QTest::newRow("cash") << "pbRegs"
                          << "pageCashbox";
    QTest::newRow("programming") << "pbProgMode"
                                 << "pageProgMode";
    QTest::newRow("reports") << "pbReports"
                             << "pageReports";
    QTest::newRow("fiscalisation") << "pbFiscMode"
                                   << "pageFiscal";
    QTest::newRow("last receipt") << "tbCheck"
                                  << "pageCheck";
    QTest::newRow("service") << "pbServiceMode"
                             << "pageServiceMode";
}

void TestMainWindow::modeButtonsSwitchStack()
{
    QFETCH(QString, button);
    QFETCH(QString, page);
    auto *stack = child<QStackedWidget>("mainTabs");
    // Start from a page other than the target.
    QTest::mouseClick(
        child<QPushButton>(button == "pbRegs" ? "pbReports" : "pbRegs"), Qt::LeftButton);
    QVERIFY(stack->currentWidget()->objectName() != page);

    auto *target = m_window->findChild<QAbstractButton *>(button);
    QTest::mouseClick(target, Qt::LeftButton);
    QCOMPARE(stack->currentWidget()->objectName(), page);
    QVERIFY(target->isChecked());
    int checked = 0;
    for (const char *name :
        { "pbRegs", "pbProgMode", "pbReports", "pbServiceMode", "pbFiscMode", "tbCheck" })
        checked += m_window->findChild<QAbstractButton *>(QLatin1String(name))->isChecked();
    QCOMPARE(checked, 1);
}

void TestMainWindow::rootAsksForLinkSettings()
{
    QTest::mouseClick(child<QPushButton>("pbRegs"), Qt::LeftButton);
    emit m_root->needShowFrRs232Settings();
    QCOMPARE(child<QStackedWidget>("mainTabs")->currentWidget(), child<QWidget>("pageServiceMode"));
    QVERIFY(child<QPushButton>("pbServiceMode")->isChecked());
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
