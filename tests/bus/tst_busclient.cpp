// The client layer against a service of the test's own that answers as badly as it can.

#include "appbusframereader.h"
#include "appbusprotocol.h"
#include "busframebytes.h"
#include "cashboxbuscontroller.h"
#include "frcoreerror.h"
#include "frcoreexternalapi.h"

#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>

namespace protocol = bus::protocol;

namespace {

// Says welcome to every hello and hands every other request to the test's answer.
class FakeService : public QObject
{
public:
    typedef std::function<void(QLocalSocket *socket, quint64 id)> Answer;

    explicit FakeService(const QString &name)
    {
        connect(&m_server, &QLocalServer::newConnection, this, [this]() {
            while (QLocalSocket *s = m_server.nextPendingConnection()) {
                auto *reader = new bus::AppBusFrameReader;
                connect(s, &QObject::destroyed, [reader]() { delete reader; });
                connect(s, &QLocalSocket::readyRead, this, [this, s, reader]() {
                    reader->append(s->readAll());
                    QJsonObject m;
                    QString error;
                    while (reader->next(&m, &error) == bus::AppBusFrameReader::Message) {
                        quint64 id = 0;
                        protocol::messageId(m, &id);
                        const QString type = m.value("type").toString();
                        if (type == protocol::HELLO)
                            s->write(protocol::frame(protocol::welcome("fake")));
                        else if (type == protocol::CALL && answer)
                            answer(s, id);
                    }
                });
            }
        });
        m_server.listen(name);
    }

    Answer answer;

private:
    QLocalServer m_server;
};

} // namespace

Q_DECLARE_METATYPE(FakeService::Answer)

class TestBusClient : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void badAnswers_data();
    void badAnswers();
    void progressKeepsTheCallAlive();
    void stopWhileServiceSilent();

private:
    QTemporaryDir m_dir;
    FakeService *m_service = nullptr;
    CashboxBusController *m_controller = nullptr;
    core::FrcoreExternalApi *m_api = nullptr;
};

void TestBusClient::init()
{
    const QString name = m_dir.path() + QStringLiteral("/fake.sock");
    m_service = new FakeService(name);
    m_controller = new CashboxBusController;
    m_controller->setServerName(name);
    m_controller->start();
    m_api = m_controller->createFrcoreApi(m_controller);
    m_api->setTimeout(3000);
}

void TestBusClient::cleanup()
{
    delete m_controller;
    delete m_service;
}

// Each bad answer ends the call with its own error, inside the time limit, and the next
// call on the same client still works.
void TestBusClient::badAnswers_data()
{
    QTest::addColumn<FakeService::Answer>("answer");
    QTest::addColumn<int>("code");
    auto row = [](const char *name, int code, const FakeService::Answer &answer) {
        QTest::newRow(name) << answer << code;
    };
    row("not JSON", core::ErrorProtocol,
        [](QLocalSocket *s, quint64) { s->write(header(9) + "{\"type\":\""); });
    row("reply without ok", core::ErrorProtocol, [](QLocalSocket *s, quint64 id) {
        s->write(protocol::frame(QJsonObject { { "type", "reply" }, { "id", double(id) } }));
    });
    row("length past the limit", core::ErrorProtocol,
        [](QLocalSocket *s, quint64) { s->write(header(0x7FFFFFF0) + "{}"); });
    row("cut off, then closed", core::ErrorNoService, [](QLocalSocket *s, quint64) {
        s->write(header(100) + "{\"type\":\"reply\"");
        s->flush();
        s->disconnectFromServer();
    });
    // Waited out: the row runs with a short time limit.
    row("reply to another request", core::ErrorTimeout, [](QLocalSocket *s, quint64 id) {
        s->write(protocol::frame(protocol::reply(id + 1000, QJsonObject())));
    });
    row("cashiers that are no list", core::ErrorProtocol, [](QLocalSocket *s, quint64 id) {
        s->write(protocol::frame(protocol::reply(id, QJsonObject { { "cashiers", "Иванов" } })));
    });
    row("refusal", 42, [](QLocalSocket *s, quint64 id) {
        s->write(protocol::frame(protocol::errorReply(id, 42, "нет")));
    });
}

void TestBusClient::badAnswers()
{
    QFETCH(FakeService::Answer, answer);
    QFETCH(int, code);
    m_service->answer = answer;
    m_api->setTimeout(code == core::ErrorTimeout ? 300 : 5000);
    QElapsedTimer t;
    t.start();
    QList<core::Cashier> cashiers { core::Cashier("остается", "", 1) };
    QVERIFY(!m_api->getCashiers(cashiers));
    QCOMPARE(m_api->lastError(), code);
    QVERIFY2(t.elapsed() < 3000, qPrintable(QString::number(t.elapsed())));
    QCOMPARE(cashiers.size(), 1);
    QCOMPARE(cashiers.first().name(), QStringLiteral("остается"));

    m_service->answer = [](QLocalSocket *s, quint64 id) {
        s->write(
            protocol::frame(protocol::reply(id, QJsonObject { { "cashiers", QJsonArray() } })));
    };
    m_api->setTimeout(5000);
    QVERIFY2(m_api->getCashiers(cashiers), qPrintable(m_api->lastErrorText()));
    QVERIFY(cashiers.isEmpty());
}

// Progress messages restart the time limit and reach the progress signals; a call whose
// service keeps reporting outlives the limit.
void TestBusClient::progressKeepsTheCallAlive()
{
    m_service->answer = [](QLocalSocket *s, quint64 id) {
        for (int step = 1; step <= 4; ++step) {
            QTimer::singleShot(400 * step, s,
                [s, id, step]() { s->write(protocol::frame(protocol::progress(id, 0, 4, step))); });
        }
        QTimer::singleShot(
            1900, s, [s, id]() { s->write(protocol::frame(protocol::reply(id, QJsonObject()))); });
    };
    // Each step comes well within the limit; the whole call takes nearly twice as long.
    m_api->setTimeout(1000);
    QSignalSpy range(m_api, &core::FrcoreExternalApi::progressRange);
    QSignalSpy value(m_api, &core::FrcoreExternalApi::progressValue);
    int code = -100;
    QString text;
    QVERIFY2(m_api->activate(core::Cashier("А", "", 1), false, {}, code, text), qPrintable(text));
    QCOMPARE(code, 0);
    QCOMPARE(range.count(), 4);
    QCOMPARE(range.first(), (QVariantList { 0, 4 }));
    QCOMPARE(value.count(), 4);
    QCOMPARE(value.last().first().toInt(), 4);
}

// The fake never answers a load: the query worker sits in one when the controller stops,
// and the stop must not wait out the load's time limit (the configurator would hang at exit).
void TestBusClient::stopWhileServiceSilent()
{
    QTest::qWait(300);
    QElapsedTimer t;
    t.start();
    m_controller->stop();
    QVERIFY2(t.elapsed() < 2000, qPrintable(QString::number(t.elapsed())));
    QVERIFY(!m_controller->isStarted());
}

QTEST_MAIN(TestBusClient)
#include "tst_busclient.moc"
