#include "fiscalstorage.h"

#include <QCryptographicHash>
#include <QJsonDocument>

namespace {
const QString FD = QStringLiteral("fd");
const QString TICKET = QStringLiteral("ticket");
} // namespace

void FiscalStorage::add(const QJsonObject &document)
{
    m_documents.insert(qint64(document.value(FD).toDouble()), document);
}

QJsonObject FiscalStorage::registration(int n) const
{
    int seen = 0;
    for (const QJsonObject &d : m_documents) {
        if (d.value(QStringLiteral("type")).toString() == QLatin1String("registration")
            && ++seen == n)
            return d;
    }
    return QJsonObject();
}

QList<qint64> FiscalStorage::withoutTicket() const
{
    QList<qint64> numbers;
    for (auto it = m_documents.cbegin(); it != m_documents.cend(); ++it) {
        if (!it.value().contains(TICKET))
            numbers << it.key();
    }
    return numbers;
}

bool FiscalStorage::giveTickets(const QDateTime &at)
{
    const QList<qint64> waiting = withoutTicket();
    for (const qint64 n : waiting)
        m_documents[n].insert(TICKET, at.toString(Qt::ISODate));
    return !waiting.isEmpty();
}

qint64 FiscalStorage::fiscalSign(const QJsonObject &document, qint64 serial)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(QJsonDocument(document).toJson(QJsonDocument::Compact));
    hash.addData(QByteArray::number(serial));
    const QByteArray digest = hash.result();
    quint32 sign = 0;
    for (int i = 0; i < 4; ++i)
        sign = (sign << 8) | quint8(digest.at(i));
    return sign;
}

QJsonArray FiscalStorage::toJson() const
{
    QJsonArray array;
    for (const QJsonObject &d : m_documents)
        array.append(d);
    return array;
}

bool FiscalStorage::fromJson(const QJsonArray &array, FiscalStorage *out)
{
    FiscalStorage s;
    for (const QJsonValue &v : array) {
        const double fd = v.toObject().value(FD).toDouble(-1);
        if (!v.isObject() || fd < 1 || fd != double(qint64(fd)) || s.contains(qint64(fd)))
            return false;
        s.add(v.toObject());
    }
    *out = s;
    return true;
}
