#include "busfrcoresettings.h"

#include "cashboxbuscontroller.h"
#include "frcoreexternalapi.h"

BusFrCoreSettings::BusFrCoreSettings(CashboxBusController *controller)
    : m_owner(new QObject),
      m_api(controller ? controller->createFrcoreApi(m_owner.data()) : nullptr)
{ }

BusFrCoreSettings::~BusFrCoreSettings() = default;

QVariantMap BusFrCoreSettings::getFrCoreSettings(bool *ok)
{
    const QVariantMap settings = m_api ? m_api->getFrCoreSettings() : QVariantMap();
    // An empty map is a valid answer too: the error code tells them apart.
    if (ok)
        *ok = m_api && m_api->lastError() == 0;
    return settings;
}

bool BusFrCoreSettings::setFrCoreSettings(const QVariantMap &settings)
{
    if (!m_api)
        return false;
    m_api->setFrCoreSettings(settings);
    return m_api->lastError() == 0;
}
