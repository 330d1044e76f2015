#include "registermodel.h"

#include "bcd.h"
#include "commandsupport.h"
#include "regdata.h"

using qt5ext::BCD;
using namespace emu;

RegisterModel::Answer RegisterModel::activation(const QByteArray &p)
{
    if (p.size() != 1)
        return refuse(E_LENGTH);
    if (m_state.fnActive)
        return refuse(E_FN_STATE);
    if (p.at(0) != 0) // preview: checks only
        return ok();
    m_state.fnActive = true;
    emit stateChanged();
    return ok();
}

void RegisterModel::setOfdOnline(bool online)
{
    m_ofdOnline = online;
    if (online && m_state.storage.giveTickets(now()))
        emit stateChanged();
}

void RegisterModel::record(QJsonObject *doc)
{
    ++m_state.documentNumber;
    m_state.lastDocumentAt = nowUtc();
    doc->insert(QStringLiteral("fd"), double(m_state.documentNumber));
    doc->insert(
        QStringLiteral("fiscalSign"), double(FiscalStorage::fiscalSign(*doc, m_state.serial)));
    if (m_ofdOnline)
        doc->insert(QStringLiteral("ticket"), now().toString(Qt::ISODate));
    m_state.storage.add(*doc);
}

RegisterModel::Answer RegisterModel::closeArchive()
{
    if (m_state.shiftOpen)
        return refuse(E_SHIFT_OPEN);
    if (!m_state.fnActive)
        return refuse(E_FN_STATE);
    // The operator must have every document before the archive is closed.
    if (!m_state.storage.withoutTicket().isEmpty())
        return refuse(E_FN_UNSENT);
    if (!m_paper)
        return refuse(E_NO_PAPER);
    m_state.fnActive = false;
    QJsonObject doc = document(QStringLiteral("archiveClose"));
    record(&doc);
    print(doc);
    emit stateChanged();
    return ok();
}

RegisterModel::Answer RegisterModel::registrationReport(const QByteArray &p, bool byNumber)
{
    int number = m_state.registrations;
    if (byNumber) {
        if (p.size() != 4)
            return refuse(E_LENGTH);
        number = int((quint8(p.at(0)) << 24) | (quint8(p.at(1)) << 16) | (quint8(p.at(2)) << 8)
            | quint8(p.at(3)));
    }
    if (!m_state.fiscalized)
        return refuse(E_NOT_FISCAL);
    const QJsonObject registration = m_state.storage.registration(number);
    if (number < 1 || registration.isEmpty())
        return refuse(E_FN_NO_DATA);
    if (!m_paper)
        return refuse(E_NO_PAPER);
    QJsonObject doc = document(QStringLiteral("registrationReport"));
    doc.insert(QStringLiteral("registration"), number);
    doc.insert(QStringLiteral("document"), registration);
    print(doc);
    return ok();
}

RegisterModel::Answer RegisterModel::documentByNumber(quint8 code, const QByteArray &p)
{
    qint64 number = 0;
    if (p.size() != 2)
        return refuse(E_LENGTH);
    if (!bcdField(p, 0, 2, &number))
        return refuse(E_FORMAT);
    if (!m_state.storage.contains(number))
        return refuse(E_FN_NO_DATA);
    if (!m_paper)
        return refuse(E_NO_PAPER);
    QJsonObject doc = document(QStringLiteral("documentCopy"));
    doc.insert(QStringLiteral("of"), double(number));
    doc.insert(QStringLiteral("tlv"), code == 0xB6);
    doc.insert(QStringLiteral("document"), m_state.storage.document(number));
    print(doc);
    return ok();
}

