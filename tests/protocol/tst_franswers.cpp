#include "franswers.h"

#include <QtTest>

namespace {

// State answer: cashier 1, hall 2, 2024-03-05 12:30:45, flags 0x03, serial 00123456, three
// unread bytes, mode byte 0x24.
const char *STATE = "440102240305123045030012345600000024";

QByteArray state(const char *hexText = STATE)
{
    return QByteArray::fromHex(hexText);
}

} // namespace

class TestFrAnswers : public QObject
{
    Q_OBJECT
private slots:
    void stateAnswer_data();
    void stateAnswer();
    void stateFlags_data();
    void stateFlags();
    void tableRead_data();
    void tableRead();
    void commandResult_data();
    void commandResult();
    void errorTexts_data();
    void errorTexts();
    void modeNames_data();
    void modeNames();
};

void TestFrAnswers::stateAnswer_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QByteArray>("buffer");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("tid");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("cashier");
    QTest::addColumn<int>("hall");
    QTest::addColumn<QDateTime>("when");
    QTest::addColumn<int>("serial");
    QTest::addColumn<int>("modeByte");

    const QDateTime when(QDate(2024, 3, 5), QTime(12, 30, 45));
    const QByteArray full = state();
    const QByteArray head = QByteArray::fromHex("a605");

    QTest::newRow("full") << 0xF0 << head + full << 0xA6 << 5 << full << 1 << 2 << when << 123456
                          << 0x24;
    const QByteArray cut = full.left(13);
    QTest::newRow("cut after byte 12")
        << 0xF0 << head + cut << 0xA6 << 5 << cut << 1 << 2 << when << 0 << 0;
    const QByteArray cut17 = full.left(17);
    QTest::newRow("mode byte missing")
        << 0xF0 << head + cut17 << 0xA6 << 5 << cut17 << 1 << 2 << when << 123456 << 0;
    QByteArray notD = full;
    notD[0] = 'E';
    QTest::newRow("tag not D") << 0xF0 << head + notD << 0xA6 << 5 << notD << 0 << 0 << QDateTime()
                               << 0 << 0;
    const QByteArray month13 = state("440102241301123045030012345600000024");
    QTest::newRow("month 13 keeps the rest") << 0xF0 << head + month13 << 0xA6 << 5 << month13 << 1
                                             << 2 << QDateTime() << 123456 << 0x24;
    const QByteArray hour25 = state("440102240305253045030012345600000021");
    QTest::newRow("hour 25") << 0xF0 << head + hour25 << 0xA6 << 5 << hour25 << 1 << 2
                             << QDateTime() << 123456 << 0x21;
    QTest::newRow("two bytes") << 0xF0 << head << 0xA6 << 5 << QByteArray() << 0 << 0 << QDateTime()
                               << 0 << 0;
    QTest::newRow("one byte") << 0xF0 << QByteArray::fromHex("a6") << 0xA6 << 0 << QByteArray() << 0
                              << 0 << QDateTime() << 0 << 0;
    QTest::newRow("empty") << 0xF0 << QByteArray() << 0 << 0 << QByteArray() << 0 << 0
                           << QDateTime() << 0 << 0;
    QTest::newRow("other kind has no TID") << 0x00 << QByteArray::fromHex("a6") + full << 0xA6 << 0
                                           << full << 1 << 2 << when << 123456 << 0x24;
}

void TestFrAnswers::stateAnswer()
{
    QFETCH(int, kind);
    QFETCH(QByteArray, buffer);
    QFETCH(int, code);
    QFETCH(int, tid);
    QFETCH(QByteArray, data);
    QFETCH(int, cashier);
    QFETCH(int, hall);
    QFETCH(QDateTime, when);
    QFETCH(int, serial);
    QFETCH(int, modeByte);

    const FrStateCommandAnswer a(quint8(kind), buffer);
    QCOMPARE(int(a.answerCode()), code);
    QCOMPARE(int(a.tid()), tid);
    QCOMPARE(a.data().toHex(), data.toHex());
    QCOMPARE(a.cashierNumber(), cashier);
    QCOMPARE(a.hallNumber(), hall);
    QCOMPARE(a.dateTime(), when);
    QCOMPARE(a.dateTime().isNull(), when.isNull());
    QCOMPARE(a.serialNumber(), serial);
    QCOMPARE(a.modeByte(), modeByte);
    QCOMPARE(int(a.mode()), modeByte & 0x0F);
}

void TestFrAnswers::stateFlags_data()
{
    QTest::addColumn<int>("flags");
    QTest::addColumn<QList<bool>>("expected"); // bits 0, 1, 3, 5, 6, 7
    QTest::newRow("none") << 0x00 << QList<bool>({ false, false, false, false, false, false });
    QTest::newRow("bits 2 and 4 are not read")
        << 0x14 << QList<bool>({ false, false, false, false, false, false });
    QTest::newRow("all six") << 0xEB << QList<bool>({ true, true, true, true, true, true });
    QTest::newRow("bit 0") << 0x01 << QList<bool>({ true, false, false, false, false, false });
    QTest::newRow("bit 3") << 0x08 << QList<bool>({ false, false, true, false, false, false });
    QTest::newRow("bit 7") << 0x80 << QList<bool>({ false, false, false, false, false, true });
}

