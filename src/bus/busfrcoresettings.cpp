#include "busfrcoresettings.h"

#include "cashboxbuscontroller.h"
#include "frcoreexternalapi.h"

BusFrCoreSettings::BusFrCoreSettings(CashboxBusController *controller)
    : m_owner(new QObject), m_api(controller->createFrcoreApi(m_owner.data()))
{ }

BusFrCoreSettings::~BusFrCoreSettings() = default;

QVariantMap BusFrCoreSettings::getFrCoreSettings()
{
    return m_api->getFrCoreSettings();
}

bool BusFrCoreSettings::setFrCoreSettings(const QVariantMap &settings)
{
    // An empty map stored is an empty answer too: the error code tells them apart.
    m_api->setFrCoreSettings(settings);
    return m_api->lastError() == 0;
}
