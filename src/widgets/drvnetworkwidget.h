#ifndef DRVNETWORKWIDGET_H
#define DRVNETWORKWIDGET_H

#include <QScopedPointer>
#include <QVariantMap>
#include <QWidget>

namespace Ui {
class DrvNetworkWidget;
}

namespace core {
class FrcoreExternalApi;
}

class Com0ComSettingsWidget;
class FrPrinterSettingsPage;
class ServiceController;

// The "Настройки драйвера" tab: the driver's ATOL and HTTP ports in its configuration files,
// the model, version and name it reports over the ATOL protocol, its printer and the virtual
// COM port pair.
class DrvNetworkWidget : public QWidget
{
    Q_OBJECT
public:
    explicit DrvNetworkWidget(QWidget *parent = nullptr);
    ~DrvNetworkWidget() override;

    FrPrinterSettingsPage *printerPage() const;
    Com0ComSettingsWidget *com0ComWidget() const { return m_com0Com; }
    core::FrcoreExternalApi *api() const { return m_api; }
    // Tells whether the driver's service runs (taken over); the platform's service manager
    // by default.
    void setServiceController(ServiceController *controller);

public slots:
    // The ports, the printer and the COM port pair; not the model data.
    void reload();
    void save();
    void saveNetworkSettings();
    void reloadNetworkSettings();
    void reloadAtolSettings();
    void saveAtolSettings();

protected:
    void changeEvent(QEvent *event) override;

private:
    void showAtolSettings(const QVariantMap &data);

    Ui::DrvNetworkWidget *ui;
    core::FrcoreExternalApi *m_api;
    QScopedPointer<ServiceController> m_service;
    Com0ComSettingsWidget *m_com0Com;
};

#endif // DRVNETWORKWIDGET_H
