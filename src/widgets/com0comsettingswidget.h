#ifndef COM0COMSETTINGSWIDGET_H
#define COM0COMSETTINGSWIDGET_H

#include <QScopedPointer>
#include <QWidget>

namespace Ui {
class Com0ComSettingsWidget;
}

class Com0ComController;
class FrCoreSettingsAccess;

// The virtual COM port pair for programs that reach the register only over a serial port:
// shows the pair, creates or removes it, and tells the driver its own end ("hostRs").
class Com0ComSettingsWidget : public QWidget
{
    Q_OBJECT
public:
    // Keeps the settings in the driver's configuration file.
    explicit Com0ComSettingsWidget(QWidget *parent = nullptr);
    // Takes the settings access (owned) and the setup library's path.
    Com0ComSettingsWidget(
        FrCoreSettingsAccess *settings, const QString &libraryPath, QWidget *parent = nullptr);
    ~Com0ComSettingsWidget() override;

public slots:
    void checkPorts();
    void createPorts();
    void removePorts();

protected:
    void changeEvent(QEvent *event) override;

private:
    // The controller once it is usable; retried on the next use until then.
    Com0ComController *controller();

    Ui::Com0ComSettingsWidget *ui;
    QScopedPointer<FrCoreSettingsAccess> m_settings;
    QScopedPointer<Com0ComController> m_controller;
    QString m_libraryPath;
};

#endif // COM0COMSETTINGSWIDGET_H
