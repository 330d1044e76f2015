#include "registermodel.h"

#include "bcd.h"

#include <QJsonArray>
#include <QTextCodec>

using qt5ext::BCD;

namespace {

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
};

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

QTextCodec *cp866()
{
    static QTextCodec *codec = QTextCodec::codecForName("CP866");
    return codec;
}

QByteArray encode(const QString &text)
{
    return cp866() ? cp866()->fromUnicode(text) : text.toLatin1();
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

} // namespace

RegisterModel::RegisterModel(const RegisterState &state, QObject *parent)
    : QObject(parent), m_state(state)
{
    // A receipt left open across a power cycle keeps the register in registration.
    m_mode = m_state.receiptOpen ? 1 : 0;
}

RegisterModel::Answer RegisterModel::ok(const QByteArray &data)
{
    Answer a;
    a.bytes = QByteArray("\x55\x00", 2) + (data.isEmpty() ? QByteArray(1, '\0') : data);
    return a;
}

RegisterModel::Answer RegisterModel::refuse(quint8 code)
{
    Answer a;
    a.bytes = QByteArray(3, '\0');
    a.bytes[0] = char(0x55);
    a.bytes[1] = char(code);
    a.refused = true;
    return a;
}

quint8 RegisterModel::submode() const
{
    if (m_mode == 1 && m_state.receiptOpen)
        return m_state.receipt.paying ? 2 : 1;
    return 0;
}

QDateTime RegisterModel::nowUtc() const
{
    return QDateTime::currentDateTimeUtc().addSecs(m_state.clockOffset);
}

QDateTime RegisterModel::now() const
{
    return nowUtc().toLocalTime();
}

bool RegisterModel::shiftExpired() const
{
    return m_state.shiftOpen && m_state.shiftOpenedAt.secsTo(nowUtc()) > qint64(SHIFT_HOURS) * 3600;
}

void RegisterModel::ageShift(int hours)
{
    if (!m_state.shiftOpen)
        doOpenShift(QString(), true);
    m_state.shiftOpenedAt = m_state.shiftOpenedAt.addSecs(-qint64(hours) * 3600);
    emit stateChanged();
}

namespace {
const int ANY_MODE = -1;
} // namespace

