#ifndef REGISTERFIXTURE_H
#define REGISTERFIXTURE_H

class FrCfgRoot;
class FrCommandsController;
class RecordingPrompts;
class ScriptedDevice;
class TempProfile;

// What the widget tests share: the application root in a temporary profile, its commands
// controller with short timers, and per test recorded prompts and a scripted register on the
// driver's ATOL port. Tests derive from it and call the steps from their own slots.
class RegisterFixture
{
protected:
    static constexpr int LONG_WAIT_MS = 10000;

    void setUpRoot(); // from initTestCase
    void tearDownRoot(); // from cleanupTestCase
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
