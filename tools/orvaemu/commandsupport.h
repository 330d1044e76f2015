#ifndef COMMANDSUPPORT_H
#define COMMANDSUPPORT_H

#include "registerstate.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QString>

// What the register's command families share: its error codes and field encodings.
namespace emu {

// Register error codes used here.
enum : quint8 {
    E_FORMAT = 0x13,
    E_LENGTH = 0x14,
    E_SUM = 0x08,
    E_QUANTITY = 0x0A,
    E_DRAWER_OVERFLOW = 0x0B,
    E_FN_DATE = 0x20,
    E_STORNO_QTY = 0x41,
    E_NOT_SOLD = 0x43,
    E_MODE = 0x66,
    E_NO_PAPER = 0x67,
    E_RECEIPT_KIND = 0x6A,
    E_REGISTER = 0x6C,
    E_NONCASH = 0x71,
    E_UNDERPAID = 0x72,
    E_PAYMENT_OVERFLOW = 0x75,
    E_NOT_SUPPORTED = 0x7A,
    E_DISCOUNT = 0x7B,
    E_SECTION = 0x7D,
    E_PAY_TYPE = 0x7E,
    E_MULTIPLY = 0x7F,
    E_TOTAL_OVERFLOW = 0x81,
    E_SHIFT_24H = 0x88,
    E_PASSWORD = 0x8C,
    E_ALREADY_CLEARED = 0x8F,
    E_TABLE = 0x91,
    E_ROW = 0x92,
    E_FIELD = 0x93,
    E_DATE = 0x94,
    E_TIME = 0x95,
    E_NO_MONEY = 0x98,
    E_RECEIPT_CLOSED = 0x9A,
    E_RECEIPT_OPEN = 0x9B,
    E_SHIFT_OPEN = 0x9C,
    E_SERIAL_SET = 0x9E,
    E_REPORT_TYPE = 0xA3,
    E_BAD_SERIAL = 0xA5,
    E_NOT_FISCAL = 0xA8,
    E_NO_RECEIPT = 0xAC,
    E_FN_STATE = 0xD4,
    E_FN_NO_DATA = 0xDA,
    E_TAX_SYSTEM = 0xE0,
    E_FN_PARAMS = 0xE7,
    E_FN_UNSENT = 0xED,
    E_AGENT_FLAGS = 0xF1,
    E_MISSING_REQUISITES = 0xF2,
};

// A BCD field of the payload; false when it is short or not BCD.
bool bcdField(const QByteArray &payload, int at, int bytes, qint64 *value);
// Texts in fixed-width fields are padded with zero bytes.
QByteArray trimZeros(QByteArray bytes);
// The register's texts are CP866.
QByteArray encode(const QString &text);
QString decode(const QByteArray &bytes);
// Six BCD bytes YY MM DD hh mm ss; zeros for an invalid date and time.
QByteArray bcdDateTime(const QDateTime &dt);
QJsonObject totalsJson(const RegisterState::Totals &t);

} // namespace emu

#endif // COMMANDSUPPORT_H
