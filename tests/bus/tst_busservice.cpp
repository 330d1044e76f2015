// The client layer against orvaemu's fiscal core service over a real local socket.

#include "appbusframereader.h"
#include "appbusprotocol.h"
#include "busfixture.h"
#include "busfrcoresettings.h"
#include "cashboxbuscontroller.h"
#include "fiscaldocpropertytemplateloader.h"
#include "frcoreerror.h"
#include "frcoreexternalapi.h"
#include "fsstatus.h"
#include "regdata.h"
#include "sharedobjectsstorage.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QtTest>

#include <signal.h>
#include <sys/stat.h>

using core::FrcoreExternalApi;

namespace {

// The registration page's property list for the fixture's register, with changes.
fiscal::FiscalDocProperties registrationProperties(const QVariantMap &changes)
{
    QVariantMap values {
        { "1018", "7707083893" },
        { "1048", "ООО \"Ромашка\"" },
        { "1037", "0000000001008049" },
        { "1060", "www.nalog.gov.ru" },
        { "1117", "kkt@example.ru" },
        { "1009", "г. Тверь, ул. Новая, 2" },
        { "1187", "Касса 1" },
        { "1017", "7704211201" },
        { "1046", "Такском" },
        { "1057", 0u },
        { "1062", 1u },
        { "1001", false },
        { "1002", false },
    };
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

// The first message of the socket within the wait, or an empty object.
QJsonObject readMessage(QLocalSocket &socket, bus::AppBusFrameReader &reader, int msecs = 5000)
{
    QElapsedTimer t;
    t.start();
    for (;;) {
        QJsonObject message;
        QString error;
        if (reader.next(&message, &error) == bus::AppBusFrameReader::Message)
            return message;
        if (t.elapsed() > msecs || socket.state() != QLocalSocket::ConnectedState)
            return QJsonObject();
        if (socket.waitForReadyRead(100))
            reader.append(socket.readAll());
    }
}

int errorCode(const QJsonObject &message)
{
    return message.value(QStringLiteral("error")).toObject().value(QStringLiteral("code")).toInt();
}

QByteArray header(quint32 n)
{
    return QByteArray(1, char(n >> 24)) + char(n >> 16) + char(n >> 8) + char(n);
}

} // namespace

class TestBusService : public QObject, public BusFixture
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void roundTrip_data();
    void roundTrip();
    void refused_data();
    void refused();
    void registration_data();
    void registration();
    void primaryRegistrationSeenOverAtol();
    void registrationInTheFiscalStorage();
    void cashOverAtolSeenOnBus();
    void sharedObjectsAfterStart();
    void settingsMapForThePages();
    void serviceBackWithNewData();
    void socketForOwnerOnly();
    void noBusOnAPortOfItsOwn();
    void serviceAbsent();
    void serviceSilent_data();
    void serviceSilent();
    void serviceDiesMidCall();
    void malformedRequests_data();
    void malformedRequests();

private:
    bool restartService(const QStringList &arguments = QStringList());
};

void TestBusService::initTestCase()
{
    setUpProfile();
}

void TestBusService::cleanupTestCase()
{
    tearDownProfile();
}

void TestBusService::init()
{
    QVERIFY(startService());
    startClient();
}

void TestBusService::cleanup()
{
    stopClient();
    stopService();
}

bool TestBusService::restartService(const QStringList &arguments)
{
    m_emu->stop();
    m_emu.reset(new ServiceProcess);
    return m_emu->start(
        QStringList { QStringLiteral("--bus"), busName(), QStringLiteral("--state"), statePath() }
        + arguments);
}

