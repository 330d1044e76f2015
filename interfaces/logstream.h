#ifndef LOGSTREAM_H
#define LOGSTREAM_H

#include <QByteArray>
#include <QDebug>
#include <QVariant>

namespace qt5ext {

// Stream helpers for log lines: qDebug() << logbinary(bytes) prints "fe 01 00 ...".
struct logbinary
{
    explicit logbinary(const QByteArray &bytes) : data(bytes) { }
    QByteArray data;
};

struct loglist
{
    explicit loglist(const QVariantList &items) : list(items) { }
    explicit loglist(const QStringList &items);
    QVariantList list;
};

struct logvariant
{
    explicit logvariant(const QVariant &v) : value(v) { }
    QVariant value;
};

QString variantToLogText(const QVariant &value);

} // namespace qt5ext

QDebug operator<<(QDebug dbg, const qt5ext::logbinary &b);
QDebug operator<<(QDebug dbg, const qt5ext::loglist &l);
QDebug operator<<(QDebug dbg, const qt5ext::logvariant &v);

#endif // LOGSTREAM_H
