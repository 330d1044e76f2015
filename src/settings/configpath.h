#ifndef CONFIGPATH_H
#define CONFIGPATH_H

#include <QString>

// "%ALLUSERSPROFILE%/ORVI/.config/<fileName>" with forward slashes; an unset variable gives
// "/ORVI/.config/<fileName>".
QString configFilePath(const QString &fileName);

#endif // CONFIGPATH_H
