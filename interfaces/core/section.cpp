#include "section.h"

#include "valuemapreader.h"

namespace core {

QVariantMap Section::toMap() const
{
    return { { QStringLiteral("name"), m_name }, { QStringLiteral("tax"), int(m_tax) } };
}

bool Section::setMap(const QVariantMap &map)
{
    Section s = *this;
    fiscal::ValueMapReader r(map);
    r.text("name", &s.m_name);
    qint64 tax = 0;
    if (r.number("tax", 0, 255, &tax))
        s.m_tax = fiscal::TaxRate(tax);
    if (!r.ok())
        return false;
    *this = s;
    return true;
}

bool Section::operator==(const Section &o) const
{
    return m_name == o.m_name && m_tax == o.m_tax;
}

} // namespace core
