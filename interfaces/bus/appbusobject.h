#ifndef APPBUSOBJECT_H
#define APPBUSOBJECT_H

#include <QMetaType>
#include <QString>
#include <QVariantMap>

namespace bus {

// A named object of the application bus: its content is a map of values. The same type
// carries the bus's answers to a client: the reply to a command (kind Reply, named after
// the operation) and the progress of a long one (kind Progress), each with the identifier
// of the request it belongs to.
class AppBusObject
{
public:
    enum Kind { Object, Reply, Progress };

    AppBusObject() = default;
    explicit AppBusObject(
        const QString &name, const QVariantMap &content = QVariantMap(), Kind kind = Object);

    bool isValid() const { return !m_name.isEmpty(); }
    Kind kind() const { return m_kind; }
    void setKind(Kind kind) { m_kind = kind; }
    QString name() const { return m_name; }
    void setName(const QString &name) { m_name = name; }
    QVariantMap content() const { return m_content; }
    void setContent(const QVariantMap &content) { m_content = content; }

    // The request this object answers (or, published, the request that carries it); 0 for
    // an object the service sent of its own accord.
    quint64 requestId() const { return m_requestId; }
    void setRequestId(quint64 id) { m_requestId = id; }

    bool isError() const { return m_errorCode != 0; }
    int errorCode() const { return m_errorCode; }
    QString errorText() const { return m_errorText; }
    void setError(int code, const QString &text);

    // An error answer to a request.
    static AppBusObject error(
        const QString &name, quint64 requestId, int code, const QString &text, Kind kind = Reply);

private:
    Kind m_kind = Object;
    QString m_name;
    QVariantMap m_content;
    quint64 m_requestId = 0;
    int m_errorCode = 0;
    QString m_errorText;
};

} // namespace bus

Q_DECLARE_METATYPE(bus::AppBusObject)

#endif // APPBUSOBJECT_H
