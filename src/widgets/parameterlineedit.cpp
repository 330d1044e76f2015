#include "parameterlineedit.h"
#include "ui_parameterlineedit.h"

ParameterLineEdit::ParameterLineEdit(const ProviderDirectory::Parameter &parameter, QWidget *parent)
    : QWidget(parent), ui(new Ui::ParameterLineEdit), m_parameter(parameter)
{
    ui->setupUi(this);
    ui->label->setText(parameter.label);
    // The mask is only a hint: the register takes whatever the operator typed.
    ui->lineEdit->setPlaceholderText(parameter.mask);
}

ParameterLineEdit::~ParameterLineEdit()
{
    delete ui;
}

QString ParameterLineEdit::value() const
{
    return ui->lineEdit->text();
}

void ParameterLineEdit::setValue(const QString &value)
{
    ui->lineEdit->setText(value);
}
