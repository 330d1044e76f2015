#include "ctloptions.h"

#include "frcoreexternalapi.h"

#include <QCommandLineParser>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

namespace {

// The longest payload one frame can carry, less the add-task header in front of it.
const int MAX_RAW_PAYLOAD = 0x7E * 128 + 0x7F - 6;

bool toInt(const QString &text, int minimum, int maximum, int *value)
{
    bool ok = false;
    const int v = text.toInt(&ok, 10);
    if (!ok || v < minimum || v > maximum)
        return false;
    *value = v;
    return true;
}

// Hex digits only, optionally with a 0x prefix; whitespace between digits is allowed.
bool hexBytes(QString text, QByteArray *bytes)
{
    text.remove(QRegularExpression(QStringLiteral("\\s")));
    if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        text = text.mid(2);
    static const QRegularExpression hex(QStringLiteral("^([0-9A-Fa-f]{2})*$"));
    if (!hex.match(text).hasMatch())
        return false;
    *bytes = QByteArray::fromHex(text.toLatin1());
    return true;
}

} // namespace

QString CtlOptions::usage()
{
    return tr("Usage: orvactl [--host HOST] [--port PORT] [--timeout MS] [--repeat N] [--stats]\n"
              "               [--verbose] COMMAND [ARGS]\n"
              "\n"
              "Commands:\n"
              "  state            the register's state and mode\n"
              "  mode N           bring the register into mode N (0..15)\n"
              "  raw CODE [HEX]   send device command CODE (hex byte) with payload HEX,\n"
              "                   print the answer bytes in hex\n"
              "  money            cash in the drawer\n"
              "  shift-totals     sales and purchases of the shift\n"
              "  bus OP [JSON]    call fiscal core operation OP with the arguments JSON\n"
              "                   (an object), print the reply as JSON; OP is one of\n"
              "                   %2\n"
              "  bus load NAME    print the bus object NAME as JSON\n"
              "\n"
              "Options:\n"
              "  --host HOST      register's driver host (default localhost)\n"
              "  --port PORT      its ATOL port (default: the driver's configured port)\n"
              "  --timeout MS     limit for the whole run (default %1)\n"
              "  --repeat N       run the command N times in a row\n"
              "  --stats          then print runs, median, p99 and max time in ms\n"
              "  --req-interval MS  ask for an accepted task's result this often\n"
              "                   (default: the link's 3000 ms)\n"
              "  --verbose        log lines to standard error\n"
              "  --bus NAME       local socket of the fiscal core service (default:\n"
              "                   ORVA_BUS_NAME, frcore.conf busName, the runtime folder)\n"
              "\n"
              "With bus the time limit is the longest wait for one answer.\n"
              "\n"
              "Exit codes: 0 result, 1 usage error, 2 link failure or time limit,\n"
              "3 the register (or its fiscal core) refused the command.\n")
        .arg(DEFAULT_TIMEOUT_MS)
        .arg(busOperations().join(QStringLiteral(", ")));
}

namespace {

QStringList busCalls()
{
    using A = core::FrcoreExternalApi;
    return { A::OP_GET_CASHIERS, A::OP_SET_CASHIERS, A::OP_GET_SECTIONS, A::OP_SET_SECTIONS,
        A::OP_GET_DISCOUNTS, A::OP_SET_DISCOUNTS, A::OP_GET_OFD_SETTINGS, A::OP_SET_OFD_SETTINGS,
        A::OP_GET_PRINTER_SETTINGS, A::OP_SET_PRINTER_SETTINGS, A::OP_GET_FULL_STATE,
        A::OP_GET_REGISTRATION_INFO, A::OP_ACTIVATE, A::OP_GET_ATOL_MODEL_DATA,
        A::OP_SET_ATOL_MODEL_DATA };
}

} // namespace

QStringList CtlOptions::busObjectOperations()
{
    return { QStringLiteral("getTaxMap"), QStringLiteral("setTaxMap"),
        QStringLiteral("getFrCoreSettings"), QStringLiteral("setFrCoreSettings") };
}

QStringList CtlOptions::busOperations()
{
    return busCalls() + busObjectOperations();
}

bool CtlOptions::parseBus(const QStringList &args)
{
    if (args.isEmpty() || args.size() > 2)
        return fail(tr("bus needs an operation and at most one JSON argument"));
    busOperation = args.first();
    command = Bus;
    if (busOperation == QLatin1String("load")) {
        if (args.size() != 2 || args.at(1).trimmed().isEmpty())
            return fail(tr("bus load needs an object name"));
        busArguments.insert(QStringLiteral("name"), args.at(1).trimmed());
        return true;
    }
    if (!busOperations().contains(busOperation))
        return fail(tr("unknown bus operation \"%1\"").arg(busOperation));
    if (args.size() == 2) {
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(args.at(1).toUtf8(), &error);
        if (error.error != QJsonParseError::NoError || !doc.isObject())
            return fail(tr("bad JSON \"%1\": expected an object").arg(args.at(1)));
        busArguments = doc.object().toVariantMap();
    }
    return true;
}

