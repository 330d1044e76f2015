#ifndef BUSFIXTURE_H
#define BUSFIXTURE_H

#include "appbuscommand.h"
#include "mainwindow.h"
#include "registerstate.h"

#include <QJsonObject>
#include <QList>
#include <QScopedPointer>
#include <QSignalSpy>
#include <QStringList>
#include <QTemporaryDir>

class CashboxBusController;
class EmulatorProcess;
class FrCfgRoot;
class RecordingPrompts;
class TempProfile;
namespace core {
class FrcoreExternalApi;
}

// What the bus tests and the pages of the fiscal core share: a temporary profile, orvaemu
// serving its fiscal core on a socket of the test's own from a register state the test
// writes, and either a bus controller of the test's own (startClient) or the application
// root with its controller, recorded prompts and, on request, the main window (setUpRoot).
class BusFixture
{
public:
    static constexpr int WAIT_MS = 10000;
    BusFixture();
    ~BusFixture();

protected:
    // A user INN and the registration number of serial 17000001 for it, computed with an
    // implementation of CRC-16/CCITT apart from ours.
    static const QString INN;
    static const QString REG_NUMBER;

    // Registered to INN with REG_NUMBER, its shift closed; or never registered.
    static RegisterState registeredState(bool fiscalized = true);

    void setUpProfile(); // from initTestCase
    void tearDownProfile(); // from cleanupTestCase
    // orvaemu on the state; with a root, its controller restarted on emptied shared objects
    // and true only once the storage state has reached them.
    bool startService(
        const RegisterState &state = registeredState(), const QStringList &arguments = {});
    // The same register again on its state file, the controllers left as they are.
    bool restartService(const QStringList &arguments = {});
    void stopService();
    // A controller of the test's own on the socket, started, and a client of it.
    void startClient(int timeoutMs = 3000);
    void stopClient();

    void setUpRoot(); // after setUpProfile
    void tearDownRoot();
    void openWindow();
    void closeWindow();
    template<typename T>
    T *child(const char *name) const;

    QString busName() const { return m_dir->filePath(QStringLiteral("bus.sock")); }
    QString statePath() const { return m_dir->filePath(QStringLiteral("state.json")); }
    QString journalPath() const { return m_dir->filePath(QStringLiteral("journal.jsonl")); }
    QJsonObject stateJson() const;
    QList<QJsonObject> journal() const;
    // orvactl against the service's ATOL port: exit code and standard output.
    int orvactl(const QStringList &arguments, QString *out) const;
    // The commands the root's controller carried since the last call, oldest first.
    QList<bus::AppBusCommand> takeCommands();
    static QStringList operations(const QList<bus::AppBusCommand> &commands);

    QScopedPointer<TempProfile> m_profile;
    QScopedPointer<QTemporaryDir> m_dir;
    QScopedPointer<EmulatorProcess> m_emu;
    CashboxBusController *m_controller = nullptr;
    core::FrcoreExternalApi *m_api = nullptr; // of the test's own controller
    // A client of the root's controller, to see what the service holds apart from the page.
    core::FrcoreExternalApi *m_checker = nullptr;
    FrCfgRoot *m_root = nullptr;
    MainWindow *m_window = nullptr;
    QScopedPointer<RecordingPrompts> m_prompts;

private:
    QScopedPointer<QSignalSpy> m_commands;
};

template<typename T>
T *BusFixture::child(const char *name) const
{
    T *w = m_window->findChild<T *>(QLatin1String(name));
    if (!w)
        qWarning("no widget %s", name);
    return w;
}

#endif // BUSFIXTURE_H