// Each value is written, read back through a new connection to a restarted service, and
// compared: a field lost on the way out, in the service, in the state file or on the way
// back fails its row.
void TestBusService::roundTrip_data()
{
    QTest::addColumn<QString>("what");
    QTest::addColumn<QVariant>("value");

    QTest::newRow("cashiers") << "cashiers"
                              << QVariant::fromValue(QList<core::Cashier> {
                                     core::Cashier(
                                         "Иванова А. П., старший кассир", "500100732259", 3),
                                     core::Cashier("Петров", QString(), 99999999) });
    QTest::newRow("sections") << "sections"
                              << QVariant::fromValue(
                                     QList<core::Section> { core::Section("Хлеб", fiscal::TaxVat10),
                                         core::Section("Услуги", fiscal::TaxNoVat) });
    QTest::newRow("discounts") << "discounts"
                               << QVariant::fromValue(QList<fiscal::CheckDiscount> {
                                      fiscal::CheckDiscount("Пенсионная", true),
                                      fiscal::CheckDiscount("Доставка", false) });
    core::AtolTaxMap taxes;
    const int ffd10[] = { 5, 2, 1, 6, 4, 3 };
    for (quint8 i = 1; i <= 6; ++i)
        taxes.setRate(i, fiscal::TaxRate(ffd10[i - 1]));
    QTest::newRow("tax map") << "taxMap" << QVariant::fromValue(taxes);
    QTest::newRow("ofd") << "ofd"
                         << QVariant::fromValue(core::OfdSettings(
                                "ofd.example.ru", 65535, "https://check.example.ru/", 60000));
    core::FrPrinterSettings printer;
    printer.setType(core::PrinterCustomVkp80);
    printer.setPortName("/dev/ttyUSB1");
    printer.setBaudrate(9600);
    printer.setSymbolsPerLine(100);
    QTest::newRow("printer") << "printer" << QVariant::fromValue(printer);
    QTest::newRow("model data") << "model"
                                << QVariant(QVariantMap { { "model", 255 }, { "name", "ORVA-200" },
                                       { "ver", "0102030405" } });
    QTest::newRow("driver settings")
        << "settings" << QVariant(QVariantMap { { "hostRs", "COM6" }, { "extra", 5 } });
}

void TestBusService::roundTrip()
{
    QFETCH(QString, what);
    QFETCH(QVariant, value);

    QVariant back;
    for (int pass = 0; pass < 2; ++pass) {
        if (pass == 0) {
            if (what == "cashiers")
                QVERIFY2(m_api->setCashiers(value.value<QList<core::Cashier>>()),
                    qPrintable(m_api->lastErrorText()));
            else if (what == "sections")
                QVERIFY2(m_api->setSections(value.value<QList<core::Section>>()),
                    qPrintable(m_api->lastErrorText()));
            else if (what == "discounts")
                QVERIFY(m_api->setDiscounts(value.value<QList<fiscal::CheckDiscount>>()));
            else if (what == "taxMap")
                QVERIFY2(m_api->setTaxMap(value.value<core::AtolTaxMap>()),
                    qPrintable(m_api->lastErrorText()));
            else if (what == "ofd")
                QVERIFY(m_api->setOfdSettings(value.value<core::OfdSettings>()));
            else if (what == "printer")
                QVERIFY(m_api->setPrinterSettings(value.value<core::FrPrinterSettings>()));
            else if (what == "model")
                QCOMPARE(m_api->setAtolModelData(value.toMap()), value.toMap());
            else
                QCOMPARE(m_api->setFrCoreSettings(value.toMap()), value.toMap());
            QVERIFY(restartService());
        }
        if (what == "cashiers") {
            QList<core::Cashier> list;
            QVERIFY(m_api->getCashiers(list));
            back = QVariant::fromValue(list);
        } else if (what == "sections") {
            QList<core::Section> list;
            QVERIFY(m_api->getSections(list));
            back = QVariant::fromValue(list);
        } else if (what == "discounts") {
            QList<fiscal::CheckDiscount> list;
            QVERIFY(m_api->getDiscounts(list));
            back = QVariant::fromValue(list);
        } else if (what == "taxMap") {
            back = QVariant::fromValue(m_api->getTaxMap());
        } else if (what == "ofd") {
            core::OfdSettings s;
            QVERIFY(m_api->getOfdSettings(s));
            back = QVariant::fromValue(s);
        } else if (what == "printer") {
            core::FrPrinterSettings s;
            QVERIFY(m_api->getPrinterSettings(s));
            back = QVariant::fromValue(s);
        } else if (what == "model") {
            back = m_api->getAtolModelData();
        } else {
            back = m_api->getFrCoreSettings();
        }
        QCOMPARE(m_api->lastError(), 0);
    }
    if (what == "cashiers")
        QCOMPARE(back.value<QList<core::Cashier>>(), value.value<QList<core::Cashier>>());
    else if (what == "sections")
        QCOMPARE(back.value<QList<core::Section>>(), value.value<QList<core::Section>>());
    else if (what == "discounts")
        QCOMPARE(back.value<QList<fiscal::CheckDiscount>>(),
            value.value<QList<fiscal::CheckDiscount>>());
    else if (what == "taxMap")
        QVERIFY(back.value<core::AtolTaxMap>() == value.value<core::AtolTaxMap>());
    else if (what == "ofd")
        QVERIFY(back.value<core::OfdSettings>() == value.value<core::OfdSettings>());
    else if (what == "printer")
        QVERIFY(back.value<core::FrPrinterSettings>() == value.value<core::FrPrinterSettings>());
    else
        QCOMPARE(back.toMap(), value.toMap());
}

