#include "taxratenames.h"

#include "taxrate.h"

#include <QCoreApplication>

namespace {
const char *const RATE_TEXTS[] = {
    QT_TRANSLATE_NOOP("TaxRateNames", "НДС 18%"),
    QT_TRANSLATE_NOOP("TaxRateNames", "НДС 10%"),
    QT_TRANSLATE_NOOP("TaxRateNames", "Сумма НДС чека по расч. ставке 18/118"),
    QT_TRANSLATE_NOOP("TaxRateNames", "Сумма НДС чека по расч. ставке 10/110"),
    QT_TRANSLATE_NOOP("TaxRateNames", "НДС 0%"),
    QT_TRANSLATE_NOOP("TaxRateNames", "НДС не облагается"),
};
const char INVALID_TEXT[] = QT_TRANSLATE_NOOP("TaxRateNames", "НЕКОРРЕКТНОЕ ЗНАЧЕНИЕ");
} // namespace

QString TaxRateNames::text(int rate)
{
    if (!fiscal::isValidTaxRate(rate))
        return QCoreApplication::translate("TaxRateNames", INVALID_TEXT);
    return QCoreApplication::translate("TaxRateNames", RATE_TEXTS[rate - fiscal::TaxVat18]);
}

QStringList TaxRateNames::texts()
{
    QStringList list;
    for (int rate = fiscal::TaxVat18; rate <= fiscal::TaxNoVat; ++rate)
        list << text(rate);
    return list;
}
