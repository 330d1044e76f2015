#include "devicecodec.h"
#include "hexbytes.h"
#include "patol31.h"

#include <QBuffer>
#include <QtTest>

class TestPAtol31 : public QObject
{
    Q_OBJECT
private slots:
    void goldenFrames_data();
    void goldenFrames();
    void readFrame_data();
    void readFrame();
    void sendCommand();
};

// Vectors computed with a separate bitwise CRC-8 (poly 0x31, init 0xFF) script over the
// stuffed identifier and payload, then the CRC stuffed and the header put in front. The two
// "escaped FD" rows were found by searching payloads "xx FD" whose CRC comes out as a plain
// 0xED or 0xEE, which must not be read as the tail of an escape.
void TestPAtol31::goldenFrames_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QByteArray>("frame");

    QTest::newRow("empty payload") << 5 << QByteArray() << hex("fe00000559");
    QTest::newRow("payload FE") << 2 << hex("fe") << hex("fe010002fdee41");
    QTest::newRow("payload FD ED") << 3 << hex("fded") << hex("fe020003fdeded37");
    QTest::newRow("add task 0x4D") << 2 << hex("c1020200004d") << hex("fe060002c1020200004daf");
    QTest::newRow("CRC FD stuffed") << 1 << hex("09") << hex("fe01000109fded");
    QTest::newRow("CRC FE stuffed") << 1 << hex("55") << hex("fe01000155fdee");
    QTest::newRow("escaped FD, plain CRC ED") << 1 << hex("defd") << hex("fe020001defdeded");
    QTest::newRow("escaped FD, plain CRC EE") << 1 << hex("e4fd") << hex("fe020001e4fdedee");
    QTest::newRow("async id F0") << 0xF0 << hex("a60255") << hex("fe0300f0a60255d5");
    // No golden vector: the register side's codec must agree. LEN0 = 200 & 0x7F, LEN1 = 1.
    QTest::newRow("length over 127")
        << 7 << QByteArray(200, 'A') << DeviceCodec::encode(7, QByteArray(200, 'A'));
    QTest::newRow("id DF, the last plain id")
        << 0xDF << QByteArray("x") << DeviceCodec::encode(0xDF, "x");
}

void TestPAtol31::goldenFrames()
{
    QFETCH(int, id);
    QFETCH(QByteArray, payload);
    QFETCH(QByteArray, frame);
    // CRC-8/NRSC-5 check value, on both sides.
    QCOMPARE(PAtol31::crc8("123456789"), quint8(0xF7));
    QCOMPARE(DeviceCodec::crc("123456789"), quint8(0xF7));

    QCOMPARE(PAtol31::buildFrame(quint8(id), payload).toHex(), frame.toHex());
    QCOMPARE(DeviceCodec::encode(quint8(id), payload).toHex(), frame.toHex());
    QBuffer device(&frame);
    device.open(QIODevice::ReadOnly);
    quint8 gotId = 0;
    QByteArray data;
    QVERIFY(PAtol31(&device).readData(gotId, data));
    QCOMPARE(int(gotId), id);
    QCOMPARE(data.toHex(), payload.toHex());
}

void TestPAtol31::readFrame_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QList<int>>("ids"); // of the frames read one after another
    QTest::addColumn<int>("failedId"); // identifier seen by the read that fails
    QTest::addColumn<QString>("logged"); // a line the read must log; empty: none expected

    const char *err = "^ERROR: LEN= ";
    auto row = [](const char *name, const QByteArray &input, const QList<int> &ids, int failedId,
                   const char *logged = "") {
        QTest::newRow(name) << input << ids << failedId << QString(logged);
    };
    row("garbage before STX skipped", hex("0011fded22eefe010007a1e2"), { 7 }, 0);
    row("three frames in one read", hex("fe010007a1e2fe02000941427dfe00000559"), { 7, 9, 5 }, 0);
    row("garbage only", hex("001122fd"), {}, 0);
    row("id E0 rejected", hex("fe0100e0a6ad"), {}, 0xE0, err);
    row("LEN0 above 7F", hex("fe800002a1e2"), {}, 2, err);
    row("LEN1 above 7E", hex("fe007f02a1e2"), {}, 2, err);
    row("STX inside body", hex("fe03000241fe4243"), {}, 2, err);
    row("FD followed by 00", hex("fe02000241fd0043"), {}, 2, err);
    // The golden "add task 0x4D" frame with its CRC byte changed.
    row("CRC mismatch", hex("fe060002c1020200004d00"), {}, 2, "^CRC_ERROR 02 c1 02 02 00 00 4d$");
    row("truncated body", hex("fe060002c10202"), {}, 2);
    row("truncated header", hex("fe06"), {}, 0);
}

void TestPAtol31::readFrame()
{
    QFETCH(QByteArray, input);
    QFETCH(QList<int>, ids);
    QFETCH(int, failedId);
    QFETCH(QString, logged);

    if (!logged.isEmpty())
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression(logged));
    QBuffer device(&input);
    device.open(QIODevice::ReadOnly);
    PAtol31 codec(&device);
    quint8 id = 0xAA;
    QByteArray data("stale");
    for (const int expected : qAsConst(ids)) {
        QVERIFY(codec.readData(id, data));
        QCOMPARE(int(id), expected);
    }
    QVERIFY(!codec.readData(id, data));
    QCOMPARE(int(id), failedId);
    QVERIFY(data.isEmpty());
}

void TestPAtol31::sendCommand()
{
    QTest::ignoreMessage(
        QtDebugMsg, QRegularExpression(QStringLiteral("^ >>-{48}  fe 01 00 02 fd ee 41$")));
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    PAtol31(&buffer).sendCommand(2, hex("fe"));
    QCOMPARE(buffer.data().toHex(), QByteArray("fe010002fdee41"));

    // A closed channel gets nothing, and a deleted one is not touched.
    buffer.close();
    buffer.setData(QByteArray());
    PAtol31(&buffer).sendCommand(2, hex("c2"));
    QVERIFY(buffer.data().isEmpty());
    QPointer<QIODevice> gone;
    {
        QBuffer shortLived;
        shortLived.open(QIODevice::WriteOnly);
        gone = &shortLived;
    }
    PAtol31(gone).sendCommand(2, hex("c2"));
}

QTEST_GUILESS_MAIN(TestPAtol31)
#include "tst_patol31.moc"
