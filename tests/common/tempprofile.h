#ifndef TEMPPROFILE_H
#define TEMPPROFILE_H

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// Points ALLUSERSPROFILE at a fresh temporary folder for the lifetime of the object and
// restores the previous value afterwards, so tests never touch a real configuration.
class TempProfile
{
public:
    TempProfile();
    ~TempProfile();

    QString path() const { return m_dir.path(); }
    QString configDir() const { return m_dir.path() + QStringLiteral("/ORVI/.config"); }
    // Writes raw text into a file below configDir(), creating the folder.
    bool writeConfig(const QString &fileName, const QByteArray &content) const;
    // Sets the driver's ATOL port, the one the link connects to.
    void setAtolPort(quint16 port) const;

private:
    QTemporaryDir m_dir;
    QByteArray m_previous;
    bool m_hadPrevious;
};

#endif // TEMPPROFILE_H
