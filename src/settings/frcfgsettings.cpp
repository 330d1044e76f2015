#include "frcfgsettings.h"

#include "configpath.h"

#include <QJsonDocument>

const QString FrCfgSettings::GROUP = QStringLiteral("FRCFG");
const QString FrCfgSettings::KEY_POSITION_AGENT_KIND = QStringLiteral("positionAgentKind");
const QString FrCfgSettings::KEY_POSITION_AGENT_DATA = QStringLiteral("positionAgentData");
const QString FrCfgSettings::KEY_POSITION_PROVIDER_DATA = QStringLiteral("positionProviderData");
const QString FrCfgSettings::KEY_REKV_HISTORY = QStringLiteral("rekvHistory");

FrCfgSettings::FrCfgSettings() : qt5ext::InitConfig(filePath(), true) { }

QString FrCfgSettings::filePath()
{
    return configFilePath(QStringLiteral("orvacfg.conf"));
}

int FrCfgSettings::positionAgentKind() const
{
    return value(GROUP, KEY_POSITION_AGENT_KIND, 0).toInt();
}

void FrCfgSettings::setPositionAgentKind(int kind)
{
    setValue(GROUP, KEY_POSITION_AGENT_KIND, kind);
}

QVariantMap FrCfgSettings::positionAgentData() const
{
    return readJsonMap(KEY_POSITION_AGENT_DATA);
}

void FrCfgSettings::setPositionAgentData(const QVariantMap &data)
{
    writeJsonMap(KEY_POSITION_AGENT_DATA, data);
}

QVariantMap FrCfgSettings::positionProviderData() const
{
    return readJsonMap(KEY_POSITION_PROVIDER_DATA);
}

void FrCfgSettings::setPositionProviderData(const QVariantMap &data)
{
    writeJsonMap(KEY_POSITION_PROVIDER_DATA, data);
}

QString FrCfgSettings::rekvHistory(int tag) const
{
    return readJsonMap(KEY_REKV_HISTORY).value(QString::number(tag)).toString();
}

void FrCfgSettings::setRekvHistory(int tag, const QString &text)
{
    QVariantMap map = readJsonMap(KEY_REKV_HISTORY);
    map.insert(QString::number(tag), text);
    writeJsonMap(KEY_REKV_HISTORY, map);
}

QVariantMap FrCfgSettings::readJsonMap(const QString &key) const
{
    const QString text = value(GROUP, key, QString()).toString();
    return QJsonDocument::fromJson(text.toUtf8()).toVariant().toMap();
}

void FrCfgSettings::writeJsonMap(const QString &key, const QVariantMap &map)
{
    setValue(GROUP, key,
        QString::fromUtf8(QJsonDocument::fromVariant(map).toJson(QJsonDocument::Compact)));
}
