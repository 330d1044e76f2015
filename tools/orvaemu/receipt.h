#ifndef RECEIPT_H
#define RECEIPT_H

#include "requisite.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QVector>

// The receipt the register has open: its positions, requisites and payments. Money in
// kopecks, quantities in thousandths.
class Receipt
{
public:
    struct Position
    {
        QString name;
        QByteArray barcode;
        qint64 price = 0;
        qint64 quantity = 0;
        qint64 amount = 0; // after the discount or surcharge; negative for a cancellation
        quint8 tax = 0;
        quint8 section = 0;
        bool cancel = false;
        QVector<Requisite> requisites;
    };

    static const int PAYMENT_TYPES = 5;

    enum Kind : quint8 {
        Sale = 1,
        SaleReturn = 2,
        Purchase = 4,
        PurchaseReturn = 5,
        SaleCorrection = 7,
        PurchaseCorrection = 9,
    };
    static bool isValidKind(int kind);
    // Sale, purchase return and income correction bring cash in; the rest pay it out.
    static bool takesCash(int kind);
    static bool isCorrection(int kind)
    {
        return kind == SaleCorrection || kind == PurchaseCorrection;
    }

    quint8 kind = Sale;
    QVector<Position> positions;
    QVector<Requisite> requisites;
    qint64 payments[PAYMENT_TYPES] = { 0, 0, 0, 0, 0 }; // by payment type 1..5
    bool paying = false; // a payment was registered: no more positions

    qint64 total() const;
    qint64 paid() const;
    qint64 nonCashPaid() const;

    // Replaces an earlier requisite with the same tag (a repeated group must not double it).
    static void putRequisite(QVector<Requisite> *list, const Requisite &r);
    const Requisite *findRequisite(quint16 tag) const;

    QJsonObject toJson() const;
    static bool fromJson(const QJsonObject &object, Receipt *out);
    static QJsonObject positionToJson(const Position &p);
};

#endif // RECEIPT_H
