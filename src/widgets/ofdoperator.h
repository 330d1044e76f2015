#ifndef OFDOPERATOR_H
#define OFDOPERATOR_H

#include <QList>
#include <QString>

// A fiscal data operator admitted by the tax service: the registration form offers them
// by name and sends the name and INN of the chosen one.
struct OfdOperator
{
    QString name;
    quint64 inn;
    // The tax service order that admitted the operator.
    QString order;
    QString webSite;

    // In the order the form lists them.
    static const QList<OfdOperator> &all();
    // The INN as the register takes it: 10 digits for an organisation, 12 for a person,
    // restoring the leading zeros a number loses.
    static QString innText(quint64 inn);
};

#endif // OFDOPERATOR_H
