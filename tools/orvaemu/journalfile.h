#ifndef JOURNALFILE_H
#define JOURNALFILE_H

#include <QFile>
#include <QJsonObject>

// The register's printed documents, one compact JSON object a line, appended as printed.
class JournalFile
{
public:
    explicit JournalFile(const QString &path);

    bool open(QString *error);
    bool append(const QJsonObject &document);

private:
    QFile m_file;
};

#endif // JOURNALFILE_H
