#include "registermodel.h"

#include "bcd.h"
#include "commandsupport.h"

using qt5ext::BCD;
using namespace emu;

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
        record(&doc);
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
    // The shift's totals move into the grand totals and start over.
    m_state.grand.add(m_state.shift);
    QJsonObject doc = document(QStringLiteral("shiftClose"));
    doc.insert(QStringLiteral("totals"), totalsJson(m_state.shift));
    doc.insert(QStringLiteral("grandTotals"), totalsJson(m_state.grand));
    doc.insert(QStringLiteral("drawer"), double(m_state.drawer));
    record(&doc);
    m_state.shift = RegisterState::Totals();
    m_state.shiftOpen = false;
    m_state.shiftOpenedAt = QDateTime();
    m_state.core.shiftClosedAt = m_state.lastDocumentAt;
    m_state.receiptNumber = 0;
    print(doc);
    emit stateChanged();
    return ok();
}

RegisterModel::Answer RegisterModel::commonClear()
{
    if (m_state.shiftOpen)
        return refuse(E_SHIFT_OPEN);
    // Not while the storage is in its fiscal mode: only after its archive is closed.
    if (m_state.fnActive)
        return refuse(E_FN_STATE);
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
    m_state.shiftOpen = true;
    m_state.shiftOpenedAt = nowUtc();
    m_state.shift = RegisterState::Totals();
    m_state.receiptNumber = 0;
    QJsonObject doc = document(QStringLiteral("shiftOpen"));
    doc.insert(QStringLiteral("comment"), comment);
    if (automatic)
        doc.insert(QStringLiteral("automatic"), true);
    record(&doc);
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
    doOpenShift(decode(text), false);
    emit stateChanged();
    return ok();
}
