#include "cashpagefixture.h"

#include "cashmodewidget.h"
#include "emulatorprocess.h"
#include "frcfgroot.h"
#include "frcfgsettings.h"
#include "frcommandscontroller.h"
#include "frmodechanger.h"
#include "mainwindow.h"
#include "recordingprompts.h"
#include "registerstate.h"
#include "scripteddevice.h"
#include "statefile.h"
#include "tempprofile.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QJsonDocument>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

void CashPageFixture::initTestCase()
{
    setUpRoot();
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

bool CashPageFixture::startWithEmulator(const QStringList &arguments, const RegisterState *state)
{
    m_files = new QTemporaryDir;
    const QString statePath = m_files->filePath(QStringLiteral("state.json"));
    QString error;
    if (state && !StateFile(statePath).save(*state, &error))
        return false;
    m_arguments = QStringList { QStringLiteral("--state"), statePath, QStringLiteral("--journal"),
        m_files->filePath(QStringLiteral("journal.jsonl")) }
        + arguments;
    m_emulator = new EmulatorProcess;
    if (!m_emulator->start(m_arguments))
        return false;
    m_profile->setAtolPort(m_emulator->port());
    m_prompts = new RecordingPrompts;
    return openWindow();
}

bool CashPageFixture::restartEmulator()
{
    m_controller->stop();
    waitFor([this]() { return !m_controller->isConnected(); });
    // A fresh process object: the old one still holds the first run's output.
    delete m_emulator;
    m_emulator = new EmulatorProcess;
    if (!m_emulator->start(m_arguments))
        return false;
    m_profile->setAtolPort(m_emulator->port());
    m_controller->start();
    return waitFor([this]() { return m_controller->isConnected(); })
        && waitFor([this]() { return m_controller->bufferSize() == 0; });
}

bool CashPageFixture::rebuildWindow()
{
    m_controller->stop();
    waitFor([this]() { return !m_controller->isConnected(); });
    closeWindow();
    return openWindow(false);
}

bool CashPageFixture::startWithScriptedDevice()
{
    setUpLink();
    return m_device && openWindow();
}

bool CashPageFixture::openWindow(bool fresh)
{
    // Every test starts from a configurator that has never run.
    if (fresh)
        QFile::remove(FrCfgSettings::filePath());
    m_sent.clear();
    m_aborts = 0;
    m_window = new MainWindow(m_root->sessionManager());
    m_root->setMainWindow(m_window);
    m_window->resize(1400, 900);
    m_window->show();
    if (!QTest::qWaitForWindowExposed(m_window))
        return false;
    if (!showPage("pbRegs", "pageCashbox"))
        return false;
    m_page = qobject_cast<CashModeWidget *>(m_shown);
    m_page->modeChanger()->setStateReaskDelay(20);
    m_page->setRequisiteTimeout(REQUISITE_TIMEOUT_MS);
    m_controller->start();
    if (!waitFor([&]() { return m_controller->isConnected(); }))
        return false;
    // The window clears the buffer and asks the state on connect; let that pass first.
    return waitFor([this]() { return m_controller->bufferSize() == 0; });
}

void CashPageFixture::closeWindow()
{
    m_root->setMainWindow(nullptr);
    delete m_window;
    m_window = nullptr;
    m_page = nullptr;
    m_shown = nullptr;
}

void CashPageFixture::cleanup()
{
    if (m_device) {
        closeWindow();
        // The scripted register's own teardown also checks that it saw only good frames.
        tearDownLink();
        return;
    }
    if (m_controller->isStarted() && m_controller->isConnected()) {
        QSignalSpy cleared(m_controller, &FrCommandsController::clearBufferComplete);
        m_controller->sendClearBufferCommand();
        cleared.wait(LONG_WAIT_MS);
    }
    m_controller->stop();
    waitFor([this]() { return !m_controller->isConnected(); });
    closeWindow();
    delete m_emulator;
    m_emulator = nullptr;
    delete m_prompts;
    m_prompts = nullptr;
    delete m_files;
    m_files = nullptr;
}

bool CashPageFixture::showPage(const char *button, const char *page)
{
    QTest::mouseClick(m_window->findChild<QAbstractButton *>(button), Qt::LeftButton);
    m_shown = m_window->findChild<QWidget *>(page);
    return m_shown && m_shown->isVisible();
}

void CashPageFixture::click(const char *name)
{
    auto *button = w<QAbstractButton>(name);
    QVERIFY2(button, name);
    // The first tab that shows it enabled: the button is on that tab, or below the tabs and
    // enabled by the page for that tab only.
    auto *tabs = w<QTabWidget>("mainTabWidget");
    for (int i = 0; !(button->isVisible() && button->isEnabled()) && i < tabs->count(); ++i)
        tabs->setCurrentIndex(i);
    QVERIFY2(button->isVisible() && button->isEnabled(), name);
    QTest::mouseClick(button, Qt::LeftButton);
}

void CashPageFixture::run(const char *button)
{
    click(button);
    QVERIFY2(waitIdle(), button);
}

void CashPageFixture::showTab(const char *name)
{
    QWidget *tab = w<QWidget>(name);
    QVERIFY2(tab, name);
    w<QTabWidget>("mainTabWidget")->setCurrentWidget(tab);
}

void CashPageFixture::set(const char *name, const QVariant &value)
{
    QWidget *widget = w<QWidget>(name);
    QVERIFY2(widget, name);
    if (auto *edit = qobject_cast<QLineEdit *>(widget))
        edit->setText(value.toString());
    else if (auto *box = qobject_cast<QDoubleSpinBox *>(widget))
        box->setValue(value.toDouble());
    else if (auto *spin = qobject_cast<QSpinBox *>(widget))
        spin->setValue(value.toInt());
    else if (auto *combo = qobject_cast<QComboBox *>(widget)) {
        QVERIFY2(combo->findData(value) >= 0, name);
        combo->setCurrentIndex(combo->findData(value));
    } else {
        QFAIL(name);
    }
}

void CashPageFixture::openShiftAndReceipt()
{
    m_prompts->queueAnswer(true, "Смена кассира Ивановой");
    run("pbCycleOpen");
    QCOMPARE(lastPrompt(), QString("information|Инфо|Смена успешно открыта"));
    run("pbCheckOpen");
    QCOMPARE(lastPrompt(), QString("information|Инфо|Чек успешно открыт"));
}

void CashPageFixture::sendGeneralRequisites()
{
    run("pbSendMainRekv");
    QCOMPARE(lastPrompt(), QString("information|Инфо|Реквизиты успешно отправлены"));
}

void CashPageFixture::registerPosition(
    const QString &name, double price, double qty, const QString &unit)
{
    set("lePosProductName", name);
    set("sbPositionSumm", price);
    set("sbPositionProductCount", qty);
    set("lePositionEdinica", unit);
    run("pbRegPosition");
    QCOMPARE(lastPrompt(), QString("information|Инфо|Позиция зарегистрирована"));
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
    return prompts().value(prompts().size() - 1);
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
        // 00 01 00, then the tag little-endian
        if (t.code == 0xE8 && t.payload.size() >= 5)
            tags << quint16(quint8(t.payload.at(3)) | (quint8(t.payload.at(4)) << 8));
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
