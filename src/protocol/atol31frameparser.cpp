#include "atol31frameparser.h"

#include "patol31.h"

void Atol31FrameParser::reset()
{
    m_state = Hunting;
    m_len0 = m_len1 = m_id = 0;
    m_hasId = false;
    m_afterEscape = false;
    m_expected = 0;
    m_raw.clear();
    m_checked.clear();
    m_payload.clear();
}

Atol31FrameParser::Result Atol31FrameParser::feed(quint8 byte)
{
    switch (m_state) {
    case Hunting:
        if (byte == STX) {
            reset();
            m_state = Len0;
        }
        return NeedMore;
    case Len0:
        m_len0 = byte;
        m_state = Len1;
        return NeedMore;
    case Len1:
        m_len1 = byte;
        m_state = Identifier;
        return NeedMore;
    case Identifier:
        m_id = byte;
        m_hasId = true;
        if (!isAcceptedId(m_id) || m_len0 > 0x7F || m_len1 > 0x7E) {
            m_state = Hunting;
            return BadHeader;
        }
        m_expected = length() + 1;
        m_state = Body;
        return NeedMore;
    case Body:
        if (byte == STX) {
            m_state = Hunting;
            return StxInBody;
        }
        m_raw.append(char(byte));
        if (m_afterEscape) {
            m_afterEscape = false;
            if (byte != 0xED && byte != 0xEE) {
                m_state = Hunting;
                return BadEscape;
            }
        } else if (byte == ESC) {
            m_afterEscape = true;
            ++m_expected;
        }
        if (m_raw.size() == m_expected)
            return finish();
        return NeedMore;
    }
    return NeedMore;
}

Atol31FrameParser::Result Atol31FrameParser::finish()
{
    m_state = Hunting;
    QByteArray bytes = m_raw;
    quint8 crc;
    if (bytes.endsWith(QByteArray::fromRawData("\xFD\xEE", 2))) {
        crc = 0xFE;
        bytes.chop(2);
    } else if (bytes.endsWith(QByteArray::fromRawData("\xFD\xED", 2))) {
        crc = 0xFD;
        bytes.chop(2);
    } else {
        crc = quint8(bytes.at(bytes.size() - 1));
        bytes.chop(1);
    }
    m_checked = char(m_id) + bytes;
    if (PAtol31::crc8(m_checked) != crc)
        return BadCrc;
    m_payload = PAtol31::unstuff(bytes);
    return Complete;
}
