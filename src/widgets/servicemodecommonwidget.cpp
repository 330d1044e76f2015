#include "servicemodecommonwidget.h"

#include "ofdserversettingswidget.h"

#include <QDebug>
#include <QVBoxLayout>

ServiceModeCommonWidget::ServiceModeCommonWidget(QWidget *parent)
    : QWidget(parent), m_ofdSettings(new OfdServerSettingsWidget(this))
{
    m_ofdSettings->setObjectName(QStringLiteral("wgtOfdSettings"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_ofdSettings);
    setEnabled(false);
}

void ServiceModeCommonWidget::reload()
{
    m_opened = true;
    setEnabled(true);
    m_ofdSettings->load();
}

void ServiceModeCommonWidget::save()
{
    if (!m_opened) {
        qDebug() << "OFD_SETTINGS_SAVE_SKIPPED never loaded";
        return;
    }
    m_ofdSettings->save();
}
