#ifndef FISCALDOCPROPERTYTEMPLATELOADER_H
#define FISCALDOCPROPERTYTEMPLATELOADER_H

#include "fiscaldocpropertybase.h"

#include <QList>

namespace fiscal {

// Makes properties from the built-in templates of the fiscal data tags.
class FiscalDocPropertyTemplateLoader
{
public:
    FiscalDocPropertyTemplateLoader() = default;

    // A fresh property without a value. A tag without a template gives a Text property
    // named after its number, so a caller never gets null.
    PFiscalDocProperty operator[](PropertyTag tag) const;
    bool contains(PropertyTag tag) const;
    QList<PropertyTag> tags() const;
};

} // namespace fiscal

#endif // FISCALDOCPROPERTYTEMPLATELOADER_H
