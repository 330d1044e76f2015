#ifndef APPBUSFRAMEREADER_H
#define APPBUSFRAMEREADER_H

#include <QByteArray>
#include <QJsonObject>
#include <QString>

namespace bus {

// Takes length-prefixed JSON messages out of a byte stream. A message that is not a JSON
// object with a text "type" is skipped and reported; a length prefix out of range leaves the
// stream unreadable and the connection must end.
class AppBusFrameReader
{
public:
    enum Result {
        NeedMore, // no whole message buffered
        Message, // *message holds the next one
        BadMessage, // one message skipped; *error says why; reading may go on
        Fatal, // the stream cannot be read any further
    };

    explicit AppBusFrameReader(int maxMessageSize = 0); // 0: protocol::MAX_MESSAGE_SIZE

    void append(const QByteArray &bytes);
    Result next(QJsonObject *message, QString *error);
    int buffered() const { return m_buffer.size() - m_offset; }
    bool isBroken() const { return m_broken; }

private:
    QByteArray m_buffer;
    int m_offset = 0;
    int m_maxSize;
    bool m_broken = false;
};

} // namespace bus

#endif // APPBUSFRAMEREADER_H
