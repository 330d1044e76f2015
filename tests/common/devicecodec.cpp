#include "devicecodec.h"

namespace {

const quint8 STX = 0xFE;
const quint8 ESC = 0xFD;
const quint8 ESC_FD = 0xED;
const quint8 ESC_FE = 0xEE;

QByteArray stuff(const QByteArray &bytes)
{
    QByteArray out;
    for (const char ch : bytes) {
        if (quint8(ch) == ESC)
            out.append(char(ESC)).append(char(ESC_FD));
        else if (quint8(ch) == STX)
            out.append(char(ESC)).append(char(ESC_FE));
        else
            out.append(ch);
    }
    return out;
}

} // namespace

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

QByteArray DeviceCodec::encode(quint8 id, const QByteArray &payload)
{
    const QByteArray body = stuff(QByteArray(1, char(id)) + payload);
    return QByteArray(1, char(STX)) + char(payload.size() % 128) + char(payload.size() / 128) + body
        + stuff(QByteArray(1, char(crc(body))));
}

QList<DeviceCodec::Frame> DeviceCodec::feed(const QByteArray &bytes)
{
    QList<Frame> frames;
    m_buffer.append(bytes);
    for (;;) {
        const int stx = m_buffer.indexOf(char(STX));
        if (stx < 0) {
            m_buffer.clear();
            break;
        }
        m_buffer.remove(0, stx);
        if (m_buffer.size() < 3)
            break;
        const int length = quint8(m_buffer.at(1)) + 128 * quint8(m_buffer.at(2));
        Frame f;
        f.valid = true;
        QByteArray plain; // identifier, payload and CRC, unstuffed
        int pos = 3;
        int bodyEnd = 3; // the CRC covers the stuffed identifier and payload
        while (plain.size() < length + 2 && pos < m_buffer.size()) {
            quint8 value = quint8(m_buffer.at(pos));
            int width = 1;
            if (value == ESC) {
                if (pos + 1 >= m_buffer.size())
                    break;
                const quint8 next = quint8(m_buffer.at(pos + 1));
                f.valid = f.valid && (next == ESC_FD || next == ESC_FE);
                value = next == ESC_FD ? ESC : STX;
                width = 2;
            } else if (value == STX) {
                f.valid = false; // a frame start inside a frame
            }
            plain.append(char(value));
            pos += width;
            if (plain.size() == length + 1)
                bodyEnd = pos;
        }
        if (plain.size() < length + 2)
            break;
        f.id = quint8(plain.at(0));
        f.payload = plain.mid(1, length);
        f.raw = m_buffer.left(pos);
        f.valid = f.valid && crc(m_buffer.mid(3, bodyEnd - 3)) == quint8(plain.at(length + 1));
        frames.append(f);
        m_buffer.remove(0, pos);
    }
    return frames;
}
