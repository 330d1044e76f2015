// The client layer against orvaemu's fiscal core service over a real local socket.

#include "appbusframereader.h"
#include "appbusprotocol.h"
#include "busfixture.h"
#include "busframebytes.h"
#include "busfrcoresettings.h"
#include "cashboxbuscontroller.h"
#include "emulatorprocess.h"
#include "fiscaldocpropertytemplateloader.h"
#include "frcfgroot.h"
#include "frcoreconfig.h"
#include "frcoreerror.h"
#include "frcoreexternalapi.h"
#include "fsstatus.h"
#include "regdata.h"
#include "sharedobjectsstorage.h"
#include "tempprofile.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocalSocket>
#include <QPointer>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QtTest>

#include <sys/stat.h>

namespace {

// The registration page's property list for the fixture's register, with changes (an
// invalid value removes the tag).
fiscal::FiscalDocProperties registrationProperties(const QVariantMap &changes)
{
    QVariantMap values { { "1018", "7707083893" }, { "1048", "ООО \"Ромашка\"" },
        { "1037", "0000000001008049" }, { "1060", "www.nalog.gov.ru" },
        { "1117", "kkt@example.ru" }, { "1009", "г. Тверь, ул. Новая, 2" }, { "1187", "Касса 1" },
        { "1017", "7704211201" }, { "1046", "Такском" }, { "1057", 0u }, { "1062", 1u },
        { "1001", false }, { "1002", false } };
    for (auto it = changes.cbegin(); it != changes.cend(); ++it) {
        if (it.value().isValid())
            values.insert(it.key(), it.value());
        else
            values.remove(it.key());
    }
    const fiscal::FiscalDocPropertyTemplateLoader loader;
    fiscal::FiscalDocProperties list;
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        fiscal::PFiscalDocProperty p = loader[fiscal::PropertyTag(it.key().toUInt())];
        p->setValue(it.value());
        list << p;
    }
    return list;
}

const core::Cashier ADMIN(QStringLiteral("Системный администратор"), QString(), 47);

QJsonObject readMessage(QLocalSocket &socket, bus::AppBusFrameReader &reader)
{
    QElapsedTimer t;
    t.start();
    for (;;) {
        QJsonObject message;
        QString error;
        if (reader.next(&message, &error) == bus::AppBusFrameReader::Message)
            return message;
        if (t.elapsed() > 5000 || socket.state() != QLocalSocket::ConnectedState)
            return QJsonObject();
        if (socket.waitForReadyRead(100))
            reader.append(socket.readAll());
    }
}

} // namespace

class TestBusService : public QObject, public BusFixture
{
    Q_OBJECT

private slots:
    void initTestCase() { setUpProfile(); }
    void cleanupTestCase() { tearDownProfile(); }
    void init()
    {
        QVERIFY(startService());
        startClient();
    }
    void cleanup()
    {
        stopClient();
        stopService();
    }

    void roundTrip_data();
    void roundTrip();
    void refused_data();
    void refused();
    void registration_data();
    void registration();
    void primaryRegistrationSeenOverAtol();
    void cashOverAtolSeenOnBus();
    void sharedObjectsAfterStart();
    void settingsMapForThePages();
    void socketForOwnerOnly();
    void serviceAbsent();
    void serviceSilent();
    void malformedRequests_data();
    void malformedRequests();
    void serverName_data();
    void serverName();
    void rootController();
    void orvactlBus_data();
    void orvactlBus();

private:
    // "store:NAME" and "load:NAME" go to objects, anything else is a call.
    bool send(const QString &op, const QByteArray &json, QVariantMap *result)
    {
        const QVariantMap args = QJsonDocument::fromJson(json).object().toVariantMap();
        if (op.startsWith("store:"))
            return m_api->store(op.mid(6), args, *result);
        if (op.startsWith("load:"))
            return m_api->load(op.mid(5), *result);
        return m_api->call(op, args, *result);
    }
};

