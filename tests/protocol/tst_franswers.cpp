#include "franswers.h"
#include "hexbytes.h"

#include <QtTest>

namespace {

// State answer: cashier 1, hall 2, 2024-11-25 12:30:45, flags 0x03, serial 00123456, three
// unread bytes, mode byte 0x24 (mode 4, submode 2).
const char *STATE = "440102241125123045030012345600000024";

} // namespace

class TestFrAnswers : public QObject
{
    Q_OBJECT
private slots:
    void stateAnswer_data();
    void stateAnswer();
    void stateFlags();
    void results_data();
    void results();
    void texts();
};

void TestFrAnswers::stateAnswer_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QByteArray>("buffer");
    QTest::addColumn<int>("tid");
    QTest::addColumn<int>("cashier");
    QTest::addColumn<QDateTime>("when");
    QTest::addColumn<int>("serial");
    QTest::addColumn<int>("modeByte");

    const QDateTime when(QDate(2024, 11, 25), QTime(12, 30, 45));
    const QByteArray full = hex(STATE);
    const QByteArray head = hex("a605");
    auto row = [](const char *name, const QByteArray &buffer, int tid, int cashier,
                   const QDateTime &stamp, int serial, int modeByte, int kind = 0xF0) {
        QTest::newRow(name) << kind << buffer << tid << cashier << stamp << serial << modeByte;
    };
    row("full", head + full, 5, 1, when, 123456, 0x24);
    row("cut after byte 12", head + full.left(13), 5, 1, when, 0, 0);
    row("mode byte missing", head + full.left(17), 5, 1, when, 123456, 0);
    row("tag not D", head + "E" + full.mid(1), 5, 0, {}, 0, 0);
    // A bad date or time loses the time stamp only.
    row("month 13", head + hex("440102241301123045030012345600000024"), 5, 1, {}, 123456, 0x24);
    row("hour 25", head + hex("440102241125253045030012345600000021"), 5, 1, {}, 123456, 0x21);
    row("one byte", hex("a6"), 0, 0, {}, 0, 0);
    row("other kind has no TID", hex("a6") + full, 0, 1, when, 123456, 0x24, 0x00);
}

void TestFrAnswers::stateAnswer()
{
    QFETCH(int, kind);
    QFETCH(QByteArray, buffer);
    QFETCH(int, tid);
    QFETCH(int, cashier);
    QFETCH(QDateTime, when);
    QFETCH(int, serial);
    QFETCH(int, modeByte);

    const FrStateCommandAnswer a(quint8(kind), buffer);
    QCOMPARE(int(a.answerCode()), 0xA6);
    QCOMPARE(int(a.tid()), tid);
    QCOMPARE(a.data().toHex(), buffer.mid(kind == 0xF0 ? 2 : 1).toHex());
    QCOMPARE(a.cashierNumber(), cashier);
    QCOMPARE(a.hallNumber(), cashier ? 2 : 0);
    QCOMPARE(a.dateTime(), when);
    QCOMPARE(a.dateTime().isNull(), when.isNull());
    QCOMPARE(a.serialNumber(), serial);
    QCOMPARE(a.modeByte(), modeByte);
    QCOMPARE(int(a.mode()), modeByte & 0x0F);
    QCOMPARE(int(a.submode()), modeByte >> 4);
}

void TestFrAnswers::stateFlags()
{
    // Walks one set bit through the flag byte; bits 2 and 4 are not read.
    const int readBits[] = { 0, 1, 3, 5, 6, 7 };
    for (int bit = 0; bit < 8; ++bit) {
        QByteArray s = hex(STATE);
        s[9] = char(1 << bit);
        const FrStateCommandAnswer a(0xF0, hex("a601") + s);
        const QList<bool> got { a.isFiscal(), a.isCycleOpened(), a.isPaperAbsent(),
            a.isCoverOpened(), a.isFnActivated(), a.isBatteryLow() };
        QList<bool> expected;
        for (const int b : readBits)
            expected << (b == bit);
        QVERIFY2(got == expected, qPrintable(QString::number(bit)));
    }
}

void TestFrAnswers::results_data()
{
    QTest::addColumn<int>("length"); // 0: a table read
    QTest::addColumn<QByteArray>("result");
    QTest::addColumn<int>("code");
    QTest::addColumn<QByteArray>("value");

    QTest::newRow("table: value") << 0 << hex("5500313233") << 0 << QByteArray("123");
    QTest::newRow("table: 55 00 is too short") << 0 << hex("5500") << 0xFF << QByteArray();
    QTest::newRow("table: error 93") << 0 << hex("559300") << 0x93 << QByteArray();
    QTest::newRow("table: not U") << 0 << hex("440031") << 0xFF << QByteArray();
    QTest::newRow("wrong password") << 3 << hex("558c00") << 0x8C << QByteArray();
    QTest::newRow("success") << 3 << hex("550000") << 0x00 << QByteArray();
    QTest::newRow("four bytes") << 3 << hex("558c0000") << 0xFF << QByteArray();
    QTest::newRow("last byte not zero") << 3 << hex("558c01") << 0xFF << QByteArray();
    QTest::newRow("not U") << 3 << hex("548c00") << 0xFF << QByteArray();
    QTest::newRow("two bytes, length 2") << 2 << hex("558c") << 0x8C << QByteArray();
    QTest::newRow("three bytes, length 2") << 2 << hex("558c00") << 0xFF << QByteArray();
}

void TestFrAnswers::results()
{
    QFETCH(int, length);
    QFETCH(QByteArray, result);
    QFETCH(int, code);
    QFETCH(QByteArray, value);
    if (length == 0) {
        const TableReadCommandAnswer a(result);
        QCOMPARE(int(a.errorCode()), code);
        QCOMPARE(a.value(), value);
    } else {
        QCOMPARE(int(CommandResultAnswer(result, length).code()), code);
    }
}

void TestFrAnswers::texts()
{
    QCOMPARE(errorCodeText(0x8C), QStringLiteral("Неверный пароль"));
    // Codes without a text name themselves in hexadecimal, without a leading zero.
    QCOMPARE(errorCodeText(0x1C), QStringLiteral("Код ошибки: 1c"));
    QCOMPARE(errorCodeText(0x02), QStringLiteral("Код ошибки: 2"));
    QCOMPARE(modeName(7), QStringLiteral("Дополнительный"));
    QCOMPARE(modeName(8), QString());
}

QTEST_GUILESS_MAIN(TestFrAnswers)
#include "tst_franswers.moc"
