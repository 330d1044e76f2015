#ifndef BUSFRAMEBYTES_H
#define BUSFRAMEBYTES_H

#include <QByteArray>

// Bus frames written byte by byte, apart from the code under test: the four-byte big-endian
// length, and a message with its length in front.
inline QByteArray header(quint32 n)
{
    return QByteArray(1, char(n >> 24)) + char(n >> 16) + char(n >> 8) + char(n);
}

inline QByteArray frameOf(const QByteArray &json)
{
    return header(quint32(json.size())) + json;
}

#endif // BUSFRAMEBYTES_H
