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

    void fixFromDouble_data();
    void fixFromDouble();
    void fixFromScaled_data();
    void fixFromScaled();
    void fixFromText_data();
    void fixFromText();
    void fixAdd_data();
    void fixAdd();
    void fixEquals_data();
    void fixEquals();
    void fixTenthPlusFifthIsExact();
    void fixBadMultiplier();
};

void TestNumbers::int2bcd_data()
{
    QTest::addColumn<qint64>("value");
    QTest::addColumn<int>("digits");
    QTest::addColumn<QByteArray>("expected");

    // The widths the command set uses: 1, 2, 4, 8, 10 and 12 digits.
    QTest::newRow("1 digit") << qint64(5) << 1 << QByteArray::fromHex("05");
    QTest::newRow("2 digits padded") << qint64(7) << 2 << QByteArray::fromHex("07");
    QTest::newRow("4 digits password") << qint64(30) << 4 << QByteArray::fromHex("0030");
    QTest::newRow("8 digits") << qint64(12345678) << 8 << QByteArray::fromHex("12345678");
    QTest::newRow("10 digits padded") << qint64(9876) << 10 << QByteArray::fromHex("0000009876");
    // 47.00 roubles as a 12-digit amount in kopecks.
    QTest::newRow("12 digits amount") << qint64(4700) << 12 << QByteArray::fromHex("000000004700");
    QTest::newRow("12 digits max")
        << qint64(999999999999) << 12 << QByteArray::fromHex("999999999999");
    // An odd width fills its whole first byte: a one-byte field carries two digits.
    QTest::newRow("3 digits") << qint64(123) << 3 << QByteArray::fromHex("0123");
    QTest::newRow("2 digits in 1") << qint64(24) << 1 << QByteArray::fromHex("24");
    // Too wide for the bytes: the low digits survive.
    QTest::newRow("5 in 3") << qint64(12345) << 3 << QByteArray::fromHex("2345");
    QTest::newRow("13 in 12") << qint64(1234567890123) << 12 << QByteArray::fromHex("234567890123");
    QTest::newRow("negative drops sign") << qint64(-42) << 4 << QByteArray::fromHex("0042");
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
    QCOMPARE(BCD::bcd2int(QByteArray()), qint64(0));
}

void TestNumbers::fixFromDouble_data()
{
    QTest::addColumn<quint32>("multiplier");
    QTest::addColumn<double>("number");
    QTest::addColumn<QString>("text");

    QTest::newRow("money") << 100u << 12.34 << "12.34";
    QTest::newRow("negative kopecks") << 100u << -0.07 << "-0.07";
    QTest::newRow("round down") << 100u << 12.344 << "12.34";
    QTest::newRow("exact half") << 100u << 0.125 << "0.13";
    QTest::newRow("exact half negative") << 100u << -0.125 << "-0.13";
    // The binary double of these lies just below the half; the decimal the user typed is
    // the half and rounds away from zero.
    QTest::newRow("1.005") << 100u << 1.005 << "1.01";
    QTest::newRow("0.285") << 100u << 0.285 << "0.29";
    QTest::newRow("-2.675") << 100u << -2.675 << "-2.68";
    QTest::newRow("big money") << 100u << 1234567.89 << "1234567.89";
    QTest::newRow("quantity half") << 1000u << 1.0005 << "1.001";
    QTest::newRow("quantity below half") << 1000u << 0.0004 << "0.000";
}

void TestNumbers::fixFromDouble()
{
    QFETCH(quint32, multiplier);
    QFETCH(double, number);
    QFETCH(QString, text);

    const FixNumber n(multiplier, number);
    QVERIFY(n.isValid());
    QCOMPARE(n.toString(), text);
}

void TestNumbers::fixFromScaled_data()
{
    QTest::addColumn<quint32>("multiplier");
    QTest::addColumn<qint64>("scaled");
    QTest::addColumn<QString>("commaText");
    QTest::addColumn<double>("number");

    QTest::newRow("1.50") << 100u << qint64(150) << "1,50" << 1.5;
    QTest::newRow("-0.05") << 100u << qint64(-5) << "-0,05" << -0.05;
    QTest::newRow("-1.05") << 100u << qint64(-105) << "-1,05" << -1.05;
    QTest::newRow("1.005 kg") << 1000u << qint64(1005) << "1,005" << 1.005;
    QTest::newRow("whole units") << 1u << qint64(-15) << "-15" << -15.0;
    QTest::newRow("large") << 100u << qint64(999999999999) << "9999999999,99" << 9999999999.99;
}

void TestNumbers::fixFromScaled()
{
    QFETCH(quint32, multiplier);
    QFETCH(qint64, scaled);
    QFETCH(QString, commaText);
    QFETCH(double, number);

    const FixNumber n(multiplier, scaled);
    QCOMPARE(n.toString(QLatin1Char(',')), commaText);
    const QString text = QString(commaText).replace(QLatin1Char(','), QLatin1Char('.'));
    QCOMPARE(n.toString(), text);
    QCOMPARE(n.toDouble(), number);
    // The printed text reads back as the same number.
    const FixNumber back(multiplier, text);
    QVERIFY(back.isValid());
    QCOMPARE(back.value(), scaled);
}

