#include "appbuscommand.h"

#include <QAtomicInteger>

namespace bus {

AppBusCommand::AppBusCommand(
    const QString &client, const QString &operation, const QVariantMap &arguments)
    : m_id(nextId()), m_client(client), m_operation(operation), m_arguments(arguments)
{ }

quint64 AppBusCommand::nextId()
{
    static QAtomicInteger<quint64> counter(0);
    // Identifiers travel as JSON numbers: stay within what a double holds exactly.
    return (counter.fetchAndAddRelaxed(1) % ((quint64(1) << 53) - 1)) + 1;
}

} // namespace bus
