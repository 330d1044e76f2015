#include "appbusobject.h"

namespace bus {

AppBusObject::AppBusObject(const QString &name, const QVariantMap &content, Kind kind)
    : m_kind(kind), m_name(name), m_content(content)
{ }

void AppBusObject::setError(int code, const QString &text)
{
    m_errorCode = code;
    m_errorText = text;
}

AppBusObject AppBusObject::error(
    const QString &name, quint64 requestId, int code, const QString &text, Kind kind)
{
    AppBusObject o(name, QVariantMap(), kind);
    o.setRequestId(requestId);
    o.setError(code, text);
    return o;
}

} // namespace bus
