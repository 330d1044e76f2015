#ifndef FRCORECONFIG_H
#define FRCORECONFIG_H

#include "initconfig.h"

// The driver's fiscal core configuration ("frcore.conf"); we only touch its ATOL port.
class FrCoreConfig : public qt5ext::InitConfig
{
public:
    // Also makes sure the driver's working folders exist.
    FrCoreConfig();

    static QString filePath();

    quint16 atolTcpPort() const;
    void setAtolTcpPort(quint16 port);

    static const QString GROUP;
    static const QString KEY_ATOL_TCP_PORT;
    static const quint16 DEFAULT_ATOL_TCP_PORT = 3333;
};

#endif // FRCORECONFIG_H