// Data a fiscal core would refuse are refused whole, with the service's code and a text
// naming what was wrong, and nothing of them is kept.
void TestBusService::refused_data()
{
    QTest::addColumn<QString>("op"); // "publish:NAME" and "load:NAME" go to objects
    QTest::addColumn<QByteArray>("arguments");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");

    const int invalid = core::ErrorInvalidData;
    QTest::newRow("same password twice")
        << "setCashiers"
        << QByteArray(R"({"cashiers":[{"name":"А","password":5},{"name":"Б","password":5}]})")
        << invalid << "пароль 5";
    QTest::newRow("cashier INN with a wrong digit")
        << "setCashiers"
        << QByteArray(R"({"cashiers":[{"name":"А","password":5,"inn":"500100732258"}]})") << invalid
        << "ИНН";
    QTest::newRow("password of nine digits")
        << "setCashiers" << QByteArray(R"({"cashiers":[{"name":"А","password":100000000}]})")
        << invalid << "8 цифр";
    QTest::newRow("cashiers not a list")
        << "setCashiers" << QByteArray(R"({"cashiers":{}})") << invalid << "cashiers";
    QTest::newRow("tax rate 7") << "setSections"
                                << QByteArray(R"({"sections":[{"name":"А","tax":7}]})") << invalid
                                << "ставка";
    QTest::newRow("tax rate 0") << "setSections"
                                << QByteArray(R"({"sections":[{"name":"А","tax":0}]})") << invalid
                                << "ставка";
    QTest::newRow("blank section")
        << "setSections" << QByteArray(R"({"sections":[{"name":" ","tax":1}]})") << invalid
        << "наименование";
    QTest::newRow("discount name too long")
        << "setDiscounts"
        << QByteArray(
               R"({"discounts":[{"name":")" + QByteArray(65, 'x') + R"(","isDiscount":true}]})")
        << invalid << "длиннее";
    QTest::newRow("tax map without index 6")
        << "publish:core.atoltaxmap" << QByteArray(R"({"1":1,"2":2,"3":3,"4":4,"5":5})") << invalid
        << "Налог 6";
    QTest::newRow("tax map index 7")
        << "publish:core.atoltaxmap" << QByteArray(R"({"1":1,"2":2,"3":3,"4":4,"5":5,"6":6,"7":1})")
        << invalid << "1..6";
    QTest::newRow("poll interval 50 ms")
        << "setOfdSettings" << QByteArray(R"({"queryInterval":50})") << invalid << "100";
    QTest::newRow("OFD port as text")
        << "setOfdSettings" << QByteArray(R"({"port":"7777"})") << invalid << "формат";
    QTest::newRow("printer type 9")
        << "setPrinterSettings" << QByteArray(R"({"type":9})") << invalid << "тип";
    QTest::newRow("printer at 1234 baud")
        << "setPrinterSettings" << QByteArray(R"({"type":1,"baudrate":1234})") << invalid << "1234";
    QTest::newRow("10 characters a line")
        << "setPrinterSettings" << QByteArray(R"({"type":3,"symbolsPerLine":10})") << invalid
        << "24";
    QTest::newRow("model 0") << "setAtolModelData"
                             << QByteArray(R"({"model":0,"name":"X","ver":"0102030405"})")
                             << invalid << "номер модели";
    QTest::newRow("model without a name")
        << "setAtolModelData" << QByteArray(R"({"model":1,"name":"","ver":"0102030405"})")
        << invalid << "наименование";
    QTest::newRow("version of five digits")
        << "setAtolModelData" << QByteArray(R"({"model":1,"name":"X","ver":"12345"})") << invalid
        << "десяти";
    QTest::newRow("empty hostRs") << "publish:settings.frcore" << QByteArray(R"({"hostRs":""})")
                                  << invalid << "hostRs";
    QTest::newRow("unknown operation")
        << "format" << QByteArray("{}") << int(core::ErrorBadRequest) << "format";
    QTest::newRow("unknown object") << "load:core.nothing" << QByteArray("{}")
                                    << int(core::ErrorUnknownObject) << "core.nothing";
    QTest::newRow("writing the storage state") << "publish:fiscal.fsstatus" << QByteArray("{}")
                                               << int(core::ErrorReadOnly) << "fiscal.fsstatus";
}

