#ifndef CASHPAGEFIXTURE_H
#define CASHPAGEFIXTURE_H

#include "registerfixture.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QWidget>

#include <functional>

class CashModeWidget;
class EmulatorProcess;
class MainWindow;
class QTemporaryDir;

// One device command as it went out in an add-task record.
struct SentTask
{
    quint8 tid = 0;
    quint8 code = 0;
    QByteArray payload; // after the command code
    // The tag of a send-requisite command, 0 for the others.
    quint16 requisiteTag() const;
};

// Texts of the wait overlays as they are shown.
class OverlayRecorder : public QObject
{
public:
    QStringList texts;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};

// The cash page as the user meets it: the main window with its promoted page, the root's
// controller with short timers, and behind the link either orvaemu (with its journal and
// state in a temporary folder) or the scripted register. Prompts are recorded, overlays
// and every task put on the wire are kept for the checks.
class CashPageFixture : protected RegisterFixture
{
protected:
    static const int REQUISITE_TIMEOUT_MS = 400;

    void setUpCase(); // from initTestCase
    void tearDownCase(); // from cleanupTestCase
    // From a test: orvaemu with the options, the window and the link up.
    bool startWithEmulator(const QStringList &arguments = {});
    // From a test: the scripted register instead.
    bool startWithScriptedDevice();
    // The emulator stops and starts again on its state and journal; the link reconnects.
    bool restartEmulator();
    void tearDownTest(); // from cleanup

    // Widgets of the page by object name.
    template<typename T>
    T *w(const char *name) const;
    void click(const char *name);
    void showTab(const char *name);
    void setText(const char *name, const QString &text);
    void setValue(const char *name, double value);
    void selectData(const char *name, const QVariant &data);

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

    // The page built anew (the window closes and opens again); the link stays up.
    bool rebuildWindow();

    // What the program logged since the last mark.
    void markLog();
    QString logSinceMark() const;

    // Printed documents of the emulator, oldest first; only those of the type when given.
    QList<QJsonObject> journal(const QString &type = QString()) const;

    CashModeWidget *m_page = nullptr;
    MainWindow *m_window = nullptr;
    EmulatorProcess *m_emulator = nullptr;
    OverlayRecorder m_overlays;

private:
    QWidget *pageWidget() const;
    bool openWindow(bool fresh = true);
    bool connectLink();
    void stopLink();
    QStringList emulatorArguments() const;

    QTemporaryDir *m_files = nullptr;
    QStringList m_arguments;
    QList<SentTask> m_sent;
    int m_aborts = 0;
    qint64 m_logMark = 0;
};

template<typename T>
T *CashPageFixture::w(const char *name) const
{
    QWidget *page = pageWidget();
    return page ? page->findChild<T *>(QLatin1String(name)) : nullptr;
}

#endif // CASHPAGEFIXTURE_H
