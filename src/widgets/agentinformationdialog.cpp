#include "agentinformationdialog.h"
#include "ui_agentinformationdialog.h"

AgentInformationDialog::AgentInformationDialog(int kind, const AgentData &data, QWidget *parent)
    : QDialog(parent), ui(new Ui::AgentInformationDialog)
{
    ui->setupUi(this);
    ui->lePayOperatorName->setText(data.payOperatorName);
    ui->lePayOperatorPhone->setText(data.payOperatorPhone);
    ui->lePayOperatorAddress->setText(data.payOperatorAddress);
    ui->lePayOperatorInn->setText(data.payOperatorInn);
    ui->lePayAgentOperation->setText(data.payAgentOperation);
    ui->lePayAgentPhone->setText(data.payAgentPhone);
    ui->lePayReceiverPhone->setText(data.payReceiverPhone);

    const bool transferOperator = AgentData::hasTransferOperator(kind);
    const QList<QWidget *> operatorWidgets { ui->lbPayOperatorName, ui->lePayOperatorName,
        ui->lbPayOperatorPhone, ui->lePayOperatorPhone, ui->lbPayOperatorAddress,
        ui->lePayOperatorAddress, ui->lbPayOperatorInn, ui->lePayOperatorInn,
        ui->lbPayAgentOperation, ui->lePayAgentOperation };
    for (QWidget *w : operatorWidgets)
        w->setVisible(transferOperator);
    const bool receiver = AgentData::hasNonBankKind(kind);
    ui->lbPayReceiverPhone->setVisible(receiver);
    ui->lePayReceiverPhone->setVisible(receiver);
    adjustSize();
}

AgentInformationDialog::~AgentInformationDialog()
{
    delete ui;
}

AgentData AgentInformationDialog::data() const
{
    AgentData d;
    d.payOperatorName = ui->lePayOperatorName->text();
    d.payOperatorPhone = ui->lePayOperatorPhone->text();
    d.payOperatorAddress = ui->lePayOperatorAddress->text();
    d.payOperatorInn = ui->lePayOperatorInn->text();
    d.payAgentOperation = ui->lePayAgentOperation->text();
    d.payAgentPhone = ui->lePayAgentPhone->text();
    d.payReceiverPhone = ui->lePayReceiverPhone->text();
    return d;
}

void AgentInformationDialog::on_pushButton_2_clicked()
{
    accept();
}
