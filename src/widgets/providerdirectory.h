#ifndef PROVIDERDIRECTORY_H
#define PROVIDERDIRECTORY_H

#include <QList>
#include <QMap>
#include <QString>

// The read-only list of payees for agent payments shipped with the program, with the
// payment-detail fields each one asks for.
class ProviderDirectory
{
public:
    struct Parameter
    {
        QString name; // key of the entered value
        QString label; // caption above the input field
        QString checkLabel; // caption printed beside the value on the receipt
        QString mask;
        QString regExp;
    };

    struct Provider
    {
        qint64 id = 0;
        QString name;
        qint64 groupId = 0;
        QString groupName;
        QList<Parameter> parameters;
    };

    static const char DEFAULT_PATH[];

    // A file (or resource) that is missing or is no JSON array gives an empty directory;
    // elements without an integer id are skipped.
    static ProviderDirectory load(const QString &path = QLatin1String(DEFAULT_PATH));
    static ProviderDirectory fromJson(const QByteArray &json);

    bool isEmpty() const { return m_providers.isEmpty(); }
    int size() const { return m_providers.size(); }
    // In ascending id order.
    QList<Provider> providers() const { return m_providers.values(); }
    bool contains(qint64 id) const { return m_providers.contains(id); }
    Provider provider(qint64 id) const { return m_providers.value(id); }

private:
    QMap<qint64, Provider> m_providers;
};

#endif // PROVIDERDIRECTORY_H