void TestBusService::refused()
{
    QFETCH(QString, op);
    QFETCH(QByteArray, arguments);
    QFETCH(int, code);
    QFETCH(QString, text);

    const QJsonObject before = stateJson().value("core").toObject();
    const QVariantMap args = QJsonDocument::fromJson(arguments).object().toVariantMap();
    QVariantMap result;
    bool ok = false;
    if (op.startsWith("publish:"))
        ok = m_api->store(op.mid(8), args, result);
    else if (op.startsWith("load:"))
        ok = m_api->load(op.mid(5), result);
    else
        ok = m_api->call(op, args, result);
    QVERIFY(!ok);
    QCOMPARE(m_api->lastError(), code);
    QVERIFY2(m_api->lastErrorText().contains(text), qPrintable(m_api->lastErrorText()));
    QCOMPARE(stateJson().value("core").toObject(), before);
}

// What the fiscal core says to registrations the page may send, and what they change.
void TestBusService::registration_data()
{
    QTest::addColumn<QVariantMap>("changes"); // tag -> value; an invalid value removes the tag
    QTest::addColumn<bool>("preview");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("registrations"); // afterwards
    QTest::addColumn<QString>("document"); // last printed document's type, empty when none

    const int invalid = core::ErrorInvalidData;
    QTest::newRow("preview of a re-registration")
        << QVariantMap { { "1101", 4 } } << true << 0 << QString() << 1 << "registrationPreview";
    QTest::newRow("re-registration, new settings")
        << QVariantMap { { "1101", 4 } } << false << 0 << QString() << 2 << "registration";
    QTest::newRow("primary registration of a registered register")
        << QVariantMap() << false << int(core::ErrorAlreadyRegistered) << "перерегистрация" << 1
        << "";
    QTest::newRow("storage replaced without closing its archive")
        << QVariantMap { { "1101", 1 } } << false << int(core::ErrorFsState) << "Архив" << 1 << "";
    QTest::newRow("reason 9") << QVariantMap { { "1101", 9 } } << false << invalid << "1101" << 1
                              << "";
    QTest::newRow("registration number, last digit wrong")
        << QVariantMap { { "1101", 4 }, { "1037", "0000000001008048" } } << false << invalid
        << "1037" << 1 << "";
    QTest::newRow("user INN, last digit wrong")
        << QVariantMap { { "1101", 4 }, { "1018", "7707083894" } } << false << invalid << "1018"
        << 1 << "";
    QTest::newRow("other user without a new storage")
        << QVariantMap { { "1101", 3 }, { "1018", "7704211201" }, { "1037", "0000000001005363" } }
        << false << invalid << "ИНН" << 1 << "";
    QTest::newRow("OFD INN, last digit wrong")
        << QVariantMap { { "1101", 2 }, { "1017", "7704211202" } } << false << invalid << "1017"
        << 1 << "";
    QTest::newRow("autonomous without an OFD INN") << QVariantMap {
        { "1101", 2 }, { "1002", true }, { "1017", QVariant() }, { "1046", "0000000000" }
    } << false << 0 << QString() << 2 << "registration";
    QTest::newRow("automat without its number")
        << QVariantMap { { "1101", 4 }, { "1001", true } } << false << invalid << "1036" << 1 << "";
    QTest::newRow("no tax system")
        << QVariantMap { { "1101", 4 }, { "1062", 0u } } << false << invalid << "1062" << 1 << "";
    QTest::newRow("no address") << QVariantMap { { "1101", 4 }, { "1009", QVariant() } } << false
                                << invalid << "1009" << 1 << "";
    QTest::newRow("e-mail without @") << QVariantMap { { "1101", 4 }, { "1117", "kkt.example.ru" } }
                                      << false << invalid << "1117" << 1 << "";
}

