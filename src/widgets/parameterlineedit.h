#ifndef PARAMETERLINEEDIT_H
#define PARAMETERLINEEDIT_H

#include "providerdirectory.h"

#include <QWidget>

namespace Ui {
class ParameterLineEdit;
}

// One payment-detail field of a supplier: its caption and the value being entered.
class ParameterLineEdit : public QWidget
{
    Q_OBJECT
public:
    explicit ParameterLineEdit(
        const ProviderDirectory::Parameter &parameter, QWidget *parent = nullptr);
    ~ParameterLineEdit() override;

    ProviderDirectory::Parameter parameter() const { return m_parameter; }
    QString value() const;
    void setValue(const QString &value);

private:
    Ui::ParameterLineEdit *ui;
    ProviderDirectory::Parameter m_parameter;
};

#endif // PARAMETERLINEEDIT_H
