#ifndef FISCALSTORAGE_H
#define FISCALSTORAGE_H

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QMap>

// The archive of the fiscal storage: every fiscal document as it was recorded, under its
// number ("fd"), with the operator's ticket ("ticket", the time it came) once it came.
class FiscalStorage
{
public:
    // Keeps the document under its "fd"; a document already kept under it is replaced.
    void add(const QJsonObject &document);
    bool contains(qint64 number) const { return m_documents.contains(number); }
    // Empty when the storage has no such document.
    QJsonObject document(qint64 number) const { return m_documents.value(number); }
    int size() const { return m_documents.size(); }

    // The n-th registration document (1 for the first), empty when there is none.
    QJsonObject registration(int n) const;
    // Numbers of the documents still waiting for their ticket, oldest first.
    QList<qint64> withoutTicket() const;
    // Every waiting document gets its ticket; false when none was waiting.
    bool giveTickets(const QDateTime &at);

    // Ten decimal digits at most; the same document and register give the same sign.
    static qint64 fiscalSign(const QJsonObject &document, qint64 serial);

    QJsonArray toJson() const;
    // False for anything but an array of objects with distinct positive "fd" numbers.
    static bool fromJson(const QJsonArray &array, FiscalStorage *out);

private:
    QMap<qint64, QJsonObject> m_documents;
};

#endif // FISCALSTORAGE_H
