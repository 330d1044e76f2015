#include "configpath.h"

#include <QDir>
#include <QProcessEnvironment>

QString configFilePath(const QString &fileName)
{
    const QString root
        = QProcessEnvironment::systemEnvironment().value(QStringLiteral("ALLUSERSPROFILE"));
    return QDir::fromNativeSeparators(QStringLiteral("%1/ORVI/.config/").arg(root) + fileName);
}
