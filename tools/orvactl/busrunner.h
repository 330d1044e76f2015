#ifndef BUSRUNNER_H
#define BUSRUNNER_H

#include "ctloptions.h"

#include <QVariantMap>

namespace core {
class FrcoreExternalApi;
}

// Runs "orvactl bus": one fiscal core operation through the configurator's own bus client,
// its reply printed as one line of JSON.
class BusRunner
{
public:
    explicit BusRunner(const CtlOptions &options) : m_options(options) { }

    // The exit code (CtlRunner::ExitCode).
    int run();

private:
    bool runOnce(core::FrcoreExternalApi *api, QVariantMap *result);

    CtlOptions m_options;
};

#endif // BUSRUNNER_H
