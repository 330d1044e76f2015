#ifndef SERVICESCONTROLWIDGET_H
#define SERVICESCONTROLWIDGET_H

#include <QScopedPointer>
#include <QTimer>
#include <QWidget>

namespace Ui {
class ServicesControlWidget;
}

class ServiceController;

// Installs, starts, stops and removes the register driver's service, and shows by a led
// whether it runs; the state is polled every two seconds.
class ServicesControlWidget : public QWidget
{
    Q_OBJECT
public:
    // The driver's service through the platform's service manager.
    explicit ServicesControlWidget(QWidget *parent = nullptr);
    // Takes the controller (owned).
    explicit ServicesControlWidget(ServiceController *controller, QWidget *parent = nullptr);
    ~ServicesControlWidget() override;

    static const int POLL_INTERVAL_MS = 2000;
    void setPollInterval(int ms);
    // Resource path of the led now shown.
    QString ledIconPath() const { return m_ledPath; }

signals:
    bool beforeStarting();
    void started(bool running);

public slots:
    void registreService();
    void unregistreService();
    void startService();
    void stopService();
    void checkServiceState();

protected:
    void changeEvent(QEvent *event) override;

private:
    void report(bool ok, const char *success, const char *failure);

    Ui::ServicesControlWidget *ui;
    QScopedPointer<ServiceController> m_controller;
    QTimer m_pollTimer;
    QString m_ledPath;
};

#endif // SERVICESCONTROLWIDGET_H
