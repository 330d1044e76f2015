#include "busrunner.h"

#include "atoltaxmap.h"
#include "cashboxbuscontroller.h"
#include "ctlrunner.h"
#include "ctlstats.h"
#include "frcoreexternalapi.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>

bool BusRunner::runOnce(core::FrcoreExternalApi *api, QVariantMap *result)
{
    const QString &op = m_options.busOperation;
    const QVariantMap &args = m_options.busArguments;
    const QString settings = core::FrcoreExternalApi::FRCORE_SETTINGS_OBJECT_NAME;
    if (op == QLatin1String("load"))
        return api->load(args.value(QStringLiteral("name")).toString(), *result);
    if (op == QLatin1String("getTaxMap"))
        return api->load(core::AtolTaxMap::OBJECT_NAME, *result);
    if (op == QLatin1String("setTaxMap"))
        return api->store(core::AtolTaxMap::OBJECT_NAME, args, *result);
    if (op == QLatin1String("getFrCoreSettings"))
        return api->load(settings, *result);
    if (op == QLatin1String("setFrCoreSettings"))
        return api->store(settings, args, *result);
    return api->call(op, args, *result);
}

int BusRunner::run()
{
    CashboxBusController controller;
    if (!m_options.busName.isEmpty())
        controller.setServerName(m_options.busName);
    controller.start();
    core::FrcoreExternalApi *api = controller.createFrcoreApi(&controller);
    api->setTimeout(m_options.timeoutMs);

    CtlStats stats;
    QVariantMap result;
    bool ok = true;
    QElapsedTimer timer;
    for (int i = 0; ok && i < m_options.repeat; ++i) {
        timer.start();
        ok = runOnce(api, &result);
        stats.add(timer.nsecsElapsed());
    }
    const int code = api->lastError();
    const QString text = api->lastErrorText();
    controller.stop();

    if (!ok) {
        CtlRunner::writeErr(QStringLiteral("orvactl: %1 (code %2)\n").arg(text).arg(code));
        return code < 0 ? CtlRunner::ExitLink : CtlRunner::ExitRefused;
    }
    CtlRunner::writeOut(
        QString::fromUtf8(
            QJsonDocument(QJsonObject::fromVariantMap(result)).toJson(QJsonDocument::Compact))
        + QLatin1Char('\n'));
    if (m_options.stats)
        CtlRunner::writeOut(stats.line() + QLatin1Char('\n'));
    return CtlRunner::ExitOk;
}
