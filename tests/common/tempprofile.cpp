#include "tempprofile.h"

#include <QDir>
#include <QFile>

TempProfile::TempProfile()
    : m_previous(qgetenv("ALLUSERSPROFILE")),
      m_hadPrevious(qEnvironmentVariableIsSet("ALLUSERSPROFILE"))
{
    qputenv("ALLUSERSPROFILE", m_dir.path().toUtf8());
}

TempProfile::~TempProfile()
{
    if (m_hadPrevious)
        qputenv("ALLUSERSPROFILE", m_previous);
    else
        qunsetenv("ALLUSERSPROFILE");
}

bool TempProfile::writeConfig(const QString &fileName, const QByteArray &content) const
{
    QDir().mkpath(configDir());
    QFile f(configDir() + QLatin1Char('/') + fileName);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(content) == content.size();
}

void TempProfile::setAtolPort(quint16 port) const
{
    writeConfig(
        QStringLiteral("frcore.conf"), "[CORE]\natolTcpPort=" + QByteArray::number(port) + "\n");
}
