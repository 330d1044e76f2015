#include "com0comsettingswidget.h"
#include "ui_com0comsettingswidget.h"

#include "com0comcontroller.h"
#include "filefrcoresettings.h"

#include <QDebug>
#include <QEvent>

Com0ComSettingsWidget::Com0ComSettingsWidget(QWidget *parent)
    : Com0ComSettingsWidget(new FileFrCoreSettings, Com0ComController::defaultLibraryPath(), parent)
{ }

Com0ComSettingsWidget::Com0ComSettingsWidget(
    FrCoreSettingsAccess *settings, const QString &libraryPath, QWidget *parent)
    : QWidget(parent),
      ui(new Ui::Com0ComSettingsWidget),
      m_settings(settings),
      m_libraryPath(libraryPath)
{
    ui->setupUi(this);
    qDebug() << "COM0COM_WIDGET CREATE";
    connect(ui->pbInstall, &QPushButton::released, this, &Com0ComSettingsWidget::createPorts);
    connect(ui->pnRemove, &QPushButton::released, this, &Com0ComSettingsWidget::removePorts);
    checkPorts();
}

Com0ComSettingsWidget::~Com0ComSettingsWidget()
{
    delete ui;
}

Com0ComController *Com0ComSettingsWidget::controller()
{
    if (!m_controller) {
        QScopedPointer<Com0ComController> c(new Com0ComController(m_libraryPath));
        if (c->isUsable())
            m_controller.swap(c);
    }
    return m_controller.data();
}

void Com0ComSettingsWidget::checkPorts()
{
    Com0ComController *c = controller();
    if (!c)
        return;
    const Com0ComController::PairMap pairs = c->getPairs();
    qDebug() << "COM0COM_WIDGET CHEK" << pairs;
    QVariantMap settings = m_settings->getFrCoreSettings();
    const QVariantMap before = settings;
    if (pairs.isEmpty()) {
        ui->leOwnPort->clear();
        ui->leClientPort->clear();
        settings.remove(FrCoreSettingsAccess::KEY_HOST_RS);
    } else {
        const auto lowest = pairs.constBegin();
        ui->leClientPort->setText(lowest.value().first);
        ui->leOwnPort->setText(lowest.value().second);
        settings.insert(FrCoreSettingsAccess::KEY_HOST_RS, lowest.value().second);
    }
    if (settings != before && !m_settings->setFrCoreSettings(settings))
        qWarning() << "COM0COM_WIDGET HOST_RS_NOT_STORED" << settings;
}

void Com0ComSettingsWidget::createPorts()
{
    if (Com0ComController *c = controller())
        c->installPair();
    checkPorts();
}

void Com0ComSettingsWidget::removePorts()
{
    if (Com0ComController *c = controller())
        c->removePairs();
    checkPorts();
}

void Com0ComSettingsWidget::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QWidget::changeEvent(event);
}
