#include "agentkindselectdialog.h"
#include "ui_agentkindselectdialog.h"

AgentKindSelectDialog::AgentKindSelectDialog(int kind, bool exclusive, QWidget *parent)
    : QDialog(parent), ui(new Ui::AgentKindSelectDialog)
{
    ui->setupUi(this);
    const QList<QCheckBox *> list = boxes();
    for (int bit = 0; bit < list.size(); ++bit) {
        list.at(bit)->setAutoExclusive(exclusive);
        if (kind & (1 << bit))
            list.at(bit)->setChecked(true);
    }
}

AgentKindSelectDialog::~AgentKindSelectDialog()
{
    delete ui;
}

QList<QCheckBox *> AgentKindSelectDialog::boxes() const
{
    return { ui->cbAgentBankPay, ui->cbAgentBankPaySub, ui->cbAgentPay, ui->cbAgentPaySub,
        ui->cbAgentPoverenn, ui->cbAgentComissionare, ui->cbAgentAgent };
}

int AgentKindSelectDialog::kind() const
{
    const QList<QCheckBox *> list = boxes();
    int mask = 0;
    for (int bit = 0; bit < list.size(); ++bit) {
        if (list.at(bit)->isChecked())
            mask |= 1 << bit;
    }
    return mask;
}

void AgentKindSelectDialog::on_obOk_clicked()
{
    accept();
}
