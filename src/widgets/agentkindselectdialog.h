#ifndef AGENTKINDSELECTDIALOG_H
#define AGENTKINDSELECTDIALOG_H

#include <QDialog>

namespace Ui {
class AgentKindSelectDialog;
}

class QCheckBox;

// Chooses the agent kind of positions: one check box per bit of the mask.
class AgentKindSelectDialog : public QDialog
{
    Q_OBJECT
public:
    // With exclusive set at most one kind can be ticked.
    AgentKindSelectDialog(int kind, bool exclusive, QWidget *parent = nullptr);
    ~AgentKindSelectDialog() override;

    int kind() const;

private slots:
    void on_obOk_clicked();

private:
    QList<QCheckBox *> boxes() const;

    Ui::AgentKindSelectDialog *ui;
};

#endif // AGENTKINDSELECTDIALOG_H
