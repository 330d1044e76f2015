#include "fiscalcoredata.h"

#include "valuemapreader.h"

#include <QJsonArray>

namespace {

const QDateTime REGISTERED_AT(QDate(2025, 1, 15), QTime(10, 0), Qt::UTC);

template<typename T>
QJsonArray listToJson(const QList<T> &items)
{
    QJsonArray a;
    for (const T &item : items)
        a.append(QJsonObject::fromVariantMap(item.toMap()));
    return a;
}

template<typename T>
bool listFromJson(const QJsonValue &value, QList<T> *items)
{
    if (!value.isArray())
        return false;
    QList<T> out;
    for (const QJsonValue &v : value.toArray()) {
        T item;
        if (!v.isObject() || !item.setMap(v.toObject().toVariantMap()))
            return false;
        out << item;
    }
    *items = out;
    return true;
}

} // namespace

FiscalCoreData FiscalCoreData::fresh()
{
    FiscalCoreData d;
    d.cashiers = { core::Cashier(QStringLiteral("Кассир 1"), QString(), 1),
        core::Cashier(QStringLiteral("Системный администратор"), QString(), 47) };
    d.sections = { core::Section(QStringLiteral("Отдел 1"), fiscal::TaxVat18),
        core::Section(QStringLiteral("Отдел 2"), fiscal::TaxVat10),
        core::Section(QStringLiteral("Отдел 3"), fiscal::TaxNoVat) };
    d.discounts = { fiscal::CheckDiscount(QStringLiteral("Скидка"), true),
        fiscal::CheckDiscount(QStringLiteral("Наценка"), false) };
    for (quint8 i = core::AtolTaxMap::FIRST_INDEX; i <= core::AtolTaxMap::LAST_INDEX; ++i)
        d.taxMap.setRate(i, fiscal::TaxRate(i));
    d.ofd = core::OfdSettings::SUPPORTED_OFD.value(QStringLiteral("7704211201"));
    d.atolModel = { { QStringLiteral("model"), 0x4F },
        { QStringLiteral("name"), QStringLiteral("ORVA-EMU") },
        { QStringLiteral("ver"), QStringLiteral("0301001234") } };
    d.email = QStringLiteral("kkt@orva.ru");
    d.fnsSite = QStringLiteral("www.nalog.gov.ru");
    d.regCashier = QStringLiteral("Системный администратор");
    d.registeredAt = REGISTERED_AT;
    d.fsNumber = QStringLiteral("9999078900012345");
    d.fsVersion = QStringLiteral("FN-1.1 emu");
    d.regFsNumber = d.fsNumber;
    d.fsExpires = REGISTERED_AT.date().addMonths(36);
    return d;
}

QJsonObject FiscalCoreData::toJson() const
{
    using fiscal::ValueMapReader;
    QJsonObject o;
    o.insert(QStringLiteral("cashiers"), listToJson(cashiers));
    o.insert(QStringLiteral("sections"), listToJson(sections));
    o.insert(QStringLiteral("discounts"), listToJson(discounts));
    o.insert(QStringLiteral("taxMap"), QJsonObject::fromVariantMap(taxMap.toMap()));
    o.insert(QStringLiteral("ofd"), QJsonObject::fromVariantMap(ofd.toMap()));
    o.insert(QStringLiteral("printer"), QJsonObject::fromVariantMap(printer.toMap()));
    o.insert(QStringLiteral("atolModel"), QJsonObject::fromVariantMap(atolModel));
    o.insert(QStringLiteral("frcoreSettings"), QJsonObject::fromVariantMap(frcoreSettings));
    QJsonObject reg;
    reg.insert(QStringLiteral("email"), email);
    reg.insert(QStringLiteral("fnsSite"), fnsSite);
    reg.insert(QStringLiteral("boxId"), boxId);
    reg.insert(QStringLiteral("cashier"), regCashier);
    reg.insert(QStringLiteral("cashierInn"), regCashierInn);
    reg.insert(QStringLiteral("fsNumber"), regFsNumber);
    reg.insert(QStringLiteral("agentFlags"), double(agentFlags));
    reg.insert(QStringLiteral("flags"), double(regFlags));
    reg.insert(QStringLiteral("at"), ValueMapReader::isoText(registeredAt));
    o.insert(QStringLiteral("registration"), reg);
    QJsonObject fs;
    fs.insert(QStringLiteral("number"), fsNumber);
    fs.insert(QStringLiteral("version"), fsVersion);
    fs.insert(QStringLiteral("release"), fsRelease);
    fs.insert(QStringLiteral("expires"), ValueMapReader::isoText(fsExpires));
    o.insert(QStringLiteral("fs"), fs);
    o.insert(QStringLiteral("shiftClosedAt"), ValueMapReader::isoText(shiftClosedAt));
    return o;
}

