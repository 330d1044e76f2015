#ifndef FILEFRCORESETTINGS_H
#define FILEFRCORESETTINGS_H

#include "frcoresettingsaccess.h"

// The settings map as the keys of the fiscal core's group in "frcore.conf".
class FileFrCoreSettings : public FrCoreSettingsAccess
{
public:
    QVariantMap getFrCoreSettings() override;
    bool setFrCoreSettings(const QVariantMap &settings) override;
};

#endif // FILEFRCORESETTINGS_H
