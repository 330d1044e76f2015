// Length-prefixed JSON on the bus: taking messages out of a byte stream and reading answers.

#include "appbusframereader.h"
#include "appbusprotocol.h"
#include "busframebytes.h"

#include <QJsonDocument>
#include <QtTest>

using bus::AppBusFrameReader;
namespace protocol = bus::protocol;

Q_DECLARE_METATYPE(AppBusFrameReader::Result)

namespace {

QJsonObject json(const char *text)
{
    return QJsonDocument::fromJson(text).object();
}

} // namespace

class TestBusFraming : public QObject
{
    Q_OBJECT

private slots:
    void frameLayout();
    void chunks_data();
    void chunks();
    void badStreams_data();
    void badStreams();
    void answers_data();
    void answers();
};

// Big-endian length of the compact JSON text in front of it.
void TestBusFraming::frameLayout()
{
    const QByteArray f = protocol::frame(protocol::load(258, QStringLiteral("ä")));
    const QByteArray body = f.mid(4);
    QCOMPARE(f.left(4), header(quint32(body.size())));
    QCOMPARE(QJsonDocument::fromJson(body).object(), protocol::load(258, QStringLiteral("ä")));
    QVERIFY(!body.contains('\n'));
}

// The same three messages arrive whatever pieces the stream comes in: a reader that loses a
// partial header or body across reads fails a row.
void TestBusFraming::chunks_data()
{
    QTest::addColumn<int>("chunk");
    for (int n : { 1, 2, 3, 5, 7, 64, 100000 })
        QTest::newRow(qPrintable(QString::number(n))) << n;
}

void TestBusFraming::chunks()
{
    QFETCH(int, chunk);
    const QList<QJsonObject> messages { protocol::hello(QStringLiteral("orvaconfig"), true),
        protocol::call(1, QStringLiteral("getCashiers"), QJsonObject()),
        protocol::object(0, QStringLiteral("fiscal.fsstatus"),
            QJsonObject { { "fsNumber", QString(3000, QLatin1Char('9')) } }) };
    QByteArray stream;
    for (const QJsonObject &m : messages)
        stream += protocol::frame(m);

    AppBusFrameReader reader;
    QList<QJsonObject> got;
    for (int at = 0; at < stream.size(); at += chunk) {
        reader.append(stream.mid(at, chunk));
        QJsonObject m;
        QString error;
        AppBusFrameReader::Result r;
        while ((r = reader.next(&m, &error)) == AppBusFrameReader::Message)
            got << m;
        QCOMPARE(r, AppBusFrameReader::NeedMore);
    }
    QCOMPARE(got, messages);
    QCOMPARE(reader.buffered(), 0);
}

// What the reader makes of bad input, message by message until it needs more.
void TestBusFraming::badStreams_data()
{
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<QList<AppBusFrameReader::Result>>("results");
    using R = AppBusFrameReader;
    auto row = [](const char *name, const QByteArray &stream, const QList<R::Result> &results) {
        QTest::newRow(name) << stream << results;
    };
    const QByteArray good = frameOf(R"({"type":"hello"})");
    row("bad JSON, then a good one", frameOf("{\"type\":") + good,
        { R::BadMessage, R::Message, R::NeedMore });
    row("an array", frameOf("[1]") + good, { R::BadMessage, R::Message, R::NeedMore });
    row("no type", frameOf(R"({"id":1})"), { R::BadMessage, R::NeedMore });
    row("type a number", frameOf(R"({"type":1})"), { R::BadMessage, R::NeedMore });
    // Found by the fuzzer: a name with a NUL does not read back as itself once sent on.
    row("NUL in a member name", frameOf("{\"type\":\"a\",\"x\\u0000y\":1}") + good,
        { R::BadMessage, R::Message, R::NeedMore });
    row("text in front of the JSON", frameOf(R"(x{"type":"a"})"), { R::BadMessage, R::NeedMore });
    row("length zero", header(0) + good, { R::Fatal, R::Fatal });
    row("length one past the limit", header(quint32(protocol::MAX_MESSAGE_SIZE) + 1) + good,
        { R::Fatal, R::Fatal });
    row("length 4 GiB", header(0xFFFFFFFF), { R::Fatal });
    row("body cut short", header(50) + "{\"type\":\"a\"}", { R::NeedMore });
    row("header cut short", header(5).left(3), { R::NeedMore });
}

