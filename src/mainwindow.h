#ifndef MAINWINDOW_H
#define MAINWINDOW_H

#include "franswers.h"

#include <QMainWindow>
#include <QPointer>

namespace Ui {
class MainWindow;
}

class ConnectStatusWidget;
class FrCommandsController;
class QButtonGroup;
class QLabel;
class SessionManager;
class WaitMessageWidget;

// The one window: a column of mode buttons switching the pages, the link buttons, the
// status bar with the link state and the register's mode, and the wait overlay.
//
// Pages of later work plug in by promoting the placeholder widgets of the form (pageCashbox,
// pageProgMode, pageReports, pageFiscal, pageCheck, wgtServiceCommon, wgtServiceNetwork,
// wgtServiceState) to their classes. The window reaches them by their slots: reload() and
// save() on the service tabs and the registration page, and the checkRecieved() signal of
// the receipt page; a placeholder without them is simply left alone.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(SessionManager *session, QWidget *parent = nullptr);
    ~MainWindow() override;

    // Replaces the current overlay (if any) with a new one showing the text. Overlays delete
    // themselves when closed: keep the result in a QPointer.
    WaitMessageWidget *showWaitWidget(const QString &text, bool modal = true);
    void hideWaitWidget();
    WaitMessageWidget *waitWidget() const { return m_waitWidget; }

    // How long an overlay stays before it offers "Отмена" (tests shorten it).
    void setWaitCancelDelay(int msecs) { m_waitCancelDelay = msecs; }

    ConnectStatusWidget *connectStatusWidget() const { return m_connectStatus; }
    QString frModeText() const;

public slots:
    void on_serviceModTabs_currentChanged(int index);
    void on_actSettingsExport_triggered();
    void on_actSettingsImport_triggered();
    void on_pbServiceModSave_clicked();
    void on_pbServiceModeReload_clicked();
    void frStateGlobalReceiveHandler(FrStateCommandAnswer state);
    void frConnectionPasswordErrorHandler();
    void connectStatHandlere(bool connected);
    void on_mainTabs_currentChanged(int index);
    void needShowFrRs232SettingsHandler();
    void connectFr();
    void disconnectFr();
    void checkRecieved();

protected:
    void changeEvent(QEvent *event) override;

private:
    FrCommandsController *controller() const;
    void applyIcons();
    void waitCancelledHandler();

    Ui::MainWindow *ui;
    SessionManager *m_session;
    ConnectStatusWidget *m_connectStatus = nullptr;
    QLabel *m_frModeLabel = nullptr;
    QPointer<WaitMessageWidget> m_waitWidget;
    QButtonGroup *m_modesGroup = nullptr;
    int m_waitCancelDelay;
};

#endif // MAINWINDOW_H
