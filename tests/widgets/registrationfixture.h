#ifndef REGISTRATIONFIXTURE_H
#define REGISTRATIONFIXTURE_H

#include "appbuscommand.h"
#include "registerstate.h"

#include <QJsonObject>
#include <QList>
#include <QString>

class FrCfgRoot;
class QSignalSpy;
class QTemporaryDir;
class RecordingPrompts;
class ServiceProcess;
class TempProfile;

// What the pages of the fiscal core share in their tests: the application root in a
// temporary profile, its bus controller on orvaemu's fiscal core service (started on a
// register state the test writes), recorded prompts, and every command the controller
// carried to the service.
class RegistrationFixture
{
public:
    static constexpr int WAIT_MS = 10000;

protected:
    // A user INN and the registration number of serial 17000001 for it, computed apart
    // from our validator.
    static const QString INN;
    static const QString REG_NUMBER;

    // Registered to INN with REG_NUMBER, its shift closed, a release storage.
    static RegisterState registeredState();

    void setUpRoot(); // from initTestCase
    void tearDownRoot(); // from cleanupTestCase
    // orvaemu on the state on a fresh bus socket, the root's bus controller restarted on it;
    // true once the fiscal storage state has reached the emptied shared storage.
    bool startService(const RegisterState &state);
    // The same in two steps: the controller waiting on a socket nobody serves yet, then
    // orvaemu serving it.
    void newBus();
    bool launchService(const RegisterState &state);
    void stopService();

    // The commands carried since the last call, oldest first.
    QList<bus::AppBusCommand> takeCommands();
    static QStringList operations(const QList<bus::AppBusCommand> &commands);
    quint16 atolPort() const;
    QList<QJsonObject> journal() const;
    // orvactl against the service's ATOL port: exit code and standard output.
    int orvactl(const QStringList &arguments, QString *out) const;

    TempProfile *m_profile = nullptr;
    FrCfgRoot *m_root = nullptr;
    RecordingPrompts *m_prompts = nullptr;

private:
    void resetBus();
    bool runEmulator(const RegisterState &state);

    QTemporaryDir *m_dir = nullptr;
    ServiceProcess *m_emu = nullptr;
    QSignalSpy *m_commands = nullptr;
};

#endif // REGISTRATIONFIXTURE_H
