#ifndef DEVICECODEC_H
#define DEVICECODEC_H

#include <QByteArray>
#include <QList>

// The register's side of the link framing, written independently of the configurator's codec
// so that both can be checked against each other: bitwise CRC, plain stuffing loops and a
// decoder that reassembles frames from arbitrary segments.
class DeviceCodec
{
public:
    struct Frame
    {
        quint8 id = 0;
        QByteArray payload;
        QByteArray raw; // the frame as it came over the wire
        bool crcOk = false;
    };

    static quint8 crc(const QByteArray &bytes);
    static QByteArray escape(const QByteArray &bytes);
    static QByteArray encode(quint8 id, const QByteArray &payload);

    // Appends bytes and returns every frame completed by them.
    QList<Frame> feed(const QByteArray &bytes);
    QByteArray pending() const { return m_buffer; }

private:
    QByteArray m_buffer;
};

#endif // DEVICECODEC_H
