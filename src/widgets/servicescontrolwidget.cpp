#include "servicescontrolwidget.h"
#include "ui_servicescontrolwidget.h"

#include "servicecontroller.h"
#include "userprompts.h"

#include <QDebug>
#include <QEvent>
#include <QStyle>

namespace {
const char GREEN_LED[] = ":/icons/greenled.png";
const char RED_LED[] = ":/icons/redled.png";
} // namespace

ServicesControlWidget::ServicesControlWidget(QWidget *parent)
    : ServicesControlWidget(ServiceController::create(ServiceController::DRIVER_SERVICE), parent)
{ }

ServicesControlWidget::ServicesControlWidget(ServiceController *controller, QWidget *parent)
    : QWidget(parent), ui(new Ui::ServicesControlWidget), m_controller(controller)
{
    ui->setupUi(this);
    ui->tbInstall->setIcon(style()->standardIcon(QStyle::SP_ArrowDown));
    ui->tbRun->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    ui->tbStop->setIcon(style()->standardIcon(QStyle::SP_MediaStop));
    ui->tbUninstall->setIcon(style()->standardIcon(QStyle::SP_TrashIcon));

    connect(ui->tbInstall, &QToolButton::released, this, &ServicesControlWidget::registreService);
    connect(
        ui->tbUninstall, &QToolButton::released, this, &ServicesControlWidget::unregistreService);
    connect(ui->tbRun, &QToolButton::released, this, &ServicesControlWidget::startService);
    connect(ui->tbStop, &QToolButton::released, this, &ServicesControlWidget::stopService);

    m_pollTimer.setSingleShot(true);
    m_pollTimer.setInterval(POLL_INTERVAL_MS);
    connect(&m_pollTimer, &QTimer::timeout, this, &ServicesControlWidget::checkServiceState);
    checkServiceState();
}

ServicesControlWidget::~ServicesControlWidget()
{
    delete ui;
}

void ServicesControlWidget::setPollInterval(int ms)
{
    m_pollTimer.setInterval(ms);
    m_pollTimer.start();
}

void ServicesControlWidget::checkServiceState()
{
    m_pollTimer.stop();
    const bool installed = m_controller->isInstalled();
    const bool running = installed && m_controller->isRunning();
    ui->tbInstall->setEnabled(!installed);
    ui->tbUninstall->setEnabled(installed && !running);
    ui->tbRun->setEnabled(installed && !running);
    ui->tbStop->setEnabled(running);
    const QString led = QLatin1String(running ? GREEN_LED : RED_LED);
    if (led != m_ledPath) {
        m_ledPath = led;
        ui->tbLed->setIcon(QIcon(led));
        qDebug() << "SERVICE_STATE INSTALLED=" << installed << "RUNNING=" << running;
    }
    emit started(running);
    m_pollTimer.start();
}

void ServicesControlWidget::report(bool ok, const char *success, const char *failure)
{
    if (ok)
        UserPrompts::information(this, tr("Service message"), tr(success));
    else
        UserPrompts::critical(this, tr("Service Error"), tr(failure));
}

void ServicesControlWidget::registreService()
{
    if (!m_controller->isInstalled()) {
        report(m_controller->install(ServiceController::driverExecutable(), QString(), QString()),
            QT_TR_NOOP("Service was registered successfully!"),
            QT_TR_NOOP("Service can't be registered!"));
    }
    checkServiceState();
}

void ServicesControlWidget::unregistreService()
{
    if (m_controller->isInstalled()) {
        report(m_controller->uninstall(), QT_TR_NOOP("Service was unregistered successfully!"),
            QT_TR_NOOP("Service can't be unregistered!"));
    }
    checkServiceState();
}

void ServicesControlWidget::startService()
{
    emit beforeStarting();
    if (m_controller->isInstalled() && !m_controller->isRunning()) {
        report(m_controller->start(), QT_TR_NOOP("Service was started successfully!"),
            QT_TR_NOOP("Service can't be started!"));
    }
    checkServiceState();
}

void ServicesControlWidget::stopService()
{
    if (m_controller->isInstalled() && m_controller->isRunning()) {
        report(m_controller->stop(), QT_TR_NOOP("Service was stopped successfully!"),
            QT_TR_NOOP("Service can't be stoped!"));
    }
    checkServiceState();
}

void ServicesControlWidget::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QWidget::changeEvent(event);
}
