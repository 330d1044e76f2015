#include "devicecodec.h"

quint8 DeviceCodec::crc(const QByteArray &bytes)
{
    quint8 c = 0xFF;
    for (const char ch : bytes) {
        c ^= quint8(ch);
        for (int bit = 0; bit < 8; ++bit)
            c = (c & 0x80) ? quint8((c << 1) ^ 0x31) : quint8(c << 1);
    }
    return c;
}

QByteArray DeviceCodec::escape(const QByteArray &bytes)
{
    QByteArray out;
    for (const char ch : bytes) {
        if (quint8(ch) == 0xFD)
            out.append("\xFD\xED", 2);
        else if (quint8(ch) == 0xFE)
            out.append("\xFD\xEE", 2);
        else
            out.append(ch);
    }
    return out;
}

QByteArray DeviceCodec::encode(quint8 id, const QByteArray &payload)
{
    const QByteArray body = escape(QByteArray(1, char(id)) + payload);
    QByteArray frame;
    frame.append(char(0xFE));
    frame.append(char(payload.size() % 128));
    frame.append(char(payload.size() / 128));
    frame.append(body);
    frame.append(escape(QByteArray(1, char(crc(body)))));
    return frame;
}

QList<DeviceCodec::Frame> DeviceCodec::feed(const QByteArray &bytes)
{
    QList<Frame> frames;
    m_buffer.append(bytes);
    for (;;) {
        const int stx = m_buffer.indexOf(char(0xFE));
        if (stx < 0) {
            m_buffer.clear();
            break;
        }
        m_buffer.remove(0, stx);
        if (m_buffer.size() < 4)
            break;
        const int length = quint8(m_buffer.at(1)) + 128 * quint8(m_buffer.at(2));
        // Identifier, payload and CRC, unescaped; the escaped identifier and payload for the CRC.
        QByteArray plain;
        QByteArray escapedBody;
        int pos = 3;
        bool complete = false;
        while (pos < m_buffer.size()) {
            int width = 1;
            char value = m_buffer.at(pos);
            if (quint8(value) == 0xFD) {
                if (pos + 1 >= m_buffer.size())
                    break;
                value = quint8(m_buffer.at(pos + 1)) == 0xED ? char(0xFD) : char(0xFE);
                width = 2;
            }
            if (plain.size() < length + 1)
                escapedBody.append(m_buffer.mid(pos, width));
            plain.append(value);
            pos += width;
            if (plain.size() == length + 2) {
                complete = true;
                break;
            }
        }
        if (!complete)
            break;
        Frame f;
        f.id = quint8(plain.at(0));
        f.payload = plain.mid(1, length);
        f.raw = m_buffer.left(pos);
        f.crcOk = crc(escapedBody) == quint8(plain.at(length + 1));
        frames.append(f);
        m_buffer.remove(0, pos);
    }
    return frames;
}