void TestBusService::registration()
{
    QFETCH(QVariantMap, changes);
    QFETCH(bool, preview);
    QFETCH(int, code);
    QFETCH(QString, text);
    QFETCH(int, registrations);
    QFETCH(QString, document);

    QTRY_VERIFY_WITH_TIMEOUT(
        bus::SharedObjectsStorage::contains(fiscal::RegData::BUS_OBJECT_NAME), WAIT_MS);
    int errorCode = -100;
    QString errorText;
    const bool ok
        = m_api->activate(ADMIN, preview, registrationProperties(changes), errorCode, errorText);
    QCOMPARE(ok, code == 0);
    QCOMPARE(errorCode, code);
    QVERIFY2(errorText.contains(text), qPrintable(errorText));

    core::FrCoreFullState state;
    QVERIFY(m_api->getFullFrCoreState(state));
    QCOMPARE(state.fsStatus().lifeTime().completedRegistrations(), registrations);
    const QList<QJsonObject> docs = journal();
    QCOMPARE(docs.isEmpty() ? QString() : docs.last().value("type").toString(), document);
    if (ok && !preview) {
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
}

// A register registered through the bus is registered for the ATOL link too: its state
// answer's flags and its tag reads show the new registration.
void TestBusService::primaryRegistrationSeenOverAtol()
{
    stopClient();
    QVERIFY(startService(QStringList(), false));
    startClient();
    QString out;
    QCOMPARE(orvactl({ "raw", "3f" }, &out), 0);
    QCOMPARE(QByteArray::fromHex(out.toLatin1()).at(9) & 0x01, 0);

    int code = 0;
    QString text;
    fiscal::FiscalDocProperties props;
    QVERIFY(!m_api->getRegistrationInfo(ADMIN, props, code, text));
    QCOMPARE(code, int(core::ErrorNotRegistered));

    QSignalSpy range(m_api, &FrcoreExternalApi::progressRange);
    QSignalSpy value(m_api, &FrcoreExternalApi::progressValue);
    QVERIFY2(
        m_api->activate(ADMIN, false, registrationProperties({}), code, text), qPrintable(text));
    QVERIFY(range.count() >= 1);
    QCOMPARE(range.last(), (QVariantList { 0, 3 }));
    QCOMPARE(value.last().first().toInt(), 3);

    QCOMPARE(orvactl({ "raw", "3f" }, &out), 0);
    QCOMPARE(QByteArray::fromHex(out.toLatin1()).at(9) & 0x01, 0x01);
    QCOMPARE(orvactl({ "mode", "6" }, &out), 0);
    QCOMPARE(orvactl({ "raw", "e9", "fa0300" }, &out), 0); // tag 1018
    QVERIFY2(out.endsWith(QString::fromLatin1(QByteArray("7707083893").toHex())), qPrintable(out));
    QVERIFY(m_api->getRegistrationInfo(ADMIN, props, code, text));
}

// A re-registration is a fiscal document of the storage like any other: kept under its
// number with its parameters, and, with the operator away, waiting for its ticket.
void TestBusService::registrationInTheFiscalStorage()
{
    QVERIFY(restartService({ "--offline" }));
    int code = 0;
    QString text;
    QVERIFY2(m_api->activate(ADMIN, false, registrationProperties({ { "1101", 4 } }), code, text),
        qPrintable(text));
    core::FrCoreFullState state;
    QVERIFY(m_api->getFullFrCoreState(state));
    const fiscal::FsStatus fs = state.fsStatus();
    QCOMPARE(fs.lastDocNumber(), 2u);
    QCOMPARE(fs.transportState().offlineDocsCount(), 1u);
    QCOMPARE(fs.transportState().firstDocNumber(), 2u);
    QVERIFY(fs.transportState().firstDocDt().isValid());
    const QJsonArray documents = stateJson().value("fnDocuments").toArray();
    QCOMPARE(documents.size(), 2);
    const QJsonObject last = documents.last().toObject();
    QCOMPARE(last.value("type").toString(), QStringLiteral("registration"));
    QCOMPARE(last.value("fd").toInt(), 2);
    QCOMPARE(
        last.value("parameters").toObject().value("1187").toString(), QStringLiteral("Касса 1"));
}

// Cash put in over the ATOL link is the full state's cash; the shift it opened is the
// storage state's open shift, which subscribed clients are sent.
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
    QVERIFY(state.cycleOpened().isValid());
    QVERIFY(!state.cycleClosed().isValid());
    QVERIFY(state.fsStatus().cycleIsOpen());
    bus::AppBusObject object;
    QTRY_VERIFY_WITH_TIMEOUT(bus::SharedObjectsStorage::get(fiscal::FsStatus::OBJECT_NAME, object)
            && object.content().value("cycleIsOpen").toBool(),
        WAIT_MS);

    // A registration under an open shift is refused.
    int code = 0;
    QString text;
    QVERIFY(!m_api->activate(ADMIN, false, registrationProperties({ { "1101", 4 } }), code, text));
    QCOMPARE(code, int(core::ErrorFsState));
}

