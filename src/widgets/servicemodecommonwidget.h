#ifndef SERVICEMODECOMMONWIDGET_H
#define SERVICEMODECOMMONWIDGET_H

#include <QWidget>

class OfdServerSettingsWidget;

// The "Доступ к ОФД" tab of the service page. Disabled and empty until the first reload,
// so that "Записать" cannot send an empty form over the service's settings.
class ServiceModeCommonWidget : public QWidget
{
    Q_OBJECT
public:
    explicit ServiceModeCommonWidget(QWidget *parent = nullptr);

    OfdServerSettingsWidget *ofdSettingsWidget() const { return m_ofdSettings; }

public slots:
    // Enables the tab, then loads.
    void reload();
    void save();

private:
    OfdServerSettingsWidget *m_ofdSettings;
    bool m_opened = false;
};

#endif // SERVICEMODECOMMONWIDGET_H
