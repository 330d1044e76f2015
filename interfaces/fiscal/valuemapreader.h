#ifndef VALUEMAPREADER_H
#define VALUEMAPREADER_H

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QVariantMap>

namespace fiscal {

// Reads typed members of a value map (as setMap() of the value types takes it, from the
// bus's JSON or from a local map). An absent key leaves the target as it is; a present one
// of the wrong type leaves it too and makes ok() false.
class ValueMapReader
{
public:
    explicit ValueMapReader(const QVariantMap &map) : m_map(map) { }

    void text(const char *key, QString *out);
    void boolean(const char *key, bool *out);
    // A whole number within the bounds.
    bool number(const char *key, qint64 minimum, qint64 maximum, qint64 *out);
    template<typename T>
    void unsignedNumber(const char *key, T *out)
    {
        qint64 v = 0;
        if (number(key, 0, qint64(T(~T(0))), &v))
            *out = T(v);
    }
    // A QDateTime or an ISO 8601 text; an empty text is an invalid date-time.
    void dateTime(const char *key, QDateTime *out);
    void date(const char *key, QDate *out);
    void map(const char *key, QVariantMap *out);

    bool ok() const { return m_ok; }
    QString badKey() const { return m_badKey; }

    // Dates as the maps carry them: ISO 8601 text, empty when invalid.
    static QString isoText(const QDateTime &dt);
    static QString isoText(const QDate &date);

private:
    bool present(const char *key, QVariant *value) const;
    void fail(const char *key);

    QVariantMap m_map;
    bool m_ok = true;
    QString m_badKey;
};

} // namespace fiscal

#endif // VALUEMAPREADER_H
