#ifndef FRCORESETTINGSACCESS_H
#define FRCORESETTINGSACCESS_H

#include <QVariantMap>

// The fiscal core's settings map as the pages see it ("hostRs" and the rest). Today it is
// kept in the driver's configuration file; a client of the driver's bus can take its place
// without the pages noticing.
class FrCoreSettingsAccess
{
public:
    virtual ~FrCoreSettingsAccess() = default;

    virtual QVariantMap getFrCoreSettings() = 0;
    // Stores the whole map: keys missing from it are dropped. False when it was not stored.
    virtual bool setFrCoreSettings(const QVariantMap &settings) = 0;

    static const QString KEY_HOST_RS;
};

#endif // FRCORESETTINGSACCESS_H