void TestNumbers::fixFromText_data()
{
    QTest::addColumn<quint32>("multiplier");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<qint64>("value");

    QTest::newRow("point") << 100u << "12.5" << true << qint64(1250);
    QTest::newRow("negative comma") << 100u << "-0,07" << true << qint64(-7);
    QTest::newRow("plus sign") << 100u << "+3" << true << qint64(300);
    QTest::newRow("group blanks") << 100u << " 1 234.50 " << true << qint64(123450);
    QTest::newRow("no-break space")
        << 100u << QString::fromUtf8("1\u00a0234,5") << true << qint64(123450);
    QTest::newRow("trailing point") << 100u << "12." << true << qint64(1200);
    QTest::newRow("leading point") << 100u << ".5" << true << qint64(50);
    QTest::newRow("rounds up") << 100u << "12.345" << true << qint64(1235);
    QTest::newRow("rounds negative") << 100u << "-12.345" << true << qint64(-1235);
    QTest::newRow("carry") << 100u << "0.995" << true << qint64(100);
    QTest::newRow("quantity") << 1000u << "1.2345" << true << qint64(1235);
    QTest::newRow("empty") << 100u << "" << false << qint64(0);
    QTest::newRow("blank") << 100u << "   " << false << qint64(0);
    QTest::newRow("trailing letter") << 100u << "12a" << false << qint64(0);
    QTest::newRow("two points") << 100u << "1.2.3" << false << qint64(0);
    QTest::newRow("exponent") << 100u << "1e5" << false << qint64(0);
    QTest::newRow("double sign") << 100u << "--1" << false << qint64(0);
    QTest::newRow("sign only") << 100u << "-" << false << qint64(0);
    QTest::newRow("point only") << 100u << "." << false << qint64(0);
    QTest::newRow("too many digits") << 100u << "12345678901234567" << false << qint64(0);
}

void TestNumbers::fixFromText()
{
    QFETCH(quint32, multiplier);
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(qint64, value);

    const FixNumber n(multiplier, text);
    QCOMPARE(n.isValid(), valid);
    QCOMPARE(n.value(), value);
}

void TestNumbers::fixAdd_data()
{
    QTest::addColumn<quint32>("m1");
    QTest::addColumn<QString>("a");
    QTest::addColumn<quint32>("m2");
    QTest::addColumn<QString>("b");
    QTest::addColumn<QString>("sum");

    QTest::newRow("money") << 100u << "0.10" << 100u << "0.20"
                           << "0.30";
    QTest::newRow("to negative") << 100u << "0.10" << 100u << "-0.30"
                                 << "-0.20";
    // The right side is brought to the left side's scale, half away from zero.
    QTest::newRow("quantity into money") << 100u << "1.50" << 1000u << "0.005"
                                         << "1.51";
    QTest::newRow("negative quantity into money") << 100u << "1.50" << 1000u << "-0.005"
                                                  << "1.49";
    QTest::newRow("money into quantity") << 1000u << "1.5" << 100u << "0.25"
                                         << "1.750";
}

void TestNumbers::fixAdd()
{
    QFETCH(quint32, m1);
    QFETCH(QString, a);
    QFETCH(quint32, m2);
    QFETCH(QString, b);
    QFETCH(QString, sum);

    FixNumber left(m1, a);
    left += FixNumber(m2, b);
    QVERIFY(left.isValid());
    QCOMPARE(left.multiplier(), m1);
    QCOMPARE(left.toString(), sum);
}

void TestNumbers::fixEquals_data()
{
    QTest::addColumn<quint32>("m1");
    QTest::addColumn<QString>("a");
    QTest::addColumn<quint32>("m2");
    QTest::addColumn<QString>("b");
    QTest::addColumn<bool>("equal");

    QTest::newRow("same") << 100u << "1.50" << 100u << "1.5" << true;
    QTest::newRow("different") << 100u << "1.50" << 100u << "1.51" << false;
    QTest::newRow("across scales") << 100u << "1.5" << 1000u << "1.500" << true;
    QTest::newRow("finer scale differs") << 100u << "1.50" << 1000u << "1.505" << false;
    QTest::newRow("sign") << 100u << "0.07" << 100u << "-0.07" << false;
    QTest::newRow("zeroes") << 100u << "0" << 1000u << "-0" << true;
}

void TestNumbers::fixEquals()
{
    QFETCH(quint32, m1);
    QFETCH(QString, a);
    QFETCH(quint32, m2);
    QFETCH(QString, b);
    QFETCH(bool, equal);

    const FixNumber x(m1, a);
    const FixNumber y(m2, b);
    QCOMPARE(x == y, equal);
    QCOMPARE(y == x, equal);
}

void TestNumbers::fixTenthPlusFifthIsExact()
{
    // The classic binary floating-point trap: 0.1 + 0.2 != 0.3 in doubles.
    FixNumber sum(100, 0.1);
    sum += FixNumber(100, 0.2);
    QCOMPARE(sum.value(), qint64(30));
    QCOMPARE(sum.toString(), QStringLiteral("0.30"));
    QCOMPARE(FixNumber(100, 0.1 + 0.2).value(), qint64(30));
    // Ten times 0.10 is exactly 1.00.
    FixNumber total(100);
    for (int i = 0; i < 10; ++i)
        total += FixNumber(100, 0.1);
    QCOMPARE(total.toString(), QStringLiteral("1.00"));
}

void TestNumbers::fixBadMultiplier()
{
    QTest::ignoreMessage(QtWarningMsg, "FIXNUMBER_BAD_MULTIPLIER 7");
    QVERIFY(!FixNumber(7, QStringLiteral("1.5")).isValid());

    QTest::ignoreMessage(QtWarningMsg, "FIXNUMBER_BAD_MULTIPLIER 0");
    const FixNumber zero(0u);
    QVERIFY(!zero.isValid());
    // No division by zero when printed.
    QCOMPARE(zero.toString(), QStringLiteral("0"));
}

QTEST_GUILESS_MAIN(TestNumbers)
#include "tst_numbers.moc"
