#include "busfixture.h"

#include "atoltaxmap.h"
#include "cashboxbuscontroller.h"
#include "emulatorprocess.h"
#include "frcfgroot.h"
#include "frcoreconfig.h"
#include "frcoreexternalapi.h"
#include "recordingprompts.h"
#include "sharedobjectsstorage.h"
#include "statefile.h"
#include "tempprofile.h"

#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QtTest>

namespace {
int s_argc = 1;
char s_arg0[] = "orvatest";
char *s_argv[] = { s_arg0, nullptr };
} // namespace

const QString BusFixture::INN = QStringLiteral("7707083893");
const QString BusFixture::REG_NUMBER = QStringLiteral("0000000001008049");

BusFixture::BusFixture() = default;
BusFixture::~BusFixture() = default;

RegisterState BusFixture::registeredState(bool fiscalized)
{
    RegisterState state = RegisterState::fresh();
    state.inn = INN;
    state.rnm = REG_NUMBER;
    if (!fiscalized) {
        state.fiscalized = false;
        state.fnActive = false;
        state.registrations = 0;
        state.storage = FiscalStorage();
        state.documentNumber = 0;
    }
    return state;
}

void BusFixture::setUpProfile()
{
    m_profile.reset(new TempProfile);
    m_dir.reset(new QTemporaryDir);
}

void BusFixture::tearDownProfile()
{
    closeWindow();
    tearDownRoot();
    stopClient();
    stopService();
    m_dir.reset();
    m_profile.reset();
}

bool BusFixture::startService(const RegisterState &state, const QStringList &arguments)
{
    stopService();
    QFile::remove(journalPath());
    QString error;
    if (!StateFile(statePath()).save(state, &error)) {
        qWarning() << error;
        return false;
    }
    if (!restartService(arguments))
        return false;
    if (!m_root)
        return true;
    // A controller started on a served socket fetches at once instead of after a retry.
    m_root->stopBusController();
    bus::SharedObjectsStorage::clear();
    m_root->startBusController();
    delete m_checker;
    m_checker = m_root->busController()->createFrcoreApi(nullptr);
    m_checker->setTimeout(WAIT_MS);
    // The objects are fetched at the start and once more when the message link comes up; only
    // the second round fetches the tax map. A test's own store must come after both.
    return QTest::qWaitFor(
        [] { return bus::SharedObjectsStorage::contains(core::AtolTaxMap::OBJECT_NAME); }, WAIT_MS);
}

bool BusFixture::restartService(const QStringList &arguments)
{
    m_emu.reset(new EmulatorProcess);
    if (m_emu->start(
            QStringList { "--bus", busName(), "--state", statePath(), "--journal", journalPath() }
            + arguments))
        return true;
    qWarning().noquote() << m_emu->readOutput();
    return false;
}

void BusFixture::stopService()
{
    m_emu.reset();
}

void BusFixture::startClient(int timeoutMs)
{
    stopClient();
    bus::SharedObjectsStorage::clear();
    m_controller = new CashboxBusController;
    m_controller->setServerName(busName());
    m_controller->start();
    m_api = m_controller->createFrcoreApi(m_controller);
    m_api->setTimeout(timeoutMs);
}

void BusFixture::stopClient()
{
    delete m_controller;
    m_controller = nullptr;
    m_api = nullptr;
}

void BusFixture::setUpRoot()
{
    qRegisterMetaType<bus::AppBusCommand>();
    qputenv(FrCoreConfig::BUS_NAME_VARIABLE, busName().toUtf8());
    m_root = new FrCfgRoot(s_argc, s_argv);
    m_prompts.reset(new RecordingPrompts);
    m_commands.reset(new QSignalSpy(m_root->busController(), &bus::AppBusController::commandSent));
}

void BusFixture::tearDownRoot()
{
    if (!m_root)
        return;
    delete m_checker;
    m_checker = nullptr;
    m_commands.reset();
    m_root->stopBusController();
    delete m_root;
    m_root = nullptr;
    m_prompts.reset();
    qunsetenv(FrCoreConfig::BUS_NAME_VARIABLE);
}

void BusFixture::openWindow()
{
    m_window = new MainWindow(m_root->sessionManager());
    m_root->setMainWindow(m_window);
    m_window->resize(1280, 800);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
}

void BusFixture::closeWindow()
{
    if (m_root)
        m_root->setMainWindow(nullptr);
    delete m_window;
    m_window = nullptr;
}

QJsonObject BusFixture::stateJson() const
{
    QFile f(statePath());
    return f.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(f.readAll()).object()
                                       : QJsonObject();
}

QList<QJsonObject> BusFixture::journal() const
{
    QList<QJsonObject> out;
    QFile f(journalPath());
    if (!f.open(QIODevice::ReadOnly))
        return out;
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (!line.trimmed().isEmpty())
            out << QJsonDocument::fromJson(line).object();
    }
    return out;
}

int BusFixture::orvactl(const QStringList &arguments, QString *out) const
{
    QProcess p;
    p.start(QStringLiteral(ORVACTL_PATH),
        QStringList { QStringLiteral("--port"), QString::number(m_emu->port()) } + arguments);
    if (!p.waitForFinished(WAIT_MS)) {
        p.kill();
        p.waitForFinished();
        return -1;
    }
    *out = QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    return p.exitCode();
}

QList<bus::AppBusCommand> BusFixture::takeCommands()
{
    QList<bus::AppBusCommand> list;
    for (const QList<QVariant> &args : qAsConst(*m_commands))
        list << args.first().value<bus::AppBusCommand>();
    m_commands->clear();
    return list;
}

QStringList BusFixture::operations(const QList<bus::AppBusCommand> &commands)
{
    QStringList names;
    for (const bus::AppBusCommand &c : commands)
        names << c.operation();
    return names;
}
