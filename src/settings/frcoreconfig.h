#ifndef FRCORECONFIG_H
#define FRCORECONFIG_H

#include "initconfig.h"

// The driver's fiscal core configuration ("frcore.conf"): its ATOL port, and where its
// fiscal core service listens for the application bus.
class FrCoreConfig : public qt5ext::InitConfig
{
public:
    // Also makes sure the driver's working folders exist.
    FrCoreConfig();

    static QString filePath();

    quint16 atolTcpPort() const;
    void setAtolTcpPort(quint16 port);

    // The service's local socket: the environment variable ORVA_BUS_NAME when set, else the
    // key "busName" of the file, else "orvafrcore" in the user's runtime folder.
    static QString busServerName();
    QString busName() const;
    void setBusName(const QString &name);

    static const QString GROUP;
    static const QString KEY_BUS_NAME;
    static const char BUS_NAME_VARIABLE[];
    static const QString KEY_ATOL_TCP_PORT;
    static const quint16 DEFAULT_ATOL_TCP_PORT = 3333;
};

#endif // FRCORECONFIG_H
