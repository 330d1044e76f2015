#include "drvnetworkwidget.h"
#include "ui_drvnetworkwidget.h"

#include "busfrcoresettings.h"
#include "com0comcontroller.h"
#include "com0comsettingswidget.h"
#include "frcfgroot.h"
#include "frcoreclient.h"
#include "frcoreconfig.h"
#include "frcoreexternalapi.h"
#include "frhttpconfig.h"
#include "servicecontroller.h"
#include "userprompts.h"

#include <QDebug>
#include <QEvent>
#include <QHBoxLayout>

namespace {
const QString KEY_MODEL = QStringLiteral("model");
const QString KEY_NAME = QStringLiteral("name");
const QString KEY_VER = QStringLiteral("ver");

// The version field's text as the fiscal core keeps it: two digits a part, blanks as zeros.
QString versionDigits(QString text)
{
    text.replace(QLatin1Char('*'), QLatin1Char('0'));
    QString digits;
    for (const QString &part : text.split(QLatin1Char('.')))
        digits += part.rightJustified(2, QLatin1Char('0'));
    return digits;
}
} // namespace

DrvNetworkWidget::DrvNetworkWidget(QWidget *parent)
    : QWidget(parent),
      ui(new Ui::DrvNetworkWidget),
      m_api(FrcoreClient::create(this)),
      m_service(ServiceController::create(ServiceController::DRIVER_SERVICE))
{
    ui->setupUi(this);
    FrCfgRoot *root = FrCfgRoot::instance();
    m_com0Com
        = new Com0ComSettingsWidget(new BusFrCoreSettings(root ? root->busController() : nullptr),
            Com0ComController::defaultLibraryPath(), ui->wCom0ComContainer);
    auto *layout = new QHBoxLayout(ui->wCom0ComContainer);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_com0Com);

    connect(ui->pbReload, &QPushButton::released, this, &DrvNetworkWidget::reloadNetworkSettings);
    connect(ui->pbSave, &QPushButton::released, this, &DrvNetworkWidget::saveNetworkSettings);
    connect(ui->pbAtolReload, &QPushButton::released, this, &DrvNetworkWidget::reloadAtolSettings);
    connect(ui->pbAtolSave, &QPushButton::released, this, &DrvNetworkWidget::saveAtolSettings);
}

DrvNetworkWidget::~DrvNetworkWidget()
{
    delete ui;
}

FrPrinterSettingsPage *DrvNetworkWidget::printerPage() const
{
    return ui->wPrinter;
}

void DrvNetworkWidget::setServiceController(ServiceController *controller)
{
    m_service.reset(controller);
}

void DrvNetworkWidget::reload()
{
    reloadNetworkSettings();
    ui->wPrinter->reload();
    // The pair's end reaches the fiscal core only while its service answers; the page was
    // built before the bus was up.
    m_com0Com->checkPorts();
}

void DrvNetworkWidget::save()
{
    ui->wPrinter->save();
}

void DrvNetworkWidget::saveNetworkSettings()
{
    const QString title = tr("Конфигурация драйвера");
    if (m_service->isRunning()) {
        qDebug() << "DRV_NETWORK_SAVE_REFUSED service runs";
        UserPrompts::warning(
            this, title, tr("Перед сохранением настроек остановите сервис драйвера"));
        return;
    }
    const quint16 atolPort = quint16(ui->sbAtolPort->value());
    const quint16 httpPort = quint16(ui->sbHttpPort->value());
    QStringList failed;
    if (!FrCoreConfig().setAtolTcpPort(atolPort))
        failed << FrCoreConfig::filePath();
    if (!FrHttpConfig().setPort(httpPort))
        failed << FrHttpConfig::filePath();
    qDebug() << "DRV_NETWORK_SAVED ATOL=" << atolPort << "HTTP=" << httpPort << "FAILED=" << failed;
    if (!failed.isEmpty())
        UserPrompts::warning(this, title,
            tr("Не удалось записать настройки в %1").arg(failed.join(QStringLiteral(", "))));
}

void DrvNetworkWidget::reloadNetworkSettings()
{
    ui->sbAtolPort->setValue(FrCoreConfig().atolTcpPort());
    ui->sbHttpPort->setValue(FrHttpConfig().port());
}

void DrvNetworkWidget::reloadAtolSettings()
{
    const QVariantMap data = m_api->getAtolModelData();
    qDebug() << "ATOL_MODEL_LOADED" << data << m_api->lastErrorText();
    if (data.isEmpty()) {
        UserPrompts::critical(
            this, tr("Получение версии и модели"), tr("Ошибка получения версии и модели"));
        return;
    }
    showAtolSettings(data);
}

void DrvNetworkWidget::saveAtolSettings()
{
    const QString title = tr("Запись версии и модели");
    const int model = ui->sbAtolModel->value();
    if (model == 0) {
        UserPrompts::critical(this, title, tr("Не корректный номер модели"));
        return;
    }
    const QString name = ui->leAtolName->text();
    if (name.trimmed().isEmpty()) {
        UserPrompts::critical(this, title, tr("Не корректное наименование модели"));
        return;
    }
    const QVariantMap data { { KEY_MODEL, model },
        { KEY_VER, versionDigits(ui->leAtolVersion->text()) }, { KEY_NAME, name } };
    const QVariantMap stored = m_api->setAtolModelData(data);
    qDebug() << "ATOL_MODEL_SAVED" << data << stored << m_api->lastErrorText();
    if (stored.isEmpty()) {
        UserPrompts::critical(this, title, tr("Ошибка Записи версии и модели"));
        return;
    }
    showAtolSettings(stored);
}

void DrvNetworkWidget::showAtolSettings(const QVariantMap &data)
{
    ui->sbAtolModel->setValue(int(data.value(KEY_MODEL).toUInt()));
    ui->leAtolName->setText(data.value(KEY_NAME).toString());
    ui->leAtolVersion->setText(data.value(KEY_VER).toString());
}

void DrvNetworkWidget::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QWidget::changeEvent(event);
}
