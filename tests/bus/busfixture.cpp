#include "busfixture.h"

#include "cashboxbuscontroller.h"
#include "frcoreexternalapi.h"
#include "registerstate.h"
#include "sharedobjectsstorage.h"
#include "statefile.h"
#include "tempprofile.h"

#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QtTest>

// Computed with an implementation of CRC-16/CCITT apart from ours.
const QString BusFixture::INN = QStringLiteral("7707083893");
const QString BusFixture::REG_NUMBER = QStringLiteral("0000000001008049");

void BusFixture::setUpProfile()
{
    m_profile.reset(new TempProfile);
}

void BusFixture::tearDownProfile()
{
    stopClient();
    stopService();
    m_profile.reset();
}

QString BusFixture::busName() const
{
    return m_dir->path() + QStringLiteral("/bus.sock");
}

QString BusFixture::statePath() const
{
    return m_dir->path() + QStringLiteral("/state.json");
}

bool BusFixture::startService(const QStringList &extraArguments, bool fiscalized)
{
    stopService();
    m_dir.reset(new QTemporaryDir);
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
    QString error;
    if (!StateFile(statePath()).save(state, &error)) {
        qWarning() << error;
        return false;
    }
    m_emu.reset(new ServiceProcess);
    return m_emu->start(
        QStringList { QStringLiteral("--bus"), busName(), QStringLiteral("--state"), statePath(),
            QStringLiteral("--journal"), m_dir->path() + QStringLiteral("/journal.jsonl") }
        + extraArguments);
}

void BusFixture::stopService()
{
    if (m_emu)
        m_emu->stop();
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

QJsonObject BusFixture::stateJson() const
{
    QFile f(statePath());
    if (!f.open(QIODevice::ReadOnly))
        return QJsonObject();
    return QJsonDocument::fromJson(f.readAll()).object();
}

QList<QJsonObject> BusFixture::journal() const
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
