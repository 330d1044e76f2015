#include "registrationfixture.h"

#include "cashboxbuscontroller.h"
#include "frcfgroot.h"
#include "frcoreconfig.h"
#include "fsstatus.h"
#include "recordingprompts.h"
#include "serviceprocess.h"
#include "sharedobjectsstorage.h"
#include "statefile.h"
#include "tempprofile.h"

#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {
int s_argc = 1;
char s_arg0[] = "orvatest";
char *s_argv[] = { s_arg0, nullptr };
} // namespace

const QString RegistrationFixture::INN = QStringLiteral("7707083893");
const QString RegistrationFixture::REG_NUMBER = QStringLiteral("0000000001008049");

RegisterState RegistrationFixture::registeredState()
{
    RegisterState state = RegisterState::fresh();
    state.inn = INN;
    state.rnm = REG_NUMBER;
    return state;
}

void RegistrationFixture::setUpRoot()
{
    qRegisterMetaType<bus::AppBusCommand>();
    m_profile = new TempProfile;
    m_root = new FrCfgRoot(s_argc, s_argv);
    m_prompts = new RecordingPrompts;
    m_commands = new QSignalSpy(m_root->busController(), &bus::AppBusController::commandSent);
}

void RegistrationFixture::tearDownRoot()
{
    stopService();
    delete m_commands;
    m_root->stopBusController();
    delete m_root;
    delete m_prompts;
    delete m_dir;
    delete m_profile;
}

void RegistrationFixture::resetBus()
{
    stopService();
    m_root->stopBusController();
    delete m_dir;
    m_dir = new QTemporaryDir;
    qputenv(FrCoreConfig::BUS_NAME_VARIABLE, (m_dir->path() + QStringLiteral("/bus")).toUtf8());
    bus::SharedObjectsStorage::clear();
}

void RegistrationFixture::newBus()
{
    resetBus();
    m_root->startBusController();
}

bool RegistrationFixture::runEmulator(const RegisterState &state)
{
    const QString statePath = m_dir->path() + QStringLiteral("/state.json");
    QString error;
    if (!StateFile(statePath).save(state, &error)) {
        qWarning() << error;
        return false;
    }
    m_emu = new ServiceProcess;
    return m_emu->start({ QStringLiteral("--bus"), FrCoreConfig::busServerName(),
        QStringLiteral("--state"), statePath, QStringLiteral("--journal"),
        m_dir->path() + QStringLiteral("/journal.jsonl") });
}

static bool waitForStorageState()
{
    return QTest::qWaitFor(
        [] { return bus::SharedObjectsStorage::contains(fiscal::FsStatus::OBJECT_NAME); },
        RegistrationFixture::WAIT_MS);
}

bool RegistrationFixture::startService(const RegisterState &state)
{
    resetBus();
    // Serving before the controller starts spares its first retry.
    if (!runEmulator(state))
        return false;
    m_root->startBusController();
    return waitForStorageState();
}

bool RegistrationFixture::launchService(const RegisterState &state)
{
    return runEmulator(state) && waitForStorageState();
}

void RegistrationFixture::stopService()
{
    delete m_emu;
    m_emu = nullptr;
}

QList<bus::AppBusCommand> RegistrationFixture::takeCommands()
{
    QList<bus::AppBusCommand> list;
    for (const QList<QVariant> &args : qAsConst(*m_commands))
        list << args.first().value<bus::AppBusCommand>();
    m_commands->clear();
    return list;
}

QStringList RegistrationFixture::operations(const QList<bus::AppBusCommand> &commands)
{
    QStringList names;
    for (const bus::AppBusCommand &c : commands)
        names << c.operation();
    return names;
}

quint16 RegistrationFixture::atolPort() const
{
    return m_emu ? m_emu->port() : 0;
}

QList<QJsonObject> RegistrationFixture::journal() const
{
    QList<QJsonObject> out;
    QFile f(m_dir->path() + QStringLiteral("/journal.jsonl"));
    if (!f.open(QIODevice::ReadOnly))
        return out;
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (!line.trimmed().isEmpty())
            out << QJsonDocument::fromJson(line).object();
    }
    return out;
}

int RegistrationFixture::orvactl(const QStringList &arguments, QString *out) const
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
