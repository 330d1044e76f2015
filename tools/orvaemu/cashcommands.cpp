#include "registermodel.h"

#include "bcd.h"
#include "commandsupport.h"

using qt5ext::BCD;
using namespace emu;

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
    QJsonObject doc = document(in ? QStringLiteral("cashIn") : QStringLiteral("cashOut"));
    doc.insert(QStringLiteral("amount"), double(sum));
    doc.insert(QStringLiteral("drawer"), double(m_state.drawer));
    print(doc);
    emit stateChanged();
    return ok();
}
