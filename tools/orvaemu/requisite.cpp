#include "requisite.h"

#include "commandsupport.h"

#include <QDateTime>
#include <QJsonArray>

namespace {

quint16 le16(const QByteArray &bytes, int at)
{
    return quint16(quint8(bytes.at(at)) | (quint8(bytes.at(at + 1)) << 8));
}

// Tags whose values are texts; the journal shows them decoded, the rest as hex.
bool isTextTag(quint16 tag)
{
    switch (tag) {
    case 1005:
    case 1008:
    case 1016:
    case 1026:
    case 1044:
    case 1073:
    case 1074:
    case 1075:
    case 1085:
    case 1086:
    case 1171:
    case 1177:
    case 1179:
    case 1191:
    case 1192:
    case 1197:
    case 1225:
    case 1226:
    case 3005:
        return true;
    default:
        return false;
    }
}

} // namespace

Requisite::Requisite(quint16 tag, const QByteArray &value) : m_tag(tag), m_value(value)
{
    if (isStructureTag(tag))
        parseList(value, &m_members);
}

bool Requisite::isStructureTag(quint16 tag)
{
    return tag == 1084 || tag == 1174 || tag == 1223 || tag == 1224;
}

bool Requisite::isPositionTag(quint16 tag)
{
    switch (tag) {
    case 1191:
    case 1197:
    case 1212:
    case 1214:
    case 1222:
    case 1223:
    case 1224:
    case 1226:
    case 3005:
        return true;
    default:
        return false;
    }
}

bool Requisite::parseList(const QByteArray &bytes, QVector<Requisite> *out)
{
    QVector<Requisite> list;
    int at = 0;
    while (at < bytes.size()) {
        if (bytes.size() - at < 4)
            return false;
        const quint16 tag = le16(bytes, at);
        const int len = le16(bytes, at + 2);
        if (bytes.size() - at - 4 < len)
            return false;
        Requisite r;
        r.m_tag = tag;
        r.m_value = bytes.mid(at + 4, len);
        if (isStructureTag(tag) && !parseList(r.m_value, &r.m_members))
            return false;
        list.append(r);
        at += 4 + len;
    }
    if (out)
        *out = list;
    return true;
}

bool Requisite::parseCommand(const QByteArray &payload, Requisite *out)
{
    if (payload.size() < 7 || payload.at(0) != 0 || payload.at(1) != 1 || payload.at(2) != 0)
        return false;
    const QByteArray tlv = payload.mid(3);
    const int len = le16(tlv, 2);
    if (tlv.size() != 4 + len)
        return false;
    QVector<Requisite> list;
    if (!parseList(tlv, &list) || list.size() != 1)
        return false;
    const Requisite &r = list.first();
    // A structure needs at least one member; a plain value needs at least one byte.
    if (isStructureTag(r.m_tag) ? r.m_members.isEmpty() : r.m_value.isEmpty())
        return false;
    if (out)
        *out = r;
    return true;
}

namespace {

bool singleBit(quint8 v, int bits)
{
    return v != 0 && (v & (v - 1)) == 0 && v < (1 << bits);
}

} // namespace

quint8 Requisite::valueError() const
{
    for (const Requisite &m : m_members) {
        if (const quint8 e = m.valueError())
            return e;
    }
    const bool oneByte = m_value.size() == 1;
    const quint8 v = oneByte ? quint8(m_value.at(0)) : 0;
    switch (m_tag) {
    case 1055: // tax system; whether it is a registered one is known only at the close
        return oneByte ? 0 : emu::E_FORMAT;
    case 1173: // correction kind: independent or by order
        return !oneByte ? emu::E_FORMAT : v <= 1 ? 0 : emu::E_FN_PARAMS;
    case 1212: // settlement subject
        return !oneByte ? emu::E_FORMAT : (v >= 1 && v <= 13) ? 0 : emu::E_FN_PARAMS;
    case 1214: // settlement method
        return !oneByte ? emu::E_FORMAT : (v >= 1 && v <= 7) ? 0 : emu::E_FN_PARAMS;
    case 1222: // agent sign: one of seven kinds
        return !oneByte ? emu::E_FORMAT : singleBit(v, 7) ? 0 : emu::E_AGENT_FLAGS;
    case 1178: // unixtime
        return m_value.size() == 4 ? 0 : emu::E_FORMAT;
    default:
        return 0;
    }
}

QJsonObject Requisite::toJson() const
{
    QJsonObject o;
    o.insert(QStringLiteral("tag"), int(m_tag));
    if (!m_members.isEmpty()) {
        QJsonArray members;
        for (const Requisite &m : m_members)
            members.append(m.toJson());
        o.insert(QStringLiteral("members"), members);
    } else {
        o.insert(QStringLiteral("hex"), QString::fromLatin1(m_value.toHex()));
        if (isTextTag(m_tag))
            o.insert(QStringLiteral("text"), emu::decode(m_value));
        if (m_tag == 1178 && m_value.size() == 4) {
            qint64 seconds = 0;
            for (int i = 3; i >= 0; --i)
                seconds = (seconds << 8) | quint8(m_value.at(i));
            o.insert(QStringLiteral("date"),
                QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC).toString(Qt::ISODate));
        }
    }
    return o;
}

bool Requisite::fromJson(const QJsonObject &object, Requisite *out)
{
    const QJsonValue tag = object.value(QStringLiteral("tag"));
    if (!tag.isDouble() || tag.toInt() < 0 || tag.toInt() > 0xFFFF)
        return false;
    Requisite r;
    r.m_tag = quint16(tag.toInt());
    if (object.contains(QStringLiteral("members"))) {
        const QJsonValue members = object.value(QStringLiteral("members"));
        if (!members.isArray())
            return false;
        QByteArray value;
        for (const QJsonValue &m : members.toArray()) {
            Requisite member;
            if (!m.isObject() || !fromJson(m.toObject(), &member))
                return false;
            r.m_members.append(member);
            QByteArray head(4, '\0');
            const int len = member.m_value.size();
            head[0] = char(member.m_tag & 0xFF);
            head[1] = char(member.m_tag >> 8);
            head[2] = char(len & 0xFF);
            head[3] = char(len >> 8);
            value += head + member.m_value;
        }
        r.m_value = value;
    } else {
        const QJsonValue hex = object.value(QStringLiteral("hex"));
        if (!hex.isString())
            return false;
        r.m_value = QByteArray::fromHex(hex.toString().toLatin1());
    }
    if (out)
        *out = r;
    return true;
}