void TestBusFraming::badStreams()
{
    QFETCH(QByteArray, stream);
    QFETCH(QList<AppBusFrameReader::Result>, results);
    AppBusFrameReader reader;
    reader.append(stream);
    for (const AppBusFrameReader::Result expected : results) {
        QJsonObject m;
        QString error;
        const AppBusFrameReader::Result r = reader.next(&m, &error);
        QCOMPARE(r, expected);
        QCOMPARE(
            error.isEmpty(), r == AppBusFrameReader::Message || r == AppBusFrameReader::NeedMore);
    }
    // A broken stream stays broken: nothing after it is ever read as a message.
    if (reader.isBroken()) {
        reader.append(frameOf(R"({"type":"hello"})"));
        QJsonObject m;
        QString error;
        QCOMPARE(reader.next(&m, &error), AppBusFrameReader::Fatal);
    }
}

// Which messages a client takes as an answer, and what it reads from them.
void TestBusFraming::answers_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<int>("kind"); // -1: not an answer
    QTest::addColumn<quint64>("id");
    QTest::addColumn<int>("code");

    using O = bus::AppBusObject;
    auto row = [](const char *name, const char *json, int kind = -1, quint64 id = 0, int code = 0) {
        QTest::newRow(name) << QByteArray(json) << kind << id << code;
    };
    row("reply", R"({"type":"reply","id":9007199254740992,"ok":true,"result":{"a":1}})", O::Reply,
        9007199254740992ULL);
    row("refusal", R"({"type":"reply","id":2,"ok":false,"error":{"code":3,"text":"t"}})", O::Reply,
        2, 3);
    row("error", R"({"type":"error","id":6,"error":{"code":101,"text":"x"}})", O::Reply, 6, 101);
    row("pushed object", R"({"type":"object","name":"n","content":{}})", O::Object);
    row("progress", R"({"type":"progress","id":4,"min":0,"max":3,"value":1})", O::Progress, 4);
    row("reply without ok", R"({"type":"reply","id":2})");
    row("refusal with code 0", R"({"type":"reply","id":2,"ok":false,"error":{"code":0}})");
    row("refusal with code 1.5", R"({"type":"reply","id":2,"ok":false,"error":{"code":1.5}})");
    row("result a list", R"({"type":"reply","id":2,"ok":true,"result":[]})");
    row("object without name", R"({"type":"object","id":1,"content":{}})");
    row("object content a list", R"({"type":"object","name":"n","content":[]})");
    row("progress without id", R"({"type":"progress","value":1})");
    row("progress value as text", R"({"type":"progress","id":4,"value":"1"})");
    row("id 0.5", R"({"type":"reply","id":0.5,"ok":true})");
    row("id past 2^53", R"({"type":"reply","id":1e300,"ok":true})");
    row("welcome", R"({"type":"welcome","version":1})");
}

void TestBusFraming::answers()
{
    QFETCH(QByteArray, message);
    QFETCH(int, kind);
    QFETCH(quint64, id);
    QFETCH(int, code);
    bus::AppBusObject answer;
    answer.setName(QStringLiteral("untouched"));
    QCOMPARE(protocol::toAnswer(json(message.constData()), &answer), kind >= 0);
    if (kind < 0) {
        QCOMPARE(answer.name(), QStringLiteral("untouched"));
        return;
    }
    QCOMPARE(int(answer.kind()), kind);
    QCOMPARE(answer.requestId(), id);
    QCOMPARE(answer.errorCode(), code);
}

QTEST_MAIN(TestBusFraming)
#include "tst_busframing.moc"
