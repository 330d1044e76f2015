#include "cashpagefixture.h"

#include "cashmodewidget.h"
#include "emulatorprocess.h"
#include "frcfgroot.h"
#include "frcfgsettings.h"
#include "frcommandscontroller.h"
#include "frmodechanger.h"
#include "loggermanager.h"
#include "mainwindow.h"
#include "recordingprompts.h"
#include "scripteddevice.h"
#include "tempprofile.h"
#include "waitmessagewidget.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QJsonDocument>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

using qt5ext::LoggerManager;

quint16 SentTask::requisiteTag() const
{
    // 00 01 00, tag little-endian
    if (code != 0xE8 || payload.size() < 5)
        return 0;
    return quint16(quint8(payload.at(3)) | (quint8(payload.at(4)) << 8));
}

bool OverlayRecorder::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Show) {
        if (auto *overlay = qobject_cast<WaitMessageWidget *>(watched))
            texts << overlay->text();
    }
    return false;
}

void CashPageFixture::setUpCase()
{
    setUpRoot();
    qApp->installEventFilter(&m_overlays);
    QObject::connect(m_controller, &FrCommandsController::needSendCommand,
        [this](quint8, const QByteArray &data) {
            if (data.isEmpty())
                return;
            if (quint8(data.at(0)) == 0xC4)
                ++m_aborts;
            if (quint8(data.at(0)) != 0xC1 || data.size() < 6)
                return;
            SentTask task;
            task.tid = quint8(data.at(2));
            task.code = quint8(data.at(5));
            task.payload = data.mid(6);
            // A resent record is the same task.
            if (!m_sent.isEmpty() && m_sent.last().tid == task.tid
                && m_sent.last().payload == task.payload)
                return;
            m_sent << task;
        });
}

void CashPageFixture::tearDownCase()
{
    qApp->removeEventFilter(&m_overlays);
    tearDownRoot();
}

QStringList CashPageFixture::emulatorArguments() const
{
    return m_arguments
        + QStringList { QStringLiteral("--state"), m_files->filePath(QStringLiteral("state.json")),
              QStringLiteral("--journal"), m_files->filePath(QStringLiteral("journal.jsonl")) };
}

bool CashPageFixture::startWithEmulator(const QStringList &arguments)
{
    m_files = new QTemporaryDir;
    m_arguments = arguments;
    m_emulator = new EmulatorProcess;
    if (!m_emulator->start(emulatorArguments()))
        return false;
    m_profile->setAtolPort(m_emulator->port());
    m_prompts = new RecordingPrompts;
    return openWindow() && connectLink();
}

bool CashPageFixture::startWithScriptedDevice()
{
    setUpLink();
    return m_device && openWindow() && connectLink();
}

bool CashPageFixture::restartEmulator()
{
    stopLink();
    // A fresh process object: the old one still holds the first run's output.
    delete m_emulator;
    m_emulator = new EmulatorProcess;
    if (!m_emulator->start(emulatorArguments()))
        return false;
    m_profile->setAtolPort(m_emulator->port());
    return connectLink();
}

bool CashPageFixture::rebuildWindow()
{
    m_root->setMainWindow(nullptr);
    delete m_window;
    m_window = nullptr;
    m_page = nullptr;
    return openWindow(false);
}

void CashPageFixture::markLog()
{
    QFile file(LoggerManager::currentFile());
    m_logMark = file.size();
}

QString CashPageFixture::logSinceMark() const
{
    QFile file(LoggerManager::currentFile());
    if (!file.open(QIODevice::ReadOnly) || !file.seek(m_logMark))
        return QString();
    return QString::fromUtf8(file.readAll());
}

bool CashPageFixture::openWindow(bool fresh)
{
    // Every test starts from a configurator that has never run.
    if (fresh)
        QFile::remove(FrCfgSettings::filePath());
    m_sent.clear();
    m_aborts = 0;
    m_overlays.texts.clear();
    m_window = new MainWindow(m_root->sessionManager());
    m_root->setMainWindow(m_window);
    m_window->resize(1400, 900);
    m_window->show();
    if (!QTest::qWaitForWindowExposed(m_window))
        return false;
    QTest::mouseClick(
        m_window->findChild<QAbstractButton *>(QStringLiteral("pbRegs")), Qt::LeftButton);
    m_page = m_window->findChild<CashModeWidget *>(QStringLiteral("pageCashbox"));
    if (!m_page || !m_page->isVisible())
        return false;
    m_page->modeChanger()->setStateReaskDelay(20);
    m_page->setRequisiteTimeout(REQUISITE_TIMEOUT_MS);
    return true;
}

