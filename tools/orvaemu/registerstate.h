#ifndef REGISTERSTATE_H
#define REGISTERSTATE_H

#include "fiscalcoredata.h"
#include "fiscalstorage.h"
#include "receipt.h"

#include <QDateTime>
#include <QJsonObject>
#include <QMap>
#include <QString>

// Everything a register keeps across power cycles. Money in kopecks.
class RegisterState
{
public:
    static const int FORMAT = 1;

    struct Totals
    {
        qint64 sales = 0;
        qint64 saleReturns = 0;
        qint64 purchases = 0;
        qint64 purchaseReturns = 0;
        qint64 corrections = 0;
        qint64 cashIn = 0;
        qint64 cashOut = 0;
        int receipts = 0;

        void add(const Totals &other);
    };

    // A fresh, fiscalized register with its shift closed and an empty drawer.
    static RegisterState fresh();

    qint64 serial = 0;
    bool fiscalized = true;
    bool fnActive = true;
    int cashier = 1;
    int hall = 1;
    qint64 clockOffset = 0; // seconds added to the host clock
    int timezone = 2; // MSK
    quint8 taxSystems = 1 | 2; // registered tax systems, as the bits of tag 1055

    QString rnm;
    QString inn;
    QString userName;
    QString address;
    QString place;
    QString ofdInn;
    QString ofdName;
    int registrations = 1;
    // The registration parameters by fiscal tag, as a registration document records them.
    QJsonObject registrationParameters() const;

    qint64 drawer = 0;
    bool shiftOpen = false;
    int shiftNumber = 0;
    QDateTime shiftOpenedAt; // UTC
    int receiptNumber = 0; // last closed receipt of the shift
    Totals shift;
    Totals grand; // takes the shift's totals at each Z report
    qint64 documentNumber = 0; // last fiscal document
    FiscalStorage storage; // the documents up to documentNumber
    QDateTime lastDocumentAt; // UTC, register clock
    QJsonObject lastReceipt; // for the reprint

    bool receiptOpen = false;
    Receipt receipt;

    // Programmed table cells, "table.row.field" -> value.
    QMap<QString, QByteArray> tables;

    // What the fiscal core service keeps; a state written before it existed gets a fresh one.
    FiscalCoreData core = FiscalCoreData::fresh();

    QJsonObject toJson() const;
    // False, with a reason, for anything that is not a state this program wrote.
    static bool fromJson(const QJsonObject &object, RegisterState *out, QString *error);
};

#endif // REGISTERSTATE_H
