#ifndef CHOICEDELEGATE_H
#define CHOICEDELEGATE_H

#include <QStyledItemDelegate>
#include <QVariantList>

// Edits a cell whose edit value is one of a few choices (a tax rate, discount or
// surcharge) with a combo box of their texts instead of a bare number or flag.
class ChoiceDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    // texts and values pair up by position.
    ChoiceDelegate(const QStringList &texts, const QVariantList &values, QObject *parent = nullptr);

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
        const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(
        QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;

private:
    QStringList m_texts;
    QVariantList m_values;
};

#endif // CHOICEDELEGATE_H
