#ifndef EMULATOROPTIONS_H
#define EMULATOROPTIONS_H

#include <QString>
#include <QStringList>

// The command line of orvaemu.
class EmulatorOptions
{
public:
    static const qint64 DEFAULT_PASSWORD = 47; // the configurator's default connection password

    int port = -1; // -1: the driver's configured ATOL port
    QString statePath;
    QString journalPath;
    qint64 password = DEFAULT_PASSWORD;
    bool answersOnRequest = false;
    double dropRate = 0;
    double corruptRate = 0;
    int delayMs = 0;
    bool noPaper = false;
    bool offline = false;
    bool seeded = false;
    quint32 seed = 0;
    int ageShiftHours = 0;
    int stuckRequisiteTag = -1; // send-requisite tasks for this tag never finish
    bool logFrames = false;
    QString receiptsPath;
    QString busName; // empty: the driver's configured bus name
    bool noBus = false;
    int busDelayMs = 0;

    // False with a message on a bad option; helpRequested() is then checked first.
    bool parse(const QStringList &arguments, QString *error);
    bool helpRequested() const { return m_help; }
    static QString helpText();

private:
    bool m_help = false;
};

#endif // EMULATOROPTIONS_H
