#include "appbusframereader.h"

#include "appbusprotocol.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>

namespace bus {

namespace {

// Qt's objects order and compare member names with a NUL in them inconsistently, so such a
// message would not read back as itself once sent on.
bool hasNulName(const QJsonValue &value)
{
    if (value.isArray()) {
        for (const QJsonValue &v : value.toArray()) {
            if (hasNulName(v))
                return true;
        }
        return false;
    }
    if (!value.isObject())
        return false;
    const QJsonObject object = value.toObject();
    for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
        if (it.key().contains(QChar(0)) || hasNulName(it.value()))
            return true;
    }
    return false;
}

} // namespace

AppBusFrameReader::AppBusFrameReader(int maxMessageSize)
    : m_maxSize(maxMessageSize > 0 ? maxMessageSize : protocol::MAX_MESSAGE_SIZE)
{ }

void AppBusFrameReader::append(const QByteArray &bytes)
{
    if (m_broken)
        return;
    // Drop what has been read before the buffer grows again.
    if (m_offset > 0 && m_offset >= m_buffer.size() / 2) {
        m_buffer.remove(0, m_offset);
        m_offset = 0;
    }
    m_buffer.append(bytes);
}

AppBusFrameReader::Result AppBusFrameReader::next(QJsonObject *message, QString *error)
{
    if (m_broken) {
        *error = QStringLiteral("the stream is broken");
        return Fatal;
    }
    if (buffered() < protocol::HEADER_SIZE)
        return NeedMore;
    const uchar *p = reinterpret_cast<const uchar *>(m_buffer.constData()) + m_offset;
    const quint32 length
        = (quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | quint32(p[3]);
    if (length == 0 || length > quint32(m_maxSize)) {
        m_broken = true;
        m_buffer.clear();
        m_offset = 0;
        *error = length == 0
            ? QStringLiteral("empty message")
            : QStringLiteral("message of %1 bytes is longer than %2").arg(length).arg(m_maxSize);
        return Fatal;
    }
    if (quint32(buffered() - protocol::HEADER_SIZE) < length)
        return NeedMore;
    const QByteArray json = m_buffer.mid(m_offset + protocol::HEADER_SIZE, int(length));
    m_offset += protocol::HEADER_SIZE + int(length);
    if (m_offset == m_buffer.size()) {
        m_buffer.clear();
        m_offset = 0;
    }
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        *error = QStringLiteral("not JSON: %1").arg(parseError.errorString());
        return BadMessage;
    }
    if (!doc.isObject()) {
        *error = QStringLiteral("not a JSON object");
        return BadMessage;
    }
    const QJsonObject object = doc.object();
    if (hasNulName(object)) {
        *error = QStringLiteral("a member name with a NUL character");
        return BadMessage;
    }
    if (!object.value(QStringLiteral("type")).isString()) {
        *error = QStringLiteral("no message type");
        return BadMessage;
    }
    *message = object;
    return Message;
}

} // namespace bus
