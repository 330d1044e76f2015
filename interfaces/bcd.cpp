#include "bcd.h"

#include <QDebug>

namespace qt5ext {

QByteArray BCD::int2bcd(qint64 value, int digits)
{
    if (digits <= 0)
        return QByteArray();
    const int bytes = (digits + 1) / 2;
    quint64 v = value < 0 ? quint64(0) - quint64(value) : quint64(value);
    QByteArray out(bytes, '\0');
    for (int i = bytes - 1; i >= 0; --i) {
        const quint8 lo = quint8(v % 10);
        v /= 10;
        const quint8 hi = quint8(v % 10);
        v /= 10;
        out[i] = char((hi << 4) | lo);
    }
    // The caller sent a number its field cannot carry: the register will act on another one.
    if (v != 0)
        qWarning() << "BCD_VALUE_TRUNCATED VALUE=" << value << "DIGITS=" << digits
                   << "SENT=" << out.toHex();
    return out;
}

qint64 BCD::bcd2int(const QByteArray &bytes)
{
    const quint64 limit = 1000000000000000000ULL; // 10^18
    quint64 v = 0;
    for (const char c : bytes) {
        const quint8 b = quint8(c);
        v = (v * 10 + (b >> 4)) % limit;
        v = (v * 10 + (b & 0x0F)) % limit;
    }
    return qint64(v);
}

bool BCD::isValid(const QByteArray &bytes)
{
    for (const char c : bytes) {
        const quint8 b = quint8(c);
        if ((b >> 4) > 9 || (b & 0x0F) > 9)
            return false;
    }
    return true;
}

} // namespace qt5ext
