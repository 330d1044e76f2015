#ifndef BUSFRCORESETTINGS_H
#define BUSFRCORESETTINGS_H

#include "frcoresettingsaccess.h"

#include <QScopedPointer>

class CashboxBusController;
class QObject;
namespace core {
class FrcoreExternalApi;
}

// The fiscal core's settings map from the fiscal core service itself, for the pages that
// take a FrCoreSettingsAccess.
class BusFrCoreSettings : public FrCoreSettingsAccess
{
public:
    explicit BusFrCoreSettings(CashboxBusController *controller);
    ~BusFrCoreSettings() override;

    // Empty when the service did not answer (see api()->lastError()).
    QVariantMap getFrCoreSettings() override;
    bool setFrCoreSettings(const QVariantMap &settings) override;

    core::FrcoreExternalApi *api() const { return m_api; }

private:
    QScopedPointer<QObject> m_owner;
    core::FrcoreExternalApi *m_api;
};

#endif // BUSFRCORESETTINGS_H
