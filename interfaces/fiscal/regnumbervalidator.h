#ifndef REGNUMBERVALIDATOR_H
#define REGNUMBERVALIDATOR_H

#include <QByteArray>

namespace fiscal {

// Taxpayer numbers (INN) and register registration numbers (RNM).
//
// An RNM is 16 digits: the 10-digit ordinal number, then six digits holding the
// CRC-16/CCITT (polynomial 0x1021, initial 0xFFFF) of the text made of the ordinal
// (10 digits), the user INN (12 digits) and the serial number (20 digits), each left-padded
// with zeros.
class RegNumberValidator
{
public:
    // 10 or 12 digits with valid check digits.
    static bool checkInn(const QByteArray &inn);
    // Empty when the ordinal is not 1 to 10 digits, the serial not 1 to 20 digits or the INN
    // not valid.
    static QByteArray create(const QByteArray &ordinal, qint64 serial, const QByteArray &inn);
    static bool check(const QByteArray &regNumber, qint64 serial, const QByteArray &inn);

    static quint16 crc16(const QByteArray &data);
};

} // namespace fiscal

#endif // REGNUMBERVALIDATOR_H
