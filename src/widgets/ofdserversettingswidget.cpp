#include "ofdserversettingswidget.h"
#include "ui_ofdserversettingswidget.h"

#include "frcfgroot.h"
#include "frcoreclient.h"
#include "frcoreexternalapi.h"
#include "regdata.h"
#include "sharedobjectsstorage.h"
#include "userprompts.h"

#include <QDebug>

#include <iterator>
#include <limits>

namespace {
const char *const CHANNELS[] = {
    QT_TRANSLATE_NOOP("OfdServerSettingsWidget", "Not set"),
    QT_TRANSLATE_NOOP("OfdServerSettingsWidget", "Ethernet"),
    QT_TRANSLATE_NOOP("OfdServerSettingsWidget", "WiFi"),
    QT_TRANSLATE_NOOP("OfdServerSettingsWidget", "GSM modem"),
};
const int CHANNEL_DATA[] = { 0, 2, 3, 4 };
} // namespace

OfdServerSettingsWidget::OfdServerSettingsWidget(QWidget *parent)
    : QWidget(parent), ui(new Ui::OfdServerSettingsWidget), m_api(FrcoreClient::create(this))
{
    ui->setupUi(this);
    for (int i = 0; i < int(std::size(CHANNELS)); ++i)
        ui->cbChannel->addItem(tr(CHANNELS[i]), CHANNEL_DATA[i]);
    connect(ui->pbFromInn, &QPushButton::clicked, this, &OfdServerSettingsWidget::setByInn);
}

OfdServerSettingsWidget::~OfdServerSettingsWidget()
{
    delete ui;
}

bool OfdServerSettingsWidget::load()
{
    FrCfgRoot *root = FrCfgRoot::instance();
    if (root)
        root->showWaitWidget(tr("Loading ofd settings"), false);
    core::OfdSettings settings;
    const bool ok = m_api->getOfdSettings(settings);
    if (root)
        root->hideWaitWidget();
    qDebug() << "OFD_SETTINGS_LOADED OK=" << ok;
    if (!ok) {
        UserPrompts::critical(this, tr("Ofd settings loading"),
            tr("Settings loading timeout. Check services are started."));
        return false;
    }
    showSettings(settings);
    return true;
}

bool OfdServerSettingsWidget::save()
{
    // The service keeps the port in 16 bits; cutting 70000 down would point the register at
    // some other port without a word.
    if (ui->sbPort->value() > std::numeric_limits<quint16>::max()) {
        UserPrompts::warning(this, tr("Внимание"),
            tr("Порт сервера ОФД должен быть от 0 до %1").arg(std::numeric_limits<quint16>::max()));
        return false;
    }
    FrCfgRoot *root = FrCfgRoot::instance();
    if (root)
        root->showWaitWidget(tr("Saving ofd settings"), false);
    m_settings.setAddress(ui->leServer->text());
    m_settings.setPort(quint16(ui->sbPort->value()));
    m_settings.setQueryInterval(quint16(ui->sbInterval->value()));
    m_settings.setUrl(ui->lePrefix->text());
    const bool ok = m_api->setOfdSettings(m_settings);
    if (root)
        root->hideWaitWidget();
    qDebug() << "OFD_SETTINGS_SAVED OK=" << ok;
    if (!ok) {
        UserPrompts::critical(this, tr("Ofd settings saving"),
            tr("Settings saving timeout. Check services are started."));
        return false;
    }
    return load();
}

void OfdServerSettingsWidget::setByInn()
{
    bus::AppBusObject object;
    if (!bus::SharedObjectsStorage::get(fiscal::RegData::BUS_OBJECT_NAME, object)) {
        qDebug() << "OFD_BY_INN no registration data";
        return;
    }
    fiscal::RegData regData;
    regData.setMap(object.content());
    const QString inn = regData.ofdInn().trimmed();
    const auto it = core::OfdSettings::SUPPORTED_OFD.constFind(inn);
    if (it == core::OfdSettings::SUPPORTED_OFD.constEnd()) {
        qDebug() << "OFD_BY_INN unknown operator" << inn;
        return;
    }
    qDebug() << "OFD_BY_INN" << inn << it->address();
    showSettings(it.value());
}

void OfdServerSettingsWidget::showSettings(const core::OfdSettings &settings)
{
    ui->lePrefix->setText(settings.url());
    ui->leServer->setText(settings.address());
    ui->sbInterval->setValue(settings.queryInterval());
    ui->sbPort->setValue(settings.port());
    m_settings = settings;
}
