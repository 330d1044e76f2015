#include "bcd.h"
#include "fixnumber.h"

#include <QtTest>

using qt5ext::BCD;
using qt5ext::FixNumber;

class TestNumbers : public QObject
{
    Q_OBJECT

private slots:
    void int2bcd_data();
    void int2bcd();
    void bcdRoundTrip_data();
    void bcdRoundTrip();

    void fixNumber_data();
    void fixNumber();
    void fixArithmetic_data();
    void fixArithmetic();
    void fixBadMultiplier();
};

void TestNumbers::int2bcd_data()
{
    QTest::addColumn<qint64>("value");
    QTest::addColumn<int>("digits");
    QTest::addColumn<QByteArray>("expected");

    // Widths the command set uses: 2 (one byte), 4, 8, 10 and 12 digits.
    QTest::newRow("4 digits password") << qint64(30) << 4 << QByteArray::fromHex("0030");
    QTest::newRow("12 digits max")
        << qint64(999999999999) << 12 << QByteArray::fromHex("999999999999");
    // An odd width fills its whole first byte: a one-digit field carries two digits.
    QTest::newRow("3 digits") << qint64(123) << 3 << QByteArray::fromHex("0123");
    // Too wide for the bytes: the low digits survive.
    QTest::newRow("5 in 3") << qint64(12345) << 3 << QByteArray::fromHex("2345");
    QTest::newRow("no digits") << qint64(42) << 0 << QByteArray();
}

void TestNumbers::int2bcd()
{
    QFETCH(qint64, value);
    QFETCH(int, digits);
    QFETCH(QByteArray, expected);
    const QByteArray bytes = BCD::int2bcd(value, digits);
    QCOMPARE(bytes.toHex(), expected.toHex());
    QVERIFY(BCD::isValid(bytes));
}

void TestNumbers::bcdRoundTrip_data()
{
    QTest::addColumn<int>("digits");
    for (int d = 1; d <= 18; ++d)
        QTest::addRow("%d digits", d) << d;
}

void TestNumbers::bcdRoundTrip()
{
    QFETCH(int, digits);
    qint64 all9 = 0;
    qint64 ramp = 0;
    for (int i = 0; i < digits; ++i) {
        all9 = all9 * 10 + 9;
        ramp = ramp * 10 + (i + 1) % 10;
    }
    for (const qint64 v : { qint64(0), qint64(1), ramp, all9 }) {
        const QByteArray bytes = BCD::int2bcd(v, digits);
        QCOMPARE(bytes.size(), (digits + 1) / 2);
        QCOMPARE(BCD::bcd2int(bytes), v);
        // A longer field with zero padding in front reads the same.
        QCOMPARE(BCD::bcd2int(QByteArray(3, '\0') + bytes), v);
    }
}

void TestNumbers::fixNumber_data()
{
    QTest::addColumn<quint32>("multiplier");
    QTest::addColumn<QVariant>("input"); // text or a double
    QTest::addColumn<bool>("valid");
    QTest::addColumn<qint64>("value");
    QTest::addColumn<QString>("printed");

    auto row = [](const char *name, quint32 multiplier, const QVariant &input, bool valid,
                   qint64 value, const char *printed) {
        QTest::newRow(name) << multiplier << input << valid << value << QString(printed);
    };
    row("point", 100, "12.5", true, 1250, "12.50");
    row("negative comma", 100, "-0,07", true, -7, "-0.07");
    row("group blanks", 100, " 1 234.50 ", true, 123450, "1234.50");
    row("leading point", 100, ".5", true, 50, "0.50");
    row("text rounds away from zero", 100, "-12.345", true, -1235, "-12.35");
    row("carry", 100, "0.995", true, 100, "1.00");
    row("quantity", 1000, "1.2345", true, 1235, "1.235");
    row("point only", 100, ".", false, 0, "");
    row("trailing letter", 100, "12a", false, 0, "");
    row("exponent", 100, "1e5", false, 0, "");
    row("too many digits", 100, "12345678901234567", false, 0, "");
    row("double", 100, 12.34, true, 1234, "12.34");
    row("double half", 100, -0.125, true, -13, "-0.13");
    // The binary double of these lies just below the half; the decimal the user typed is
    // the half and rounds away from zero.
    row("double 1.005", 100, 1.005, true, 101, "1.01");
    row("double 1.0005", 1000, 1.0005, true, 1001, "1.001");
}

void TestNumbers::fixNumber()
{
    QFETCH(quint32, multiplier);
    QFETCH(QVariant, input);
    QFETCH(bool, valid);
    QFETCH(qint64, value);
    QFETCH(QString, printed);

    const FixNumber n = input.type() == QVariant::Double ? FixNumber(multiplier, input.toDouble())
                                                         : FixNumber(multiplier, input.toString());
    QCOMPARE(n.isValid(), valid);
    QCOMPARE(n.value(), value);
    if (!valid)
        return;
    QCOMPARE(n.toString(), printed);
    QCOMPARE(n.toString(QLatin1Char(',')), QString(printed).replace(QLatin1Char('.'), ','));
    QCOMPARE(n.toDouble(), double(value) / multiplier);
    // The printed text reads back as the same number.
    QCOMPARE(FixNumber(multiplier, printed).value(), value);
}

void TestNumbers::fixArithmetic_data()
{
    QTest::addColumn<quint32>("m1");
    QTest::addColumn<QString>("a");
    QTest::addColumn<quint32>("m2");
    QTest::addColumn<QString>("b");
    QTest::addColumn<QString>("sum"); // at the left side's scale
    QTest::addColumn<bool>("equal");

    auto row = [](const char *name, quint32 m1, const char *a, quint32 m2, const char *b,
                   const char *sum, bool equal) {
        QTest::newRow(name) << m1 << QString(a) << m2 << QString(b) << QString(sum) << equal;
    };
    row("money", 100, "0.10", 100, "0.20", "0.30", false);
    // The right side is brought to the left side's scale, half away from zero.
    row("quantity into money", 100, "1.50", 1000, "0.005", "1.51", false);
    row("money into quantity", 1000, "1.5", 100, "0.25", "1.750", false);
    row("equal across scales", 100, "1.5", 1000, "1.500", "3.00", true);
    row("finer scale differs", 100, "1.50", 1000, "1.505", "3.01", false);
}

void TestNumbers::fixArithmetic()
{
    QFETCH(quint32, m1);
    QFETCH(QString, a);
    QFETCH(quint32, m2);
    QFETCH(QString, b);
    QFETCH(QString, sum);
    QFETCH(bool, equal);

    const FixNumber x(m1, a);
    const FixNumber y(m2, b);
    QCOMPARE(x == y, equal);
    QCOMPARE(y == x, equal);
    FixNumber total = x;
    total += y;
    QVERIFY(total.isValid());
    QCOMPARE(total.multiplier(), m1);
    QCOMPARE(total.toString(), sum);
}

void TestNumbers::fixBadMultiplier()
{
    QTest::ignoreMessage(QtWarningMsg, "FIXNUMBER_BAD_MULTIPLIER 7");
    QVERIFY(!FixNumber(7, QStringLiteral("1.5")).isValid());
    QTest::ignoreMessage(QtWarningMsg, "FIXNUMBER_BAD_MULTIPLIER 0");
    const FixNumber zero(0u);
    QVERIFY(!zero.isValid());
    QCOMPARE(zero.toString(), QStringLiteral("0")); // no division by zero when printed
}

QTEST_GUILESS_MAIN(TestNumbers)
#include "tst_numbers.moc"
