#ifndef CASHPAGEFIXTURE_H
#define CASHPAGEFIXTURE_H

#include "registerfixture.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QStringList>
#include <QWidget>

#include <functional>

class CashModeWidget;
class EmulatorProcess;
class MainWindow;
class QTemporaryDir;
class RegisterState;

// One device command as it went out in an add-task record.
struct SentTask
{
    quint8 tid = 0;
    quint8 code = 0;
    QByteArray payload; // after the command code
};

// The pages as the user meets them: the main window with the cash page shown, the root's controller
// with short timers, and behind the link either orvaemu (started from a prepared state, its journal
// in a temporary folder) or the scripted register. Prompts are recorded and every task put on the
// wire is kept for the checks.
class CashPageFixture : public RegisterFixture
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();

protected:
    static const int REQUISITE_TIMEOUT_MS = 400;

    // From a test: orvaemu from the state (a fresh register when none) with the options.
    bool startWithEmulator(const QStringList &arguments = {}, const RegisterState *state = nullptr);
    bool startWithScriptedDevice();
    // The emulator goes down and comes back on its state file; the link reconnects.
    bool restartEmulator();
    // The window and its pages are built again from the settings the last one left.
    bool rebuildWindow();

    // Shows the page of the main window through its button; the helpers below act on it.
    bool showPage(const char *button, const char *page);
    // Widgets of the page shown by object name.
    template<typename T>
    T *w(const char *name) const
    {
        return m_shown ? m_shown->findChild<T *>(QLatin1String(name)) : nullptr;
    }
    // Brings a tab that shows the button to the front and clicks it.
    void click(const char *name);
    // Clicks and waits until the page is idle again.
    void run(const char *button);
    void showTab(const char *name);
    // Text of a line edit, value of a spin box, item data of a combo box.
    void set(const char *name, const QVariant &value);

    // The steps of a sale, each checking the page's answer.
    void openShiftAndReceipt();
    void sendGeneralRequisites();
    void registerPosition(const QString &name, double price, double qty, const QString &unit = {});

    // Processes events until the page has no operation pending and no mode change runs.
    bool waitIdle(int msecs = LONG_WAIT_MS);
    bool waitFor(const std::function<bool()> &done, int msecs = LONG_WAIT_MS);
    // "kind|title|text" of every prompt so far.
    QStringList prompts() const;
    QString lastPrompt() const;

    QList<SentTask> sent() const { return m_sent; }
    QList<quint8> sentCodes() const;
    QList<quint16> sentRequisiteTags() const;
    void clearSent() { m_sent.clear(); }
    int abortsSent() const { return m_aborts; }

    // Printed documents of the emulator, oldest first; only those of the type when given.
    QList<QJsonObject> journal(const QString &type = QString()) const;

    CashModeWidget *m_page = nullptr;
    MainWindow *m_window = nullptr;
    EmulatorProcess *m_emulator = nullptr;

private:
    bool openWindow(bool fresh = true);
    QWidget *m_shown = nullptr;
    QStringList m_arguments;
    void closeWindow();

    QTemporaryDir *m_files = nullptr;
    QList<SentTask> m_sent;
    int m_aborts = 0;
};

#endif // CASHPAGEFIXTURE_H
