#include "logstream.h"

#include <QJsonDocument>
#include <QStringList>

namespace qt5ext {

loglist::loglist(const QStringList &items)
{
    for (const QString &s : items)
        list.append(s);
}

QString variantToLogText(const QVariant &value)
{
    switch (value.userType()) {
    case QMetaType::QByteArray:
        return QString::fromLatin1(value.toByteArray().toHex(' '));
    case QMetaType::QVariantList:
    case QMetaType::QStringList: {
        QStringList parts;
        const QVariantList items = value.toList();
        for (const QVariant &v : items)
            parts << variantToLogText(v);
        return QLatin1Char('[') + parts.join(QLatin1String(", ")) + QLatin1Char(']');
    }
    case QMetaType::QVariantMap:
    case QMetaType::QVariantHash:
        return QString::fromUtf8(QJsonDocument::fromVariant(value).toJson(QJsonDocument::Compact));
    default:
        if (!value.isValid())
            return QStringLiteral("<invalid>");
        return value.toString();
    }
}

} // namespace qt5ext

QDebug operator<<(QDebug dbg, const qt5ext::logbinary &b)
{
    QDebugStateSaver saver(dbg);
    dbg.noquote().nospace() << b.data.toHex(' ');
    return dbg;
}

QDebug operator<<(QDebug dbg, const qt5ext::loglist &l)
{
    QDebugStateSaver saver(dbg);
    dbg.noquote().nospace() << qt5ext::variantToLogText(QVariant(l.list));
    return dbg;
}

QDebug operator<<(QDebug dbg, const qt5ext::logvariant &v)
{
    QDebugStateSaver saver(dbg);
    dbg.noquote().nospace() << qt5ext::variantToLogText(v.value);
    return dbg;
}
