#include "registermodel.h"

#include "bcd.h"
#include "commandsupport.h"

#include <QJsonArray>

using qt5ext::BCD;
using namespace emu;

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

quint8 RegisterModel::modelCode() const
{
    return quint8(m_state.core.atolModel.value(QStringLiteral("model"), MODEL_CODE).toUInt());
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
    b.append(char(modelCode()));
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
