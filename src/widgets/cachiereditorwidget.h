#ifndef CACHIEREDITORWIDGET_H
#define CACHIEREDITORWIDGET_H

#include <QWidget>

namespace Ui {
class CachierEditorWidget;
}

class CashiersModel;

// The cashiers tab of the programming page.
class CachierEditorWidget : public QWidget
{
    Q_OBJECT
public:
    explicit CachierEditorWidget(QWidget *parent = nullptr);
    ~CachierEditorWidget() override;

    CashiersModel *model() const { return m_model; }
    bool reload();
    bool write();

public slots:
    // Shows the edit marker while the table holds edits not written yet.
    void onDataChanged();

private:
    Ui::CachierEditorWidget *ui;
    CashiersModel *m_model;
};

#endif // CACHIEREDITORWIDGET_H
