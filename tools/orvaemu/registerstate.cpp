#include "registerstate.h"

#include "regdata.h"

namespace {

const char *const TOTAL_KEYS[] = { "sales", "saleReturns", "purchases", "purchaseReturns",
    "corrections", "cashIn", "cashOut" };

qint64 *totalField(RegisterState::Totals &t, int i)
{
    qint64 *fields[] = { &t.sales, &t.saleReturns, &t.purchases, &t.purchaseReturns, &t.corrections,
        &t.cashIn, &t.cashOut };
    return fields[i];
}

QJsonObject totalsToJson(const RegisterState::Totals &t)
{
    QJsonObject o;
    RegisterState::Totals copy = t;
    for (int i = 0; i < 7; ++i)
        o.insert(QLatin1String(TOTAL_KEYS[i]), double(*totalField(copy, i)));
    o.insert(QStringLiteral("receipts"), t.receipts);
    return o;
}

// Reads JSON values and remembers the first key that had the wrong type.
class Reader
{
public:
    explicit Reader(const QJsonObject &o) : m_o(o) { }

    qint64 integer(const char *key)
    {
        const QJsonValue v = m_o.value(QLatin1String(key));
        if (!v.isDouble() || v.toDouble() != double(qint64(v.toDouble())) || v.toDouble() < 0)
            return fail(key), 0;
        return qint64(v.toDouble());
    }
    bool boolean(const char *key)
    {
        const QJsonValue v = m_o.value(QLatin1String(key));
        if (!v.isBool())
            return fail(key), false;
        return v.toBool();
    }
    QString string(const char *key)
    {
        const QJsonValue v = m_o.value(QLatin1String(key));
        if (!v.isString())
            return fail(key), QString();
        return v.toString();
    }
    QJsonObject object(const char *key)
    {
        const QJsonValue v = m_o.value(QLatin1String(key));
        if (!v.isObject())
            return fail(key), QJsonObject();
        return v.toObject();
    }
    QDateTime dateTime(const char *key)
    {
        const QString s = string(key);
        if (s.isEmpty())
            return QDateTime();
        QDateTime dt = QDateTime::fromString(s, Qt::ISODate);
        if (!dt.isValid())
            return fail(key), QDateTime();
        return dt.toUTC();
    }
    void fail(const char *key)
    {
        if (m_bad.isEmpty())
            m_bad = QLatin1String(key);
    }
    QString bad() const { return m_bad; }

private:
    QJsonObject m_o;
    QString m_bad;
};

bool totalsFromJson(const QJsonObject &o, RegisterState::Totals *t, QString *bad)
{
    Reader r(o);
    for (int i = 0; i < 7; ++i)
        *totalField(*t, i) = r.integer(TOTAL_KEYS[i]);
    t->receipts = int(r.integer("receipts"));
    *bad = r.bad();
    return bad->isEmpty();
}

QString isoOrEmpty(const QDateTime &dt)
{
    return dt.isValid() ? dt.toUTC().toString(Qt::ISODate) : QString();
}

} // namespace

void RegisterState::Totals::add(const Totals &o)
{
    Totals copy = o;
    for (int i = 0; i < 7; ++i)
        *totalField(*this, i) += *totalField(copy, i);
    receipts += o.receipts;
}

QJsonObject RegisterState::registrationParameters() const
{
    QJsonObject p;
    p.insert(QStringLiteral("1037"), rnm);
    p.insert(QStringLiteral("1048"), userName);
    p.insert(QStringLiteral("1018"), inn);
    p.insert(QStringLiteral("1036"), core.boxId);
    p.insert(QStringLiteral("1009"), address);
    p.insert(QStringLiteral("1187"), place);
    p.insert(QStringLiteral("1017"), ofdInn);
    p.insert(QStringLiteral("1046"), ofdName);
    p.insert(QStringLiteral("1057"), double(core.agentFlags));
    p.insert(QStringLiteral("1062"), int(taxSystems));
    p.insert(QStringLiteral("1002"), bool(core.regFlags & fiscal::RegData::FlagAutonomous));
    p.insert(QStringLiteral("1109"), bool(core.regFlags & fiscal::RegData::FlagServices));
    p.insert(QStringLiteral("1056"), bool(core.regFlags & fiscal::RegData::FlagEncryption));
    return p;
}

