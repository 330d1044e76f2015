#ifndef CTLOPTIONS_H
#define CTLOPTIONS_H

#include <QByteArray>
#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <QVariantMap>

// The command line of orvactl, checked: every field is usable once parse() returned true.
class CtlOptions
{
    Q_DECLARE_TR_FUNCTIONS(CtlOptions)
public:
    enum Command { NoCommand, State, Mode, Raw, Money, ShiftTotals, Bus };

    static const int DEFAULT_TIMEOUT_MS = 10000;

    // arguments as QCoreApplication::arguments() gives them, program name first.
    bool parse(const QStringList &arguments);
    // What was wrong, when parse() returned false.
    QString error() const { return m_error; }
    static QString usage();

    bool helpRequested = false;
    bool verbose = false;
    QString host;
    quint16 port = 0; // 0: the driver's configured ATOL port
    int timeoutMs = DEFAULT_TIMEOUT_MS;
    int repeat = 1;
    int reqIntervalMs = 0; // 0: the link's own period
    bool stats = false;

    Command command = NoCommand;
    quint8 mode = 0; // mode
    quint8 code = 0; // raw
    QByteArray payload; // raw
    QString busName; // --bus; empty: the driver's configured bus name
    QString busOperation; // bus
    QVariantMap busArguments; // bus

    // The operations "bus" accepts besides the fiscal core calls.
    static QStringList busObjectOperations();
    static QStringList busOperations();

private:
    bool fail(const QString &error);
    bool parseCommand(const QStringList &positional);
    bool parseBus(const QStringList &args);

    QString m_error;
};

#endif // CTLOPTIONS_H
