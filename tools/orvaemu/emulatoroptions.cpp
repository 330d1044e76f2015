#include "emulatoroptions.h"

#include <QCommandLineParser>

namespace {

QList<QCommandLineOption> optionList()
{
    return {
        { QStringLiteral("port"),
            QStringLiteral("TCP port on 127.0.0.1 (default: the driver's ATOL port; 0 picks a "
                           "free one)."),
            QStringLiteral("N") },
        { QStringLiteral("state"),
            QStringLiteral("Register state as JSON; a missing file starts a fresh register, a "
                           "corrupt one is refused and left untouched."),
            QStringLiteral("FILE") },
        { QStringLiteral("journal"),
            QStringLiteral("Append every printed document as a JSON line."),
            QStringLiteral("FILE") },
        { QStringLiteral("password"),
            QStringLiteral("Access password for mode entry (default 47)."), QStringLiteral("N") },
        { QStringLiteral("answers"),
            QStringLiteral("async: results as 0xF0 frames; req: only on request (default async)."),
            QStringLiteral("async|req") },
        { QStringLiteral("drop"), QStringLiteral("Probability of losing a frame, either way."),
            QStringLiteral("P") },
        { QStringLiteral("corrupt"), QStringLiteral("Probability of garbling a frame, either way."),
            QStringLiteral("P") },
        { QStringLiteral("delay"), QStringLiteral("Milliseconds a task stays busy."),
            QStringLiteral("MS") },
        { QStringLiteral("no-paper"), QStringLiteral("Refuse printing commands with 0x67.") },
        { QStringLiteral("offline"),
            QStringLiteral("The fiscal data operator is out of reach: new documents get no "
                           "ticket.") },
        { QStringLiteral("seed"), QStringLiteral("Seed of the fault generator."),
            QStringLiteral("N") },
        { QStringLiteral("age-shift"),
            QStringLiteral("Make the open shift (opening one if needed) older by H hours."),
            QStringLiteral("H") },
        { QStringLiteral("drop-requisite"),
            QStringLiteral("Send-requisite tasks for this tag run but never report a result: "
                           "they stay busy until an abort."),
            QStringLiteral("TAG") },
        { QStringLiteral("log-frames"), QStringLiteral("Log every frame in hexadecimal.") },
        { QStringLiteral("receipts"),
            QStringLiteral("Render every printed document as a PNG receipt in DIR and send its "
                           "path to the local socket \"receiptFile\"."),
            QStringLiteral("DIR") },
        { QStringLiteral("bus"),
            QStringLiteral("Local socket of the fiscal core service. Without --port the default "
                           "is the driver's (ORVA_BUS_NAME, frcore.conf busName, or orvafrcore "
                           "in the runtime folder); with --port there is no bus unless given."),
            QStringLiteral("NAME") },
        { QStringLiteral("no-bus"), QStringLiteral("Serve the ATOL port only.") },
        { QStringLiteral("bus-delay"),
            QStringLiteral("Milliseconds every fiscal core answer is held back."),
            QStringLiteral("MS") },
    };
}

bool toRate(const QString &text, double *rate)
{
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok || v < 0 || v > 1)
        return false;
    *rate = v;
    return true;
}

} // namespace

QString EmulatorOptions::helpText()
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("orvaemu: an ORVA cash register on the ATOL 3.1 link, on loopback."));
    parser.addHelpOption();
    parser.addOptions(optionList());
    return parser.helpText();
}

