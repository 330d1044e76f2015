#ifndef HEXBYTES_H
#define HEXBYTES_H

#include <QByteArray>

// Frames and answers in the protocol tests are written as hex text.
inline QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

#endif // HEXBYTES_H
