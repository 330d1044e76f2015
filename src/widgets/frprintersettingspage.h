#ifndef FRPRINTERSETTINGSPAGE_H
#define FRPRINTERSETTINGSPAGE_H

#include <QWidget>

namespace Ui {
class FrPrinterSettingsPage;
}

namespace core {
class FrcoreExternalApi;
class FrPrinterSettings;
} // namespace core

// The receipt printer the fiscal core drives: model, serial port, baud rate and characters
// a line, read from and written to the fiscal core service. Disabled until the first
// successful reload, so that a save cannot send an empty form over the service's printer.
class FrPrinterSettingsPage : public QWidget
{
    Q_OBJECT
public:
    explicit FrPrinterSettingsPage(QWidget *parent = nullptr);
    ~FrPrinterSettingsPage() override;

    core::FrcoreExternalApi *api() const { return m_api; }
    // The serial ports offered; the constructor offers those of the workstation.
    void setAvailablePorts(const QStringList &names);

public slots:
    void reload();
    void save();
    void printerModelChanged(int idx);
    void saveDefaults();

protected:
    void changeEvent(QEvent *event) override;

private:
    // Sends the settings under the overlay, then reloads; a failure is reported.
    void store(const core::FrPrinterSettings &settings);
    void showSettings(const core::FrPrinterSettings &settings);

    Ui::FrPrinterSettingsPage *ui;
    core::FrcoreExternalApi *m_api;
    bool m_loaded = false;
};

#endif // FRPRINTERSETTINGSPAGE_H
