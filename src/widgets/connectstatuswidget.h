#ifndef CONNECTSTATUSWIDGET_H
#define CONNECTSTATUSWIDGET_H

#include <QWidget>

namespace Ui {
class ConnectStatusWidget;
}

// Link state in the status bar: a red or green led and where the link goes.
class ConnectStatusWidget : public QWidget
{
    Q_OBJECT
public:
    explicit ConnectStatusWidget(QWidget *parent = nullptr);
    ~ConnectStatusWidget() override;

    bool isConnected() const { return m_connected; }
    QString description() const;
    // Resource path of the led now shown.
    QString iconPath() const { return m_iconPath; }

public slots:
    void setConnected(bool connected);

protected:
    void changeEvent(QEvent *event) override;

private:
    void refresh();

    Ui::ConnectStatusWidget *ui;
    bool m_connected = false;
    QString m_iconPath;
};

#endif // CONNECTSTATUSWIDGET_H
