#include "connectstatuswidget.h"
#include "ui_connectstatuswidget.h"

#include "frportsettings.h"

#include <QEvent>
#include <QPixmap>

namespace {
const int LED_SIZE = 16;
}

ConnectStatusWidget::ConnectStatusWidget(QWidget *parent)
    : QWidget(parent), ui(new Ui::ConnectStatusWidget)
{
    ui->setupUi(this);
    refresh();
}

ConnectStatusWidget::~ConnectStatusWidget()
{
    delete ui;
}

QString ConnectStatusWidget::description() const
{
    return ui->lbDescription->text();
}

void ConnectStatusWidget::setConnected(bool connected)
{
    m_connected = connected;
    refresh();
}

void ConnectStatusWidget::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        refresh();
    }
    QWidget::changeEvent(event);
}

void ConnectStatusWidget::refresh()
{
    FrPortSettings settings;
    if (!m_connected) {
        ui->lbDescription->setText(tr("disconnected"));
        m_iconPath = QStringLiteral(":/icons/redled.png");
    } else {
        const QString target = settings.tcpUse()
            ? QStringLiteral("%1:%2").arg(settings.tcpAddress()).arg(settings.tcpPort())
            : settings.frPortName();
        ui->lbDescription->setText(tr("connected to %1").arg(target));
        m_iconPath = QStringLiteral(":/icons/greenled.png");
    }
    ui->lbIcon->setPixmap(
        QPixmap(m_iconPath)
            .scaled(LED_SIZE, LED_SIZE, Qt::KeepAspectRatio, Qt::SmoothTransformation));
}
