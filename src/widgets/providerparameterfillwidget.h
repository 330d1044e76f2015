#ifndef PROVIDERPARAMETERFILLWIDGET_H
#define PROVIDERPARAMETERFILLWIDGET_H

#include "providerdirectory.h"

#include <QMap>
#include <QWidget>

namespace Ui {
class ProviderParameterFillWidget;
}

class ParameterLineEdit;

// The payment details the chosen supplier asks for, one input row per parameter.
class ProviderParameterFillWidget : public QWidget
{
    Q_OBJECT
public:
    explicit ProviderParameterFillWidget(QWidget *parent = nullptr);
    ~ProviderParameterFillWidget() override;

    // Replaces the rows with the supplier's parameters, in its order.
    void setParameters(const ProviderDirectory::Provider &provider);
    // Rows whose parameter name is a key take its text; the others keep theirs.
    void setValues(const QMap<QString, QString> &values);
    // Parameter name -> text, for every row.
    QMap<QString, QString> values() const;
    QList<ParameterLineEdit *> rows() const { return m_rows; }

private:
    Ui::ProviderParameterFillWidget *ui;
    QList<ParameterLineEdit *> m_rows;
};

#endif // PROVIDERPARAMETERFILLWIDGET_H
