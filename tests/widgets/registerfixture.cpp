#include "registerfixture.h"

#include "frcfgroot.h"
#include "frcommandscontroller.h"
#include "recordingprompts.h"
#include "scripteddevice.h"
#include "tempprofile.h"

#include <QSignalSpy>
#include <QtTest>

namespace {
int s_argc = 1;
char s_arg0[] = "orvatest";
char *s_argv[] = { s_arg0, nullptr };
} // namespace

void RegisterFixture::setUpRoot()
{
    m_profile = new TempProfile;
    m_root = new FrCfgRoot(s_argc, s_argv);
    m_controller = m_root->commandsController();
    QVERIFY(m_controller);
    m_controller->setAnswerTimeout(300);
    m_controller->setReqInterval(200);
}

void RegisterFixture::cleanupTestCase()
{
    delete m_root;
    delete m_profile;
}

void RegisterFixture::setUpLink()
{
    m_prompts = new RecordingPrompts;
    m_device = new ScriptedDevice;
    QVERIFY(m_device->listen());
    m_profile->setAtolPort(m_device->port());
}

void RegisterFixture::tearDownLink()
{
    stopLink();
    const int badFrames = m_device->badFrames();
    delete m_device;
    m_device = nullptr;
    delete m_prompts;
    m_prompts = nullptr;
    QCOMPARE(badFrames, 0);
}

void RegisterFixture::stopLink()
{
    // The link flag lags a stop until the worker's last report is delivered.
    if (m_controller->isStarted() && m_controller->isConnected()) {
        QSignalSpy cleared(m_controller, &FrCommandsController::clearBufferComplete);
        m_controller->sendClearBufferCommand();
        QVERIFY(cleared.wait(LONG_WAIT_MS));
    }
    m_controller->stop();
    QTRY_VERIFY_WITH_TIMEOUT(!m_controller->isConnected(), LONG_WAIT_MS);
}