bool EmulatorOptions::parse(const QStringList &arguments, QString *error)
{
    QCommandLineParser parser;
    const QCommandLineOption help = parser.addHelpOption();
    parser.addOptions(optionList());
    if (!parser.parse(arguments)) {
        *error = parser.errorText();
        return false;
    }
    if (parser.isSet(help)) {
        m_help = true;
        return true;
    }
    if (!parser.positionalArguments().isEmpty()) {
        *error
            = QStringLiteral("unexpected argument: %1").arg(parser.positionalArguments().first());
        return false;
    }
    bool ok = true;
    if (parser.isSet(QStringLiteral("port"))) {
        const uint p = parser.value(QStringLiteral("port")).toUInt(&ok);
        if (!ok || p > 65535) {
            *error = QStringLiteral("--port needs 0..65535");
            return false;
        }
        port = int(p);
    }
    statePath = parser.value(QStringLiteral("state"));
    journalPath = parser.value(QStringLiteral("journal"));
    receiptsPath = parser.value(QStringLiteral("receipts"));
    if (parser.isSet(QStringLiteral("receipts")) && receiptsPath.isEmpty()) {
        *error = QStringLiteral("--receipts needs a folder");
        return false;
    }
    if (parser.isSet(QStringLiteral("password"))) {
        password = parser.value(QStringLiteral("password")).toLongLong(&ok);
        if (!ok || password < 0 || password > 99999999) {
            *error = QStringLiteral("--password needs up to 8 decimal digits");
            return false;
        }
    }
    if (parser.isSet(QStringLiteral("answers"))) {
        const QString mode = parser.value(QStringLiteral("answers"));
        if (mode != QLatin1String("async") && mode != QLatin1String("req")) {
            *error = QStringLiteral("--answers is async or req");
            return false;
        }
        answersOnRequest = mode == QLatin1String("req");
    }
    if (parser.isSet(QStringLiteral("drop"))
        && !toRate(parser.value(QStringLiteral("drop")), &dropRate)) {
        *error = QStringLiteral("--drop needs a probability 0..1");
        return false;
    }
    if (parser.isSet(QStringLiteral("corrupt"))
        && !toRate(parser.value(QStringLiteral("corrupt")), &corruptRate)) {
        *error = QStringLiteral("--corrupt needs a probability 0..1");
        return false;
    }
    if (dropRate + corruptRate > 1) {
        *error = QStringLiteral("--drop and --corrupt add up to more than 1");
        return false;
    }
    if (parser.isSet(QStringLiteral("delay"))) {
        delayMs = parser.value(QStringLiteral("delay")).toInt(&ok);
        if (!ok || delayMs < 0) {
            *error = QStringLiteral("--delay needs milliseconds");
            return false;
        }
    }
    noPaper = parser.isSet(QStringLiteral("no-paper"));
    offline = parser.isSet(QStringLiteral("offline"));
    if (parser.isSet(QStringLiteral("seed"))) {
        seed = parser.value(QStringLiteral("seed")).toUInt(&ok);
        if (!ok) {
            *error = QStringLiteral("--seed needs an unsigned number");
            return false;
        }
        seeded = true;
    }
    if (parser.isSet(QStringLiteral("age-shift"))) {
        ageShiftHours = parser.value(QStringLiteral("age-shift")).toInt(&ok);
        if (!ok || ageShiftHours <= 0) {
            *error = QStringLiteral("--age-shift needs hours");
            return false;
        }
    }
    if (parser.isSet(QStringLiteral("drop-requisite"))) {
        stuckRequisiteTag = parser.value(QStringLiteral("drop-requisite")).toInt(&ok);
        if (!ok || stuckRequisiteTag < 1 || stuckRequisiteTag > 0xFFFF) {
            *error = QStringLiteral("--drop-requisite needs a tag number 1..65535");
            return false;
        }
    }
    logFrames = parser.isSet(QStringLiteral("log-frames"));
    busName = parser.value(QStringLiteral("bus")).trimmed();
    if (parser.isSet(QStringLiteral("bus")) && busName.isEmpty()) {
        *error = QStringLiteral("--bus needs a socket name");
        return false;
    }
    noBus = parser.isSet(QStringLiteral("no-bus"));
    if (parser.isSet(QStringLiteral("bus-delay"))) {
        busDelayMs = parser.value(QStringLiteral("bus-delay")).toInt(&ok);
        if (!ok || busDelayMs < 0) {
            *error = QStringLiteral("--bus-delay needs milliseconds");
            return false;
        }
    }
    return true;
}
