#include "registercommands.h"

#include "bcd.h"

#include <QJsonValue>
#include <QStringList>

using qt5ext::BCD;

namespace RegisterCommands {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

QString hexOf(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex());
}

QByteArray enter(int mode)
{
    return hex("56") + char(mode) + hex("00000047");
}

QByteArray exitMode()
{
    return hex("48");
}

QByteArray position(qint64 price, qint64 quantity, bool cancel, const QByteArray &name,
    quint8 summType, quint8 discountType, qint64 discount, quint8 section)
{
    QByteArray r = QByteArray(1, char(cancel ? 0xE7 : 0xE6)) + '\0';
    r += name.leftJustified(64, '\0', true);
    r += BCD::int2bcd(price, 12) + BCD::int2bcd(quantity, 10);
    r.append(char(summType)).append(char(discountType));
    r += BCD::int2bcd(discount, 12);
    r.append(char(1)).append(char(section));
    return r + QByteArray(17, '\0');
}

QByteArray tlv(quint16 tag, const QByteArray &value, bool top)
{
    QByteArray b = top ? hex("000100") : QByteArray();
    b.append(char(tag & 0xFF)).append(char(tag >> 8));
    b.append(char(value.size() & 0xFF)).append(char(value.size() >> 8));
    return b + value;
}

QByteArray requisite(quint16 tag, const QByteArray &value)
{
    return char(0xE8) + tlv(tag, value);
}

QByteArray money(quint8 code, qint64 sum, int type)
{
    QByteArray c(1, char(code));
    c.append('\0');
    if (type >= 0)
        c += BCD::int2bcd(type, 2);
    return c + BCD::int2bcd(sum, 10);
}

QList<QByteArray> receipt(qint64 price, quint8 kind)
{
    return { hex("9200") + char(kind), position(price, 1000), money(0x4A, price, 1) };
}

QList<QByteArray> zReport()
{
    return { exitMode(), enter(3), hex("5a"), exitMode() };
}

RegisterState registeredTwice()
{
    RegisterState s = RegisterState::fresh();
    s.ofdInn = QStringLiteral("7709364346");
    s.ofdName = QStringLiteral("ОФД-2");
    QJsonObject reg = s.storage.document(1);
    reg.insert(QStringLiteral("fd"), 2);
    reg.insert(QStringLiteral("registration"), 2);
    reg.insert(QStringLiteral("parameters"), s.registrationParameters());
    s.storage.add(reg);
    s.documentNumber = 2;
    s.registrations = 2;
    s.ofdInn = QStringLiteral("0000000000");
    return s;
}

QString documentFields(const QJsonObject &document, const QString &expected)
{
    QStringList actual;
    for (const QString &item : expected.split(QLatin1Char(' '))) {
        const QString key = item.section(QLatin1Char('='), 0, 0);
        QJsonValue v = document;
        for (const QString &part : key.split(QLatin1Char('/')))
            v = v.toObject().value(part);
        const QString text = v.toVariant().toString();
        const bool any = item.endsWith(QLatin1String("=*")) && !text.isEmpty();
        actual << key + QLatin1Char('=') + (any ? QStringLiteral("*") : text);
    }
    return actual.join(QLatin1Char(' '));
}

} // namespace RegisterCommands
