#include "frstatereport.h"

#include "fiscaldocpropertytemplateloader.h"
#include "frcorefullstate.h"
#include "regdata.h"

#include <QCoreApplication>

using fiscal::FsStatus;
using fiscal::RegData;

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("ServiceFrStateWidget", text);
}

QString iso(const QDateTime &dt)
{
    return dt.toString(Qt::ISODate);
}

QString iso(const QDate &date)
{
    return date.toString(Qt::ISODate);
}

// A mask as its template prints it.
QString maskText(fiscal::PropertyTag tag, quint32 value)
{
    fiscal::PFiscalDocProperty property = fiscal::FiscalDocPropertyTemplateLoader()[tag];
    property->setValue(value);
    return property->valueText(60).trimmed();
}

struct Warning
{
    quint8 bit;
    const char *name;
};
const Warning WARNINGS[] = {
    { FsStatus::WarningCritical, QT_TRANSLATE_NOOP("ServiceFrStateWidget", "Critical eeror") },
    { FsStatus::WarningReplace30Days, QT_TRANSLATE_NOOP("ServiceFrStateWidget", "30 days") },
    { FsStatus::WarningReplace3Days, QT_TRANSLATE_NOOP("ServiceFrStateWidget", "3 days") },
    { FsStatus::WarningOfdTimeout, QT_TRANSLATE_NOOP("ServiceFrStateWidget", "Ofd timeout") },
    { FsStatus::WarningMemoryOverflow, QT_TRANSLATE_NOOP("ServiceFrStateWidget", "Overflow") },
};

struct Flag
{
    quint32 bit;
    fiscal::PropertyTag tag;
};
const Flag FLAGS[] = {
    { RegData::FlagAutomat, fiscal::TagAutomatMode },
    { RegData::FlagBso, fiscal::TagBso },
    { RegData::FlagExcise, fiscal::TagExcise },
    { RegData::FlagPrinterInAutomat, fiscal::TagPrinterInAutomat },
    { RegData::FlagGambling, fiscal::TagGambling },
    { RegData::FlagInternet, fiscal::TagInternetOnly },
    { RegData::FlagLottery, fiscal::TagLottery },
    { RegData::FlagAutonomous, fiscal::TagAutonomousMode },
    { RegData::FlagServices, fiscal::TagServices },
    { RegData::FlagEncryption, fiscal::TagEncryption },
};

} // namespace

QString FrStateReport::warningNames(quint8 warnings)
{
    QStringList names;
    for (const Warning &w : WARNINGS) {
        if (warnings & w.bit)
            names << tr(w.name);
    }
    return names.join(QStringLiteral(", "));
}

QString FrStateReport::registrationFlagNames(quint32 flags)
{
    const fiscal::FiscalDocPropertyTemplateLoader loader;
    QStringList names;
    for (const Flag &f : FLAGS) {
        if (flags & f.bit)
            names << loader[f.tag]->name().trimmed();
    }
    return names.join(QStringLiteral(", "));
}

