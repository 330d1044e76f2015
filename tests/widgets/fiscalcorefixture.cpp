#include "fiscalcorefixture.h"

#include "cashboxbuscontroller.h"
#include "emulatorprocess.h"
#include "frcfgroot.h"
#include "frcoreconfig.h"
#include "frcoreexternalapi.h"
#include "mainwindow.h"
#include "recordingprompts.h"
#include "tempprofile.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QtTest>

namespace {
int s_argc = 1;
char s_arg0[] = "orvatest";
char *s_argv[] = { s_arg0, nullptr };
} // namespace

void FiscalCoreFixture::setUpRoot()
{
    m_profile = new TempProfile;
    // A socket name of this process alone, so parallel test programs never meet.
    m_busName
        = QStringLiteral("orvatest-%1-%2")
              .arg(QCoreApplication::applicationPid())
              .arg(QString::fromLatin1(QTest::currentAppName()).section(QLatin1Char('/'), -1));
    qputenv(FrCoreConfig::BUS_NAME_VARIABLE, m_busName.toUtf8());
    m_root = new FrCfgRoot(s_argc, s_argv);
    QObject::connect(m_root->busController(), &CashboxBusController::settingsReady, &m_checkerOwner,
        [this] { m_sharedObjectsFetched = true; });
    m_root->startBusController();
    m_checker = m_root->busController()->createFrcoreApi(&m_checkerOwner);
}

void FiscalCoreFixture::tearDownRoot()
{
    m_root->stopBusController();
    delete m_checker;
    m_checker = nullptr;
    delete m_root;
    m_root = nullptr;
    qunsetenv(FrCoreConfig::BUS_NAME_VARIABLE);
    delete m_profile;
    m_profile = nullptr;
}

void FiscalCoreFixture::setUpService(const QStringList &emulatorArguments)
{
    m_prompts = new RecordingPrompts;
    startService(emulatorArguments);
    QTRY_VERIFY_WITH_TIMEOUT(m_sharedObjectsFetched, LONG_WAIT_MS);
    m_window = new MainWindow(m_root->sessionManager());
    m_root->setMainWindow(m_window);
    m_window->resize(1280, 800);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
}

void FiscalCoreFixture::startService(const QStringList &emulatorArguments)
{
    stopService();
    m_stateDir = new QTemporaryDir;
    QVERIFY(m_stateDir->isValid());
    startEmulator(emulatorArguments);
}

void FiscalCoreFixture::startEmulator(const QStringList &emulatorArguments)
{
    m_emulator = new EmulatorProcess;
    QVERIFY2(m_emulator->start(
                 QStringList { QStringLiteral("--bus"), m_busName, QStringLiteral("--state"),
                     m_stateDir->filePath(QStringLiteral("state.json")) }
                 + emulatorArguments),
        qPrintable(m_emulator->readOutput()));
}

void FiscalCoreFixture::restartWithState(const std::function<void(QJsonObject &)> &edit)
{
    // A fresh register writes its state file only once something changes.
    QList<core::Cashier> cashiers;
    QVERIFY(m_checker->getCashiers(cashiers));
    QVERIFY(m_checker->setCashiers(cashiers));
    delete m_emulator;
    m_emulator = nullptr;

    QFile file(m_stateDir->filePath(QStringLiteral("state.json")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QJsonObject state = QJsonDocument::fromJson(file.readAll()).object();
    file.close();
    QVERIFY(!state.isEmpty());
    edit(state);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(QJsonDocument(state).toJson());
    file.close();
    startEmulator(QStringList());
}

void FiscalCoreFixture::tearDownService()
{
    m_root->setMainWindow(nullptr);
    delete m_window;
    m_window = nullptr;
    stopService();
    delete m_prompts;
    m_prompts = nullptr;
}

void FiscalCoreFixture::stopService()
{
    delete m_emulator;
    m_emulator = nullptr;
    delete m_stateDir;
    m_stateDir = nullptr;
}