// Written, read back from a restarted service and compared member by member: a field lost
// in the service, in its state file or on the way back fails its row. One row a kind of
// storage (list, object, nested settings); the typed client is read back by the pages.
void TestBusService::roundTrip_data()
{
    QTest::addColumn<QString>("set");
    QTest::addColumn<QString>("get");
    QTest::addColumn<QByteArray>("json");

    auto row = [](const char *name, const char *set, const char *get, const QByteArray &json) {
        QTest::newRow(name) << QString(set) << QString(get) << json;
    };
    row("cashiers", "setCashiers", "getCashiers",
        R"({"cashiers":[{"name":"Иванова А. П., кассир","inn":"500100732259","password":3},)"
        R"({"name":"Петров","inn":"","password":99999999}]})");
    row("tax map", "store:core.atoltaxmap", "load:core.atoltaxmap",
        R"({"1":5,"2":2,"3":1,"4":6,"5":4,"6":3})");
    row("printer", "setPrinterSettings", "getPrinterSettings",
        R"({"type":2,"portName":"/dev/ttyUSB1","baudrate":9600,"symbolsPerLine":100})");
    row("driver settings", "store:settings.frcore", "load:settings.frcore",
        R"({"hostRs":"COM6","extra":5})");
}

void TestBusService::roundTrip()
{
    QFETCH(QString, set);
    QFETCH(QString, get);
    QFETCH(QByteArray, json);

    QVariantMap result;
    QVERIFY2(send(set, json, &result), qPrintable(m_api->lastErrorText()));
    QVERIFY(restartService());
    QVERIFY2(send(get, QByteArray(), &result), qPrintable(m_api->lastErrorText()));
    const QJsonObject written = QJsonDocument::fromJson(json).object();
    const QJsonObject back = QJsonObject::fromVariantMap(result);
    for (auto it = written.constBegin(); it != written.constEnd(); ++it)
        QCOMPARE(back.value(it.key()), it.value());
}

// Refused whole, with the service's code and a text naming what was wrong; nothing kept.
// Refusals the pages provoke (blank names, long names) are their tests'.
void TestBusService::refused_data()
{
    QTest::addColumn<QString>("op");
    QTest::addColumn<QByteArray>("arguments");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");

    auto row = [](const char *name, const char *op, const QByteArray &json, const char *text,
                   int code = core::ErrorInvalidData) {
        QTest::newRow(name) << op << json << code << QString::fromUtf8(text);
    };
    row("same password twice", "setCashiers",
        R"({"cashiers":[{"name":"А","password":5},{"name":"Б","password":5}]})", "пароль 5");
    row("password of nine digits", "setCashiers",
        R"({"cashiers":[{"name":"А","password":100000000}]})", "8 цифр");
    row("tax rate 7", "setSections", R"({"sections":[{"name":"А","tax":7}]})", "ставка");
    row("printer at 1234 baud", "setPrinterSettings", R"({"type":1,"baudrate":1234})", "1234");
    row("version of five digits", "setAtolModelData", R"({"model":1,"name":"X","ver":"12345"})",
        "десяти");
    row("unknown operation", "format", "{}", "format", core::ErrorBadRequest);
    row("unknown object", "load:core.nothing", "{}", "core.nothing", core::ErrorUnknownObject);
    row("writing the storage state", "store:fiscal.fsstatus", "{}", "fiscal.fsstatus",
        core::ErrorReadOnly);
}

void TestBusService::refused()
{
    QFETCH(QString, op);
    QFETCH(QByteArray, arguments);
    QFETCH(int, code);
    QFETCH(QString, text);

    const QJsonObject before = stateJson().value("core").toObject();
    QVariantMap result;
    QVERIFY(!send(op, arguments, &result));
    QCOMPARE(m_api->lastError(), code);
    QVERIFY2(m_api->lastErrorText().contains(text), qPrintable(m_api->lastErrorText()));
    QCOMPARE(stateJson().value("core").toObject(), before);
}

