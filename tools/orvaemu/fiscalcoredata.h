#ifndef FISCALCOREDATA_H
#define FISCALCOREDATA_H

#include "atoltaxmap.h"
#include "cashier.h"
#include "checkdiscount.h"
#include "frprintersettings.h"
#include "ofdsettings.h"
#include "section.h"

#include <QDate>
#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QVariantMap>

// What the register's fiscal core keeps beside the register itself: its tables, settings,
// the requisites of the registration that the register does not hold, and the fiscal
// storage's identity. Part of the register's state file ("core").
class FiscalCoreData
{
public:
    // A fresh fiscal core of a fresh register.
    static FiscalCoreData fresh();

    QList<core::Cashier> cashiers;
    QList<core::Section> sections;
    QList<fiscal::CheckDiscount> discounts;
    core::AtolTaxMap taxMap;
    core::OfdSettings ofd;
    core::FrPrinterSettings printer;
    QVariantMap atolModel; // "model", "name", "ver"
    QVariantMap frcoreSettings; // the driver settings map ("hostRs" ...)

    // Registration requisites the register does not keep itself.
    QString email;
    QString fnsSite;
    QString boxId;
    QString regCashier;
    QString regCashierInn;
    QString regFsNumber;
    quint32 agentFlags = 0;
    quint32 regFlags = 0; // fiscal::RegData::RegistrationFlag bits
    QDateTime registeredAt; // UTC

    // The fiscal storage.
    QString fsNumber;
    QString fsVersion;
    bool fsRelease = true;
    QDate fsExpires;

    QDateTime shiftClosedAt; // UTC; invalid before the first Z report

    QJsonObject toJson() const;
    // False with the name of the first bad member.
    static bool fromJson(const QJsonObject &object, FiscalCoreData *out, QString *bad);
};

#endif // FISCALCOREDATA_H
