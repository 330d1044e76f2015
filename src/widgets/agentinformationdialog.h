#ifndef AGENTINFORMATIONDIALOG_H
#define AGENTINFORMATIONDIALOG_H

#include "agentdata.h"

#include <QDialog>

namespace Ui {
class AgentInformationDialog;
}

// Edits the agent data of positions; shows only the fields the agent kind uses.
class AgentInformationDialog : public QDialog
{
    Q_OBJECT
public:
    AgentInformationDialog(int kind, const AgentData &data, QWidget *parent = nullptr);
    ~AgentInformationDialog() override;

    AgentData data() const;

private slots:
    void on_pushButton_2_clicked();

private:
    Ui::AgentInformationDialog *ui;
};

#endif // AGENTINFORMATIONDIALOG_H
