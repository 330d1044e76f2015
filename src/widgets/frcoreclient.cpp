#include "frcoreclient.h"

#include "cashboxbuscontroller.h"
#include "frcfgroot.h"
#include "frcoreexternalapi.h"

#include <QDebug>

core::FrcoreExternalApi *FrcoreClient::create(QObject *parent)
{
    FrCfgRoot *root = FrCfgRoot::instance();
    if (root && root->busController())
        return root->busController()->createFrcoreApi(parent);
    qWarning() << "FRCORE_CLIENT_WITHOUT_BUS";
    return new core::FrcoreExternalApi(CashboxBusController::CLIENT_NAME, parent);
}
