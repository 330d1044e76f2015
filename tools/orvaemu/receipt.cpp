#include "receipt.h"

#include <QJsonArray>

namespace {

QJsonArray requisitesToJson(const QVector<Requisite> &list)
{
    QJsonArray a;
    for (const Requisite &r : list)
        a.append(r.toJson());
    return a;
}

bool requisitesFromJson(const QJsonValue &value, QVector<Requisite> *out)
{
    if (!value.isArray())
        return false;
    for (const QJsonValue &v : value.toArray()) {
        Requisite r;
        if (!v.isObject() || !Requisite::fromJson(v.toObject(), &r))
            return false;
        out->append(r);
    }
    return true;
}

bool isInteger(const QJsonValue &v)
{
    return v.isDouble() && v.toDouble() == double(qint64(v.toDouble()));
}

} // namespace

bool Receipt::isValidKind(int kind)
{
    return kind == Sale || kind == SaleReturn || kind == Purchase || kind == PurchaseReturn
        || kind == SaleCorrection || kind == PurchaseCorrection;
}

bool Receipt::takesCash(int kind)
{
    return kind == Sale || kind == PurchaseReturn || kind == SaleCorrection;
}

qint64 Receipt::total() const
{
    qint64 sum = 0;
    for (const Position &p : positions)
        sum += p.amount;
    return sum;
}

qint64 Receipt::paid() const
{
    qint64 sum = 0;
    for (qint64 p : payments)
        sum += p;
    return sum;
}

qint64 Receipt::nonCashPaid() const
{
    return paid() - payments[0];
}

void Receipt::putRequisite(QVector<Requisite> *list, const Requisite &r)
{
    for (Requisite &old : *list) {
        if (old.tag() == r.tag()) {
            old = r;
            return;
        }
    }
    list->append(r);
}

const Requisite *Receipt::findRequisite(quint16 tag) const
{
    for (const Requisite &r : requisites) {
        if (r.tag() == tag)
            return &r;
    }
    return nullptr;
}

QJsonObject Receipt::positionToJson(const Position &p)
{
    QJsonObject o;
    o.insert(QStringLiteral("name"), p.name);
    o.insert(QStringLiteral("barcode"), QString::fromLatin1(p.barcode.toHex()));
    o.insert(QStringLiteral("price"), double(p.price));
    o.insert(QStringLiteral("quantity"), double(p.quantity));
    o.insert(QStringLiteral("amount"), double(p.amount));
    o.insert(QStringLiteral("tax"), int(p.tax));
    o.insert(QStringLiteral("section"), int(p.section));
    o.insert(QStringLiteral("cancel"), p.cancel);
    o.insert(QStringLiteral("requisites"), requisitesToJson(p.requisites));
    return o;
}

QJsonObject Receipt::toJson() const
{
    QJsonObject o;
    o.insert(QStringLiteral("kind"), int(kind));
    QJsonArray pos;
    for (const Position &p : positions)
        pos.append(positionToJson(p));
    o.insert(QStringLiteral("positions"), pos);
    o.insert(QStringLiteral("requisites"), requisitesToJson(requisites));
    QJsonArray pay;
    for (int i = 0; i < PAYMENT_TYPES; ++i) {
        if (payments[i] != 0) {
            QJsonObject p;
            p.insert(QStringLiteral("type"), i + 1);
            p.insert(QStringLiteral("amount"), double(payments[i]));
            pay.append(p);
        }
    }
    o.insert(QStringLiteral("payments"), pay);
    o.insert(QStringLiteral("paying"), paying);
    o.insert(QStringLiteral("total"), double(total()));
    return o;
}

bool Receipt::fromJson(const QJsonObject &o, Receipt *out)
{
    Receipt r;
    const QJsonValue kind = o.value(QStringLiteral("kind"));
    if (!isInteger(kind) || !isValidKind(kind.toInt()))
        return false;
    r.kind = quint8(kind.toInt());
    const QJsonValue pos = o.value(QStringLiteral("positions"));
    if (!pos.isArray())
        return false;
    for (const QJsonValue &v : pos.toArray()) {
        if (!v.isObject())
            return false;
        const QJsonObject po = v.toObject();
        Position p;
        const QJsonValue price = po.value(QStringLiteral("price"));
        const QJsonValue qty = po.value(QStringLiteral("quantity"));
        const QJsonValue amount = po.value(QStringLiteral("amount"));
        if (!isInteger(price) || !isInteger(qty) || !isInteger(amount)
            || !po.value(QStringLiteral("name")).isString())
            return false;
        p.name = po.value(QStringLiteral("name")).toString();
        p.barcode = QByteArray::fromHex(po.value(QStringLiteral("barcode")).toString().toLatin1());
        p.price = qint64(price.toDouble());
        p.quantity = qint64(qty.toDouble());
        p.amount = qint64(amount.toDouble());
        p.tax = quint8(po.value(QStringLiteral("tax")).toInt());
        p.section = quint8(po.value(QStringLiteral("section")).toInt());
        p.cancel = po.value(QStringLiteral("cancel")).toBool();
        if (!requisitesFromJson(po.value(QStringLiteral("requisites")), &p.requisites))
            return false;
        r.positions.append(p);
    }
    if (!requisitesFromJson(o.value(QStringLiteral("requisites")), &r.requisites))
        return false;
    const QJsonValue pay = o.value(QStringLiteral("payments"));
    if (!pay.isArray())
        return false;
    for (const QJsonValue &v : pay.toArray()) {
        const QJsonObject p = v.toObject();
        const int type = p.value(QStringLiteral("type")).toInt();
        const QJsonValue amount = p.value(QStringLiteral("amount"));
        if (type < 1 || type > PAYMENT_TYPES || !isInteger(amount))
            return false;
        r.payments[type - 1] = qint64(amount.toDouble());
    }
    r.paying = o.value(QStringLiteral("paying")).toBool();
    if (out)
        *out = r;
    return true;
}
