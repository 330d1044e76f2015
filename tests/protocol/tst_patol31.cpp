#include "devicecodec.h"
#include "patol31.h"

#include <QBuffer>
#include <QtTest>

// A readable channel that hands out fixed bytes and can close itself after a given count, as
// a link that drops in the middle of a frame.
class CannedChannel : public QIODevice
{
public:
    explicit CannedChannel(const QByteArray &bytes, int closeAfter = -1)
        : m_bytes(bytes), m_closeAfter(closeAfter)
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return m_bytes.size() - m_pos; }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        qint64 n = qMin<qint64>(maxSize, m_bytes.size() - m_pos);
        if (m_closeAfter >= 0)
            n = qMin<qint64>(n, m_closeAfter - m_pos);
        if (n <= 0)
            return 0;
        memcpy(data, m_bytes.constData() + m_pos, size_t(n));
        m_pos += int(n);
        if (m_pos == m_closeAfter)
            setOpenMode(QIODevice::NotOpen);
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_bytes;
    int m_closeAfter;
    int m_pos = 0;
};

namespace {

QStringList g_log;

void captureMessage(QtMsgType, const QMessageLogContext &, const QString &msg)
{
    g_log.append(msg);
}

bool logContains(const QString &text)
{
    for (const QString &line : qAsConst(g_log))
        if (line.contains(text))
            return true;
    return false;
}

} // namespace

class TestPAtol31 : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void crcCheckValue();
    void encode_data();
    void encode();
    void sendCommandWritesFrame();
    void sendCommandOnClosedChannel();
    void readFrame_data();
    void readFrame();
    void readClosedMidBody();
    void severalFramesInOneRead();
    void unstuffLeftToRight_data();
    void unstuffLeftToRight();

private:
    QtMessageHandler m_previousHandler = nullptr;
};

void TestPAtol31::init()
{
    g_log.clear();
    m_previousHandler = qInstallMessageHandler(captureMessage);
}

void TestPAtol31::cleanup()
{
    qInstallMessageHandler(m_previousHandler);
}

void TestPAtol31::crcCheckValue()
{
    // CRC-8/NRSC-5 check value; the device side's bitwise CRC must agree with the table.
    QCOMPARE(PAtol31::crc8("123456789"), quint8(0xF7));
    QCOMPARE(DeviceCodec::crc("123456789"), quint8(0xF7));
}

// Vectors computed with a separate bitwise CRC-8 (poly 0x31, init 0xFF) script over the
// stuffed identifier and payload, then the CRC stuffed and the header put in front.
void TestPAtol31::encode_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QByteArray>("frame");

    QTest::newRow("empty payload") << 5 << QByteArray() << QByteArray::fromHex("fe00000559");
    QTest::newRow("payload FE") << 2 << QByteArray::fromHex("fe")
                                << QByteArray::fromHex("fe010002fdee41");
    QTest::newRow("payload FD ED")
        << 3 << QByteArray::fromHex("fded") << QByteArray::fromHex("fe020003fdeded37");
    QTest::newRow("add task 0x4D") << 2 << QByteArray::fromHex("c1020200004d")
                                   << QByteArray::fromHex("fe060002c1020200004daf");
    QTest::newRow("CRC FD stuffed")
        << 1 << QByteArray::fromHex("09") << QByteArray::fromHex("fe01000109fded");
    QTest::newRow("CRC FE stuffed")
        << 1 << QByteArray::fromHex("55") << QByteArray::fromHex("fe01000155fdee");
    QTest::newRow("async id F0") << 0xF0 << QByteArray::fromHex("a60255")
                                 << QByteArray::fromHex("fe0300f0a60255d5");
    // 200 bytes: LEN0 = 200 & 0x7F = 0x48, LEN1 = 1.
    const QByteArray longPayload(200, 'A');
    QTest::newRow("length over 127") << 7 << longPayload << DeviceCodec::encode(7, longPayload);
}

void TestPAtol31::encode()
{
    QFETCH(int, id);
    QFETCH(QByteArray, payload);
    QFETCH(QByteArray, frame);
    QCOMPARE(PAtol31::buildFrame(quint8(id), payload).toHex(), frame.toHex());
    QCOMPARE(DeviceCodec::encode(quint8(id), payload).toHex(), frame.toHex());
}

