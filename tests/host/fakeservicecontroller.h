#ifndef FAKESERVICECONTROLLER_H
#define FAKESERVICECONTROLLER_H

#include "servicecontroller.h"

#include <QStringList>

// A service that exists only in memory: the test sets its state and whether each operation
// succeeds, and reads the calls made.
class FakeServiceController : public ServiceController
{
public:
    struct Shared
    {
        bool installed = false;
        bool running = false;
        bool succeed = true;
        QStringList calls; // "install <path> <account> <password>", "start", ...
        int queries = 0;
    };

    explicit FakeServiceController(Shared *shared)
        : ServiceController(QStringLiteral("frservicesmgr")), m_s(shared)
    { }

    bool install(
        const QString &executable, const QString &account, const QString &password) override
    {
        m_s->calls << QStringLiteral("install %1 [%2] [%3]").arg(executable, account, password);
        return m_s->succeed && (m_s->installed = true);
    }
    bool uninstall() override
    {
        m_s->calls << QStringLiteral("uninstall");
        return m_s->succeed && !(m_s->installed = false);
    }
    bool start() override
    {
        m_s->calls << QStringLiteral("start");
        return m_s->succeed && (m_s->running = true);
    }
    bool stop() override
    {
        m_s->calls << QStringLiteral("stop");
        return m_s->succeed && !(m_s->running = false);
    }
    bool isInstalled() const override
    {
        ++m_s->queries;
        return m_s->installed;
    }
    bool isRunning() const override
    {
        ++m_s->queries;
        return m_s->running;
    }

private:
    Shared *m_s;
};

#endif // FAKESERVICECONTROLLER_H
