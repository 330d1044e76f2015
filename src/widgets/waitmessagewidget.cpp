#include "waitmessagewidget.h"
#include "ui_waitmessagewidget.h"

#include <QGuiApplication>
#include <QScreen>

WaitMessageWidget::WaitMessageWidget(QWidget *parent)
    : QDialog(parent, Qt::ToolTip), ui(new Ui::WaitMessageWidget)
{
    ui->setupUi(this);
    setWindowModality(Qt::ApplicationModal);
    setFixedSize(400, 223);
    ui->progressBar->setValue(0);
    ui->progressBar->hide();
    ui->pbCancel->hide();
    m_cancelDelay.setSingleShot(true);
    m_cancelDelay.setInterval(DEFAULT_CANCEL_DELAY_MS);
    connect(&m_cancelDelay, &QTimer::timeout, ui->pbCancel, &QWidget::show);
    moveToCentre();
}

WaitMessageWidget::~WaitMessageWidget()
{
    delete ui;
}

void WaitMessageWidget::setText(const QString &text)
{
    ui->lbMessage->setText(text);
}

QString WaitMessageWidget::text() const
{
    return ui->lbMessage->text();
}

void WaitMessageWidget::progressRange(int min, int max)
{
    ui->progressBar->setValue(1);
    ui->progressBar->show();
    ui->progressBar->setRange(min, max);
}

void WaitMessageWidget::progressValue(int value)
{
    ui->progressBar->setValue(value);
}

void WaitMessageWidget::showEvent(QShowEvent *event)
{
    // The parent may have been moved or maximised since the overlay was made.
    moveToCentre();
    QDialog::showEvent(event);
    if (ui->pbCancel->isHidden())
        m_cancelDelay.start();
}

void WaitMessageWidget::hideEvent(QHideEvent *event)
{
    m_cancelDelay.stop();
    QDialog::hideEvent(event);
}

void WaitMessageWidget::on_pbCancel_clicked()
{
    emit cancelRequested();
}

void WaitMessageWidget::moveToCentre()
{
    QRect area;
    if (QWidget *p = parentWidget())
        area = QRect(p->mapToGlobal(QPoint(0, 0)), p->size());
    else if (QScreen *screen = QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    if (area.isValid())
        move(area.center() - QPoint(width() / 2, height() / 2));
}
