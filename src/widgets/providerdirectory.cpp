#include "providerdirectory.h"

#include <QFile>
#include <QJsonDocument>
#include <QVariantList>
#include <QVariantMap>

const char ProviderDirectory::DEFAULT_PATH[] = ":/providers.json";

namespace {

ProviderDirectory::Parameter parameterFrom(const QVariantMap &m)
{
    ProviderDirectory::Parameter p;
    p.name = m.value(QStringLiteral("name")).toString();
    p.label = m.value(QStringLiteral("label")).toString();
    p.checkLabel = m.value(QStringLiteral("checkLabel")).toString();
    p.mask = m.value(QStringLiteral("mask")).toString();
    p.regExp = m.value(QStringLiteral("regExp")).toString();
    return p;
}

} // namespace

ProviderDirectory ProviderDirectory::load(const QString &path)
{
    QFile file(path);
    if (!file.exists() || !file.open(QIODevice::ReadOnly))
        return ProviderDirectory();
    return fromJson(file.readAll());
}

ProviderDirectory ProviderDirectory::fromJson(const QByteArray &json)
{
    ProviderDirectory directory;
    const QVariantList list = QJsonDocument::fromJson(json).toVariant().toList();
    for (const QVariant &element : list) {
        const QVariantMap m = element.toMap();
        bool ok = false;
        const qint64 id = m.value(QStringLiteral("id")).toLongLong(&ok);
        if (!ok)
            continue;
        Provider provider;
        provider.id = id;
        provider.name = m.value(QStringLiteral("name")).toString();
        provider.groupId = m.value(QStringLiteral("groupId")).toLongLong();
        provider.groupName = m.value(QStringLiteral("groupName")).toString();
        for (const QVariant &p : m.value(QStringLiteral("parameters")).toList())
            provider.parameters.append(parameterFrom(p.toMap()));
        directory.m_providers.insert(id, provider);
    }
    return directory;
}
