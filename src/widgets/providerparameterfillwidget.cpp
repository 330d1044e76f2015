#include "providerparameterfillwidget.h"
#include "ui_providerparameterfillwidget.h"

#include "parameterlineedit.h"

ProviderParameterFillWidget::ProviderParameterFillWidget(QWidget *parent)
    : QWidget(parent), ui(new Ui::ProviderParameterFillWidget)
{
    ui->setupUi(this);
}

ProviderParameterFillWidget::~ProviderParameterFillWidget()
{
    delete ui;
}

void ProviderParameterFillWidget::setParameters(const ProviderDirectory::Provider &provider)
{
    qDeleteAll(m_rows);
    m_rows.clear();
    auto *layout = qobject_cast<QBoxLayout *>(ui->rowsWidget->layout());
    for (const ProviderDirectory::Parameter &p : provider.parameters) {
        auto *row = new ParameterLineEdit(p, ui->rowsWidget);
        row->setObjectName(QStringLiteral("param_") + p.name);
        // Before the stretch that keeps the rows at the top.
        layout->insertWidget(m_rows.size(), row);
        m_rows.append(row);
    }
}

void ProviderParameterFillWidget::setValues(const QMap<QString, QString> &values)
{
    for (ParameterLineEdit *row : qAsConst(m_rows)) {
        const auto it = values.constFind(row->parameter().name);
        if (it != values.cend())
            row->setValue(it.value());
    }
}

QMap<QString, QString> ProviderParameterFillWidget::values() const
{
    QMap<QString, QString> map;
    for (const ParameterLineEdit *row : m_rows)
        map.insert(row->parameter().name, row->value());
    return map;
}
