#ifndef APPBUSCOMMAND_H
#define APPBUSCOMMAND_H

#include <QMetaType>
#include <QString>
#include <QVariantMap>

namespace bus {

// One operation asked of a bus service: its name and arguments, under an identifier that
// the reply carries back.
class AppBusCommand
{
public:
    AppBusCommand() = default;
    // Takes a fresh identifier.
    AppBusCommand(const QString &client, const QString &operation,
        const QVariantMap &arguments = QVariantMap());

    // Process-wide, never 0, never repeated while the process runs.
    static quint64 nextId();

    bool isValid() const { return m_id != 0 && !m_operation.isEmpty(); }
    quint64 id() const { return m_id; }
    void setId(quint64 id) { m_id = id; }
    QString client() const { return m_client; }
    void setClient(const QString &client) { m_client = client; }
    QString operation() const { return m_operation; }
    void setOperation(const QString &operation) { m_operation = operation; }
    QVariantMap arguments() const { return m_arguments; }
    void setArguments(const QVariantMap &arguments) { m_arguments = arguments; }

private:
    quint64 m_id = 0;
    QString m_client;
    QString m_operation;
    QVariantMap m_arguments;
};

} // namespace bus

Q_DECLARE_METATYPE(bus::AppBusCommand)

#endif // APPBUSCOMMAND_H