// What the fiscal core says to registrations the page may send, and what they change.
void TestBusService::registration_data()
{
    QTest::addColumn<QVariantMap>("changes");
    QTest::addColumn<bool>("preview");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("document"); // last printed document's type, empty when none

    auto refused = [](const char *name, const QVariantMap &changes, const char *text,
                       int code = core::ErrorInvalidData) {
        QTest::newRow(name) << changes << false << code << QString::fromUtf8(text) << QString();
    };
    QTest::newRow("preview of a re-registration")
        << QVariantMap { { "1101", 4 } } << true << 0 << QString() << "registrationPreview";
    QTest::newRow("re-registration, new settings")
        << QVariantMap { { "1101", 4 } } << false << 0 << QString() << "registration";
    QTest::newRow("autonomous without an OFD INN") << QVariantMap { { "1101", 2 }, { "1002", true },
        { "1017", QVariant() }, { "1046", "0000000000" } }
                                                   << false << 0 << QString() << "registration";
    refused("primary registration of a registered register", {}, "перерегистрация",
        core::ErrorAlreadyRegistered);
    refused("storage replaced without closing its archive", { { "1101", 1 } }, "Архив",
        core::ErrorFsState);
    refused("registration number, last digit wrong",
        { { "1101", 4 }, { "1037", "0000000001008048" } }, "1037");
    refused("automat without its number", { { "1101", 4 }, { "1001", true } }, "1036");
}

void TestBusService::registration()
{
    QFETCH(QVariantMap, changes);
    QFETCH(bool, preview);
    QFETCH(int, code);
    QFETCH(QString, text);
    QFETCH(QString, document);

    int errorCode = -100;
    QString errorText;
    const bool ok
        = m_api->activate(ADMIN, preview, registrationProperties(changes), errorCode, errorText);
    QCOMPARE(ok, code == 0);
    QCOMPARE(errorCode, code);
    QVERIFY2(errorText.contains(text), qPrintable(errorText));

    core::FrCoreFullState state;
    QVERIFY(m_api->getFullFrCoreState(state));
    QCOMPARE(state.fsStatus().lifeTime().completedRegistrations(), ok && !preview ? 2 : 1);
    const QList<QJsonObject> docs = journal();
    QCOMPARE(docs.isEmpty() ? QString() : docs.last().value("type").toString(), document);
    if (!ok || preview)
        return;
    // The new data reach the shared storage without being asked for.
    bus::AppBusObject object;
    QTRY_VERIFY_WITH_TIMEOUT(
        bus::SharedObjectsStorage::get(fiscal::RegData::BUS_OBJECT_NAME, object)
            && object.content().value("userName").toString() == "ООО \"Ромашка\"",
        WAIT_MS);
    fiscal::RegData reg;
    QVERIFY(reg.setMap(object.content()));
    QCOMPARE(reg.paymentAddress(), QStringLiteral("г. Тверь, ул. Новая, 2"));
    QCOMPARE(reg.cashier(), ADMIN.name());
    fiscal::FiscalDocProperties props;
    QVERIFY(m_api->getRegistrationInfo(ADMIN, props, errorCode, errorText));
    QVariantMap byTag;
    for (const fiscal::PFiscalDocProperty &p : props)
        byTag.insert(QString::number(p->tag()), p->value());
    QCOMPARE(byTag.value("1187").toString(), QStringLiteral("Касса 1"));
    QCOMPARE(byTag.value("1002").toBool(), changes.value("1002").toBool());
}

