#ifndef FRHTTPCONFIG_H
#define FRHTTPCONFIG_H

#include "initconfig.h"

// The driver's HTTP listener configuration ("frhttplistener.conf").
class FrHttpConfig : public qt5ext::InitConfig
{
public:
    FrHttpConfig();

    static QString filePath();

    quint16 port() const;
    // False when the file could not be written.
    bool setPort(quint16 port);

    static const QString GROUP;
    static const QString KEY_PORT;
    static const quint16 DEFAULT_PORT = 8088;
};

#endif // FRHTTPCONFIG_H