QList<FrStateReport::Row> FrStateReport::rows(
    const core::FrCoreFullState &state, const fiscal::RegData &reg)
{
    QList<Row> list;
    auto add = [&list](const char *label, const QString &value) {
        list << Row { tr(label), value, false };
    };
    auto section = [&list](const char *label) { list << Row { tr(label), QString(), true }; };

    add(QT_TRANSLATE_NOOP("ServiceFrStateWidget", "Dt"), iso(state.dt()));
    add(QT_TRANSLATE_NOOP("ServiceFrStateWidget", "Serial number"), state.serial());
    add(QT_TRANSLATE_NOOP("ServiceFrStateWidget", "Cashbox version"), state.cashboxVersion());

    if (!state.regNumber().isEmpty()) {
        section(QT_TRANSLATE_NOOP("ServiceFrStateWidget", "Cashbox reg data"));
        add(QT_TRANSLATE_NOOP("ServiceFrStateWidget", "Reg number"), state.regNumber());
        add(QT_TRANSLATE_NOOP("ServiceFrStateWidget", "Reg date"), iso(reg.regDate()));
        add(QT_TRANSLATE_NOOP("ServiceFrStateWidget", "User name"), reg.userName());
        add(QT_TRANSLATE_NOOP("ServiceFrStateWidget", "User Inn"), reg.userInn());
        add(QT_TRANSLATE_NOOP("ServiceFrStateWidget", "User e-mail"), reg.userEMail());
        add(QT_TRANSLATE_NOOP("ServiceFrStateWidget", "Agent flags"),
            maskText(fiscal::TagAgentFlags, reg.agentFlags()));
        add(QT_TRANSLATE_NOOP("ServiceFrStateWidget", "Cashbox reg flags"),
            registrationFlagNames(reg.cashboxRegistrationFlags()));
        add(QT_TRANSLATE_NOOP("ServiceFrStateWidget", "Tax systems"),
            maskText(fiscal::TagTaxSystems, reg.taxes()));
        add(QT_TRANSLATE_NOOP("ServiceFrStateWidget", "Box id"), reg.boxId());
        add(QT_TRANSLATE_NOOP("ServiceFrStateWidget", "Reg cashier name"), reg.cashier());
        add(QT_TRANSLATE_NOOP("ServiceFrStateWidget", "Reg cashier inn"), reg.cashierInn());
        add(QT_TRANSLATE_NOOP("ServiceFrStateWidget", "Payment address"), reg.paymentAddress());
        add(QT_TRANSLATE_NOOP("ServiceFrStateWidget", "Payment place"), reg.paymentPlace());
        add(QT_TRANSLATE_NOOP("ServiceFrStateWidget", "Ofd name"), reg.ofdName());
        add(QT_TRANSLATE_NOOP("ServiceFrStateWidget", "Ofd inn"), reg.ofdInn());
        add(QT_TRANSLATE_NOOP("ServiceFrStateWidget", "Fns site"), reg.fnsSite());
        add(QT_TRANSLATE_NOOP("ServiceFrStateWidget", "Registered with fs"), reg.fsNumber());
    }

    const FsStatus fs = state.fsStatus();
    if (!fs.fsNumber().isEmpty()) {
        section(QT_TRANSLATE_NOOP("ServiceFrStateWidget", "Fs data"));
        add(QT_TRANSLATE_NOOP("ServiceFrStateWidget", "Fs number"), fs.fsNumber());
        add(QT_TRANSLATE_NOOP("ServiceFrStateWidget", "Fs version"), fs.fsVersion());
        const char *phase = fs.closed() ? QT_TRANSLATE_NOOP("ServiceFrStateWidget", "Closed")
            : fs.fiscalized()           ? QT_TRANSLATE_NOOP("ServiceFrStateWidget", "Fiscalized")
                              : QT_TRANSLATE_NOOP("ServiceFrStateWidget", "Not fiscalized");
        add(QT_TRANSLATE_NOOP("ServiceFrStateWidget", "Fs phase"), tr(phase));
        if (fs.hasDocumentData())
            add(QT_TRANSLATE_NOOP("ServiceFrStateWidget", "Has document data"),
                tr(QT_TRANSLATE_NOOP("ServiceFrStateWidget", "Has document data")));
        add(QT_TRANSLATE_NOOP("ServiceFrStateWidget", "Cycle"),
            fs.cycleIsOpen() ? tr(QT_TRANSLATE_NOOP("ServiceFrStateWidget", "Opened"))
                             : tr(QT_TRANSLATE_NOOP("ServiceFrStateWidget", "Cycle Closed")));
        add(QT_TRANSLATE_NOOP("ServiceFrStateWidget", "Last document"),
            tr(QT_TRANSLATE_NOOP("ServiceFrStateWidget", "# %1 [%2]"))
                .arg(fs.lastDocNumber())
                .arg(iso(fs.lastDocDt())));
        if (fs.warnings())
            add(QT_TRANSLATE_NOOP("ServiceFrStateWidget", "Warnings"), warningNames(fs.warnings()));
        const fiscal::FsLifeTime life = fs.lifeTime();
        add(QT_TRANSLATE_NOOP("ServiceFrStateWidget", "Available registrations"),
            QString::number(life.availableRegistrations()));
        add(QT_TRANSLATE_NOOP("ServiceFrStateWidget", "Complete registrations"),
            QString::number(life.completedRegistrations()));
        add(QT_TRANSLATE_NOOP("ServiceFrStateWidget", "Expiration date"), iso(life.expirationDt()));
        const fiscal::FsTransportState transport = fs.transportState();
        add(QT_TRANSLATE_NOOP("ServiceFrStateWidget", "Offline docs count"),
            QString::number(transport.offlineDocsCount()));
        if (transport.offlineDocsCount()) {
            add(QT_TRANSLATE_NOOP("ServiceFrStateWidget", "First offline doc"),
                QString::number(transport.firstDocNumber()));
            add(QT_TRANSLATE_NOOP("ServiceFrStateWidget", "First offline doc date"),
                iso(transport.firstDocDt()));
        }
    }

    if (state.cycle()) {
        section(QT_TRANSLATE_NOOP("ServiceFrStateWidget", "Cycle data"));
        add(QT_TRANSLATE_NOOP("ServiceFrStateWidget", "Cycle number"),
            QString::number(state.cycle()));
        add(QT_TRANSLATE_NOOP("ServiceFrStateWidget", "Opened"), iso(state.cycleOpened()));
        add(QT_TRANSLATE_NOOP("ServiceFrStateWidget", "Cycle Closed"),
            state.cycleClosed().isValid()
                ? iso(state.cycleClosed())
                : tr(QT_TRANSLATE_NOOP("ServiceFrStateWidget", "Opened")));
        add(QT_TRANSLATE_NOOP("ServiceFrStateWidget", "Last check"),
            QString::number(state.lastCheckNumber()));
        add(QT_TRANSLATE_NOOP("ServiceFrStateWidget", "Cash"), state.cash().toString());
    }
    return list;
}
