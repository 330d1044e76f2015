#ifndef WAITMESSAGEWIDGET_H
#define WAITMESSAGEWIDGET_H

#include <QDialog>

namespace Ui {
class WaitMessageWidget;
}

// The overlay shown while a page waits for the register: a framed message and, for long
// operations, a progress bar. Frameless and centred on its parent.
class WaitMessageWidget : public QDialog
{
    Q_OBJECT
public:
    explicit WaitMessageWidget(QWidget *parent = nullptr);
    ~WaitMessageWidget() override;

    void setText(const QString &text);
    QString text() const;

public slots:
    void progressRange(int min, int max);
    void progressValue(int value);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void moveToCentre();

    Ui::WaitMessageWidget *ui;
};

#endif // WAITMESSAGEWIDGET_H