// One row per command the register knows: the mode it needs and what it does.
const RegisterModel::Command *RegisterModel::findCommand(quint8 code)
{
    using P = const QByteArray &;
    static const Command commands[] = {
        { 0x3F, ANY_MODE, [](RegisterModel &m, quint8, P) { return m.stateAnswer(); } },
        { 0x4D, ANY_MODE, [](RegisterModel &m, quint8, P) { return m.drawerAnswer(); } },
        { 0x58, ANY_MODE, [](RegisterModel &m, quint8, P) { return m.shiftTotalsAnswer(); } },
        { 0x9D, ANY_MODE, [](RegisterModel &m, quint8, P p) { return m.version(p); } },
        { 0xA5, ANY_MODE, [](RegisterModel &m, quint8, P) { return m.deviceType(); } },
        { 0x95, ANY_MODE, [](RegisterModel &m, quint8, P) { return m.printLast(); } },
        { 0x48, ANY_MODE, [](RegisterModel &m, quint8, P) { return m.exitMode(); } },
        { 0x56, ANY_MODE, [](RegisterModel &m, quint8, P p) { return m.enterMode(p); } },
        { 0xD2, ANY_MODE, [](RegisterModel &m, quint8, P) { return m.timezoneGet(); } },
        { 0x91, ANY_MODE, [](RegisterModel &m, quint8, P p) { return m.registerRead(p); } },
        { 0x92, 1, [](RegisterModel &m, quint8, P p) { return m.openReceipt(p); } },
        { 0xE6, 1, [](RegisterModel &m, quint8, P p) { return m.position(p, false); } },
        { 0xE7, 1, [](RegisterModel &m, quint8, P p) { return m.position(p, true); } },
        { 0x99, 1, [](RegisterModel &m, quint8, P p) { return m.payment(p); } },
        { 0x4A, 1, [](RegisterModel &m, quint8, P p) { return m.closeReceipt(p); } },
        { 0x59, 1, [](RegisterModel &m, quint8, P) { return m.cancelReceipt(); } },
        { 0x49, 1, [](RegisterModel &m, quint8, P p) { return m.cash(p, true); } },
        { 0x4F, 1, [](RegisterModel &m, quint8, P p) { return m.cash(p, false); } },
        { 0x9A, 1, [](RegisterModel &m, quint8, P p) { return m.openShift(p); } },
        { 0xE8, 1, [](RegisterModel &m, quint8, P p) { return m.requisite(p); } },
        { 0x67, 2, [](RegisterModel &m, quint8, P p) { return m.reportWithoutClearing(p); } },
        { 0x5A, 3, [](RegisterModel &m, quint8, P) { return m.closeShift(); } },
        { 0x77, 3, [](RegisterModel &m, quint8, P) { return m.commonClear(); } },
        { 0x46, 4, [](RegisterModel &m, quint8, P p) { return m.tableCell(p, false); } },
        { 0x50, 4, [](RegisterModel &m, quint8, P p) { return m.tableCell(p, true); } },
        { 0x64, 4, [](RegisterModel &m, quint8, P p) { return m.setDate(p, false); } },
        { 0x4B, 4, [](RegisterModel &m, quint8, P p) { return m.setDate(p, true); } },
        { 0xD1, 4, [](RegisterModel &m, quint8, P p) { return m.timezoneSet(p); } },
        { 0x61, 5, [](RegisterModel &m, quint8, P p) { return m.factoryNumber(p); } },
        { 0xA4, 6, [](RegisterModel &m, quint8, P p) { return m.fnRead(p); } },
        { 0xA6, 6, [](RegisterModel &m, quint8, P p) { return m.activation(p); } },
        { 0xA7, 6, [](RegisterModel &m, quint8, P) { return m.closeArchive(); } },
        { 0xA8, 6, [](RegisterModel &m, quint8, P p) { return m.registrationReport(p, false); } },
        { 0xDC, 6, [](RegisterModel &m, quint8, P p) { return m.registrationReport(p, true); } },
        { 0xAB, 6, [](RegisterModel &m, quint8 c, P p) { return m.documentByNumber(c, p); } },
        { 0xB6, 6, [](RegisterModel &m, quint8 c, P p) { return m.documentByNumber(c, p); } },
        { 0xE9, 6, [](RegisterModel &m, quint8, P p) { return m.readTag(p); } },
    };
    for (const Command &c : commands) {
        if (c.code == code)
            return &c;
    }
    return nullptr;
}

RegisterModel::Answer RegisterModel::execute(const QByteArray &command)
{
    if (command.isEmpty())
        return refuse(E_LENGTH);
    const quint8 code = quint8(command.at(0));
    const Command *c = findCommand(code);
    if (!c)
        return refuse(E_NOT_SUPPORTED);
    if (c->mode != ANY_MODE && c->mode != m_mode)
        return refuse(E_MODE);
    return c->run(*this, code, command.mid(1));
}

RegisterModel::Answer RegisterModel::drawerAnswer() const
{
    Answer a;
    a.bytes = QByteArray(1, char(0x4D)) + BCD::int2bcd(m_state.drawer, 14);
    return a;
}

RegisterModel::Answer RegisterModel::shiftTotalsAnswer() const
{
    return ok(BCD::int2bcd(m_state.shift.sales, 14) + BCD::int2bcd(m_state.shift.purchases, 14));
}

