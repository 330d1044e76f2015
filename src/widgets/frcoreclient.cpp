#include "frcoreclient.h"

#include "appbusobject.h"
#include "cashboxbuscontroller.h"
#include "frcfgroot.h"
#include "frcoreerror.h"
#include "frcoreexternalapi.h"

#include <QDebug>

core::FrcoreExternalApi *FrcoreClient::create(QObject *parent)
{
    FrCfgRoot *root = FrCfgRoot::instance();
    if (root && root->busController())
        return root->busController()->createFrcoreApi(parent);

    qWarning() << "FRCORE_CLIENT_WITHOUT_BUS";
    auto *api = new core::FrcoreExternalApi(CashboxBusController::CLIENT_NAME, parent);
    const QString text = QStringLiteral("Шина приложений не запущена");
    QObject::connect(api, &core::FrcoreExternalApi::sendCommand, api,
        [api, text](const bus::AppBusCommand &command) {
            api->objectLoaded(bus::AppBusObject::error(
                command.operation(), command.id(), core::ErrorNoService, text));
        });
    QObject::connect(
        api, &core::FrcoreExternalApi::publish, api, [api, text](const bus::AppBusObject &object) {
            api->objectLoaded(bus::AppBusObject::error(
                object.name(), object.requestId(), core::ErrorNoService, text));
        });
    QObject::connect(
        api, &core::FrcoreExternalApi::loadObject, api, [api, text](const QString &name) {
            api->objectLoaded(bus::AppBusObject::error(
                name, 0, core::ErrorNoService, text, bus::AppBusObject::Object));
        });
    return api;
}
