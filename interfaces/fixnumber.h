#ifndef FIXNUMBER_H
#define FIXNUMBER_H

#include <QMetaType>
#include <QString>

namespace qt5ext {

// A decimal held as an integer scaled by a power of ten: 100 for money, 1000 for
// quantities. Sums stay exact; binary floating point never enters the arithmetic.
class FixNumber
{
public:
    static const quint32 DEFAULT_MULTIPLIER = 100;

    FixNumber() : FixNumber(DEFAULT_MULTIPLIER) { }
    explicit FixNumber(quint32 multiplier);
    // The double is rounded to the nearest step, half away from zero, as the decimal it was
    // written as: 1.005 at 100 is 1.01 although its binary value lies a hair below.
    FixNumber(quint32 multiplier, double value);
    // value is already scaled: FixNumber(100, qint64(150)) is 1.50.
    FixNumber(quint32 multiplier, qint64 value);
    // "12.5", "-0,07", " 1 234.50"; digits beyond the scale are rounded; anything else
    // leaves the number 0 and isValid() false.
    FixNumber(quint32 multiplier, const QString &text);
    // An int literal would be ambiguous between the double and the scaled integer.
    FixNumber(quint32 multiplier, int value) = delete;

    quint32 multiplier() const { return m_multiplier; }
    int decimals() const { return m_decimals; }
    qint64 value() const { return m_value; }
    void setValue(qint64 scaled) { m_value = scaled; }
    bool isValid() const { return m_valid; }

    double toDouble() const;
    QString toString(QChar decimalPoint = QLatin1Char('.')) const;
    // The same number at another scale, rounded half away from zero.
    FixNumber toMultiplier(quint32 multiplier) const;

    FixNumber &operator+=(const FixNumber &other);
    FixNumber &operator-=(const FixNumber &other);
    FixNumber operator+(const FixNumber &other) const;
    FixNumber operator-(const FixNumber &other) const;

    // Compares the decimal values, whatever the scales.
    bool operator==(const FixNumber &other) const;
    bool operator!=(const FixNumber &other) const { return !(*this == other); }
    bool operator<(const FixNumber &other) const;

private:
    static qint64 rescale(qint64 value, quint32 from, quint32 to);

    qint64 m_value = 0;
    quint32 m_multiplier;
    int m_decimals = 0;
    bool m_valid = true;
};

} // namespace qt5ext

Q_DECLARE_METATYPE(qt5ext::FixNumber)

#endif // FIXNUMBER_H