RegisterModel::Answer RegisterModel::stateAnswer() const
{
    quint8 flags = 0;
    if (m_state.fiscalized)
        flags |= 0x01;
    if (m_state.shiftOpen)
        flags |= 0x02;
    if (!m_paper)
        flags |= 0x08;
    if (m_state.fnActive)
        flags |= 0x40;
    Answer a;
    QByteArray &b = a.bytes;
    b.append(char(0x44));
    b += BCD::int2bcd(m_state.cashier, 2);
    b += BCD::int2bcd(m_state.hall, 2);
    b += bcdDateTime(now());
    b.append(char(flags));
    b += BCD::int2bcd(m_state.serial, 8);
    b.append(char(MODEL_CODE));
    b.append(char(VERSION_MAJOR)).append(char(VERSION_MINOR));
    b.append(char(modeByte()));
    // Behind the mode byte: receipt number, shift number, open receipt kind and its total.
    b += BCD::int2bcd(m_state.receiptNumber, 4);
    b += BCD::int2bcd(m_state.shiftNumber, 4);
    b.append(char(m_state.receiptOpen ? m_state.receipt.kind : 0));
    b += BCD::int2bcd(m_state.receiptOpen ? m_state.receipt.total() : 0, 10);
    b.append(char(2)); // decimal places of money
    return a;
}

RegisterModel::Answer RegisterModel::enterMode(const QByteArray &p)
{
    if (p.size() != 5)
        return refuse(E_LENGTH);
    // Modes are entered from the selection mode only; the rest must be left first.
    if (m_mode != 0)
        return refuse(E_MODE);
    qint64 password = 0;
    if (!bcdField(p, 1, 4, &password) || password != m_password)
        return refuse(E_PASSWORD);
    const quint8 target = quint8(p.at(0));
    if (target < 1 || target > 7)
        return refuse(E_MODE);
    m_mode = target;
    return ok();
}

RegisterModel::Answer RegisterModel::exitMode()
{
    if (m_mode == 1 && m_state.receiptOpen)
        return refuse(E_RECEIPT_OPEN);
    m_mode = 0;
    return ok();
}

