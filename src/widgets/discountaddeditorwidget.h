#ifndef DISCOUNTADDEDITORWIDGET_H
#define DISCOUNTADDEDITORWIDGET_H

#include <QWidget>

namespace Ui {
class DiscountAddEditorWidget;
}

class DiscountsModel;

// The discounts and surcharges tab of the programming page.
class DiscountAddEditorWidget : public QWidget
{
    Q_OBJECT
public:
    explicit DiscountAddEditorWidget(QWidget *parent = nullptr);
    ~DiscountAddEditorWidget() override;

    DiscountsModel *model() const { return m_model; }
    bool reload();
    // Reads the list back after a successful write; a refused one keeps the edits.
    bool write();

public slots:
    void onDataChanged();

private:
    Ui::DiscountAddEditorWidget *ui;
    DiscountsModel *m_model;
};

#endif // DISCOUNTADDEDITORWIDGET_H
