#include "providerdata.h"

namespace {

QString text(const QVariantMap &map, const char *key)
{
    const QVariant v = map.value(QLatin1String(key));
    return v.type() == QVariant::String ? v.toString() : QString();
}

} // namespace

ProviderData ProviderData::fromMap(const QVariantMap &map)
{
    ProviderData data;
    data.name = text(map, "name");
    data.phone = text(map, "phone");
    data.inn = text(map, "inn");
    bool ok = false;
    const qint64 id = map.value(QStringLiteral("providerId")).toLongLong(&ok);
    data.providerId = ok ? id : 0;
    const QVariantMap details = map.value(QStringLiteral("payDetails")).toMap();
    for (auto it = details.cbegin(); it != details.cend(); ++it) {
        if (it.value().type() == QVariant::String)
            data.payDetails.insert(it.key(), it.value().toString());
    }
    return data;
}

QVariantMap ProviderData::toMap() const
{
    QVariantMap details;
    for (auto it = payDetails.cbegin(); it != payDetails.cend(); ++it)
        details.insert(it.key(), it.value());
    QVariantMap map;
    map.insert(QStringLiteral("name"), name);
    map.insert(QStringLiteral("phone"), phone);
    map.insert(QStringLiteral("inn"), inn);
    map.insert(QStringLiteral("providerId"), providerId);
    map.insert(QStringLiteral("payDetails"), details);
    return map;
}

bool ProviderData::operator==(const ProviderData &other) const
{
    return name == other.name && phone == other.phone && inn == other.inn
        && providerId == other.providerId && payDetails == other.payDetails;
}
