#ifndef PROVIDERDATA_H
#define PROVIDERDATA_H

#include <QMap>
#include <QString>
#include <QVariantMap>

// The supplier of the next agent position as the page keeps it between runs.
class ProviderData
{
public:
    QString name;
    QString phone;
    QString inn;
    qint64 providerId = 0; // id in the supplier directory; 0 or less: none chosen
    QMap<QString, QString> payDetails; // parameter name -> entered value

    // Missing or mistyped members read as empty (id 0).
    static ProviderData fromMap(const QVariantMap &map);
    QVariantMap toMap() const;
    bool operator==(const ProviderData &other) const;
};

#endif // PROVIDERDATA_H
