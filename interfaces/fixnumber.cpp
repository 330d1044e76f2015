#include "fixnumber.h"

#include <QDebug>

#include <algorithm>
#include <cmath>
#include <limits>

namespace qt5ext {

namespace {
int decimalsOf(quint32 multiplier)
{
    int d = 0;
    quint32 m = multiplier;
    while (m >= 10 && m % 10 == 0) {
        m /= 10;
        ++d;
    }
    return m == 1 ? d : -1;
}
} // namespace

FixNumber::FixNumber(quint32 multiplier) : m_multiplier(multiplier)
{
    m_decimals = decimalsOf(multiplier);
    if (m_decimals < 0 || m_decimals > 9) {
        qWarning() << "FIXNUMBER_BAD_MULTIPLIER" << multiplier;
        m_multiplier = 1;
        m_decimals = 0;
        m_valid = false;
    }
}

FixNumber::FixNumber(quint32 multiplier, double value) : FixNumber(multiplier)
{
    const double scaled = value * double(m_multiplier);
    if (!std::isfinite(scaled) || std::fabs(scaled) >= 9.2e18) {
        m_valid = false;
        return;
    }
    // A double only approximates the decimal it was written as: 1.005 is stored as
    // 1.00499999999999989..., and 1.005 * 100 lands just below 100.5. A fraction that falls
    // short of the half by no more than the representation error is taken as the half.
    const double mag = std::fabs(scaled);
    double whole = std::floor(mag);
    const double frac = mag - whole;
    const double ulp = std::nextafter(mag, std::numeric_limits<double>::infinity()) - mag;
    const double tolerance = std::min(2 * ulp, 1e-6);
    if (frac > 0 && frac >= 0.5 - tolerance)
        whole += 1;
    m_value = scaled < 0 ? -qint64(whole) : qint64(whole);
}

FixNumber::FixNumber(quint32 multiplier, qint64 value) : FixNumber(multiplier)
{
    m_value = value;
}

FixNumber::FixNumber(quint32 multiplier, const QString &text) : FixNumber(multiplier)
{
    QString t = text.trimmed();
    t.remove(QLatin1Char(' '));
    t.remove(QChar(0x00A0));
    bool negative = false;
    if (t.startsWith(QLatin1Char('-')) || t.startsWith(QLatin1Char('+'))) {
        negative = t.at(0) == QLatin1Char('-');
        t.remove(0, 1);
    }
    int point = t.indexOf(QLatin1Char('.'));
    if (point < 0)
        point = t.indexOf(QLatin1Char(','));
    const QString intPart = point < 0 ? t : t.left(point);
    const QString fracPart = point < 0 ? QString() : t.mid(point + 1);

    auto allDigits = [](const QString &s) {
        for (const QChar c : s)
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return false;
        return true;
    };
    if ((intPart.isEmpty() && fracPart.isEmpty()) || !allDigits(intPart) || !allDigits(fracPart)
        || intPart.size() + m_decimals > 18) {
        m_valid = false;
        return;
    }
    qint64 v = 0;
    for (const QChar c : intPart)
        v = v * 10 + (c.unicode() - '0');
    for (int i = 0; i < m_decimals; ++i)
        v = v * 10 + (i < fracPart.size() ? fracPart.at(i).unicode() - '0' : 0);
    if (fracPart.size() > m_decimals && fracPart.at(m_decimals) >= QLatin1Char('5'))
        ++v;
    m_value = negative ? -v : v;
}

double FixNumber::toDouble() const
{
    return double(m_value) / double(m_multiplier);
}

QString FixNumber::toString(QChar decimalPoint) const
{
    const quint64 mag = m_value < 0 ? quint64(0) - quint64(m_value) : quint64(m_value);
    QString s = QString::number(mag / m_multiplier);
    if (m_decimals > 0) {
        s += decimalPoint;
        s += QStringLiteral("%1").arg(mag % m_multiplier, m_decimals, 10, QLatin1Char('0'));
    }
    return m_value < 0 ? QLatin1Char('-') + s : s;
}

qint64 FixNumber::rescale(qint64 value, quint32 from, quint32 to)
{
    if (from == to)
        return value;
    if (to > from)
        return value * qint64(to / from);
    const qint64 div = qint64(from / to);
    const qint64 q = value / div;
    const qint64 r = value % div;
    if (2 * (r < 0 ? -r : r) >= div)
        return q + (value < 0 ? -1 : 1);
    return q;
}

FixNumber FixNumber::toMultiplier(quint32 multiplier) const
{
    FixNumber r(multiplier);
    r.m_value = rescale(m_value, m_multiplier, r.m_multiplier);
    r.m_valid = m_valid && r.m_valid;
    return r;
}

FixNumber &FixNumber::operator+=(const FixNumber &other)
{
    m_value += rescale(other.m_value, other.m_multiplier, m_multiplier);
    m_valid = m_valid && other.m_valid;
    return *this;
}

FixNumber &FixNumber::operator-=(const FixNumber &other)
{
    m_value -= rescale(other.m_value, other.m_multiplier, m_multiplier);
    m_valid = m_valid && other.m_valid;
    return *this;
}

FixNumber FixNumber::operator+(const FixNumber &other) const
{
    FixNumber r(*this);
    r += other;
    return r;
}

FixNumber FixNumber::operator-(const FixNumber &other) const
{
    FixNumber r(*this);
    r -= other;
    return r;
}

bool FixNumber::operator==(const FixNumber &other) const
{
    const quint32 common = qMax(m_multiplier, other.m_multiplier);
    return rescale(m_value, m_multiplier, common)
        == rescale(other.m_value, other.m_multiplier, common);
}

bool FixNumber::operator<(const FixNumber &other) const
{
    const quint32 common = qMax(m_multiplier, other.m_multiplier);
    return rescale(m_value, m_multiplier, common)
        < rescale(other.m_value, other.m_multiplier, common);
}

} // namespace qt5ext
