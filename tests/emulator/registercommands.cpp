#include "registercommands.h"

#include "bcd.h"

using qt5ext::BCD;

namespace RegisterCommands {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

QByteArray enter(int mode)
{
    return hex("56") + char(mode) + hex("00000047");
}

QByteArray exitMode()
{
    return hex("48");
}

QByteArray position(qint64 price, qint64 quantity)
{
    QByteArray r = hex("e600");
    r += QByteArray("Item").leftJustified(64, '\0');
    r += BCD::int2bcd(price, 12) + BCD::int2bcd(quantity, 10);
    r += hex("0100") + BCD::int2bcd(0, 12) + hex("0101");
    return r + QByteArray(17, '\0');
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

} // namespace RegisterCommands