bool FiscalCoreData::fromJson(const QJsonObject &o, FiscalCoreData *out, QString *bad)
{
    FiscalCoreData d;
    auto failed = [bad](const char *key) {
        *bad = QLatin1String(key);
        return false;
    };
    if (!listFromJson(o.value(QStringLiteral("cashiers")), &d.cashiers))
        return failed("cashiers");
    if (!listFromJson(o.value(QStringLiteral("sections")), &d.sections))
        return failed("sections");
    if (!listFromJson(o.value(QStringLiteral("discounts")), &d.discounts))
        return failed("discounts");
    if (!o.value(QStringLiteral("taxMap")).isObject()
        || !d.taxMap.setMap(o.value(QStringLiteral("taxMap")).toObject().toVariantMap()))
        return failed("taxMap");
    if (!o.value(QStringLiteral("ofd")).isObject()
        || !d.ofd.setMap(o.value(QStringLiteral("ofd")).toObject().toVariantMap()))
        return failed("ofd");
    if (!o.value(QStringLiteral("printer")).isObject()
        || !d.printer.setMap(o.value(QStringLiteral("printer")).toObject().toVariantMap()))
        return failed("printer");
    if (!o.value(QStringLiteral("atolModel")).isObject())
        return failed("atolModel");
    d.atolModel = o.value(QStringLiteral("atolModel")).toObject().toVariantMap();
    if (!o.value(QStringLiteral("frcoreSettings")).isObject())
        return failed("frcoreSettings");
    d.frcoreSettings = o.value(QStringLiteral("frcoreSettings")).toObject().toVariantMap();

    fiscal::ValueMapReader reg(o.value(QStringLiteral("registration")).toObject().toVariantMap());
    if (!o.value(QStringLiteral("registration")).isObject())
        return failed("registration");
    reg.text("email", &d.email);
    reg.text("fnsSite", &d.fnsSite);
    reg.text("boxId", &d.boxId);
    reg.text("cashier", &d.regCashier);
    reg.text("cashierInn", &d.regCashierInn);
    reg.text("fsNumber", &d.regFsNumber);
    reg.unsignedNumber("agentFlags", &d.agentFlags);
    reg.unsignedNumber("flags", &d.regFlags);
    reg.dateTime("at", &d.registeredAt);
    if (!reg.ok())
        return failed("registration");
    fiscal::ValueMapReader fs(o.value(QStringLiteral("fs")).toObject().toVariantMap());
    if (!o.value(QStringLiteral("fs")).isObject())
        return failed("fs");
    fs.text("number", &d.fsNumber);
    fs.text("version", &d.fsVersion);
    fs.boolean("release", &d.fsRelease);
    fs.date("expires", &d.fsExpires);
    if (!fs.ok())
        return failed("fs");
    fiscal::ValueMapReader rest(o.toVariantMap());
    rest.dateTime("shiftClosedAt", &d.shiftClosedAt);
    if (!rest.ok())
        return failed("shiftClosedAt");
    d.registeredAt = d.registeredAt.toUTC();
    d.shiftClosedAt = d.shiftClosedAt.toUTC();
    *out = d;
    return true;
}
