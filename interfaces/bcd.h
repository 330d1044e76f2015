#ifndef BCD_H
#define BCD_H

#include <QByteArray>

namespace qt5ext {

// Packed BCD, most significant digit first, two digits a byte.
class BCD
{
public:
    // (digits + 1) / 2 bytes, left-padded with zeros; an odd count fills its whole first byte
    // (24 in 1 digit gives 0x24). The sign is dropped; a value with more digits than the bytes
    // hold keeps its lowest ones (1234 in 2 digits gives 0x34) and logs a warning.
    static QByteArray int2bcd(qint64 value, int digits);
    // Reads any length; a nibble above 9 counts as its own value in that position, and only
    // the last 18 digits are kept so the result cannot overflow.
    static qint64 bcd2int(const QByteArray &bytes);
    // True when every nibble is a decimal digit.
    static bool isValid(const QByteArray &bytes);
};

} // namespace qt5ext

#endif // BCD_H
