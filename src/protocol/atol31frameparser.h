#ifndef ATOL31FRAMEPARSER_H
#define ATOL31FRAMEPARSER_H

#include <QByteArray>

// Receive state machine of an ATOL 3.1 frame, fed one byte at a time. It knows nothing of
// timing: whoever feeds it decides when a silence ends a frame and calls reset().
class Atol31FrameParser
{
public:
    enum State { Hunting, Len0, Len1, Identifier, Body };
    enum Result {
        NeedMore, // keep feeding
        Complete, // id() and payload() hold a checked frame; the parser hunts again
        BadHeader, // identifier or length out of range
        StxInBody, // 0xFE inside the body; that byte is consumed
        BadEscape, // 0xFD followed by something other than 0xED or 0xEE
        BadCrc,
    };

    static const quint8 STX = 0xFE;
    static const quint8 ESC = 0xFD;

    Result feed(quint8 byte);
    void reset();

    State state() const { return m_state; }
    bool hasId() const { return m_hasId; }
    quint8 id() const { return m_id; }
    quint8 len0() const { return m_len0; }
    quint8 len1() const { return m_len1; }
    // Payload length as announced by the header.
    int length() const { return int(m_len1) * 128 + m_len0; }
    // Stuffed body bytes received so far (after a failure: the discarded body).
    QByteArray rawBody() const { return m_raw; }
    // Identifier followed by the stuffed payload, as checked against the CRC.
    QByteArray checkedBytes() const { return m_checked; }
    QByteArray payload() const { return m_payload; }

    static bool isAcceptedId(quint8 id) { return id <= 0xDF || id == 0xF0; }

private:
    Result finish();

    State m_state = Hunting;
    quint8 m_len0 = 0;
    quint8 m_len1 = 0;
    quint8 m_id = 0;
    bool m_hasId = false;
    bool m_afterEscape = false;
    int m_expected = 0;
    QByteArray m_raw;
    QByteArray m_checked;
    QByteArray m_payload;
};

#endif // ATOL31FRAMEPARSER_H