RegisterState RegisterState::fresh()
{
    RegisterState s;
    s.serial = 17000001;
    s.rnm = QStringLiteral("0000000001046717");
    s.inn = QStringLiteral("7701234560");
    s.userName = QStringLiteral("ООО \"Орва\"");
    s.address = QStringLiteral("г. Москва, ул. Тестовая, 1");
    s.place = QStringLiteral("Торговый зал");
    s.ofdInn = QStringLiteral("7704211201");
    s.ofdName = QStringLiteral("ООО \"Такском\"");
    // The registration, made at the factory before this register was ever started; the
    // fiscal core's record of it and the storage's document agree on when.
    s.lastDocumentAt = s.core.registeredAt;
    const QString registeredAt = s.core.registeredAt.toLocalTime().toString(Qt::ISODate);
    QJsonObject reg;
    reg.insert(QStringLiteral("type"), QStringLiteral("registration"));
    reg.insert(QStringLiteral("dateTime"), registeredAt);
    reg.insert(QStringLiteral("shift"), 0);
    reg.insert(QStringLiteral("registration"), 1);
    reg.insert(QStringLiteral("parameters"), s.registrationParameters());
    reg.insert(QStringLiteral("fd"), 1);
    reg.insert(QStringLiteral("fiscalSign"), double(FiscalStorage::fiscalSign(reg, s.serial)));
    reg.insert(QStringLiteral("ticket"), registeredAt);
    s.storage.add(reg);
    s.documentNumber = 1;
    return s;
}

QJsonObject RegisterState::toJson() const
{
    QJsonObject o;
    o.insert(QStringLiteral("format"), FORMAT);
    o.insert(QStringLiteral("serial"), double(serial));
    o.insert(QStringLiteral("fiscalized"), fiscalized);
    o.insert(QStringLiteral("fnActive"), fnActive);
    o.insert(QStringLiteral("cashier"), cashier);
    o.insert(QStringLiteral("hall"), hall);
    o.insert(QStringLiteral("clockOffset"), double(clockOffset));
    o.insert(QStringLiteral("timezone"), timezone);
    o.insert(QStringLiteral("taxSystems"), int(taxSystems));
    QJsonObject reg;
    reg.insert(QStringLiteral("rnm"), rnm);
    reg.insert(QStringLiteral("inn"), inn);
    reg.insert(QStringLiteral("userName"), userName);
    reg.insert(QStringLiteral("address"), address);
    reg.insert(QStringLiteral("place"), place);
    reg.insert(QStringLiteral("ofdInn"), ofdInn);
    reg.insert(QStringLiteral("ofdName"), ofdName);
    reg.insert(QStringLiteral("count"), registrations);
    o.insert(QStringLiteral("registration"), reg);
    o.insert(QStringLiteral("drawer"), double(drawer));
    o.insert(QStringLiteral("shiftOpen"), shiftOpen);
    o.insert(QStringLiteral("shiftNumber"), shiftNumber);
    o.insert(QStringLiteral("shiftOpenedAt"), isoOrEmpty(shiftOpenedAt));
    o.insert(QStringLiteral("receiptNumber"), receiptNumber);
    o.insert(QStringLiteral("shiftTotals"), totalsToJson(shift));
    o.insert(QStringLiteral("grandTotals"), totalsToJson(grand));
    o.insert(QStringLiteral("documentNumber"), double(documentNumber));
    o.insert(QStringLiteral("lastDocumentAt"), isoOrEmpty(lastDocumentAt));
    o.insert(QStringLiteral("fnDocuments"), storage.toJson());
    o.insert(QStringLiteral("lastReceipt"), lastReceipt);
    o.insert(QStringLiteral("receiptOpen"), receiptOpen);
    if (receiptOpen)
        o.insert(QStringLiteral("receipt"), receipt.toJson());
    QJsonObject t;
    for (auto it = tables.cbegin(); it != tables.cend(); ++it)
        t.insert(it.key(), QString::fromLatin1(it.value().toHex()));
    o.insert(QStringLiteral("tables"), t);
    o.insert(QStringLiteral("core"), core.toJson());
    return o;
}