void TestPAtol31::sendCommandWritesFrame()
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    PAtol31(QPointer<QIODevice>(&buffer)).sendCommand(2, QByteArray::fromHex("fe"));
    QCOMPARE(buffer.data().toHex(), QByteArray("fe010002fdee41"));
    QVERIFY(logContains(QStringLiteral(" >>------------------------------------------------ ")));
}

void TestPAtol31::sendCommandOnClosedChannel()
{
    QBuffer buffer;
    PAtol31(QPointer<QIODevice>(&buffer)).sendCommand(2, QByteArray::fromHex("c2"));
    QVERIFY(buffer.data().isEmpty());
    // The line is still written: the frame was built, only the channel was missing.
    QVERIFY(logContains(QStringLiteral(">>---")));

    QPointer<QIODevice> gone;
    {
        QBuffer shortLived;
        shortLived.open(QIODevice::WriteOnly);
        gone = &shortLived;
    }
    PAtol31(gone).sendCommand(2, QByteArray::fromHex("c2")); // must not touch a dead channel
    QVERIFY(gone.isNull());
}

void TestPAtol31::readFrame_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("id");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QString>("logText"); // expected in some log line; empty: no log at all
    QTest::addColumn<bool>("headerError"); // whether an "ERROR: LEN=" line is expected

    const QString none;
    const QString err = QStringLiteral("ERROR: LEN=");

    // Good frames: the vectors of encode() plus the two CRC cases below, found by searching
    // payloads "xx FD" whose CRC comes out as 0xED or 0xEE.
    QTest::newRow("plain") << QByteArray::fromHex("fe060002c1020200004daf") << true << 2
                           << QByteArray::fromHex("c1020200004d") << none << false;
    QTest::newRow("empty payload")
        << QByteArray::fromHex("fe00000559") << true << 5 << QByteArray() << none << false;
    QTest::newRow("payload FE") << QByteArray::fromHex("fe010002fdee41") << true << 2
                                << QByteArray::fromHex("fe") << none << false;
    QTest::newRow("payload FD ED is not FD") << QByteArray::fromHex("fe020003fdeded37") << true << 3
                                             << QByteArray::fromHex("fded") << none << false;
    QTest::newRow("escaped FD then plain CRC ED")
        << QByteArray::fromHex("fe020001defdeded") << true << 1 << QByteArray::fromHex("defd")
        << none << false;
    QTest::newRow("escaped FD then plain CRC EE")
        << QByteArray::fromHex("fe020001e4fdedee") << true << 1 << QByteArray::fromHex("e4fd")
        << none << false;
    QTest::newRow("CRC FD stuffed") << QByteArray::fromHex("fe01000109fded") << true << 1
                                    << QByteArray::fromHex("09") << none << false;
    QTest::newRow("CRC FE stuffed") << QByteArray::fromHex("fe01000155fdee") << true << 1
                                    << QByteArray::fromHex("55") << none << false;
    QTest::newRow("id F0 accepted") << QByteArray::fromHex("fe0300f0a60255d5") << true << 0xF0
                                    << QByteArray::fromHex("a60255") << none << false;
    QTest::newRow("garbage before STX skipped silently")
        << QByteArray::fromHex("0011fded22eefe010007a1e2") << true << 7 << QByteArray::fromHex("a1")
        << none << false;

    // Failures.
    QTest::newRow("garbage only") << QByteArray::fromHex("001122fd") << false << 0 << QByteArray()
                                  << none << false;
    QTest::newRow("id E0 rejected")
        << QByteArray::fromHex("fe0100e0a6ad") << false << 0xE0 << QByteArray() << err << true;
    QTest::newRow("id DF is the last plain id")
        << DeviceCodec::encode(0xDF, "x") << true << 0xDF << QByteArray("x") << none << false;
    QTest::newRow("LEN0 above 7F")
        << QByteArray::fromHex("fe800002a1e2") << false << 2 << QByteArray() << err << true;
    QTest::newRow("LEN1 above 7E")
        << QByteArray::fromHex("fe007f02a1e2") << false << 2 << QByteArray() << err << true;
    QTest::newRow("STX inside body")
        << QByteArray::fromHex("fe03000241fe4243") << false << 2 << QByteArray() << err << true;
    QTest::newRow("FD followed by 00")
        << QByteArray::fromHex("fe02000241fd0043") << false << 2 << QByteArray() << err << true;
    // The good "plain" vector with its CRC byte changed.
    QTest::newRow("CRC mismatch") << QByteArray::fromHex("fe060002c1020200004d00") << false << 2
                                  << QByteArray() << QStringLiteral("c1") << false;
    QTest::newRow("truncated body")
        << QByteArray::fromHex("fe060002c10202") << false << 2 << QByteArray() << none << false;
    QTest::newRow("truncated header")
        << QByteArray::fromHex("fe06") << false << 0 << QByteArray() << none << false;
}

