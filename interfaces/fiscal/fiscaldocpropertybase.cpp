#include "fiscaldocpropertybase.h"

#include <cmath>

namespace fiscal {

namespace {

// A whole number 0..0xFFFFFFFF out of any numeric variant or a text of digits.
bool toUnsigned(const QVariant &value, quint32 *out)
{
    bool ok = false;
    qint64 n = 0;
    switch (value.userType()) {
    case QMetaType::Double:
    case QMetaType::Float: {
        const double d = value.toDouble();
        if (!std::isfinite(d) || d != std::floor(d))
            return false;
        if (d < 0 || d > 4294967295.0)
            return false;
        n = qint64(d);
        ok = true;
        break;
    }
    case QMetaType::QString:
        n = value.toString().trimmed().toLongLong(&ok, 10);
        break;
    case QMetaType::Bool:
        return false;
    default:
        n = value.toLongLong(&ok);
        if (ok && (value.userType() == QMetaType::ULongLong) && value.toULongLong() > 0xFFFFFFFFULL)
            return false;
        break;
    }
    if (!ok || n < 0 || n > 0xFFFFFFFFLL)
        return false;
    *out = quint32(n);
    return true;
}

QString wrap(const QString &text, int width)
{
    if (width <= 0 || text.size() <= width)
        return text;
    QStringList lines;
    QString line;
    const QStringList words = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (QString word : words) {
        // A word longer than a line is cut.
        while (word.size() > width) {
            if (!line.isEmpty()) {
                lines << line;
                line.clear();
            }
            lines << word.left(width);
            word = word.mid(width);
        }
        if (line.isEmpty())
            line = word;
        else if (line.size() + 1 + word.size() <= width)
            line += QLatin1Char(' ') + word;
        else {
            lines << line;
            line = word;
        }
    }
    if (!line.isEmpty())
        lines << line;
    return lines.join(QLatin1Char('\n'));
}

} // namespace

FiscalDocPropertyBase::FiscalDocPropertyBase(
    PropertyTag tag, Kind kind, const QString &name, int maxLength, const QStringList &valueNames)
    : m_tag(tag), m_kind(kind), m_name(name), m_maxLength(maxLength), m_valueNames(valueNames)
{ }

bool FiscalDocPropertyBase::setValue(const QVariant &value)
{
    switch (m_kind) {
    case Text: {
        if (!value.isValid() || value.userType() == QMetaType::QVariantMap
            || value.userType() == QMetaType::QVariantList || !value.canConvert<QString>())
            return false;
        const QString text = value.toString();
        if (m_maxLength > 0 && text.size() > m_maxLength)
            return false;
        m_value = text;
        return true;
    }
    case Flag: {
        if (value.userType() == QMetaType::Bool) {
            m_value = value.toBool();
            return true;
        }
        quint32 n = 0;
        if (!toUnsigned(value, &n) || n > 1)
            return false;
        m_value = n == 1;
        return true;
    }
    case Number:
    case BitMask:
    case Choice: {
        quint32 n = 0;
        if (!toUnsigned(value, &n))
            return false;
        m_value = n;
        return true;
    }
    }
    return false;
}

QString FiscalDocPropertyBase::valueText(int width) const
{
    if (!m_value.isValid())
        return QString();
    QString text;
    switch (m_kind) {
    case Text:
        text = m_value.toString();
        break;
    case Flag:
        text = m_value.toBool() ? QStringLiteral("да") : QStringLiteral("нет");
        break;
    case Number:
        text = QString::number(m_value.toUInt());
        break;
    case BitMask: {
        const quint32 mask = m_value.toUInt();
        QStringList names;
        for (int bit = 0; bit < 32; ++bit) {
            if (!(mask & (1u << bit)))
                continue;
            names << (bit < m_valueNames.size() && !m_valueNames.at(bit).isEmpty()
                    ? m_valueNames.at(bit)
                    : QString::number(1u << bit));
        }
        text = names.join(QStringLiteral(", "));
        break;
    }
    case Choice: {
        const quint32 n = m_value.toUInt();
        text = n < quint32(m_valueNames.size()) && !m_valueNames.at(int(n)).isEmpty()
            ? m_valueNames.at(int(n))
            : QString::number(n);
        break;
    }
    }
    return wrap(text, width);
}

QVariantMap FiscalDocPropertyBase::toMap() const
{
    return { { QStringLiteral("tag"), m_tag }, { QStringLiteral("name"), m_name },
        { QStringLiteral("value"), m_value } };
}

} // namespace fiscal
