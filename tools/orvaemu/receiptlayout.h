#ifndef RECEIPTLAYOUT_H
#define RECEIPTLAYOUT_H

#include "registerstate.h"

#include <QJsonObject>
#include <QString>
#include <QVector>

// What the register prints for a document, line by line, before it goes on paper: the
// owner's header, the document's own lines (positions, totals, payments, requisites or
// counters) and the fiscal footer.
class ReceiptLayout
{
public:
    struct Line
    {
        enum Kind { Text, Pair, Rule };
        Kind kind = Text;
        QString left; // Text: the whole line
        QString right; // Pair: the amount at the right margin
        bool centered = false;
        bool bold = false;
        bool large = false;
    };

    static QVector<Line> lines(const QJsonObject &document, const RegisterState &state);
    // Every line as plain text, " | " between the two halves of a pair.
    static QStringList text(const QVector<Line> &lines);

    // Kopecks as "1 234.50" (the register's paper form), thousandths as "1.5".
    static QString money(qint64 kopecks);
    static QString quantity(qint64 thousandths);
    static QString kindName(int kind);
    static QString paymentName(int type);
    static QString taxName(int tax);
    static QString taxSystemName(quint8 bit);
};

#endif // RECEIPTLAYOUT_H
