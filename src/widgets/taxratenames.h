#ifndef TAXRATENAMES_H
#define TAXRATENAMES_H

#include <QString>
#include <QStringList>

// The texts of the register's tax rates, shared by the sections table and the tax table.
class TaxRateNames
{
public:
    // "НЕКОРРЕКТНОЕ ЗНАЧЕНИЕ" for a rate outside 1..6.
    static QString text(int rate);
    // The six texts in rate order: a combo box item index is the rate minus 1.
    static QStringList texts();
};

#endif // TAXRATENAMES_H
