#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "connectstatuswidget.h"
#include "frcfgroot.h"
#include "frcommandscontroller.h"
#include "frportsettings.h"
#include "sessionmanager.h"
#include "userprompts.h"
#include "waitmessagewidget.h"

#include <QButtonGroup>
#include <QDebug>
#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QStyle>

static void initResources()
{
    // The icons are compiled into a static library; nothing would pull them in otherwise.
    Q_INIT_RESOURCE(resources);
}

namespace {
const char SETTINGS_FILTER[] = QT_TRANSLATE_NOOP("MainWindow", "Settings file (*.sts)");

// Calls a slot of a page that may still be a placeholder.
void invokeIfPresent(QObject *page, const char *signature, const char *method)
{
    if (page && page->metaObject()->indexOfMethod(signature) >= 0)
        QMetaObject::invokeMethod(page, method);
}
} // namespace

MainWindow::MainWindow(SessionManager *session, QWidget *parent)
    : QMainWindow(parent),
      ui(new Ui::MainWindow),
      m_session(session),
      m_waitCancelDelay(WaitMessageWidget::DEFAULT_CANCEL_DELAY_MS)
{
    initResources();
    ui->setupUi(this);
    ui->mainTabs->setCurrentIndex(0);
    ui->serviceModTabs->setCurrentIndex(0);

    m_connectStatus = new ConnectStatusWidget(ui->statusBar);
    m_frModeLabel = new QLabel(ui->statusBar);
    m_frModeLabel->setObjectName(QStringLiteral("lbFrMode"));
    m_frModeLabel->setMinimumWidth(200);
    m_frModeLabel->setStyleSheet(QStringLiteral("padding-left: 12px;"));
    ui->statusBar->addWidget(m_connectStatus);
    ui->statusBar->addWidget(m_frModeLabel);

    if (FrCfgRoot *root = FrCfgRoot::instance())
        connect(root, &FrCfgRoot::needShowFrRs232Settings, this,
            &MainWindow::needShowFrRs232SettingsHandler);
    if (FrCommandsController *c = controller()) {
        connect(c, &FrCommandsController::frStateReceivedGlobal, this,
            &MainWindow::frStateGlobalReceiveHandler);
        connect(c, &FrCommandsController::connectionPasswordError, this,
            &MainWindow::frConnectionPasswordErrorHandler);
        connect(c, &FrCommandsController::connectState, this, &MainWindow::connectStatHandlere);
    }
    // The receipt page announces new pictures once it is more than a placeholder.
    if (ui->pageCheck->metaObject()->indexOfSignal("checkRecieved()") >= 0)
        connect(ui->pageCheck, SIGNAL(checkRecieved()), this, SLOT(checkRecieved()));

    setWindowTitle(tr("Универсальный конфигуратор ОРВА"));

    m_modesGroup = new QButtonGroup(this);
    m_modesGroup->setExclusive(true);
    m_modesGroup->addButton(ui->pbRegs, 0);
    m_modesGroup->addButton(ui->pbProgMode, 1);
    m_modesGroup->addButton(ui->pbReports, 2);
    m_modesGroup->addButton(ui->pbServiceMode, 3);
    m_modesGroup->addButton(ui->pbFiscMode, 4);
    m_modesGroup->addButton(ui->tbCheck, 5);
    ui->pbServiceMode->setChecked(true);
    // idReleased is the 5.15 name of buttonReleased(int).
    connect(
        m_modesGroup, &QButtonGroup::idReleased, ui->mainTabs, &QStackedWidget::setCurrentIndex);
    ui->mainTabs->setCurrentIndex(3);

    connect(ui->tbConnect, &QToolButton::released, this, &MainWindow::connectFr);
    connect(ui->tbDisconnect, &QToolButton::released, this, &MainWindow::disconnectFr);
    ui->tbExportSettings->setDefaultAction(ui->actSettingsExport);
    ui->tbImportSettings->setDefaultAction(ui->actSettingsImport);
    applyIcons();
}

MainWindow::~MainWindow()
{
    hideWaitWidget();
    delete ui;
}

WaitMessageWidget *MainWindow::showWaitWidget(const QString &text, bool modal)
{
    hideWaitWidget();
    auto *wait = new WaitMessageWidget(this);
    wait->setAttribute(Qt::WA_DeleteOnClose);
    wait->setText(text);
    wait->setWindowModality(modal ? Qt::ApplicationModal : Qt::NonModal);
    wait->setCancelDelay(m_waitCancelDelay);
    connect(wait, &WaitMessageWidget::cancelRequested, this, &MainWindow::waitCancelledHandler);
    wait->show();
    qDebug() << "WAIT_WIDGET_SHOWN MODAL=" << modal;
    m_waitWidget = wait;
    return wait;
}

void MainWindow::hideWaitWidget()
{
    if (m_waitWidget)
        m_waitWidget->close();
    m_waitWidget = nullptr;
}

void MainWindow::waitCancelledHandler()
{
    qDebug() << "WAIT_CANCELLED_BY_USER";
    hideWaitWidget();
    // Everything the pages wait for ends: the mode change as failed, queued tasks with an
    // error, the register's buffer with an abort.
    if (FrCommandsController *c = controller())
        c->forceStopAll();
}

