#include "valuemapreader.h"

#include <cmath>

namespace fiscal {

bool ValueMapReader::present(const char *key, QVariant *value) const
{
    const auto it = m_map.constFind(QLatin1String(key));
    if (it == m_map.constEnd())
        return false;
    *value = it.value();
    return true;
}

void ValueMapReader::fail(const char *key)
{
    if (m_ok)
        m_badKey = QLatin1String(key);
    m_ok = false;
}

void ValueMapReader::text(const char *key, QString *out)
{
    QVariant v;
    if (!present(key, &v))
        return;
    if (v.userType() != QMetaType::QString)
        return fail(key);
    *out = v.toString();
}

void ValueMapReader::boolean(const char *key, bool *out)
{
    QVariant v;
    if (!present(key, &v))
        return;
    if (v.userType() != QMetaType::Bool)
        return fail(key);
    *out = v.toBool();
}

bool ValueMapReader::number(const char *key, qint64 minimum, qint64 maximum, qint64 *out)
{
    QVariant v;
    if (!present(key, &v))
        return false;
    qint64 n = 0;
    switch (v.userType()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::Char:
    case QMetaType::SChar:
        n = v.toLongLong();
        break;
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::UShort:
    case QMetaType::UChar:
        if (v.toULongLong() > quint64(maximum))
            return fail(key), false;
        n = qint64(v.toULongLong());
        break;
    case QMetaType::Double:
    case QMetaType::Float: {
        // JSON numbers arrive as doubles; only whole ones within 2^53 are exact.
        const double d = v.toDouble();
        if (!std::isfinite(d) || d != std::floor(d) || std::fabs(d) > 9007199254740992.0)
            return fail(key), false;
        n = qint64(d);
        break;
    }
    default:
        return fail(key), false;
    }
    if (n < minimum || n > maximum)
        return fail(key), false;
    *out = n;
    return true;
}

void ValueMapReader::dateTime(const char *key, QDateTime *out)
{
    QVariant v;
    if (!present(key, &v))
        return;
    if (v.userType() == QMetaType::QDateTime) {
        *out = v.toDateTime();
        return;
    }
    if (v.userType() != QMetaType::QString)
        return fail(key);
    const QString s = v.toString();
    if (s.isEmpty()) {
        *out = QDateTime();
        return;
    }
    const QDateTime dt = QDateTime::fromString(s, Qt::ISODateWithMs);
    if (!dt.isValid())
        return fail(key);
    *out = dt;
}

void ValueMapReader::date(const char *key, QDate *out)
{
    QVariant v;
    if (!present(key, &v))
        return;
    if (v.userType() == QMetaType::QDate) {
        *out = v.toDate();
        return;
    }
    if (v.userType() != QMetaType::QString)
        return fail(key);
    const QString s = v.toString();
    if (s.isEmpty()) {
        *out = QDate();
        return;
    }
    const QDate d = QDate::fromString(s, Qt::ISODate);
    if (!d.isValid())
        return fail(key);
    *out = d;
}

void ValueMapReader::map(const char *key, QVariantMap *out)
{
    QVariant v;
    if (!present(key, &v))
        return;
    if (v.userType() != QMetaType::QVariantMap)
        return fail(key);
    *out = v.toMap();
}

QString ValueMapReader::isoText(const QDateTime &dt)
{
    return dt.isValid() ? dt.toString(Qt::ISODate) : QString();
}

QString ValueMapReader::isoText(const QDate &date)
{
    return date.isValid() ? date.toString(Qt::ISODate) : QString();
}

} // namespace fiscal