bool CashPageFixture::connectLink()
{
    m_controller->start();
    if (!waitFor([&]() { return m_controller->isConnected(); }))
        return false;
    // The window clears the buffer and asks the state on connect; let that pass first.
    return waitFor([this]() { return m_controller->bufferSize() == 0; });
}

void CashPageFixture::stopLink()
{
    if (m_controller->isStarted() && m_controller->isConnected()) {
        QSignalSpy cleared(m_controller, &FrCommandsController::clearBufferComplete);
        m_controller->sendClearBufferCommand();
        cleared.wait(LONG_WAIT_MS);
    }
    m_controller->stop();
    waitFor([this]() { return !m_controller->isConnected(); });
}

void CashPageFixture::tearDownTest()
{
    if (m_device) {
        // The scripted register's own teardown also checks that it saw only good frames.
        m_root->setMainWindow(nullptr);
        delete m_window;
        m_window = nullptr;
        m_page = nullptr;
        tearDownLink();
        return;
    }
    stopLink();
    m_root->setMainWindow(nullptr);
    delete m_window;
    m_window = nullptr;
    m_page = nullptr;
    delete m_emulator;
    m_emulator = nullptr;
    delete m_prompts;
    m_prompts = nullptr;
    delete m_files;
    m_files = nullptr;
}

QWidget *CashPageFixture::pageWidget() const
{
    return m_page;
}

void CashPageFixture::click(const char *name)
{
    auto *button = w<QAbstractButton>(name);
    QVERIFY2(button, name);
    QVERIFY2(button->isEnabled(), name);
    QTest::mouseClick(button, Qt::LeftButton);
}

void CashPageFixture::showTab(const char *name)
{
    auto *tabs = w<QTabWidget>("mainTabWidget");
    QWidget *tab = w<QWidget>(name);
    QVERIFY2(tab, name);
    tabs->setCurrentWidget(tab);
}

void CashPageFixture::setText(const char *name, const QString &text)
{
    auto *edit = w<QLineEdit>(name);
    QVERIFY2(edit, name);
    edit->setText(text);
}

void CashPageFixture::setValue(const char *name, double value)
{
    auto *box = w<QDoubleSpinBox>(name);
    if (box) {
        box->setValue(value);
        return;
    }
    auto *spin = w<QSpinBox>(name);
    QVERIFY2(spin, name);
    spin->setValue(int(value));
}

void CashPageFixture::selectData(const char *name, const QVariant &data)
{
    auto *box = w<QComboBox>(name);
    QVERIFY2(box, name);
    const int index = box->findData(data);
    QVERIFY2(index >= 0, name);
    box->setCurrentIndex(index);
}

bool CashPageFixture::waitFor(const std::function<bool()> &done, int msecs)
{
    return QTest::qWaitFor(done, msecs);
}

bool CashPageFixture::waitIdle(int msecs)
{
    return waitFor(
        [this]() {
            return m_page->pendingOperation() == CashModeWidget::NoOperation
                && !m_page->isChangingMode();
        },
        msecs);
}

QStringList CashPageFixture::prompts() const
{
    QStringList list;
    for (const UserPrompts::Request &r : qAsConst(m_prompts->requests))
        list << UserPrompts::kindName(r.kind) + QLatin1Char('|') + r.title + QLatin1Char('|')
                + r.text;
    return list;
}

QString CashPageFixture::lastPrompt() const
{
    const QStringList all = prompts();
    return all.isEmpty() ? QString() : all.last();
}

QList<quint8> CashPageFixture::sentCodes() const
{
    QList<quint8> codes;
    for (const SentTask &t : m_sent)
        codes << t.code;
    return codes;
}

QList<quint16> CashPageFixture::sentRequisiteTags() const
{
    QList<quint16> tags;
    for (const SentTask &t : m_sent) {
        if (t.code == 0xE8)
            tags << t.requisiteTag();
    }
    return tags;
}

QList<QJsonObject> CashPageFixture::journal(const QString &type) const
{
    QList<QJsonObject> documents;
    QFile file(m_files ? m_files->filePath(QStringLiteral("journal.jsonl")) : QString());
    if (!file.open(QIODevice::ReadOnly))
        return documents;
    for (const QByteArray &line : file.readAll().split('\n')) {
        const QJsonObject o = QJsonDocument::fromJson(line).object();
        if (!o.isEmpty() && (type.isEmpty() || o.value(QStringLiteral("type")).toString() == type))
            documents << o;
    }
    return documents;
}