void TestFrAnswers::stateFlags()
{
    QFETCH(int, flags);
    QFETCH(QList<bool>, expected);
    QByteArray s = state();
    s[9] = char(flags);
    const FrStateCommandAnswer a(0xF0, QByteArray::fromHex("a601") + s);
    const QList<bool> got { a.isFiscal(), a.isCycleOpened(), a.isPaperAbsent(), a.isCoverOpened(),
        a.isFnActivated(), a.isBatteryLow() };
    QCOMPARE(got, expected);
}

void TestFrAnswers::tableRead_data()
{
    QTest::addColumn<QByteArray>("result");
    QTest::addColumn<int>("error");
    QTest::addColumn<QByteArray>("value");
    QTest::newRow("55 00 is too short") << QByteArray::fromHex("5500") << 0xFF << QByteArray();
    QTest::newRow("value 31") << QByteArray::fromHex("550031") << 0 << QByteArray("1");
    QTest::newRow("longer value") << QByteArray::fromHex("5500313233") << 0 << QByteArray("123");
    QTest::newRow("error 93") << QByteArray::fromHex("559300") << 0x93 << QByteArray();
    QTest::newRow("not U") << QByteArray::fromHex("440031") << 0xFF << QByteArray();
    QTest::newRow("empty") << QByteArray() << 0xFF << QByteArray();
}

void TestFrAnswers::tableRead()
{
    QFETCH(QByteArray, result);
    QFETCH(int, error);
    QFETCH(QByteArray, value);
    const TableReadCommandAnswer a(result);
    QCOMPARE(int(a.errorCode()), error);
    QCOMPARE(a.value(), value);
}

void TestFrAnswers::commandResult_data()
{
    QTest::addColumn<QByteArray>("result");
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("code");
    QTest::newRow("wrong password") << QByteArray::fromHex("558c00") << 3 << 0x8C;
    QTest::newRow("success") << QByteArray::fromHex("550000") << 3 << 0x00;
    QTest::newRow("four bytes") << QByteArray::fromHex("558c0000") << 3 << 0xFF;
    QTest::newRow("last byte not zero") << QByteArray::fromHex("558c01") << 3 << 0xFF;
    QTest::newRow("not U") << QByteArray::fromHex("548c00") << 3 << 0xFF;
    QTest::newRow("two bytes, length 2") << QByteArray::fromHex("558c") << 2 << 0x8C;
    QTest::newRow("three bytes, length 2") << QByteArray::fromHex("558c00") << 2 << 0xFF;
    QTest::newRow("empty") << QByteArray() << 3 << 0xFF;
}

void TestFrAnswers::commandResult()
{
    QFETCH(QByteArray, result);
    QFETCH(int, length);
    QFETCH(int, code);
    QCOMPARE(int(CommandResultAnswer(result, length).code()), code);
}

void TestFrAnswers::errorTexts_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    QTest::newRow("00") << 0x00 << QStringLiteral("Ошибок нет");
    QTest::newRow("8C") << 0x8C << QStringLiteral("Неверный пароль");
    QTest::newRow("F2") << 0xF2 << QStringLiteral("Не хватает реквизитов");
    QTest::newRow("E4 with tab")
        << 0xE4
        << QStringLiteral(
               "Сумма сторно налога больше суммы зарегистрированного налога данного\tтипа");
    QTest::newRow("FF fallback") << 0xFF << QStringLiteral("Код ошибки: ff");
    QTest::newRow("1C fallback") << 0x1C << QStringLiteral("Код ошибки: 1c");
    QTest::newRow("F0 fallback") << 0xF0 << QStringLiteral("Код ошибки: f0");
    QTest::newRow("02 fallback, no leading zero") << 0x02 << QStringLiteral("Код ошибки: 2");
}

void TestFrAnswers::errorTexts()
{
    QFETCH(int, code);
    QFETCH(QString, text);
    QCOMPARE(errorCodeText(quint8(code)), text);
}

void TestFrAnswers::modeNames_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("name");
    QTest::newRow("0") << 0 << QStringLiteral("Выбор");
    QTest::newRow("1") << 1 << QStringLiteral("Регистрация");
    QTest::newRow("2") << 2 << QStringLiteral("Режим статистики");
    QTest::newRow("3") << 3 << QStringLiteral("Режим закрытия смены");
    QTest::newRow("4") << 4 << QStringLiteral("Программирование");
    QTest::newRow("5") << 5 << QStringLiteral("Ввод ЗН");
    QTest::newRow("6") << 6 << QStringLiteral("Доступ к ФН");
    QTest::newRow("7") << 7 << QStringLiteral("Дополнительный");
    QTest::newRow("8") << 8 << QString();
    QTest::newRow("15") << 15 << QString();
}

void TestFrAnswers::modeNames()
{
    QFETCH(int, mode);
    QFETCH(QString, name);
    QCOMPARE(modeName(quint8(mode)), name);
    // Mode byte 0x24 is mode 4 with submode 2.
    if (mode == 4) {
        const FrStateCommandAnswer a(
            0xF0, QByteArray::fromHex("a601") + QByteArray::fromHex(STATE));
        QCOMPARE(modeName(a.mode()), name);
        QCOMPARE(int(a.submode()), 2);
    }
}

QTEST_GUILESS_MAIN(TestFrAnswers)
#include "tst_franswers.moc"