// Registered through the bus is registered for the ATOL link too: the state answer's flag
// and the tag reads show it; the progress of the three steps reaches the client.
void TestBusService::primaryRegistrationSeenOverAtol()
{
    QVERIFY(startService(registeredState(false)));
    QString out;
    QCOMPARE(orvactl({ "raw", "3f" }, &out), 0);
    QCOMPARE(QByteArray::fromHex(out.toLatin1()).at(9) & 0x01, 0);

    int code = 0;
    QString text;
    fiscal::FiscalDocProperties props;
    QVERIFY(!m_api->getRegistrationInfo(ADMIN, props, code, text));
    QCOMPARE(code, int(core::ErrorNotRegistered));

    QSignalSpy range(m_api, &core::FrcoreExternalApi::progressRange);
    QSignalSpy value(m_api, &core::FrcoreExternalApi::progressValue);
    QVERIFY2(
        m_api->activate(ADMIN, false, registrationProperties({}), code, text), qPrintable(text));
    QCOMPARE(range.last(), (QVariantList { 0, 3 }));
    QCOMPARE(value.last().first().toInt(), 3);

    QCOMPARE(orvactl({ "raw", "3f" }, &out), 0);
    QCOMPARE(QByteArray::fromHex(out.toLatin1()).at(9) & 0x01, 0x01);
    QCOMPARE(orvactl({ "mode", "6" }, &out), 0);
    QCOMPARE(orvactl({ "raw", "e9", "fa0300" }, &out), 0); // tag 1018
    QVERIFY2(out.endsWith(QString::fromLatin1(INN.toLatin1().toHex())), qPrintable(out));
}

// Cash put in over the ATOL link is the full state's cash; the shift it opened is pushed to
// subscribed clients and refuses a registration.
void TestBusService::cashOverAtolSeenOnBus()
{
    QTRY_VERIFY_WITH_TIMEOUT(
        bus::SharedObjectsStorage::contains(fiscal::FsStatus::OBJECT_NAME), WAIT_MS);
    QString out;
    QCOMPARE(orvactl({ "mode", "1" }, &out), 0);
    QCOMPARE(orvactl({ "raw", "49", "000000012345" }, &out), 0);
    core::FrCoreFullState state;
    QVERIFY(m_api->getFullFrCoreState(state));
    QCOMPARE(state.cash().toString(), QStringLiteral("123.45"));
    QCOMPARE(state.cycle(), 1u);
    QVERIFY(state.cycleOpened().isValid() && !state.cycleClosed().isValid());
    bus::AppBusObject object;
    QTRY_VERIFY_WITH_TIMEOUT(bus::SharedObjectsStorage::get(fiscal::FsStatus::OBJECT_NAME, object)
            && object.content().value("cycleIsOpen").toBool(),
        WAIT_MS);

    int code = 0;
    QString text;
    QVERIFY(!m_api->activate(ADMIN, false, registrationProperties({ { "1101", 4 } }), code, text));
    QCOMPARE(code, int(core::ErrorFsState));
}

// After start the query worker has put the registration data, the cashiers and the storage
// state into the shared storage, with the register's serial beside the storage state; what
// changed while the service was away arrives once it is back, with no change after that.
void TestBusService::sharedObjectsAfterStart()
{
    QSignalSpy ready(m_controller, &CashboxBusController::settingsReady);
    QVERIFY(ready.wait(WAIT_MS));
    bus::AppBusObject object;
    QVERIFY(bus::SharedObjectsStorage::get(fiscal::FsStatus::OBJECT_NAME, object));
    QCOMPARE(object.content().value("frSer").toString(), QStringLiteral("17000001"));
    QCOMPARE(object.content().value("fsNumber").toString(), QStringLiteral("9999078900012345"));
    QVERIFY(bus::SharedObjectsStorage::get(fiscal::RegData::BUS_OBJECT_NAME, object));
    QCOMPARE(object.content().value("userInn").toString(), INN);
    QVERIFY(bus::SharedObjectsStorage::get(core::Cashier::CASHIERS_OBJECT_NAME, object));
    QCOMPARE(object.content().value("cashiers").toList().size(), 2);

    QSignalSpy loaded(m_controller, &CashboxBusController::settingsLoaded);
    m_controller->downloadSettings();
    QVERIFY(loaded.wait(WAIT_MS));

    RegisterState renamed = registeredState();
    renamed.userName = QStringLiteral("ИП Новиков");
    QVERIFY(startService(renamed));
    QTRY_VERIFY_WITH_TIMEOUT(
        bus::SharedObjectsStorage::get(fiscal::RegData::BUS_OBJECT_NAME, object)
            && object.content().value("userName").toString() == "ИП Новиков",
        WAIT_MS);
}

