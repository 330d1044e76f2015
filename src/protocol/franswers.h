#ifndef FRANSWERS_H
#define FRANSWERS_H

#include <QByteArray>
#include <QDateTime>
#include <QMetaType>
#include <QString>

// Answer of the state request 0x3F. Never fails: fields the bytes do not reach keep their
// initial values (0, false, a null date and time).
class FrStateCommandAnswer
{
public:
    // Frames with this identifier carry the answer code and the TID in front of the data.
    static const quint8 HEADER_ASYNC = 0xF0;
    static const quint8 STATE_TAG = 0x44; // 'D'

    FrStateCommandAnswer() = default;
    FrStateCommandAnswer(quint8 headerKind, const QByteArray &bufferAnswer);

    quint8 answerCode() const { return m_answerCode; }
    quint8 tid() const { return m_tid; }
    QByteArray data() const { return m_data; }

    int cashierNumber() const { return m_cashier; }
    int hallNumber() const { return m_hall; }
    int serialNumber() const { return m_serial; }
    // Low nibble: mode; high nibble: submode.
    int modeByte() const { return m_modeByte; }
    quint8 mode() const { return quint8(m_modeByte & 0x0F); }
    quint8 submode() const { return quint8((m_modeByte >> 4) & 0x0F); }

    // Bits 0, 1, 3, 5, 6 and 7 of the flag byte.
    bool isFiscal() const { return m_flags[0]; }
    bool isCycleOpened() const { return m_flags[1]; }
    bool isPaperAbsent() const { return m_flags[2]; }
    bool isCoverOpened() const { return m_flags[3]; }
    bool isFnActivated() const { return m_flags[4]; }
    bool isBatteryLow() const { return m_flags[5]; }

    QDateTime dateTime() const { return m_dateTime; }

    // Parses a bare state answer (starting with 'D') into this object's state fields.
    void parseState(const QByteArray &state);

private:
    quint8 m_answerCode = 0;
    quint8 m_tid = 0;
    QByteArray m_data;
    int m_cashier = 0;
    int m_hall = 0;
    int m_serial = 0;
    int m_modeByte = 0;
    bool m_flags[6] = { false, false, false, false, false, false };
    QDateTime m_dateTime;
};

// Answer of the table read 0x46: "U", error code, and the value when the code is 0.
class TableReadCommandAnswer
{
public:
    TableReadCommandAnswer() = default;
    explicit TableReadCommandAnswer(const QByteArray &result);

    quint8 errorCode() const { return m_errorCode; }
    QByteArray value() const { return m_value; }

private:
    quint8 m_errorCode = 0xFF;
    QByteArray m_value;
};

// A bare result "U", code[, 0x00]; code() stays 0xFF for anything else.
class CommandResultAnswer
{
public:
    CommandResultAnswer() = default;
    CommandResultAnswer(const QByteArray &result, int expectedLength);

    quint8 code() const { return m_code; }

private:
    quint8 m_code = 0xFF;
};

// The program's own error code, never sent by a register: a queued task was dropped
// unfinished because the link went down or the task buffer was cleared. Delivered like a
// refusal, as the result 0x55 LINK_CANCELLED 0x00.
const quint8 LINK_CANCELLED = 0xFE;
QByteArray linkCancelledResult();

// Message for a register error code (or LINK_CANCELLED); unknown codes give "Код ошибки: <hex>".
QString errorCodeText(quint8 code);
// Name of a register mode (the low nibble of the mode byte); empty above 7.
QString modeName(quint8 mode);

Q_DECLARE_METATYPE(FrStateCommandAnswer)
Q_DECLARE_METATYPE(TableReadCommandAnswer)
Q_DECLARE_METATYPE(CommandResultAnswer)

#endif // FRANSWERS_H
