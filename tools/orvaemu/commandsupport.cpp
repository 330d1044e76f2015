#include "commandsupport.h"

#include "bcd.h"

#include <QTextCodec>

using qt5ext::BCD;

namespace emu {

bool bcdField(const QByteArray &payload, int at, int bytes, qint64 *value)
{
    const QByteArray field = payload.mid(at, bytes);
    if (field.size() != bytes || !BCD::isValid(field))
        return false;
    *value = BCD::bcd2int(field);
    return true;
}

QByteArray trimZeros(QByteArray bytes)
{
    while (!bytes.isEmpty() && bytes.at(bytes.size() - 1) == '\0')
        bytes.chop(1);
    return bytes;
}

namespace {

QTextCodec *cp866()
{
    static QTextCodec *codec = QTextCodec::codecForName("CP866");
    return codec;
}

} // namespace

QByteArray encode(const QString &text)
{
    return cp866() ? cp866()->fromUnicode(text) : text.toLatin1();
}

QString decode(const QByteArray &bytes)
{
    return cp866() ? cp866()->toUnicode(bytes) : QString::fromLatin1(bytes);
}

QByteArray bcdDateTime(const QDateTime &dt)
{
    QByteArray out;
    if (!dt.isValid())
        return QByteArray(6, '\0');
    out += BCD::int2bcd(dt.date().year() - 2000, 2);
    out += BCD::int2bcd(dt.date().month(), 2);
    out += BCD::int2bcd(dt.date().day(), 2);
    out += BCD::int2bcd(dt.time().hour(), 2);
    out += BCD::int2bcd(dt.time().minute(), 2);
    out += BCD::int2bcd(dt.time().second(), 2);
    return out;
}

QJsonObject totalsJson(const RegisterState::Totals &t)
{
    QJsonObject o;
    o.insert(QStringLiteral("sales"), double(t.sales));
    o.insert(QStringLiteral("saleReturns"), double(t.saleReturns));
    o.insert(QStringLiteral("purchases"), double(t.purchases));
    o.insert(QStringLiteral("purchaseReturns"), double(t.purchaseReturns));
    o.insert(QStringLiteral("corrections"), double(t.corrections));
    o.insert(QStringLiteral("cashIn"), double(t.cashIn));
    o.insert(QStringLiteral("cashOut"), double(t.cashOut));
    o.insert(QStringLiteral("receipts"), t.receipts);
    return o;
}

} // namespace emu
