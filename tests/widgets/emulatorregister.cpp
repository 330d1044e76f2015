#include "emulatorregister.h"

#include "registerstate.h"
#include "statefile.h"
#include "tempprofile.h"

#include <QFile>
#include <QJsonDocument>
#include <QRegularExpression>

bool EmulatorRegister::start(
    const TempProfile &profile, const RegisterState &state, const QStringList &arguments)
{
    const QString statePath = m_dir.filePath(QStringLiteral("state.json"));
    QString error;
    if (!m_dir.isValid() || !StateFile(statePath).save(state, &error))
        return false;
    if (!m_process.start(
            QStringList { QStringLiteral("--state"), statePath, QStringLiteral("--journal"),
                m_dir.filePath("journal.jsonl"), QStringLiteral("--log-frames") }
            + arguments))
        return false;
    profile.setAtolPort(m_process.port());
    return true;
}

QList<QJsonObject> EmulatorRegister::journal() const
{
    QList<QJsonObject> documents;
    QFile f(m_dir.filePath("journal.jsonl"));
    if (!f.open(QIODevice::ReadOnly))
        return documents;
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (!line.isEmpty())
            documents << QJsonDocument::fromJson(line).object();
    }
    return documents;
}

QStringList EmulatorRegister::received()
{
    // "[1] << id=05 c1 02 07 00 00 ab 01 02": frames the register took in; marked ones
    // (dropped, corrupted, bad) carry a note in brackets.
    static const QRegularExpression frame(
        QStringLiteral("\\[\\d+\\] << id=[0-9a-f]{2} ((?:[0-9a-f]{2} ?)+)$"),
        QRegularExpression::MultilineOption);
    QStringList out;
    QString lastTask;
    auto it = frame.globalMatch(m_process.readOutput());
    while (it.hasNext()) {
        const QString bytes = it.next().captured(1).remove(QLatin1Char(' '));
        if (bytes.startsWith(QLatin1String("c4"))) {
            out << QStringLiteral("c4");
            continue;
        }
        // Add task: c1, flags, TID, password 00 00, then the command; a resend is the same
        // record again.
        if (!bytes.startsWith(QLatin1String("c1")) || bytes.size() < 12 || bytes == lastTask)
            continue;
        lastTask = bytes;
        out << bytes.mid(10);
    }
    return out;
}