bool RegisterState::fromJson(const QJsonObject &o, RegisterState *out, QString *error)
{
    Reader r(o);
    if (r.integer("format") != FORMAT) {
        *error = QStringLiteral("unknown format (expected %1)").arg(FORMAT);
        return false;
    }
    RegisterState s;
    s.serial = r.integer("serial");
    s.fiscalized = r.boolean("fiscalized");
    s.fnActive = r.boolean("fnActive");
    s.cashier = int(r.integer("cashier"));
    s.hall = int(r.integer("hall"));
    const QJsonValue offset = o.value(QStringLiteral("clockOffset"));
    if (!offset.isDouble())
        r.fail("clockOffset");
    s.clockOffset = qint64(offset.toDouble());
    s.timezone = int(r.integer("timezone"));
    s.taxSystems = quint8(r.integer("taxSystems"));
    const QJsonObject reg = r.object("registration");
    Reader rr(reg);
    s.rnm = rr.string("rnm");
    s.inn = rr.string("inn");
    s.userName = rr.string("userName");
    s.address = rr.string("address");
    s.place = rr.string("place");
    s.ofdInn = rr.string("ofdInn");
    s.ofdName = rr.string("ofdName");
    s.registrations = int(rr.integer("count"));
    if (!rr.bad().isEmpty())
        r.fail("registration");
    s.drawer = r.integer("drawer");
    s.shiftOpen = r.boolean("shiftOpen");
    s.shiftNumber = int(r.integer("shiftNumber"));
    s.shiftOpenedAt = r.dateTime("shiftOpenedAt");
    s.receiptNumber = int(r.integer("receiptNumber"));
    QString bad;
    if (!totalsFromJson(r.object("shiftTotals"), &s.shift, &bad))
        r.fail("shiftTotals");
    if (!totalsFromJson(r.object("grandTotals"), &s.grand, &bad))
        r.fail("grandTotals");
    s.documentNumber = r.integer("documentNumber");
    s.lastDocumentAt = r.dateTime("lastDocumentAt");
    // A state written before the storage kept its documents has none to print.
    const QJsonValue documents = o.value(QStringLiteral("fnDocuments"));
    if (!documents.isUndefined()
        && (!documents.isArray() || !FiscalStorage::fromJson(documents.toArray(), &s.storage)))
        r.fail("fnDocuments");
    s.lastReceipt = r.object("lastReceipt");
    s.receiptOpen = r.boolean("receiptOpen");
    if (s.receiptOpen && !Receipt::fromJson(r.object("receipt"), &s.receipt))
        r.fail("receipt");
    const QJsonObject t = r.object("tables");
    for (auto it = t.constBegin(); it != t.constEnd(); ++it) {
        if (!it.value().isString())
            r.fail("tables");
        s.tables.insert(it.key(), QByteArray::fromHex(it.value().toString().toLatin1()));
    }
    if (s.shiftOpen && !s.shiftOpenedAt.isValid())
        r.fail("shiftOpenedAt");
    if (o.contains(QStringLiteral("core"))) {
        QString bad;
        if (!FiscalCoreData::fromJson(r.object("core"), &s.core, &bad))
            r.fail("core");
    }
    if (!r.bad().isEmpty()) {
        *error = QStringLiteral("missing or invalid \"%1\"").arg(r.bad());
        return false;
    }
    *out = s;
    return true;
}
