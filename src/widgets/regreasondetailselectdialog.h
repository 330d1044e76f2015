#ifndef REGREASONDETAILSELECTDIALOG_H
#define REGREASONDETAILSELECTDIALOG_H

#include <QDialog>

namespace Ui {
class RegReasonDetailSelectDialog;
}

// Picks the detailed reasons of a change of register data: one check box per reason,
// the result is the mask of the checked ones (bit n for the reason with code n).
class RegReasonDetailSelectDialog : public QDialog
{
    Q_OBJECT
public:
    explicit RegReasonDetailSelectDialog(QWidget *parent = nullptr);
    ~RegReasonDetailSelectDialog() override;

    quint32 mask() const;
    // Checks exactly the listed reasons whose bits are set; other bits are ignored.
    void setMask(quint32 mask);

private slots:
    void on_pbOk_clicked();
    void on_pbCancel_clicked();
    void on_twReasons_cellClicked(int row, int column);

private:
    Ui::RegReasonDetailSelectDialog *ui;
};

#endif // REGREASONDETAILSELECTDIALOG_H
