#ifndef REGISTERFIXTURE_H
#define REGISTERFIXTURE_H

#include <QObject>

class FrCfgRoot;
class FrCommandsController;
class RecordingPrompts;
class ScriptedDevice;
class TempProfile;

// What the widget tests share: the application root in a temporary profile, its commands
// controller with short timers, and per test recorded prompts and a scripted register on the
// driver's ATOL port. Test classes derive from it; QtTest runs its slots for them too, or a
// derived class's own slot of the same name instead.
class RegisterFixture : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { setUpRoot(); }
    void cleanupTestCase();

protected:
    static constexpr int LONG_WAIT_MS = 10000;

    void setUpRoot();
    void setUpLink(); // from init
    // From cleanup: leaves no task or pending abort behind for the next test, stops the link
    // and checks that the register saw only well-formed frames.
    void tearDownLink();

    TempProfile *m_profile = nullptr;
    FrCfgRoot *m_root = nullptr;
    FrCommandsController *m_controller = nullptr;
    ScriptedDevice *m_device = nullptr;
    RecordingPrompts *m_prompts = nullptr;

private:
    void stopLink();
};

#endif // REGISTERFIXTURE_H