// The settings map as the COM port pair page uses it: a key left out of a write is gone, and
// a write that did not reach the service says so.
void TestBusService::settingsMapForThePages()
{
    BusFrCoreSettings settings(m_controller);
    QVERIFY(settings.setFrCoreSettings({ { "hostRs", "COM6" }, { "other", "kept" } }));
    QVERIFY(settings.setFrCoreSettings({ { "other", "kept" } }));
    QCOMPARE(settings.getFrCoreSettings(), (QVariantMap { { "other", "kept" } }));
    stopService();
    QVERIFY(!settings.setFrCoreSettings({ { "hostRs", "COM7" } }));
    QVERIFY(settings.getFrCoreSettings().isEmpty());
    QCOMPARE(settings.api()->lastError(), int(core::ErrorNoService));
}

// Only the owner may open the socket (root passes any check, so the mode bits are what is
// looked at); an emulator without a socket given serves no bus, so emulators of tests side
// by side never fight over the driver's one socket.
void TestBusService::socketForOwnerOnly()
{
    struct stat st;
    QCOMPARE(::stat(QFile::encodeName(busName()).constData(), &st), 0);
    QVERIFY(S_ISSOCK(st.st_mode));
    QCOMPARE(int(st.st_mode & 0077), 0);
    QCOMPARE(int(st.st_mode & (S_IRUSR | S_IWUSR)), int(S_IRUSR | S_IWUSR));
    EmulatorProcess plain;
    QVERIFY(plain.start({ "--state", m_dir->filePath("plain.json") }));
    QVERIFY2(!plain.output().contains("bus on"), qPrintable(plain.output()));
}

// Without a service, or with a controller never started, a call fails at once with "no
// service" instead of sitting out its time limit.
void TestBusService::serviceAbsent()
{
    stopService();
    m_api->setTimeout(5000);
    QElapsedTimer t;
    t.start();
    QList<core::Cashier> cashiers;
    QVERIFY(!m_api->getCashiers(cashiers));
    QCOMPARE(m_api->lastError(), int(core::ErrorNoService));
    QVERIFY2(t.elapsed() < 4000, qPrintable(QString::number(t.elapsed())));

    CashboxBusController idle;
    core::FrcoreExternalApi *api = idle.createFrcoreApi(&idle);
    api->setTimeout(5000);
    QVERIFY(api->getAtolModelData().isEmpty());
    QCOMPARE(api->lastError(), int(core::ErrorNoService));
}

// The late answer of a call that timed out is not taken for the answer of the next call (the
// time-out itself is the bus client test's).
void TestBusService::serviceSilent()
{
    QVERIFY(restartService({ "--bus-delay", "4000" }));
    m_api->setTimeout(300);
    QList<core::Cashier> cashiers;
    QVERIFY(!m_api->getCashiers(cashiers));
    QCOMPARE(m_api->lastError(), int(core::ErrorTimeout));
    m_api->setTimeout(WAIT_MS);
    core::OfdSettings ofd;
    QVERIFY2(m_api->getOfdSettings(ofd), qPrintable(m_api->lastErrorText()));
    QCOMPARE(ofd.address(), QStringLiteral("f1.taxcom.ru"));
}

