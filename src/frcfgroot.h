#ifndef FRCFGROOT_H
#define FRCFGROOT_H

#include "rootsingleton.h"

#include <QLocale>
#include <QObject>

class CashboxBusController;
class FrCommandsController;
class MainWindow;
class SessionManager;
class WaitMessageWidget;

// The spine of the process: owns the long-lived controllers, the application object,
// logging and translations, and runs the main window.
class FrCfgRoot : public QObject, public RootSingleton<FrCfgRoot>
{
    Q_OBJECT
public:
    // Creates the application object unless one exists already (tests bring their own).
    FrCfgRoot(int &argc, char **argv);
    ~FrCfgRoot() override;

    // False when another instance runs: the user was told and the process should end with -1.
    bool init();
    // Shows the main window and runs the event loop; returns its exit code.
    int run();

    FrCommandsController *commandsController() const { return m_commandsController; }
    void startCommandsController();
    void stopCommandsController();
    CashboxBusController *busController() const { return m_busController; }
    // init() starts the bus controller and run() stops it; tests drive it themselves.
    void startBusController();
    void stopBusController();
    SessionManager *sessionManager() const { return m_sessionManager; }
    MainWindow *mainWindow() const { return m_mainWindow; }
    // The window the overlay forwarding goes to; run() sets its own, tests may set theirs.
    void setMainWindow(MainWindow *window) { m_mainWindow = window; }

    // The main window's wait overlay; safe outside the run step (null / nothing then).
    WaitMessageWidget *showWaitWidget(const QString &text, bool modal = true);
    void hideWaitWidget();

    // Translation files in loading order.
    static QStringList translationNames();

signals:
    void needShowFrRs232Settings();

public slots:
    void setUpLocale(QLocale locale);
    void setUpLocale();

private:
    MainWindow *m_mainWindow = nullptr;
    FrCommandsController *m_commandsController = nullptr;
    SessionManager *m_sessionManager = nullptr;
    CashboxBusController *m_busController = nullptr;
};

#endif // FRCFGROOT_H