RegisterModel::Answer RegisterModel::deviceType() const
{
    QByteArray b;
    b.append(char(3)); // protocol
    b.append(char(1)); // a cash register
    b.append(char(MODEL_CODE));
    b.append(char(0)).append(char(0));
    b.append(char(VERSION_MAJOR)).append(char(VERSION_MINOR)).append(char(0));
    b.append(char(VERSION_BUILD >> 8)).append(char(VERSION_BUILD & 0xFF));
    b += QByteArray("ORVA-EMU");
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

RegisterModel::Answer RegisterModel::printLast()
{
    if (m_state.receiptOpen)
        return refuse(E_RECEIPT_OPEN);
    if (m_state.lastReceipt.isEmpty())
        return refuse(E_NO_RECEIPT);
    if (!m_paper)
        return refuse(E_NO_PAPER);
    QJsonObject doc = document(QStringLiteral("copy"));
    doc.insert(QStringLiteral("receipt"), m_state.lastReceipt);
    print(doc);
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

RegisterModel::Answer RegisterModel::activation(const QByteArray &p)
{
    if (p.size() != 1)
        return refuse(E_LENGTH);
    if (m_state.fnActive)
        return refuse(E_FN_STATE);
    if (p.at(0) != 0) // preview: checks only
        return ok();
    m_state.fnActive = true;
    emit stateChanged();
    return ok();
}

RegisterModel::Answer RegisterModel::closeArchive()
{
    if (m_state.shiftOpen)
        return refuse(E_SHIFT_OPEN);
    if (!m_state.fnActive)
        return refuse(E_FN_STATE);
    if (!m_paper)
        return refuse(E_NO_PAPER);
    m_state.fnActive = false;
    ++m_state.documentNumber;
    m_state.lastDocumentAt = nowUtc();
    print(document(QStringLiteral("archiveClose")));
    emit stateChanged();
    return ok();
}

RegisterModel::Answer RegisterModel::registrationReport(const QByteArray &p, bool byNumber)
{
    int number = m_state.registrations;
    if (byNumber) {
        if (p.size() != 4)
            return refuse(E_LENGTH);
        number = int((quint8(p.at(0)) << 24) | (quint8(p.at(1)) << 16) | (quint8(p.at(2)) << 8)
            | quint8(p.at(3)));
    }
    if (!m_state.fiscalized)
        return refuse(E_NOT_FISCAL);
    if (number < 1 || number > m_state.registrations)
        return refuse(E_FN_NO_DATA);
    if (!m_paper)
        return refuse(E_NO_PAPER);
    QJsonObject doc = document(QStringLiteral("registrationReport"));
    doc.insert(QStringLiteral("registration"), number);
    print(doc);
    return ok();
}

RegisterModel::Answer RegisterModel::documentByNumber(quint8 code, const QByteArray &p)
{
    qint64 number = 0;
    if (p.size() != 2)
        return refuse(E_LENGTH);
    if (!bcdField(p, 0, 2, &number))
        return refuse(E_FORMAT);
    if (number < 1 || number > m_state.documentNumber)
        return refuse(E_FN_NO_DATA);
    if (!m_paper)
        return refuse(E_NO_PAPER);
    QJsonObject doc = document(QStringLiteral("documentCopy"));
    doc.insert(QStringLiteral("of"), double(number));
    doc.insert(QStringLiteral("tlv"), code == 0xB6);
    print(doc);
    return ok();
}

RegisterModel::Answer RegisterModel::fnRead(const QByteArray &p)
{
    if (p.isEmpty())
        return refuse(E_FN_PARAMS);
    const quint8 sub = quint8(p.at(0));
    const QByteArray data = p.mid(1);
    auto le32 = [&data]() {
        return qint64(quint8(data.at(0))) | (qint64(quint8(data.at(1))) << 8)
            | (qint64(quint8(data.at(2))) << 16) | (qint64(quint8(data.at(3))) << 24);
    };
    QJsonObject doc = document(QStringLiteral("fnReport"));
    doc.insert(QStringLiteral("request"), int(sub));
    switch (sub) {
    case 0x41: // receipt ticket of a document
    case 0x43: { // registration by number
        if (data.size() != 4)
            return refuse(E_FN_PARAMS);
        const qint64 n = le32();
        const qint64 last = sub == 0x41 ? m_state.documentNumber : m_state.registrations;
        if (n < 1 || n > last)
            return refuse(E_FN_NO_DATA);
        doc.insert(QStringLiteral("number"), double(n));
        break;
    }
    case 0x42: // documents without a ticket
        if (!data.isEmpty())
            return refuse(E_FN_PARAMS);
        break;
    case 0x44: { // one registration parameter, of the last or a given registration
        if (data.size() != 2 && data.size() != 3)
            return refuse(E_FN_PARAMS);
        const int at = data.size() - 2;
        const quint16 tag = quint16(quint8(data.at(at)) | (quint8(data.at(at + 1)) << 8));
        const int n = at ? quint8(data.at(0)) : m_state.registrations;
        bool known = false;
        tagValue(tag, &known);
        if (!known || n < 1 || n > m_state.registrations)
            return refuse(E_FN_NO_DATA);
        doc.insert(QStringLiteral("tag"), int(tag));
        doc.insert(QStringLiteral("number"), n);
        break;
    }
    default:
        return refuse(E_FN_PARAMS);
    }
    if (!m_paper)
        return refuse(E_NO_PAPER);
    print(doc);
    return ok();
}

QByteArray RegisterModel::tagValue(quint16 tag, bool *known) const
{
    *known = true;
    switch (tag) {
    case 1037:
        return m_state.rnm.toLatin1();
    case 1048:
        return encode(m_state.userName);
    case 1018:
        return m_state.inn.toLatin1();
    case 1036:
        return QByteArray();
    case 1009:
        return encode(m_state.address);
    case 1187:
        return encode(m_state.place);
    case 1017:
        return m_state.ofdInn.toLatin1();
    case 1046:
        return encode(m_state.ofdName);
    case 1062:
        return QByteArray(1, char(m_state.taxSystems));
    case 1057:
    case 1002:
    case 1109:
    case 1056:
        return QByteArray(1, '\0');
    default:
        *known = false;
        return QByteArray();
    }
}

RegisterModel::Answer RegisterModel::readTag(const QByteArray &p) const
{
    if (p.size() != 3)
        return refuse(E_LENGTH);
    const quint16 tag = quint16(quint8(p.at(0)) | (quint8(p.at(1)) << 8));
    bool known = false;
    const QByteArray value = tagValue(tag, &known);
    if (!known || !m_state.fiscalized)
        return refuse(E_FN_NO_DATA);
    QByteArray tlv = p.left(2);
    tlv.append(char(value.size() & 0xFF)).append(char(value.size() >> 8));
    return ok(tlv + value);
}

RegisterModel::Answer RegisterModel::reportWithoutClearing(const QByteArray &p)
{
    qint64 type = 0;
    if (p.size() != 1)
        return refuse(E_LENGTH);
    if (!bcdField(p, 0, 1, &type) || type < 1 || type > 9)
        return refuse(E_REPORT_TYPE);
    if (!m_paper)
        return refuse(E_NO_PAPER);
    QJsonObject doc = document(QStringLiteral("report"));
    doc.insert(QStringLiteral("reportType"), int(type));
    doc.insert(QStringLiteral("totals"), totalsJson(m_state.shift));
    doc.insert(QStringLiteral("drawer"), double(m_state.drawer));
    // The report on the state of settlements is a fiscal document.
    if (type == 9) {
        ++m_state.documentNumber;
        m_state.lastDocumentAt = nowUtc();
        doc.insert(QStringLiteral("fd"), double(m_state.documentNumber));
        emit stateChanged();
    }
    print(doc);
    return ok();
}

RegisterModel::Answer RegisterModel::closeShift()
{
    if (!m_state.shiftOpen)
        return refuse(E_ALREADY_CLEARED);
    if (!m_paper)
        return refuse(E_NO_PAPER);
    ++m_state.documentNumber;
    m_state.lastDocumentAt = nowUtc();
    QJsonObject doc = document(QStringLiteral("shiftClose"));
    doc.insert(QStringLiteral("fd"), double(m_state.documentNumber));
    doc.insert(QStringLiteral("totals"), totalsJson(m_state.shift));
    doc.insert(QStringLiteral("drawer"), double(m_state.drawer));
    // The grand totals already hold this shift; only the shift's own counters start over.
    m_state.shift = RegisterState::Totals();
    m_state.shiftOpen = false;
    m_state.shiftOpenedAt = QDateTime();
    m_state.receiptNumber = 0;
    print(doc);
    emit stateChanged();
    return ok();
}

RegisterModel::Answer RegisterModel::commonClear()
{
    if (m_state.shiftOpen)
        return refuse(E_SHIFT_OPEN);
    if (!m_paper)
        return refuse(E_NO_PAPER);
    QJsonObject doc = document(QStringLiteral("commonClear"));
    doc.insert(QStringLiteral("drawer"), double(m_state.drawer));
    m_state.drawer = 0;
    m_state.grand = RegisterState::Totals();
    print(doc);
    emit stateChanged();
    return ok();
}

void RegisterModel::doOpenShift(const QString &comment, bool automatic)
{
    ++m_state.shiftNumber;
    ++m_state.documentNumber;
    m_state.shiftOpen = true;
    m_state.shiftOpenedAt = nowUtc();
    m_state.lastDocumentAt = m_state.shiftOpenedAt;
    m_state.shift = RegisterState::Totals();
    m_state.receiptNumber = 0;
    QJsonObject doc = document(QStringLiteral("shiftOpen"));
    doc.insert(QStringLiteral("fd"), double(m_state.documentNumber));
    doc.insert(QStringLiteral("comment"), comment);
    if (automatic)
        doc.insert(QStringLiteral("automatic"), true);
    print(doc);
}

RegisterModel::Answer RegisterModel::openShift(const QByteArray &p)
{
    if (p.isEmpty())
        return refuse(E_LENGTH);
    if (m_state.receiptOpen)
        return refuse(E_RECEIPT_OPEN);
    if (m_state.shiftOpen)
        return refuse(E_SHIFT_OPEN);
    if (!m_state.fnActive)
        return refuse(E_FN_STATE);
    if (!m_paper)
        return refuse(E_NO_PAPER);
    const QByteArray text = trimZeros(p.mid(1));
    doOpenShift(cp866() ? cp866()->toUnicode(text) : QString::fromLatin1(text), false);
    emit stateChanged();
    return ok();
}

RegisterModel::Answer RegisterModel::openReceipt(const QByteArray &p)
{
    if (p.size() != 2)
        return refuse(E_LENGTH);
    if (m_state.receiptOpen)
        return refuse(E_RECEIPT_OPEN);
    if (!Receipt::isValidKind(quint8(p.at(1))))
        return refuse(E_RECEIPT_KIND);
    if (shiftExpired())
        return refuse(E_SHIFT_24H);
    if (!m_state.fnActive)
        return refuse(E_FN_STATE);
    if (!m_paper)
        return refuse(E_NO_PAPER);
    // A receipt on a closed shift opens the shift first, as the register does.
    if (!m_state.shiftOpen)
        doOpenShift(QString(), true);
    m_state.receipt = Receipt();
    m_state.receipt.kind = quint8(p.at(1));
    m_state.receiptOpen = true;
    emit stateChanged();
    return ok();
}

RegisterModel::Answer RegisterModel::position(const QByteArray &p, bool cancel)
{
    if (!m_state.receiptOpen)
        return refuse(E_RECEIPT_CLOSED);
    if (m_state.receipt.paying)
        return refuse(E_MODE);
    if (p.size() != 103)
        return refuse(E_LENGTH);
    qint64 price = 0, qty = 0, discount = 0;
    if (!bcdField(p, 65, 6, &price) || !bcdField(p, 71, 5, &qty) || !bcdField(p, 78, 6, &discount))
        return refuse(E_FORMAT);
    const quint8 discountSummType = quint8(p.at(76));
    const quint8 discountType = quint8(p.at(77));
    const quint8 tax = quint8(p.at(84));
    const quint8 section = quint8(p.at(85));
    if (qty == 0)
        return refuse(E_QUANTITY);
    if (discountType > 1 || discountSummType > 1)
        return refuse(E_DISCOUNT);
    if (section > 16)
        return refuse(E_SECTION);
    if (tax > 6)
        return refuse(E_FORMAT);
    // price (kopecks) x quantity (thousandths) must stay within a receipt total.
    const qint64 limit = MAX_SUM * 1000;
    if (price > 0 && qty > limit / price)
        return refuse(E_MULTIPLY);
    qint64 amount = (price * qty + 500) / 1000;
    qint64 d = 0;
    if (discountSummType == 1) {
        d = discount;
    } else {
        if (discount > 10000) // percent with two decimals
            return refuse(E_DISCOUNT);
        d = (amount * discount + 5000) / 10000;
    }
    if (discountType == 0) {
        if (d > amount)
            return refuse(E_DISCOUNT);
        amount -= d;
    } else {
        amount += d;
    }
    Receipt::Position pos;
    const QByteArray name = trimZeros(p.mid(1, 64));
    pos.name = cp866() ? cp866()->toUnicode(name) : QString::fromLatin1(name);
    pos.barcode = trimZeros(p.mid(86, 16));
    pos.price = price;
    pos.quantity = qty;
    pos.tax = tax;
    pos.section = section;
    pos.cancel = cancel;
    Receipt &r = m_state.receipt;
    if (cancel) {
        qint64 sold = 0;
        for (const Receipt::Position &old : r.positions) {
            if (old.name == pos.name && old.price == price && old.barcode == pos.barcode)
                sold += old.cancel ? -old.quantity : old.quantity;
        }
        if (sold <= 0)
            return refuse(E_NOT_SOLD);
        if (qty > sold)
            return refuse(E_STORNO_QTY);
        pos.amount = -amount;
    } else {
        if (r.total() + amount > MAX_SUM)
            return refuse(E_TOTAL_OVERFLOW);
        pos.amount = amount;
    }
    r.positions.append(pos);
    emit stateChanged();
    return ok();
}

RegisterModel::Answer RegisterModel::requisite(const QByteArray &p)
{
    if (!m_state.receiptOpen)
        return refuse(E_RECEIPT_CLOSED);
    Requisite req;
    if (!Requisite::parseCommand(p, &req))
        return refuse(E_FORMAT);
    Receipt &r = m_state.receipt;
    if (Requisite::isPositionTag(req.tag()) && !r.positions.isEmpty())
        Receipt::putRequisite(&r.positions.last().requisites, req);
    else
        Receipt::putRequisite(&r.requisites, req);
    emit stateChanged();
    return ok();
}

// Flags, payment type BCD(2) and sum BCD(10) of a payment or a close: the refusal code, or 0
// when they can be taken.
quint8 RegisterModel::readPayment(const QByteArray &p, qint64 *type, qint64 *sum) const
{
    if (!m_state.receiptOpen)
        return E_RECEIPT_CLOSED;
    if (p.size() != 7)
        return E_LENGTH;
    if (!bcdField(p, 1, 1, type) || !bcdField(p, 2, 5, sum))
        return E_FORMAT;
    if (*type < 1 || *type > Receipt::PAYMENT_TYPES)
        return E_PAY_TYPE;
    return 0;
}

RegisterModel::Answer RegisterModel::payment(const QByteArray &p)
{
    qint64 type = 0, sum = 0;
    if (const quint8 refusal = readPayment(p, &type, &sum))
        return refuse(refusal);
    if (sum == 0)
        return refuse(E_SUM);
    Receipt &r = m_state.receipt;
    if (r.paid() + sum > MAX_SUM)
        return refuse(E_PAYMENT_OVERFLOW);
    if (type != 1 && r.nonCashPaid() + sum > r.total())
        return refuse(E_NONCASH);
    r.payments[type - 1] += sum;
    r.paying = true;
    emit stateChanged();
    return ok();
}

RegisterModel::Answer RegisterModel::closeReceipt(const QByteArray &p)
{
    qint64 type = 0, sum = 0;
    if (const quint8 refusal = readPayment(p, &type, &sum))
        return refuse(refusal);
    Receipt r = m_state.receipt;
    if (r.paid() + sum > MAX_SUM)
        return refuse(E_PAYMENT_OVERFLOW);
    r.payments[type - 1] += sum;
    const qint64 total = r.total();
    // A correction records a settlement made earlier: the rest is taken as paid by the type
    // given on close.
    if (Receipt::isCorrection(r.kind) && r.paid() < total)
        r.payments[type - 1] += total - r.paid();
    if (r.nonCashPaid() > total)
        return refuse(E_NONCASH);
    if (r.paid() < total)
        return refuse(E_UNDERPAID);
    if (const Requisite *taxSystem = r.findRequisite(1055)) {
        const QByteArray v = taxSystem->value();
        const quint8 bit = v.size() == 1 ? quint8(v.at(0)) : 0;
        if (bit == 0 || (bit & (bit - 1)) != 0 || (bit & m_state.taxSystems) == 0)
            return refuse(E_TAX_SYSTEM);
    }
    const qint64 change = r.paid() - total;
    const qint64 cash = r.payments[0] - change;
    const bool takes = Receipt::takesCash(r.kind);
    if (!takes && cash > m_state.drawer)
        return refuse(E_NO_MONEY);
    if (takes && m_state.drawer + cash > MAX_DRAWER)
        return refuse(E_DRAWER_OVERFLOW);
    if (!m_paper)
        return refuse(E_NO_PAPER);

    m_state.drawer += takes ? cash : -cash;
    for (RegisterState::Totals *t : { &m_state.shift, &m_state.grand }) {
        switch (r.kind) {
        case Receipt::Sale:
            t->sales += total;
            break;
        case Receipt::SaleReturn:
            t->saleReturns += total;
            break;
        case Receipt::Purchase:
            t->purchases += total;
            break;
        case Receipt::PurchaseReturn:
            t->purchaseReturns += total;
            break;
        default:
            t->corrections += total;
            break;
        }
        ++t->receipts;
    }
    ++m_state.receiptNumber;
    ++m_state.documentNumber;
    m_state.lastDocumentAt = nowUtc();
    QJsonObject doc = document(QStringLiteral("receipt"));
    const QJsonObject body = r.toJson();
    for (auto it = body.constBegin(); it != body.constEnd(); ++it) {
        if (it.key() != QLatin1String("paying"))
            doc.insert(it.key(), it.value());
    }
    doc.insert(QStringLiteral("number"), m_state.receiptNumber);
    doc.insert(QStringLiteral("fd"), double(m_state.documentNumber));
    doc.insert(QStringLiteral("change"), double(change));
    m_state.lastReceipt = doc;
    m_state.receiptOpen = false;
    m_state.receipt = Receipt();
    print(doc);
    emit stateChanged();
    return ok();
}

RegisterModel::Answer RegisterModel::cancelReceipt()
{
    if (!m_state.receiptOpen)
        return refuse(E_RECEIPT_CLOSED);
    if (!m_paper)
        return refuse(E_NO_PAPER);
    QJsonObject doc = document(QStringLiteral("receiptCancel"));
    const QJsonObject body = m_state.receipt.toJson();
    doc.insert(QStringLiteral("kind"), body.value(QStringLiteral("kind")));
    doc.insert(QStringLiteral("positions"), body.value(QStringLiteral("positions")));
    doc.insert(QStringLiteral("total"), body.value(QStringLiteral("total")));
    m_state.receiptOpen = false;
    m_state.receipt = Receipt();
    print(doc);
    emit stateChanged();
    return ok();
}

RegisterModel::Answer RegisterModel::cash(const QByteArray &p, bool in)
{
    qint64 sum = 0;
    if (p.size() != 6)
        return refuse(E_LENGTH);
    if (!bcdField(p, 1, 5, &sum))
        return refuse(E_FORMAT);
    if (m_state.receiptOpen)
        return refuse(E_RECEIPT_OPEN);
    if (sum == 0)
        return refuse(E_SUM);
    if (shiftExpired())
        return refuse(E_SHIFT_24H);
    if (in && m_state.drawer + sum > MAX_DRAWER)
        return refuse(E_DRAWER_OVERFLOW);
    if (!in && sum > m_state.drawer)
        return refuse(E_NO_MONEY);
    if (!m_paper)
        return refuse(E_NO_PAPER);
    if (!m_state.shiftOpen)
        doOpenShift(QString(), true);
    m_state.drawer += in ? sum : -sum;
    (in ? m_state.shift.cashIn : m_state.shift.cashOut) += sum;
    (in ? m_state.grand.cashIn : m_state.grand.cashOut) += sum;
    QJsonObject doc = document(in ? QStringLiteral("cashIn") : QStringLiteral("cashOut"));
    doc.insert(QStringLiteral("amount"), double(sum));
    doc.insert(QStringLiteral("drawer"), double(m_state.drawer));
    print(doc);
    emit stateChanged();
    return ok();
}

QJsonObject RegisterModel::document(const QString &type) const
{
    QJsonObject doc;
    doc.insert(QStringLiteral("type"), type);
    doc.insert(QStringLiteral("dateTime"), now().toString(Qt::ISODate));
    doc.insert(QStringLiteral("shift"), m_state.shiftNumber);
    return doc;
}

void RegisterModel::print(const QJsonObject &document)
{
    emit documentPrinted(document);
}