// After start the query worker has put the registration data, the cashiers and the storage
// state into the shared storage, with the register's serial beside the storage state.
void TestBusService::sharedObjectsAfterStart()
{
    stopClient();
    bus::SharedObjectsStorage::clear();
    m_controller = new CashboxBusController;
    m_controller->setServerName(busName());
    QSignalSpy ready(m_controller, &CashboxBusController::settingsReady);
    m_controller->start();
    QVERIFY(ready.wait(WAIT_MS));
    bus::AppBusObject object;
    QVERIFY(bus::SharedObjectsStorage::get(fiscal::FsStatus::OBJECT_NAME, object));
    QCOMPARE(object.content().value("frSer").toString(), QStringLiteral("17000001"));
    fiscal::FsStatus fs;
    QVERIFY(fs.setMap(object.content()));
    QCOMPARE(fs.fsNumber(), QStringLiteral("9999078900012345"));
    QVERIFY(bus::SharedObjectsStorage::get(fiscal::RegData::BUS_OBJECT_NAME, object));
    QCOMPARE(object.content().value("userInn").toString(), INN);
    QVERIFY(bus::SharedObjectsStorage::get(core::Cashier::CASHIERS_OBJECT_NAME, object));
    QCOMPARE(object.content().value("cashiers").toList().size(), 2);

    QSignalSpy loaded(m_controller, &CashboxBusController::settingsLoaded);
    m_controller->downloadSettings();
    QVERIFY(loaded.wait(WAIT_MS));
}

