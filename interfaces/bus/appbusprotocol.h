#ifndef APPBUSPROTOCOL_H
#define APPBUSPROTOCOL_H

#include "appbusobject.h"

#include <QJsonObject>
#include <QString>

// The messages of the application bus (docs/bus-protocol.md): JSON objects, each framed by
// its length. These helpers build them; AppBusFrameReader takes them apart.
namespace bus {
namespace protocol {

const int VERSION = 1;
// Longest message either side accepts; a longer length prefix ends the connection.
const int MAX_MESSAGE_SIZE = 1 << 20;
const int HEADER_SIZE = 4;

// Message types.
extern const QString HELLO;
extern const QString WELCOME;
extern const QString CALL;
extern const QString LOAD;
extern const QString PUBLISH;
extern const QString REPLY;
extern const QString OBJECT;
extern const QString PROGRESS;
extern const QString ERROR;

// Protocol-level error codes (the "error" message and replies the framing could not reach).
enum ProtocolError {
    BadMessage = 100, // not JSON, not an object, no type, or a field of the wrong type
    UnknownType = 101,
    UnsupportedVersion = 102,
    TooLarge = 103,
    NotIntroduced = 104, // a request before the hello
};

// The length prefix and the compact JSON text.
QByteArray frame(const QJsonObject &message);

QJsonObject hello(const QString &client, bool subscribe);
QJsonObject welcome(const QString &service);
QJsonObject call(quint64 id, const QString &operation, const QJsonObject &arguments);
QJsonObject load(quint64 id, const QString &name);
QJsonObject publish(quint64 id, const QString &name, const QJsonObject &content);
QJsonObject reply(quint64 id, const QJsonObject &result);
QJsonObject errorReply(quint64 id, int code, const QString &text);
QJsonObject object(quint64 id, const QString &name, const QJsonObject &content);
QJsonObject progress(quint64 id, int minimum, int maximum, int value);
QJsonObject error(quint64 id, int code, const QString &text);

// The "id" of a message: 0 when absent; false when present but not a whole number in
// 1..2^53.
bool messageId(const QJsonObject &message, quint64 *id);

// What a reply, object, progress or error message tells a client, as an AppBusObject with
// the message's identifier (a reply gets no name: the requester knows it). False for any
// other message or one whose fields have the wrong types.
bool toAnswer(const QJsonObject &message, AppBusObject *answer);

} // namespace protocol
} // namespace bus

#endif // APPBUSPROTOCOL_H
