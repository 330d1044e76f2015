#include "registermodel.h"

#include "bcd.h"
#include "commandsupport.h"

using qt5ext::BCD;
using namespace emu;

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
    pos.name = decode(name);
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
    if (const quint8 error = req.valueError())
        return refuse(error);
    Receipt &r = m_state.receipt;
    if (Requisite::isPositionTag(req.tag()) && !r.positions.isEmpty())
        Receipt::putRequisite(&r.positions.last().requisites, req);
    else
        Receipt::putRequisite(&r.requisites, req);
    emit stateChanged();
    return ok();
}

// The fiscal storage closes no receipt whose agent positions lack their supplier.
quint8 RegisterModel::missingRequisite(const Receipt &r)
{
    for (const Receipt::Position &p : r.positions) {
        // A position cancelled in full is not on the receipt any more.
        qint64 net = 0;
        for (const Receipt::Position &o : r.positions) {
            if (o.name == p.name && o.price == p.price && o.barcode == p.barcode)
                net += o.cancel ? -o.quantity : o.quantity;
        }
        if (p.cancel || net <= 0)
            continue;
        bool agent = false, supplier = false, inn = false;
        for (const Requisite &q : p.requisites) {
            agent |= q.tag() == 1222;
            supplier |= q.tag() == 1224;
            inn |= q.tag() == 1226;
        }
        if (agent && !(supplier && inn))
            return E_MISSING_REQUISITES;
    }
    return 0;
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
    if (const quint8 missing = missingRequisite(r))
        return refuse(missing);
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
    RegisterState::Totals &t = m_state.shift;
    switch (r.kind) {
    case Receipt::Sale:
        t.sales += total;
        break;
    case Receipt::SaleReturn:
        t.saleReturns += total;
        break;
    case Receipt::Purchase:
        t.purchases += total;
        break;
    case Receipt::PurchaseReturn:
        t.purchaseReturns += total;
        break;
    default:
        t.corrections += total;
        break;
    }
    ++t.receipts;
    ++m_state.receiptNumber;
    QJsonObject doc = document(QStringLiteral("receipt"));
    const QJsonObject body = r.toJson();
    for (auto it = body.constBegin(); it != body.constEnd(); ++it) {
        if (it.key() != QLatin1String("paying"))
            doc.insert(it.key(), it.value());
    }
    doc.insert(QStringLiteral("number"), m_state.receiptNumber);
    doc.insert(QStringLiteral("change"), double(change));
    record(&doc);
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
