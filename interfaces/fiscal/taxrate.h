#ifndef TAXRATE_H
#define TAXRATE_H

#include <QtGlobal>

namespace fiscal {

// Tax rate of a section or of a tax table row, as the register numbers them.
enum TaxRate : int {
    TaxInvalid = 0,
    TaxVat18 = 1,
    TaxVat10 = 2,
    TaxVat18_118 = 3,
    TaxVat10_110 = 4,
    TaxVat0 = 5,
    TaxNoVat = 6,
};

inline bool isValidTaxRate(int rate)
{
    return rate >= TaxVat18 && rate <= TaxNoVat;
}

} // namespace fiscal

#endif // TAXRATE_H