// The settings map as the COM port pair page uses it: a key left out of a write is gone, and
// a write that did not reach the service says so.
void TestBusService::settingsMapForThePages()
{
    BusFrCoreSettings settings(m_controller);
    QVERIFY(settings.setFrCoreSettings({ { "hostRs", "COM6" }, { "other", "kept" } }));
    QCOMPARE(
        settings.getFrCoreSettings(), (QVariantMap { { "hostRs", "COM6" }, { "other", "kept" } }));
    QVERIFY(settings.setFrCoreSettings({ { "other", "kept" } }));
    QCOMPARE(settings.getFrCoreSettings(), (QVariantMap { { "other", "kept" } }));
    QVERIFY(settings.setFrCoreSettings({}));
    QVERIFY(settings.getFrCoreSettings().isEmpty());
    QCOMPARE(settings.api()->lastError(), 0);
    stopService();
    QVERIFY(!settings.setFrCoreSettings({ { "hostRs", "COM7" } }));
    QVERIFY(settings.getFrCoreSettings().isEmpty());
    QCOMPARE(settings.api()->lastError(), int(core::ErrorNoService));
}

// What changed while the service was away reaches the shared storage once it is back,
// although no change happens after the reconnection.
void TestBusService::serviceBackWithNewData()
{
    QTRY_VERIFY_WITH_TIMEOUT(
        bus::SharedObjectsStorage::contains(fiscal::RegData::BUS_OBJECT_NAME), WAIT_MS);
    m_emu->stop();
    QJsonObject state = stateJson();
    QJsonObject registration = state.value("registration").toObject();
    registration.insert("userName", "ИП Новиков");
    state.insert("registration", registration);
    QFile f(statePath());
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(QJsonDocument(state).toJson());
    f.close();
    QVERIFY(restartService());
    bus::AppBusObject object;
    QTRY_VERIFY_WITH_TIMEOUT(
        bus::SharedObjectsStorage::get(fiscal::RegData::BUS_OBJECT_NAME, object)
            && object.content().value("userName").toString() == "ИП Новиков",
        WAIT_MS);
    QVERIFY(bus::SharedObjectsStorage::contains(core::AtolTaxMap::OBJECT_NAME));
}

// Only the owner may open the service's socket (root passes any check, so the mode bits
// themselves are what is looked at).
void TestBusService::socketForOwnerOnly()
{
    struct stat st;
    QCOMPARE(::stat(QFile::encodeName(busName()).constData(), &st), 0);
    QVERIFY(S_ISSOCK(st.st_mode));
    QCOMPARE(int(st.st_mode & 0077), 0);
    QVERIFY(st.st_mode & S_IRUSR);
    QVERIFY(st.st_mode & S_IWUSR);
}

// An emulator on a port of its own serves the bus only when given a socket: emulators of
// tests running side by side would otherwise fight over the driver's one socket.
void TestBusService::noBusOnAPortOfItsOwn()
{
    ServiceProcess plain;
    QVERIFY(plain.start({ "--state", m_dir->path() + "/plain.json" }));
    QVERIFY2(!plain.output().contains("bus on"), qPrintable(plain.output()));
    QVERIFY2(m_emu->output().contains("bus on " + busName()), qPrintable(m_emu->output()));
}

// Without a service, or with a controller that was never started, a call fails at once
// with "no service" instead of sitting out its time limit.
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
    QVERIFY(api->getFrCoreSettings().isEmpty());
    QCOMPARE(api->lastError(), int(core::ErrorNoService));
}

// A service that stops answering gives a time-out within the limit; its late answer is not
// taken for the answer of the next call.
void TestBusService::serviceSilent_data()
{
    QTest::addColumn<bool>("stopProcess");
    QTest::newRow("answers held back") << false;
    QTest::newRow("process stopped") << true;
}

