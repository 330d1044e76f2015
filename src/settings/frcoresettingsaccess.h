#ifndef FRCORESETTINGSACCESS_H
#define FRCORESETTINGSACCESS_H

#include <QVariantMap>

// The fiscal core's settings map as the pages see it ("hostRs" and the rest): from the fiscal
// core service, or from the driver's configuration file where no service is at hand.
class FrCoreSettingsAccess
{
public:
    virtual ~FrCoreSettingsAccess() = default;

    // ok, when given, is false when the map could not be read: the empty map given then must
    // not be written back over the real one.
    virtual QVariantMap getFrCoreSettings(bool *ok = nullptr) = 0;
    // Stores the whole map: keys missing from it are dropped. False when it was not stored.
    virtual bool setFrCoreSettings(const QVariantMap &settings) = 0;

    static const QString KEY_HOST_RS;
};

#endif // FRCORESETTINGSACCESS_H
