#include "atoltaxmap.h"

#include "valuemapreader.h"

namespace core {

const QString AtolTaxMap::OBJECT_NAME = QStringLiteral("core.atoltaxmap");

QVariantMap AtolTaxMap::toMap() const
{
    QVariantMap map;
    for (auto it = m_rates.cbegin(); it != m_rates.cend(); ++it)
        map.insert(QString::number(it.key()), int(it.value()));
    return map;
}

bool AtolTaxMap::setMap(const QVariantMap &map)
{
    QMap<quint8, fiscal::TaxRate> rates;
    fiscal::ValueMapReader r(map);
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        bool ok = false;
        const uint index = it.key().toUInt(&ok, 10);
        if (!ok || index > 255)
            return false;
        qint64 rate = 0;
        if (!r.number(it.key().toLatin1().constData(), 0, 255, &rate))
            return false;
        rates.insert(quint8(index), fiscal::TaxRate(rate));
    }
    m_rates = rates;
    return true;
}

} // namespace core