void TestPAtol31::readFrame()
{
    QFETCH(QByteArray, input);
    QFETCH(bool, ok);
    QFETCH(int, id);
    QFETCH(QByteArray, payload);
    QFETCH(QString, logText);
    QFETCH(bool, headerError);

    CannedChannel device(input);
    PAtol31 codec { QPointer<QIODevice>(&device) };
    quint8 gotId = 0xAA;
    QByteArray data("stale");
    QCOMPARE(codec.readData(gotId, data), ok);
    QCOMPARE(int(gotId), id);
    QCOMPARE(data.toHex(), payload.toHex());
    if (logText.isEmpty())
        QVERIFY2(g_log.isEmpty(), qPrintable(g_log.join(QLatin1Char('\n'))));
    else
        QVERIFY2(logContains(logText), qPrintable(g_log.join(QLatin1Char('\n'))));
    QCOMPARE(logContains(QStringLiteral("ERROR: LEN=")), headerError);
}

void TestPAtol31::readClosedMidBody()
{
    // The link goes away after STX, header, identifier and two body bytes.
    CannedChannel device(QByteArray::fromHex("fe060002c1020200004daf"), 6);
    PAtol31 codec { QPointer<QIODevice>(&device) };
    quint8 id = 0;
    QByteArray data;
    QVERIFY(!codec.readData(id, data));
    QCOMPARE(id, quint8(2));
    QVERIFY(data.isEmpty());
    QVERIFY(logContains(QStringLiteral("ERROR: LEN=")));
    QVERIFY(logContains(QStringLiteral("c1 02")) || logContains(QStringLiteral("c102")));
}

void TestPAtol31::severalFramesInOneRead()
{
    CannedChannel device(QByteArray::fromHex("fe010007a1e2fe02000941427dfe00000559"));
    PAtol31 codec { QPointer<QIODevice>(&device) };
    const QList<int> ids { 7, 9, 5 };
    const QList<QByteArray> payloads { QByteArray::fromHex("a1"), QByteArray("AB"), QByteArray() };
    for (int i = 0; i < ids.size(); ++i) {
        quint8 id = 0;
        QByteArray data;
        QVERIFY(codec.readData(id, data));
        QCOMPARE(int(id), ids.at(i));
        QCOMPARE(data, payloads.at(i));
    }
    quint8 id = 0;
    QByteArray data;
    QVERIFY(!codec.readData(id, data));
}

void TestPAtol31::unstuffLeftToRight_data()
{
    QTest::addColumn<QByteArray>("stuffed");
    QTest::addColumn<QByteArray>("plain");
    QTest::newRow("FD ED ED") << QByteArray::fromHex("fdeded") << QByteArray::fromHex("fded");
    QTest::newRow("FD EE") << QByteArray::fromHex("fdee") << QByteArray::fromHex("fe");
    QTest::newRow("FD ED EE") << QByteArray::fromHex("fdedee") << QByteArray::fromHex("fdee");
    QTest::newRow("lone FD at end") << QByteArray::fromHex("41fd") << QByteArray::fromHex("41fd");
    QTest::newRow("untouched") << QByteArray::fromHex("00ed01ee")
                               << QByteArray::fromHex("00ed01ee");
}

void TestPAtol31::unstuffLeftToRight()
{
    QFETCH(QByteArray, stuffed);
    QFETCH(QByteArray, plain);
    QCOMPARE(PAtol31::unstuff(stuffed).toHex(), plain.toHex());
}

QTEST_GUILESS_MAIN(TestPAtol31)
#include "tst_patol31.moc"
