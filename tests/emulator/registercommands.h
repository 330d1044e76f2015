#ifndef REGISTERCOMMANDS_H
#define REGISTERCOMMANDS_H

#include "registerstate.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>

// Device commands (code and payload) as the configurator sends them, and a reading of the
// documents the register prints, for the tests of the register model and of the pages.
namespace RegisterCommands {

QByteArray hex(const char *text);
QString hexOf(const QByteArray &bytes);
// Mode entry with the default password 47.
QByteArray enter(int mode);
QByteArray exitMode();
// The 103-byte position record (0xE7: its cancel) as the configurator sends it: tax 1, no
// barcode.
QByteArray position(qint64 price, qint64 quantity, bool cancel = false,
    const QByteArray &name = "Item", quint8 summType = 1, quint8 discountType = 0,
    qint64 discount = 0, quint8 section = 1);
// A TLV (little-endian tag and length) with the requisite record's header when top, and the
// requisite record 0xE8 carrying one.
QByteArray tlv(quint16 tag, const QByteArray &value, bool top = true);
QByteArray requisite(quint16 tag, const QByteArray &value);
// Flags, payment type BCD(2) when given, sum BCD(10): payment, close, cash in and out.
QByteArray money(quint8 code, qint64 sum, int type = -1);
// A receipt of the kind with one position at the price, paid exactly in cash (mode 1).
QList<QByteArray> receipt(qint64 price, quint8 kind = 1);
// Leaves the current mode, runs the Z report in mode 3 and leaves that too.
QList<QByteArray> zReport();

// A fresh register registered a second time with another operator ("ОФД-2", INN
// 7709364346); the operator INN it holds now (0000000000) is neither registration's.
RegisterState registeredTwice();

// The expected "key=value" pairs (path/key into objects; * for any non-empty value) filled
// from a printed document, to be compared with the expected text.
QString documentFields(const QJsonObject &document, const QString &expected);

} // namespace RegisterCommands

#endif // REGISTERCOMMANDS_H
