#include "registermodel.h"

#include "bcd.h"
#include "commandsupport.h"

using qt5ext::BCD;
using namespace emu;

namespace {

struct TableLayout
{
    quint8 table;
    int rows;
    int widths[2]; // by field; 0 ends the list
};

// Programmable tables: settings, cashiers (password BCD, name), sections (name, tax number),
// receipt header lines.
const TableLayout TABLES[] = {
    { 1, 1, { 1, 1 } },
    { 2, 30, { 4, 28 } },
    { 3, 16, { 28, 1 } },
    { 4, 6, { 48, 0 } },
};

} // namespace

RegisterModel::Answer RegisterModel::deviceType() const
{
    QByteArray b;
    b.append(char(3)); // protocol
    b.append(char(1)); // a cash register
    // Model, version and name as the fiscal core is told to report them: the version's ten
    // digits are major, minor, revision and a build of four digits.
    const QString ver = m_state.core.atolModel.value(QStringLiteral("ver")).toString();
    const int build = ver.mid(6, 4).toInt();
    b.append(char(modelCode()));
    b.append(char(0)).append(char(0));
    b.append(char(ver.mid(0, 2).toInt())).append(char(ver.mid(2, 2).toInt()));
    b.append(char(ver.mid(4, 2).toInt()));
    b.append(char(build >> 8)).append(char(build & 0xFF));
    b += encode(m_state.core.atolModel.value(QStringLiteral("name")).toString());
    return ok(b);
}

RegisterModel::Answer RegisterModel::version(const QByteArray &p) const
{
    if (p.size() != 1)
        return refuse(E_LENGTH);
    if (p.at(0) < 1 || p.at(0) > 3)
        return refuse(E_FORMAT);
    return ok(BCD::int2bcd(VERSION_MAJOR, 2) + BCD::int2bcd(VERSION_MINOR, 2)
        + BCD::int2bcd(VERSION_BUILD, 4));
}

RegisterModel::Answer RegisterModel::registerRead(const QByteArray &p) const
{
    if (p.isEmpty())
        return refuse(E_LENGTH);
    const RegisterState::Totals &s = m_state.shift;
    switch (quint8(p.at(0))) {
    case 1:
        return ok(BCD::int2bcd(m_state.drawer, 14));
    case 2:
        return ok(BCD::int2bcd(s.sales, 14));
    case 3:
        return ok(BCD::int2bcd(s.saleReturns, 14));
    case 4:
        return ok(BCD::int2bcd(s.purchases, 14));
    case 5:
        return ok(BCD::int2bcd(s.purchaseReturns, 14));
    case 6:
        return ok(BCD::int2bcd(s.cashIn, 14));
    case 7:
        return ok(BCD::int2bcd(s.cashOut, 14));
    case 8:
        return ok(BCD::int2bcd(m_state.grand.sales, 14));
    case 9:
        return ok(BCD::int2bcd(m_state.grand.purchases, 14));
    case 10:
        return ok(BCD::int2bcd(m_state.shiftNumber, 4));
    case 11:
        return ok(BCD::int2bcd(m_state.receiptNumber, 4));
    case 12:
        return ok(BCD::int2bcd(m_state.documentNumber, 10));
    case 13:
        return ok(
            bcdDateTime(m_state.shiftOpen ? m_state.shiftOpenedAt.toLocalTime() : QDateTime()));
    default:
        return refuse(E_REGISTER);
    }
}

RegisterModel::Answer RegisterModel::timezoneGet() const
{
    return ok(QByteArray(1, '\0') + BCD::int2bcd(m_state.timezone, 2));
}

RegisterModel::Answer RegisterModel::timezoneSet(const QByteArray &p)
{
    qint64 zone = 0;
    if (p.size() != 2)
        return refuse(E_LENGTH);
    if (p.at(0) != 0 || !bcdField(p, 1, 1, &zone) || zone < 1 || zone > 11)
        return refuse(E_FORMAT);
    m_state.timezone = int(zone);
    emit stateChanged();
    return ok();
}

RegisterModel::Answer RegisterModel::tableCell(const QByteArray &p, bool write)
{
    if (write ? p.size() < 4 : p.size() != 4)
        return refuse(E_LENGTH);
    const quint8 table = quint8(p.at(0));
    const TableLayout *layout = nullptr;
    for (const TableLayout &t : TABLES) {
        if (t.table == table)
            layout = &t;
    }
    if (!layout)
        return refuse(E_TABLE);
    const int row = (quint8(p.at(1)) << 8) | quint8(p.at(2));
    if (row < 1 || row > layout->rows)
        return refuse(E_ROW);
    const int field = quint8(p.at(3));
    if (field < 1 || field > 2 || layout->widths[field - 1] == 0)
        return refuse(E_FIELD);
    const int width = layout->widths[field - 1];
    const QString key = QStringLiteral("%1.%2.%3").arg(table).arg(row).arg(field);
    if (!write)
        return ok(m_state.tables.value(key, QByteArray(width, '\0')));
    QByteArray value = p.mid(4);
    if (value.isEmpty() || value.size() > width)
        return refuse(E_LENGTH);
    value.append(QByteArray(width - value.size(), '\0'));
    m_state.tables.insert(key, value);
    emit stateChanged();
    return ok();
}

RegisterModel::Answer RegisterModel::setDate(const QByteArray &p, bool time)
{
    if (p.size() != 3)
        return refuse(E_LENGTH);
    qint64 a = 0, b = 0, c = 0;
    const bool bcd = bcdField(p, 0, 1, &a) && bcdField(p, 1, 1, &b) && bcdField(p, 2, 1, &c);
    const QDateTime current = now();
    QDateTime target = current;
    if (time) {
        const QTime t(static_cast<int>(a), static_cast<int>(b), static_cast<int>(c));
        if (!bcd || !t.isValid())
            return refuse(E_TIME);
        target.setTime(t);
    } else {
        const QDate d(2000 + static_cast<int>(c), static_cast<int>(b), static_cast<int>(a));
        if (!bcd || !d.isValid())
            return refuse(E_DATE);
        target.setDate(d);
    }
    // The clock cannot move under an open shift, nor before the last fiscal document.
    if (m_state.shiftOpen)
        return refuse(E_SHIFT_OPEN);
    if (m_state.lastDocumentAt.isValid() && target.toUTC() < m_state.lastDocumentAt)
        return refuse(E_FN_DATE);
    m_state.clockOffset += current.secsTo(target);
    emit stateChanged();
    return ok();
}

RegisterModel::Answer RegisterModel::factoryNumber(const QByteArray &p)
{
    qint64 number = 0;
    if (p.size() != 2)
        return refuse(E_LENGTH);
    if (!bcdField(p, 0, 2, &number))
        return refuse(E_FORMAT);
    if (m_state.serial != 0)
        return refuse(E_SERIAL_SET);
    if (number == 0)
        return refuse(E_BAD_SERIAL);
    m_state.serial = number;
    emit stateChanged();
    return ok();
}
