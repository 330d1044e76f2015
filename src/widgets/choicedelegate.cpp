#include "choicedelegate.h"

#include <QComboBox>

ChoiceDelegate::ChoiceDelegate(
    const QStringList &texts, const QVariantList &values, QObject *parent)
    : QStyledItemDelegate(parent), m_texts(texts), m_values(values)
{ }

QWidget *ChoiceDelegate::createEditor(
    QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &) const
{
    auto *combo = new QComboBox(parent);
    combo->setObjectName(QStringLiteral("cbChoiceEditor"));
    for (int i = 0; i < m_texts.size() && i < m_values.size(); ++i)
        combo->addItem(m_texts.at(i), m_values.at(i));
    return combo;
}

void ChoiceDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    auto *combo = static_cast<QComboBox *>(editor);
    const QVariant value = index.data(Qt::EditRole);
    // A value outside the choices (a rate the register should not hold) leaves no item
    // chosen rather than pretending it is the first one.
    int found = -1;
    for (int i = 0; i < combo->count(); ++i) {
        if (combo->itemData(i) == value)
            found = i;
    }
    combo->setCurrentIndex(found);
}

void ChoiceDelegate::setModelData(
    QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const
{
    auto *combo = static_cast<QComboBox *>(editor);
    if (combo->currentIndex() >= 0)
        model->setData(index, combo->currentData(), Qt::EditRole);
}
