#include "appbusprotocol.h"

#include <QJsonDocument>

#include <cmath>

namespace bus {
namespace protocol {

const QString HELLO = QStringLiteral("hello");
const QString WELCOME = QStringLiteral("welcome");
const QString CALL = QStringLiteral("call");
const QString LOAD = QStringLiteral("load");
const QString PUBLISH = QStringLiteral("publish");
const QString REPLY = QStringLiteral("reply");
const QString OBJECT = QStringLiteral("object");
const QString PROGRESS = QStringLiteral("progress");
const QString ERROR = QStringLiteral("error");

namespace {

QJsonObject message(const QString &type, quint64 id)
{
    QJsonObject m;
    m.insert(QStringLiteral("type"), type);
    if (id)
        m.insert(QStringLiteral("id"), double(id));
    return m;
}

QJsonObject errorObject(int code, const QString &text)
{
    QJsonObject e;
    e.insert(QStringLiteral("code"), code);
    e.insert(QStringLiteral("text"), text);
    return e;
}

} // namespace

QByteArray frame(const QJsonObject &message)
{
    const QByteArray json = QJsonDocument(message).toJson(QJsonDocument::Compact);
    const quint32 n = quint32(json.size());
    QByteArray out;
    out.reserve(HEADER_SIZE + json.size());
    out.append(char(n >> 24)).append(char(n >> 16)).append(char(n >> 8)).append(char(n));
    out.append(json);
    return out;
}

QJsonObject hello(const QString &client, bool subscribe)
{
    QJsonObject m = message(HELLO, 0);
    m.insert(QStringLiteral("version"), VERSION);
    m.insert(QStringLiteral("client"), client);
    m.insert(QStringLiteral("subscribe"), subscribe);
    return m;
}

QJsonObject welcome(const QString &service)
{
    QJsonObject m = message(WELCOME, 0);
    m.insert(QStringLiteral("version"), VERSION);
    m.insert(QStringLiteral("service"), service);
    return m;
}

QJsonObject call(quint64 id, const QString &operation, const QJsonObject &arguments)
{
    QJsonObject m = message(CALL, id);
    m.insert(QStringLiteral("op"), operation);
    m.insert(QStringLiteral("args"), arguments);
    return m;
}

QJsonObject load(quint64 id, const QString &name)
{
    QJsonObject m = message(LOAD, id);
    m.insert(QStringLiteral("name"), name);
    return m;
}

QJsonObject publish(quint64 id, const QString &name, const QJsonObject &content)
{
    QJsonObject m = message(PUBLISH, id);
    m.insert(QStringLiteral("name"), name);
    m.insert(QStringLiteral("content"), content);
    return m;
}

QJsonObject reply(quint64 id, const QJsonObject &result)
{
    QJsonObject m = message(REPLY, id);
    m.insert(QStringLiteral("ok"), true);
    m.insert(QStringLiteral("result"), result);
    return m;
}

QJsonObject errorReply(quint64 id, int code, const QString &text)
{
    QJsonObject m = message(REPLY, id);
    m.insert(QStringLiteral("ok"), false);
    m.insert(QStringLiteral("error"), errorObject(code, text));
    return m;
}

QJsonObject object(quint64 id, const QString &name, const QJsonObject &content)
{
    QJsonObject m = message(OBJECT, id);
    m.insert(QStringLiteral("name"), name);
    m.insert(QStringLiteral("content"), content);
    return m;
}

QJsonObject progress(quint64 id, int minimum, int maximum, int value)
{
    QJsonObject m = message(PROGRESS, id);
    m.insert(QStringLiteral("min"), minimum);
    m.insert(QStringLiteral("max"), maximum);
    m.insert(QStringLiteral("value"), value);
    return m;
}

QJsonObject error(quint64 id, int code, const QString &text)
{
    QJsonObject m = message(ERROR, id);
    m.insert(QStringLiteral("error"), errorObject(code, text));
    return m;
}

bool messageId(const QJsonObject &message, quint64 *id)
{
    const QJsonValue v = message.value(QStringLiteral("id"));
    if (v.isUndefined()) {
        *id = 0;
        return true;
    }
    if (!v.isDouble())
        return false;
    const double d = v.toDouble();
    if (d != std::floor(d) || d < 1 || d > 9007199254740992.0)
        return false;
    *id = quint64(d);
    return true;
}

namespace {

bool readError(const QJsonObject &message, AppBusObject *answer)
{
    const QJsonValue e = message.value(QStringLiteral("error"));
    if (!e.isObject())
        return false;
    const QJsonValue code = e.toObject().value(QStringLiteral("code"));
    const QJsonValue text = e.toObject().value(QStringLiteral("text"));
    if (!code.isDouble() || code.toDouble() != std::floor(code.toDouble())
        || std::fabs(code.toDouble()) > 2147483647.0 || code.toInt() == 0
        || !(text.isString() || text.isUndefined()))
        return false;
    answer->setError(code.toInt(), text.toString());
    return true;
}

} // namespace

bool toAnswer(const QJsonObject &message, AppBusObject *answer)
{
    quint64 id = 0;
    if (!messageId(message, &id))
        return false;
    const QString type = message.value(QStringLiteral("type")).toString();
    AppBusObject a;
    a.setRequestId(id);
    if (type == REPLY) {
        a.setKind(AppBusObject::Reply);
        const QJsonValue ok = message.value(QStringLiteral("ok"));
        if (!ok.isBool())
            return false;
        if (ok.toBool()) {
            const QJsonValue result = message.value(QStringLiteral("result"));
            if (!result.isObject() && !result.isUndefined())
                return false;
            a.setContent(result.toObject().toVariantMap());
        } else if (!readError(message, &a)) {
            return false;
        }
    } else if (type == OBJECT) {
        const QJsonValue name = message.value(QStringLiteral("name"));
        const QJsonValue content = message.value(QStringLiteral("content"));
        if (!name.isString() || name.toString().isEmpty() || !content.isObject())
            return false;
        a.setKind(AppBusObject::Object);
        a.setName(name.toString());
        a.setContent(content.toObject().toVariantMap());
    } else if (type == PROGRESS) {
        if (!id)
            return false;
        a.setKind(AppBusObject::Progress);
        QVariantMap content;
        for (const char *key : { "min", "max", "value" }) {
            const QJsonValue v = message.value(QLatin1String(key));
            if (v.isUndefined())
                continue;
            if (!v.isDouble() || v.toDouble() != std::floor(v.toDouble())
                || std::fabs(v.toDouble()) > 2147483647.0)
                return false;
            content.insert(QLatin1String(key), v.toInt());
        }
        a.setContent(content);
    } else if (type == ERROR) {
        a.setKind(AppBusObject::Reply);
        if (!readError(message, &a))
            return false;
    } else {
        return false;
    }
    *answer = a;
    return true;
}

} // namespace protocol
} // namespace bus