void TestBusService::serviceSilent()
{
    QFETCH(bool, stopProcess);
    if (!stopProcess)
        QVERIFY(restartService({ "--bus-delay", "4000" }));
    core::OfdSettings ofd;
    if (stopProcess) {
        QVERIFY(m_api->getOfdSettings(ofd)); // connected before it stops
        QCOMPARE(::kill(pid_t(m_emu->processId()), SIGSTOP), 0);
    }
    m_api->setTimeout(300);
    QElapsedTimer t;
    t.start();
    QList<core::Cashier> cashiers;
    QVERIFY(!m_api->getCashiers(cashiers));
    QCOMPARE(m_api->lastError(), int(core::ErrorTimeout));
    QVERIFY2(t.elapsed() < 3500, qPrintable(QString::number(t.elapsed())));
    if (stopProcess)
        QCOMPARE(::kill(pid_t(m_emu->processId()), SIGCONT), 0);
    m_api->setTimeout(WAIT_MS);
    QVERIFY2(m_api->getOfdSettings(ofd), qPrintable(m_api->lastErrorText()));
    QCOMPARE(ofd.address(), QStringLiteral("f1.taxcom.ru"));
}

// A service that goes away while a call waits ends the call at once.
void TestBusService::serviceDiesMidCall()
{
    QVERIFY(restartService({ "--bus-delay", "3000" }));
    m_api->setTimeout(20000);
    QTimer::singleShot(300, this, [this]() { m_emu->stop(); });
    QElapsedTimer t;
    t.start();
    QList<core::Section> sections;
    QVERIFY(!m_api->getSections(sections));
    QCOMPARE(m_api->lastError(), int(core::ErrorNoService));
    QVERIFY2(t.elapsed() < 10000, qPrintable(QString::number(t.elapsed())));
}

// Whatever a client sends, the service answers with an error or closes that connection,
// and goes on serving.
void TestBusService::malformedRequests_data()
{
    QTest::addColumn<bool>("hello"); // say hello first
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("staysOpen");

    const auto frame = [](const QByteArray &json) { return header(quint32(json.size())) + json; };
    QTest::newRow("not JSON") << false << frame("{\"type\":") << int(bus::protocol::BadMessage)
                              << true;
    QTest::newRow("JSON array") << false << frame("[1,2]") << int(bus::protocol::BadMessage)
                                << true;
    QTest::newRow("no type") << false << frame("{\"id\":1}") << int(bus::protocol::BadMessage)
                             << true;
    QTest::newRow("call before hello")
        << false << frame(R"({"type":"call","id":5,"op":"getCashiers"})")
        << int(bus::protocol::NotIntroduced) << true;
    QTest::newRow("protocol version 2") << false << frame(R"({"type":"hello","version":2})")
                                        << int(bus::protocol::UnsupportedVersion) << false;
    QTest::newRow("unknown type") << true << frame(R"({"type":"reset","id":3})")
                                  << int(bus::protocol::UnknownType) << true;
    QTest::newRow("call without id") << true << frame(R"({"type":"call","op":"getCashiers"})")
                                     << int(bus::protocol::BadMessage) << true;
    QTest::newRow("id of -1") << true << frame(R"({"type":"call","id":-1,"op":"getCashiers"})")
                              << int(bus::protocol::BadMessage) << true;
    QTest::newRow("arguments not an object")
        << true << frame(R"({"type":"call","id":4,"op":"setCashiers","args":[1]})")
        << int(bus::protocol::BadMessage) << true;
    QTest::newRow("length past the limit") << false << header(0x7FFFFFFF) + QByteArray(10, 'x')
                                           << int(bus::protocol::TooLarge) << false;
    QTest::newRow("length zero") << false << header(0) << int(bus::protocol::TooLarge) << false;
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
    if (hello) {
        socket.write(bus::protocol::frame(bus::protocol::hello("test", false)));
        QCOMPARE(readMessage(socket, reader).value("type").toString(), bus::protocol::WELCOME);
    }
    socket.write(bytes);
    const QJsonObject answer = readMessage(socket, reader);
    QCOMPARE(errorCode(answer), code);
    if (staysOpen) {
        if (!hello) {
            socket.write(bus::protocol::frame(bus::protocol::hello("test", false)));
            QCOMPARE(readMessage(socket, reader).value("type").toString(), bus::protocol::WELCOME);
        }
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

QTEST_MAIN(TestBusService)
#include "tst_busservice.moc"
