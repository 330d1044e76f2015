#ifndef FISCALCOREFIXTURE_H
#define FISCALCOREFIXTURE_H

#include "mainwindow.h"
#include "waitmessagewidget.h"

#include <QJsonObject>
#include <QObject>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>

class EmulatorProcess;
class FrCfgRoot;
class RecordingPrompts;
class TempProfile;

namespace core {
class FrcoreExternalApi;
}

// What the pages of the fiscal core share in their tests: the root in a temporary profile
// with its bus controller started on a socket of the test's own, orvaemu serving the fiscal
// core there, the main window (the pages' wait overlay) and recorded prompts. Tests derive
// from it and call the steps from their own slots.
class FiscalCoreFixture
{
protected:
    static constexpr int LONG_WAIT_MS = 10000;

    void setUpRoot(); // from initTestCase
    void tearDownRoot(); // from cleanupTestCase
    // From init: a fresh register (its own state file) serving the bus, and a new window.
    // The first call also waits for the bus controller to fetch the shared objects, which it
    // then leaves alone until the service reports a change.
    void setUpService(const QStringList &emulatorArguments = QStringList());
    void tearDownService(); // from cleanup

    // A fresh register serving the bus on the test's socket.
    void startService(const QStringList &emulatorArguments = QStringList());
    // The service goes away (a stopped driver); the next call finds nobody there.
    void stopService();
    // Restarts the service on its state file changed by edit: a register registered with
    // another operator, say. The bus controller fetches the shared objects again once it
    // reconnects.
    void restartWithState(const std::function<void(QJsonObject &)> &edit);

    // A client of its own, to see what the service holds apart from the page under test.
    core::FrcoreExternalApi *checker() const { return m_checker; }

    template<typename T>
    T *child(const char *name) const
    {
        T *w = m_window->findChild<T *>(QLatin1String(name));
        if (!w)
            qWarning("no widget %s", name);
        return w;
    }

    TempProfile *m_profile = nullptr;
    FrCfgRoot *m_root = nullptr;
    MainWindow *m_window = nullptr;
    RecordingPrompts *m_prompts = nullptr;
    EmulatorProcess *m_emulator = nullptr;
    QString m_busName;

private:
    void startEmulator(const QStringList &emulatorArguments);

    QTemporaryDir *m_stateDir = nullptr;
    bool m_sharedObjectsFetched = false;
    QObject m_checkerOwner;
    core::FrcoreExternalApi *m_checker = nullptr;
};

#endif // FISCALCOREFIXTURE_H
