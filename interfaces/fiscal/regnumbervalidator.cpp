#include "regnumbervalidator.h"

namespace fiscal {

namespace {

bool allDigits(const QByteArray &text)
{
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    return !text.isEmpty();
}

int checkDigit(const QByteArray &inn, const int *weights, int count)
{
    int sum = 0;
    for (int i = 0; i < count; ++i)
        sum += (inn.at(i) - '0') * weights[i];
    return sum % 11 % 10;
}

} // namespace

bool RegNumberValidator::checkInn(const QByteArray &inn)
{
    if (!allDigits(inn))
        return false;
    if (inn.size() == 10) {
        static const int w[] = { 2, 4, 10, 3, 5, 9, 4, 6, 8 };
        return checkDigit(inn, w, 9) == inn.at(9) - '0';
    }
    if (inn.size() == 12) {
        static const int w11[] = { 7, 2, 4, 10, 3, 5, 9, 4, 6, 8 };
        static const int w12[] = { 3, 7, 2, 4, 10, 3, 5, 9, 4, 6, 8 };
        return checkDigit(inn, w11, 10) == inn.at(10) - '0'
            && checkDigit(inn, w12, 11) == inn.at(11) - '0';
    }
    return false;
}

quint16 RegNumberValidator::crc16(const QByteArray &data)
{
    quint16 crc = 0xFFFF;
    for (const char c : data) {
        crc ^= quint16(quint8(c)) << 8;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x8000) ? quint16((crc << 1) ^ 0x1021) : quint16(crc << 1);
    }
    return crc;
}

QByteArray RegNumberValidator::create(
    const QByteArray &ordinal, qint64 serial, const QByteArray &inn)
{
    if (!allDigits(ordinal) || ordinal.size() > 10 || serial <= 0 || !checkInn(inn))
        return QByteArray();
    const QByteArray ord = ordinal.rightJustified(10, '0');
    // qint64 has at most 19 digits, so the serial always fits its 20.
    const QByteArray text
        = ord + inn.rightJustified(12, '0') + QByteArray::number(serial).rightJustified(20, '0');
    return ord + QByteArray::number(crc16(text)).rightJustified(6, '0');
}

bool RegNumberValidator::check(const QByteArray &regNumber, qint64 serial, const QByteArray &inn)
{
    if (regNumber.size() != 16 || !allDigits(regNumber))
        return false;
    return create(regNumber.left(10), serial, inn) == regNumber;
}

} // namespace fiscal