bool CtlOptions::fail(const QString &error)
{
    m_error = error;
    return false;
}

bool CtlOptions::parse(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption helpOption(
        QStringList { QStringLiteral("h"), QStringLiteral("help") });
    const QCommandLineOption hostOption(QStringLiteral("host"), QString(), QStringLiteral("HOST"));
    const QCommandLineOption portOption(QStringLiteral("port"), QString(), QStringLiteral("PORT"));
    const QCommandLineOption timeoutOption(
        QStringLiteral("timeout"), QString(), QStringLiteral("MS"));
    const QCommandLineOption repeatOption(QStringLiteral("repeat"), QString(), QStringLiteral("N"));
    const QCommandLineOption reqOption(
        QStringLiteral("req-interval"), QString(), QStringLiteral("MS"));
    const QCommandLineOption statsOption(QStringLiteral("stats"));
    const QCommandLineOption verboseOption(QStringLiteral("verbose"));
    const QCommandLineOption busOption(QStringLiteral("bus"), QString(), QStringLiteral("NAME"));
    parser.addOptions({ helpOption, hostOption, portOption, timeoutOption, repeatOption, reqOption,
        statsOption, verboseOption, busOption });

    if (!parser.parse(arguments))
        return fail(parser.errorText());

    helpRequested = parser.isSet(helpOption);
    if (helpRequested)
        return true;
    verbose = parser.isSet(verboseOption);
    stats = parser.isSet(statsOption);

    if (parser.isSet(busOption)) {
        busName = parser.value(busOption).trimmed();
        if (busName.isEmpty())
            return fail(tr("--bus needs a socket name"));
    }
    if (parser.isSet(hostOption)) {
        host = parser.value(hostOption).trimmed();
        if (host.isEmpty())
            return fail(tr("--host needs a host name or address"));
    }
    if (parser.isSet(portOption)) {
        int value = 0;
        if (!toInt(parser.value(portOption), 1, 65535, &value))
            return fail(tr("bad port \"%1\": expected 1..65535").arg(parser.value(portOption)));
        port = quint16(value);
    }
    if (parser.isSet(timeoutOption)
        && !toInt(parser.value(timeoutOption), 1, 24 * 3600 * 1000, &timeoutMs)) {
        return fail(tr("bad timeout \"%1\": expected a positive number of milliseconds")
                        .arg(parser.value(timeoutOption)));
    }
    if (parser.isSet(repeatOption) && !toInt(parser.value(repeatOption), 1, 10000000, &repeat)) {
        return fail(tr("bad repeat count \"%1\": expected a positive number")
                        .arg(parser.value(repeatOption)));
    }
    if (parser.isSet(reqOption)
        && !toInt(parser.value(reqOption), 10, 24 * 3600 * 1000, &reqIntervalMs)) {
        return fail(tr("bad REQ interval \"%1\": expected at least 10 milliseconds")
                        .arg(parser.value(reqOption)));
    }
    return parseCommand(parser.positionalArguments());
}

bool CtlOptions::parseCommand(const QStringList &positional)
{
    if (positional.isEmpty())
        return fail(tr("no command given"));
    const QString name = positional.first();
    const QStringList args = positional.mid(1);

    auto noArguments = [&](Command c) {
        if (!args.isEmpty())
            return fail(tr("%1 takes no arguments").arg(name));
        command = c;
        return true;
    };

    if (name == QLatin1String("state"))
        return noArguments(State);
    if (name == QLatin1String("money"))
        return noArguments(Money);
    if (name == QLatin1String("shift-totals"))
        return noArguments(ShiftTotals);
    if (name == QLatin1String("bus"))
        return parseBus(args);
    if (name == QLatin1String("mode")) {
        if (args.size() != 1)
            return fail(tr("mode needs exactly one argument, the mode number"));
        int value = 0;
        if (!toInt(args.first(), 0, 15, &value))
            return fail(tr("bad mode \"%1\": expected 0..15").arg(args.first()));
        mode = quint8(value);
        command = Mode;
        return true;
    }
    if (name == QLatin1String("raw")) {
        if (args.isEmpty() || args.size() > 2)
            return fail(tr("raw needs a command code and at most one payload"));
        static const QRegularExpression codeRe(QStringLiteral("^(0[xX])?([0-9A-Fa-f]{1,2})$"));
        const QRegularExpressionMatch m = codeRe.match(args.first());
        if (!m.hasMatch())
            return fail(tr("bad command code \"%1\": expected one hex byte").arg(args.first()));
        code = quint8(m.captured(2).toUInt(nullptr, 16));
        if (args.size() == 2) {
            if (!hexBytes(args.at(1), &payload))
                return fail(tr("bad hex payload \"%1\"").arg(args.at(1)));
            if (payload.size() > MAX_RAW_PAYLOAD)
                return fail(tr("payload of %1 bytes is too long for one frame (at most %2)")
                                .arg(payload.size())
                                .arg(MAX_RAW_PAYLOAD));
        }
        command = Raw;
        return true;
    }
    return fail(tr("unknown command \"%1\"").arg(name));
}
