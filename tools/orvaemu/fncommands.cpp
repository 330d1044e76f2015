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

RegisterModel::Answer RegisterModel::closeArchive()
{
    if (m_state.shiftOpen)
        return refuse(E_SHIFT_OPEN);
    if (!m_state.fnActive)
        return refuse(E_FN_STATE);
    if (!m_paper)
        return refuse(E_NO_PAPER);
    m_state.fnActive = false;
    ++m_state.documentNumber;
    m_state.lastDocumentAt = nowUtc();
    print(document(QStringLiteral("archiveClose")));
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
    if (number < 1 || number > m_state.registrations)
        return refuse(E_FN_NO_DATA);
    if (!m_paper)
        return refuse(E_NO_PAPER);
    QJsonObject doc = document(QStringLiteral("registrationReport"));
    doc.insert(QStringLiteral("registration"), number);
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
    if (number < 1 || number > m_state.documentNumber)
        return refuse(E_FN_NO_DATA);
    if (!m_paper)
        return refuse(E_NO_PAPER);
    QJsonObject doc = document(QStringLiteral("documentCopy"));
    doc.insert(QStringLiteral("of"), double(number));
    doc.insert(QStringLiteral("tlv"), code == 0xB6);
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
    QJsonObject doc = document(QStringLiteral("fnReport"));
    doc.insert(QStringLiteral("request"), int(sub));
    switch (sub) {
    case 0x41: // receipt ticket of a document
    case 0x43: { // registration by number
        if (data.size() != 4)
            return refuse(E_FN_PARAMS);
        const qint64 n = le32();
        const qint64 last = sub == 0x41 ? m_state.documentNumber : m_state.registrations;
        if (n < 1 || n > last)
            return refuse(E_FN_NO_DATA);
        doc.insert(QStringLiteral("number"), double(n));
        break;
    }
    case 0x42: // documents without a ticket
        if (!data.isEmpty())
            return refuse(E_FN_PARAMS);
        break;
    case 0x44: { // one registration parameter, of the last or a given registration
        if (data.size() != 2 && data.size() != 3)
            return refuse(E_FN_PARAMS);
        const int at = data.size() - 2;
        const quint16 tag = quint16(quint8(data.at(at)) | (quint8(data.at(at + 1)) << 8));
        const int n = at ? quint8(data.at(0)) : m_state.registrations;
        bool known = false;
        tagValue(tag, &known);
        if (!known || n < 1 || n > m_state.registrations)
            return refuse(E_FN_NO_DATA);
        doc.insert(QStringLiteral("tag"), int(tag));
        doc.insert(QStringLiteral("number"), n);
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
