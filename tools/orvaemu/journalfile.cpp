#include "journalfile.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>

JournalFile::JournalFile(const QString &path) : m_file(path) { }

bool JournalFile::open(QString *error)
{
    QDir().mkpath(QFileInfo(m_file.fileName()).absolutePath());
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        *error = QStringLiteral("cannot open the journal %1: %2")
                     .arg(m_file.fileName(), m_file.errorString());
        return false;
    }
    return true;
}

bool JournalFile::append(const QJsonObject &document)
{
    if (!m_file.isOpen())
        return false;
    const QByteArray line = QJsonDocument(document).toJson(QJsonDocument::Compact) + '\n';
    // One write per line, flushed, so a reader never sees half a document.
    const bool ok = m_file.write(line) == line.size();
    m_file.flush();
    return ok;
}
