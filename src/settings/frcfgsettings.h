#ifndef FRCFGSETTINGS_H
#define FRCFGSETTINGS_H

#include "initconfig.h"

#include <QVariantMap>

// The configurator's own settings ("orvacfg.conf", group "FRCFG"). Build one on the stack
// for each use; nothing is cached.
class FrCfgSettings : public qt5ext::InitConfig
{
public:
    FrCfgSettings();

    static QString filePath();

    int positionAgentKind() const;
    void setPositionAgentKind(int kind);

    QVariantMap positionAgentData() const;
    void setPositionAgentData(const QVariantMap &data);

    QVariantMap positionProviderData() const;
    void setPositionProviderData(const QVariantMap &data);

    // Last text entered for a requisite tag; empty when none was stored.
    QString rekvHistory(int tag) const;
    void setRekvHistory(int tag, const QString &text);

    static const QString GROUP;
    static const QString KEY_POSITION_AGENT_KIND;
    static const QString KEY_POSITION_AGENT_DATA;
    static const QString KEY_POSITION_PROVIDER_DATA;
    static const QString KEY_REKV_HISTORY;

private:
    QVariantMap readJsonMap(const QString &key) const;
    void writeJsonMap(const QString &key, const QVariantMap &map);
};

#endif // FRCFGSETTINGS_H
