// The root's bus controller: created, started and stopped by the root, handing out clients.

#include "busfixture.h"
#include "cashboxbuscontroller.h"
#include "cashboxbusqueryworker.h"
#include "frcfgroot.h"
#include "frcoreconfig.h"
#include "frcoreerror.h"
#include "frcoreexternalapi.h"
#include "fsstatus.h"
#include "regdata.h"
#include "sharedobjectsstorage.h"

#include <QPointer>
#include <QSignalSpy>
#include <QtTest>

namespace {
int s_argc = 1;
char s_arg0[] = "tst_busroot";
char *s_argv[] = { s_arg0, nullptr };
} // namespace

class TestBusRoot : public QObject, public BusFixture
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void serverName_data();
    void serverName();
    void controllerOfTheRoot();
    void startedByInit();

private:
    FrCfgRoot *m_root = nullptr;
};

void TestBusRoot::initTestCase()
{
    setUpProfile();
    qunsetenv(FrCoreConfig::BUS_NAME_VARIABLE);
    m_root = new FrCfgRoot(s_argc, s_argv);
}

void TestBusRoot::cleanupTestCase()
{
    delete m_root;
    qunsetenv(FrCoreConfig::BUS_NAME_VARIABLE);
    tearDownProfile();
}

// Where the configurator looks for the service: the variable over the file over the runtime
// folder.
void TestBusRoot::serverName_data()
{
    QTest::addColumn<QString>("variable");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("expected"); // "*": the runtime folder's
    QTest::newRow("variable wins") << "/tmp/a.sock"
                                   << "/tmp/b.sock"
                                   << "/tmp/a.sock";
    QTest::newRow("file") << QString() << "/tmp/b.sock"
                          << "/tmp/b.sock";
    QTest::newRow("blank variable") << "  "
                                    << "/tmp/b.sock"
                                    << "/tmp/b.sock";
    QTest::newRow("neither") << QString() << QString() << "*";
}

void TestBusRoot::serverName()
{
    QFETCH(QString, variable);
    QFETCH(QString, file);
    QFETCH(QString, expected);
    if (variable.isNull())
        qunsetenv(FrCoreConfig::BUS_NAME_VARIABLE);
    else
        qputenv(FrCoreConfig::BUS_NAME_VARIABLE, variable.toUtf8());
    QVERIFY(m_profile->writeConfig("frcore.conf",
        file.isEmpty() ? QByteArray("[CORE]\n") : "[CORE]\nbusName=" + file.toUtf8() + "\n"));
    const QString name = FrCoreConfig::busServerName();
    if (expected == "*")
        QVERIFY2(name.endsWith("/orvafrcore") && !name.startsWith("/tmp/b"), qPrintable(name));
    else
        QCOMPARE(name, expected);
    qunsetenv(FrCoreConfig::BUS_NAME_VARIABLE);
}

void TestBusRoot::controllerOfTheRoot()
{
    CashboxBusController *bus = m_root->busController();
    QVERIFY(bus);
    QCOMPARE(bus->parent(), m_root);
    QCOMPARE(bus->clientName(), QStringLiteral("orvaconfig"));
    QCOMPARE(bus->interval(), 300000);
    QCOMPARE(CashboxBusQueryWorker::objectList(),
        (QStringList { fiscal::RegData::BUS_OBJECT_NAME, core::Cashier::CASHIERS_OBJECT_NAME,
            fiscal::FsStatus::OBJECT_NAME, "settings.frcore", core::AtolTaxMap::OBJECT_NAME }));
    QVERIFY(!bus->isStarted());
}

// init() starts the controller on the configured socket: the shared objects arrive, each
// page's client works and dies with its page; after the stop a call fails at once.
void TestBusRoot::startedByInit()
{
    QVERIFY(startService());
    qputenv(FrCoreConfig::BUS_NAME_VARIABLE, busName().toUtf8());
    bus::SharedObjectsStorage::clear();
    CashboxBusController *bus = m_root->busController();
    QSignalSpy ready(bus, &CashboxBusController::settingsReady);
    QVERIFY(m_root->init());
    QVERIFY(bus->isStarted());
    QCOMPARE(bus->serverName(), busName());
    QVERIFY(ready.wait(WAIT_MS));
    QVERIFY(bus::SharedObjectsStorage::contains(fiscal::FsStatus::OBJECT_NAME));

    auto *page = new QObject;
    QPointer<core::FrcoreExternalApi> api = bus->createFrcoreApi(page);
    QCOMPARE(api->parent(), page);
    QCOMPARE(api->clientName(), QStringLiteral("orvaconfig"));
    api->setTimeout(WAIT_MS);
    core::FrCoreFullState state;
    QVERIFY2(api->getFullFrCoreState(state), qPrintable(api->lastErrorText()));
    QCOMPARE(state.serial(), QStringLiteral("17000001"));
    QCOMPARE(state.regNumber(), REG_NUMBER);

    // Two clients at once each get their own answer.
    core::FrcoreExternalApi *other = bus->createFrcoreApi(page);
    QList<core::Cashier> cashiers;
    QVERIFY(other->getCashiers(cashiers));
    QCOMPARE(cashiers.size(), 2);
    QVERIFY(api->getFullFrCoreState(state));

    m_root->stopBusController();
    QVERIFY(!bus->isStarted());
    QVERIFY(!api->getCashiers(cashiers));
    QCOMPARE(api->lastError(), int(core::ErrorNoService));
    delete page;
    QVERIFY(api.isNull());
    qunsetenv(FrCoreConfig::BUS_NAME_VARIABLE);
}

QTEST_MAIN(TestBusRoot)
#include "tst_busroot.moc"