// Whatever a client sends, the service answers with an error or closes that connection,
// and goes on serving. The reader's own verdicts are the framing test's.
void TestBusService::malformedRequests_data()
{
    QTest::addColumn<bool>("hello"); // say hello first
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("staysOpen");

    QTest::newRow("not JSON") << false << frameOf("{\"type\":") << int(bus::protocol::BadMessage)
                              << true;
    QTest::newRow("call before hello")
        << false << frameOf(R"({"type":"call","id":5,"op":"getCashiers"})")
        << int(bus::protocol::NotIntroduced) << true;
    QTest::newRow("protocol version 2") << false << frameOf(R"({"type":"hello","version":2})")
                                        << int(bus::protocol::UnsupportedVersion) << false;
    QTest::newRow("call without id") << true << frameOf(R"({"type":"call","op":"getCashiers"})")
                                     << int(bus::protocol::BadMessage) << true;
    QTest::newRow("length past the limit") << false << header(0x7FFFFFFF) + QByteArray(10, 'x')
                                           << int(bus::protocol::TooLarge) << false;
}

void TestBusService::malformedRequests()
{
    QFETCH(bool, hello);
    QFETCH(QByteArray, bytes);
    QFETCH(int, code);
    QFETCH(bool, staysOpen);

    QLocalSocket socket;
    bus::AppBusFrameReader reader;
    socket.connectToServer(busName());
    QVERIFY(socket.waitForConnected(WAIT_MS));
    const auto sayHello = [&] {
        socket.write(bus::protocol::frame(bus::protocol::hello("test", false)));
        QCOMPARE(readMessage(socket, reader).value("type").toString(), bus::protocol::WELCOME);
    };
    if (hello)
        sayHello();
    socket.write(bytes);
    const QJsonObject answer = readMessage(socket, reader);
    QCOMPARE(answer.value("error").toObject().value("code").toInt(), code);
    if (staysOpen) {
        if (!hello)
            sayHello();
        socket.write(bus::protocol::frame(bus::protocol::load(77, fiscal::FsStatus::OBJECT_NAME)));
        const QJsonObject object = readMessage(socket, reader);
        QCOMPARE(object.value("type").toString(), bus::protocol::OBJECT);
        QCOMPARE(object.value("id").toInt(), 77);
    } else {
        QTRY_COMPARE_WITH_TIMEOUT(socket.state(), QLocalSocket::UnconnectedState, WAIT_MS);
    }
    // A message cut off by its sender's end leaves the service serving others.
    QLocalSocket cut;
    cut.connectToServer(busName());
    QVERIFY(cut.waitForConnected(WAIT_MS));
    cut.write(header(100) + "{\"type\":\"hel");
    cut.waitForBytesWritten(WAIT_MS);
    cut.abort();
    QList<core::Cashier> cashiers;
    QVERIFY(m_api->getCashiers(cashiers));
}

// Where the configurator looks for the service: the variable over the file over the runtime
// folder.
void TestBusService::serverName_data()
{
    QTest::addColumn<QString>("variable"); // null: unset
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("expected"); // "*": the runtime folder's
    auto row = [](const char *name, const char *variable, const char *file, const char *expected) {
        QTest::newRow(name) << QString(variable) << QString(file) << QString(expected);
    };
    row("variable wins", "/tmp/a.sock", "/tmp/b.sock", "/tmp/a.sock");
    row("file", nullptr, "/tmp/b.sock", "/tmp/b.sock");
    row("blank variable", "  ", "/tmp/b.sock", "/tmp/b.sock");
    row("neither", nullptr, nullptr, "*");
}

void TestBusService::serverName()
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
    qunsetenv(FrCoreConfig::BUS_NAME_VARIABLE);
    if (expected == "*")
        QVERIFY2(name.endsWith("/orvafrcore") && !name.startsWith("/tmp/b"), qPrintable(name));
    else
        QCOMPARE(name, expected);
}