RegisterModel::Answer RegisterModel::fnRead(const QByteArray &p)
{
    if (p.isEmpty())
        return refuse(E_FN_PARAMS);
    const quint8 sub = quint8(p.at(0));
    const QByteArray data = p.mid(1);
    auto le32 = [&data]() {
        return qint64(quint8(data.at(0))) | (qint64(quint8(data.at(1))) << 8)
            | (qint64(quint8(data.at(2))) << 16) | (qint64(quint8(data.at(3))) << 24);
    };
    const FiscalStorage &storage = m_state.storage;
    QJsonObject doc = document(QStringLiteral("fnReport"));
    doc.insert(QStringLiteral("request"), int(sub));
    switch (sub) {
    case 0x41: { // the operator's ticket for a document
        if (data.size() != 4)
            return refuse(E_FN_PARAMS);
        const qint64 n = le32();
        const QJsonObject d = storage.document(n);
        if (!d.contains(QStringLiteral("ticket")))
            return refuse(E_FN_NO_DATA);
        doc.insert(QStringLiteral("number"), double(n));
        for (const char *key : { "fiscalSign", "ticket" })
            doc.insert(QLatin1String(key), d.value(QLatin1String(key)));
        break;
    }
    case 0x42: { // documents still without a ticket
        if (!data.isEmpty())
            return refuse(E_FN_PARAMS);
        const QList<qint64> waiting = storage.withoutTicket();
        doc.insert(QStringLiteral("withoutTicket"), waiting.size());
        if (!waiting.isEmpty())
            doc.insert(QStringLiteral("first"), double(waiting.first()));
        break;
    }
    case 0x43: { // a registration by its number
        if (data.size() != 4)
            return refuse(E_FN_PARAMS);
        const qint64 n = le32();
        const QJsonObject registration
            = n <= storage.size() ? storage.registration(int(n)) : QJsonObject();
        if (registration.isEmpty())
            return refuse(E_FN_NO_DATA);
        doc.insert(QStringLiteral("number"), double(n));
        doc.insert(QStringLiteral("document"), registration);
        break;
    }
    case 0x44: { // one parameter of the last or of a given registration
        if (data.size() != 2 && data.size() != 3)
            return refuse(E_FN_PARAMS);
        const int at = data.size() - 2;
        const quint16 tag = quint16(quint8(data.at(at)) | (quint8(data.at(at + 1)) << 8));
        const int n = at ? quint8(data.at(0)) : m_state.registrations;
        const QJsonObject parameters
            = storage.registration(n).value(QStringLiteral("parameters")).toObject();
        const QString key = QString::number(tag);
        if (!parameters.contains(key))
            return refuse(E_FN_NO_DATA);
        doc.insert(QStringLiteral("tag"), int(tag));
        doc.insert(QStringLiteral("number"), n);
        doc.insert(QStringLiteral("value"), parameters.value(key));
        break;
    }
    default:
        return refuse(E_FN_PARAMS);
    }
    if (!m_paper)
        return refuse(E_NO_PAPER);
    print(doc);
    return ok();
}

QByteArray RegisterModel::tagValue(quint16 tag, bool *known) const
{
    *known = true;
    switch (tag) {
    case 1037:
        return m_state.rnm.toLatin1();
    case 1048:
        return encode(m_state.userName);
    case 1018:
        return m_state.inn.toLatin1();
    case 1036:
        return encode(m_state.core.boxId);
    case 1009:
        return encode(m_state.address);
    case 1187:
        return encode(m_state.place);
    case 1017:
        return m_state.ofdInn.toLatin1();
    case 1046:
        return encode(m_state.ofdName);
    case 1062:
        return QByteArray(1, char(m_state.taxSystems));
    case 1057:
        return QByteArray(1, char(m_state.core.agentFlags));
    case 1002:
        return QByteArray(
            1, char((m_state.core.regFlags & fiscal::RegData::FlagAutonomous) ? 1 : 0));
    case 1109:
        return QByteArray(1, char((m_state.core.regFlags & fiscal::RegData::FlagServices) ? 1 : 0));
    case 1056:
        return QByteArray(
            1, char((m_state.core.regFlags & fiscal::RegData::FlagEncryption) ? 1 : 0));
    default:
        *known = false;
        return QByteArray();
    }
}

RegisterModel::Answer RegisterModel::readTag(const QByteArray &p) const
{
    if (p.size() != 3)
        return refuse(E_LENGTH);
    const quint16 tag = quint16(quint8(p.at(0)) | (quint8(p.at(1)) << 8));
    bool known = false;
    const QByteArray value = tagValue(tag, &known);
    if (!known || !m_state.fiscalized)
        return refuse(E_FN_NO_DATA);
    QByteArray tlv = p.left(2);
    tlv.append(char(value.size() & 0xFF)).append(char(value.size() >> 8));
    return ok(tlv + value);
}
