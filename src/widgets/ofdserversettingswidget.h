#ifndef OFDSERVERSETTINGSWIDGET_H
#define OFDSERVERSETTINGSWIDGET_H

#include "ofdsettings.h"

#include <QWidget>

namespace Ui {
class OfdServerSettingsWidget;
}

namespace core {
class FrcoreExternalApi;
}

// How the fiscal core reaches the fiscal data operator: server, port, link prefix and the
// polling interval, read from and written to the fiscal core service.
class OfdServerSettingsWidget : public QWidget
{
    Q_OBJECT
public:
    explicit OfdServerSettingsWidget(QWidget *parent = nullptr);
    ~OfdServerSettingsWidget() override;

    core::FrcoreExternalApi *api() const { return m_api; }
    // The settings a save starts from: the last read or chosen.
    core::OfdSettings settings() const { return m_settings; }

    bool load();
    // Sends the form over the last read settings and reads them back.
    bool save();

public slots:
    // Fills the form from the operator table by the operator INN of the registration;
    // nothing is sent until the user saves.
    void setByInn();

private:
    void showSettings(const core::OfdSettings &settings);

    Ui::OfdServerSettingsWidget *ui;
    core::FrcoreExternalApi *m_api;
    core::OfdSettings m_settings;
};

#endif // OFDSERVERSETTINGSWIDGET_H
