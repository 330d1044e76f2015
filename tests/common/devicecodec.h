#ifndef DEVICECODEC_H
#define DEVICECODEC_H

#include <QByteArray>
#include <QList>

// The register's side of the link framing, written apart from the configurator's codec so
// that each checks the other: bitwise CRC, plain stuffing loops and a decoder that
// reassembles frames from arbitrary segments.
class DeviceCodec
{
public:
    struct Frame
    {
        quint8 id = 0;
        QByteArray payload;
        QByteArray raw; // the frame as it came over the wire
        bool valid = false; // well-formed stuffing and a matching CRC
        qint64 atMs = 0; // arrival, set by the receiver
    };

    static quint8 crc(const QByteArray &bytes);
    static QByteArray encode(quint8 id, const QByteArray &payload);

    // Appends bytes and returns every frame completed by them, valid or not.
    QList<Frame> feed(const QByteArray &bytes);

private:
    QByteArray m_buffer;
};

#endif // DEVICECODEC_H
