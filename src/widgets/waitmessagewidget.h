#ifndef WAITMESSAGEWIDGET_H
#define WAITMESSAGEWIDGET_H

#include <QDialog>
#include <QTimer>

namespace Ui {
class WaitMessageWidget;
}

// The overlay shown while a page waits for the register: a framed message and, for long
// operations, a progress bar. Frameless and centred on its parent. It is application-modal,
// so after a while it offers "Отмена": a register that never answers must not lock the
// program.
class WaitMessageWidget : public QDialog
{
    Q_OBJECT
public:
    explicit WaitMessageWidget(QWidget *parent = nullptr);
    ~WaitMessageWidget() override;

    static const int DEFAULT_CANCEL_DELAY_MS = 10000;

    void setText(const QString &text);
    QString text() const;
    // How long the overlay is shown before "Отмена" appears; set before showing.
    void setCancelDelay(int msecs) { m_cancelDelay.setInterval(msecs); }
    int cancelDelay() const { return m_cancelDelay.interval(); }

signals:
    void cancelRequested();

public slots:
    void progressRange(int min, int max);
    void progressValue(int value);

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private slots:
    void on_pbCancel_clicked();

private:
    void moveToCentre();

    Ui::WaitMessageWidget *ui;
    QTimer m_cancelDelay;
};

#endif // WAITMESSAGEWIDGET_H