// The root's init() starts its controller on the configured socket: the shared objects
// arrive, two pages' clients each get their own answers and die with their page; after the
// stop a call fails at once.
void TestBusService::rootController()
{
    QVERIFY(m_profile->writeConfig("frcore.conf", "[CORE]\n"));
    setUpRoot();
    const auto done = qScopeGuard([this] { tearDownRoot(); });
    CashboxBusController *bus = m_root->busController();
    QVERIFY(!bus->isStarted());
    QSignalSpy ready(bus, &CashboxBusController::settingsReady);
    QVERIFY(m_root->init());
    QCOMPARE(bus->serverName(), busName());
    QVERIFY(ready.wait(WAIT_MS));

    auto *page = new QObject;
    QPointer<core::FrcoreExternalApi> api = bus->createFrcoreApi(page);
    core::FrcoreExternalApi *other = bus->createFrcoreApi(page);
    api->setTimeout(WAIT_MS);
    core::FrCoreFullState state;
    QList<core::Cashier> cashiers;
    QVERIFY(other->getCashiers(cashiers));
    QVERIFY2(api->getFullFrCoreState(state), qPrintable(api->lastErrorText()));
    QCOMPARE(cashiers.size(), 2);
    QCOMPARE(state.regNumber(), REG_NUMBER);

    m_root->stopBusController();
    QVERIFY(!api->getCashiers(cashiers));
    QCOMPARE(api->lastError(), int(core::ErrorNoService));
    delete page;
    QVERIFY(api.isNull());
}

// orvactl bus: a write read back as one line of JSON, refusals with exit code 3 and the
// service's code on standard error, 2 without a service, 1 for bad usage.
void TestBusService::orvactlBus_data()
{
    QTest::addColumn<QStringList>("write"); // run first, must succeed
    QTest::addColumn<QStringList>("read");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("expected"); // "path/0/key=value" or the complaint

    auto row = [](const char *name, const QStringList &write, const QStringList &read, int exitCode,
                   const char *expected) {
        QTest::newRow(name) << write << read << exitCode << QString(expected);
    };
    row("call", { "setCashiers", R"({"cashiers":[{"name":"Орлова","password":7}]})" },
        { "getCashiers" }, 0, "cashiers/0/name=Орлова");
    row("tax map object", { "setTaxMap", R"({"1":6,"2":5,"3":4,"4":3,"5":2,"6":1})" },
        { "getTaxMap" }, 0, "6=1");
    row("load", {}, { "load", "fiscal.regdata" }, 0, "userInn=7707083893");
    row("refused", {}, { "setSections", R"({"sections":[{"name":"А","tax":9}]})" }, 3, "(code ");
    row("no service", {}, { "getCashiers" }, 2, "");
    row("no operation", {}, {}, 1, "operation");
    row("bad JSON", {}, { "setCashiers", "[1]" }, 1, "bad JSON");
}

void TestBusService::orvactlBus()
{
    QFETCH(QStringList, write);
    QFETCH(QStringList, read);
    QFETCH(int, exitCode);
    QFETCH(QString, expected);

    if (exitCode == 2)
        stopService();
    QString out, err;
    const auto run = [&](const QStringList &arguments) {
        QProcess p;
        p.start(QStringLiteral(ORVACTL_PATH),
            QStringList { "--bus", busName(), "--timeout", "5000", "bus" } + arguments);
        if (!p.waitForFinished(WAIT_MS))
            p.kill();
        p.waitForFinished();
        out = QString::fromUtf8(p.readAllStandardOutput()).trimmed();
        err = QString::fromUtf8(p.readAllStandardError()).trimmed();
        return p.exitCode();
    };
    if (!write.isEmpty())
        QCOMPARE(run(write), 0);
    QCOMPARE(run(read), exitCode);
    if (exitCode != 0) {
        QVERIFY(out.isEmpty());
        QVERIFY2(err.contains(expected), qPrintable(err));
        return;
    }
    QVERIFY2(!out.contains('\n'), qPrintable(out));
    QJsonValue v = QJsonDocument::fromJson(out.toUtf8()).object();
    for (const QString &part : expected.section('=', 0, 0).split('/')) {
        bool index = false;
        const int i = part.toInt(&index);
        v = index && v.isArray() ? v.toArray().at(i) : v.toObject().value(part);
    }
    QCOMPARE(v.toVariant().toString(), expected.section('=', 1));
}

QTEST_MAIN(TestBusService)
#include "tst_busservice.moc"