QString MainWindow::frModeText() const
{
    return m_frModeLabel->text();
}

void MainWindow::on_serviceModTabs_currentChanged(int index)
{
    QWidget *tab = ui->serviceModTabs->widget(index);
    const bool editable = tab != ui->tabServiceFrState;
    ui->pbServiceModSave->setVisible(editable);
    ui->pbServiceModeReload->setVisible(editable);
    if (tab == ui->tabServiceNetwork)
        invokeIfPresent(ui->wgtServiceNetwork, "reload()", "reload");
    FrPortSettings settings;
    ui->lePassword->setText(settings.frConnPwd());
}

void MainWindow::on_actSettingsExport_triggered()
{
    QString fileName = UserPrompts::getSaveFileName(
        this, tr("Save settings export file"), QStringLiteral("kkt_current"), tr(SETTINGS_FILTER));
    if (fileName.isEmpty())
        return;
    if (!fileName.contains(QLatin1String("sts")))
        fileName += QLatin1String(".sts");
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        qWarning() << "SETTINGS_EXPORT_OPEN_FAILED" << fileName << file.errorString();
        return;
    }
    file.write(QStringLiteral("HELLO WORLD").toUtf8());
    file.close();
    qDebug() << "SETTINGS_EXPORTED" << fileName;
}

void MainWindow::on_actSettingsImport_triggered()
{
    const QString fileName = UserPrompts::getOpenFileName(
        this, tr("Open settings export file"), QString(), tr(SETTINGS_FILTER));
    qDebug() << "SETTINGS_IMPORT_CHOSEN" << fileName;
}

void MainWindow::on_pbServiceModSave_clicked()
{
    QWidget *tab = ui->serviceModTabs->currentWidget();
    if (tab == ui->tabServiceModeCommon)
        invokeIfPresent(ui->wgtServiceCommon, "save()", "save");
    else if (tab == ui->tabServiceNetwork)
        invokeIfPresent(ui->wgtServiceNetwork, "save()", "save");
}

void MainWindow::on_pbServiceModeReload_clicked()
{
    QWidget *tab = ui->serviceModTabs->currentWidget();
    if (tab == ui->tabServiceModeCommon)
        invokeIfPresent(ui->wgtServiceCommon, "reload()", "reload");
    else if (tab == ui->tabServiceNetwork)
        invokeIfPresent(ui->wgtServiceNetwork, "reload()", "reload");
}

void MainWindow::frStateGlobalReceiveHandler(FrStateCommandAnswer state)
{
    if (m_session)
        m_session->setLastState(state);
    m_frModeLabel->setText(tr("ККТ: %1").arg(modeName(state.mode())));
}

void MainWindow::frConnectionPasswordErrorHandler()
{
    m_frModeLabel->setText(tr("ККТ: Неверный пароль!!!"));
}

void MainWindow::connectStatHandlere(bool connected)
{
    m_connectStatus->setConnected(connected);
    // Without a link the last mode seen is no longer known.
    if (!connected)
        m_frModeLabel->clear();
    if (connected) {
        if (FrCommandsController *c = controller()) {
            c->sendClearBufferCommand();
            // Ask once so the status bar names the register's mode as soon as the link is up,
            // not only after the first page talks to it.
            c->sendGetFrStateCommand(true);
        }
    }
}

void MainWindow::on_mainTabs_currentChanged(int index)
{
    if (ui->mainTabs->widget(index) != ui->pageFiscal)
        return;
    FrCommandsController *c = controller();
    if (c && c->isConnected())
        invokeIfPresent(ui->pageFiscal, "reload()", "reload");
}

void MainWindow::needShowFrRs232SettingsHandler()
{
    ui->pbServiceMode->setChecked(true);
    ui->mainTabs->setCurrentWidget(ui->pageServiceMode);
}

void MainWindow::connectFr()
{
    disconnectFr();
    if (FrCfgRoot *root = FrCfgRoot::instance())
        root->startCommandsController();
}

void MainWindow::disconnectFr()
{
    if (FrCfgRoot *root = FrCfgRoot::instance())
        root->stopCommandsController();
    m_connectStatus->setConnected(false);
    m_frModeLabel->clear();
}

void MainWindow::checkRecieved()
{
    ui->tbCheck->setChecked(true);
    ui->mainTabs->setCurrentIndex(5);
}

void MainWindow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        setWindowTitle(tr("Универсальный конфигуратор ОРВА"));
    }
    QMainWindow::changeEvent(event);
}

FrCommandsController *MainWindow::controller() const
{
    FrCfgRoot *root = FrCfgRoot::instance();
    return root ? root->commandsController() : nullptr;
}

void MainWindow::applyIcons()
{
    ui->actSettingsExport->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
    ui->actSettingsImport->setIcon(style()->standardIcon(QStyle::SP_DialogOpenButton));
    ui->tbConnect->setIcon(QIcon(QStringLiteral(":/icons/greenled.png")));
    ui->tbDisconnect->setIcon(QIcon(QStringLiteral(":/icons/redled.png")));
}
