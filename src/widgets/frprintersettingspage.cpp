#include "frprintersettingspage.h"
#include "ui_frprintersettingspage.h"

#include "frcfgroot.h"
#include "frcoreclient.h"
#include "frcoreexternalapi.h"
#include "frprintersettings.h"
#include "rs232printersettings.h"
#include "userprompts.h"

#include <QDebug>
#include <QEvent>
#include <QSerialPortInfo>

namespace {
const char *const BAUDRATES[]
    = { "1200", "2400", "4800", "9600", "14400", "19200", "38400", "57600", "115200" };
const quint32 PRINTER_TYPES[]
    = { core::PrinterEscPos, core::PrinterCustomVkp80, core::PrinterImage };
const QString DEV_PREFIX = QStringLiteral("/dev/");
} // namespace

FrPrinterSettingsPage::FrPrinterSettingsPage(QWidget *parent)
    : QWidget(parent), ui(new Ui::FrPrinterSettingsPage), m_api(FrcoreClient::create(this))
{
    ui->setupUi(this);
    for (quint32 type : PRINTER_TYPES) {
        core::FrPrinterSettings settings;
        settings.setType(core::PrinterDeviceType(type));
        frprint::Rs232PrinterSettings printer;
        printer.setModel(settings.printerModel());
        ui->cbPrinterModel->addItem(printer.printerInfo().name, type);
    }
    // Nothing is shown as the service's printer before it was read.
    ui->cbPrinterModel->setCurrentIndex(-1);
    QStringList ports;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        ports << info.portName();
    setAvailablePorts(ports);
    for (const char *rate : BAUDRATES)
        ui->cbPrinterBaudRate->addItem(QLatin1String(rate), QLatin1String(rate));
    ui->cbPrinterBaudRate->setCurrentIndex(-1);
    connect(ui->pbDefaults, &QPushButton::released, this, &FrPrinterSettingsPage::saveDefaults);
    connect(ui->cbPrinterModel, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
        &FrPrinterSettingsPage::printerModelChanged);
    printerModelChanged(ui->cbPrinterModel->currentIndex());
    setEnabled(false);
}

FrPrinterSettingsPage::~FrPrinterSettingsPage()
{
    delete ui;
}

void FrPrinterSettingsPage::setAvailablePorts(const QStringList &names)
{
    const QString current = ui->cbPrinterPort->currentData().toString();
    ui->cbPrinterPort->clear();
    for (const QString &name : names)
        ui->cbPrinterPort->addItem(name, name);
    ui->cbPrinterPort->setCurrentIndex(ui->cbPrinterPort->findData(current));
}

void FrPrinterSettingsPage::reload()
{
    FrCfgRoot *root = FrCfgRoot::instance();
    if (root)
        root->showWaitWidget(tr("Loading printer settings"), false);
    core::FrPrinterSettings settings;
    const bool ok = m_api->getPrinterSettings(settings);
    if (root)
        root->hideWaitWidget();
    qDebug() << "PRINTER_SETTINGS_LOADED OK=" << ok << m_api->lastErrorText();
    if (!ok) {
        UserPrompts::critical(this, tr("Printer settings loading"),
            tr("Settings loading timeout. Check services are started."));
        return;
    }
    m_loaded = true;
    setEnabled(true);
    showSettings(settings);
}

void FrPrinterSettingsPage::save()
{
    if (!m_loaded) {
        qDebug() << "PRINTER_SETTINGS_SAVE_SKIPPED never loaded";
        return;
    }
    core::FrPrinterSettings settings;
    settings.setType(core::PrinterDeviceType(ui->cbPrinterModel->currentData().toUInt()));
    settings.setPortName(ui->cbPrinterPort->currentText());
    settings.setBaudrate(int(ui->cbPrinterBaudRate->currentText().toUInt()));
    settings.setSymbolsPerLine(ui->sbSymbolsPerLine->value());
    store(settings);
}

void FrPrinterSettingsPage::printerModelChanged(int idx)
{
    const bool serial = core::isSerialPrinter(ui->cbPrinterModel->itemData(idx).toUInt());
    ui->lBaudRate->setEnabled(serial);
    ui->lPort->setEnabled(serial);
    ui->cbPrinterPort->setEnabled(serial);
    ui->cbPrinterBaudRate->setEnabled(serial);
}

void FrPrinterSettingsPage::saveDefaults()
{
    core::FrPrinterSettings defaults;
    defaults.setType(core::PrinterDefault);
    store(defaults);
}

void FrPrinterSettingsPage::store(const core::FrPrinterSettings &settings)
{
    FrCfgRoot *root = FrCfgRoot::instance();
    if (root)
        root->showWaitWidget(tr("Saving printer settings"), false);
    const bool ok = m_api->setPrinterSettings(settings);
    if (root)
        root->hideWaitWidget();
    qDebug() << "PRINTER_SETTINGS_SAVED OK=" << ok << settings.toMap() << m_api->lastErrorText();
    if (!ok) {
        UserPrompts::critical(this, tr("Printer settings saving"),
            tr("Settings saving timeout. Check services are started."));
        return;
    }
    reload();
}

void FrPrinterSettingsPage::showSettings(const core::FrPrinterSettings &settings)
{
    ui->cbPrinterModel->setCurrentIndex(ui->cbPrinterModel->findData(quint32(settings.type())));
    QString port = settings.portName();
    port.remove(DEV_PREFIX);
    ui->cbPrinterPort->setCurrentIndex(ui->cbPrinterPort->findData(port));
    ui->cbPrinterBaudRate->setCurrentIndex(
        ui->cbPrinterBaudRate->findData(QString::number(settings.baudrate())));
    ui->sbSymbolsPerLine->setValue(settings.symbolsPerLine());
}

void FrPrinterSettingsPage::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QWidget::changeEvent(event);
}
