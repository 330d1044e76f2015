#include "frcoretablemodel.h"

#include "frcoreclient.h"
#include "frcoreexternalapi.h"

#include <QDebug>

FrcoreTableModel::FrcoreTableModel(QObject *parent)
    : QAbstractTableModel(parent), m_api(FrcoreClient::create(this))
{ }

bool FrcoreTableModel::load()
{
    beginResetModel();
    const bool ok = fetch();
    if (ok) {
        m_modified = false;
        m_loaded = true;
    }
    endResetModel();
    emit dataChanged();
    qDebug().noquote() << "TABLE_LOADED" << metaObject()->className() << "OK=" << ok
                       << "ROWS=" << itemCount();
    return ok;
}

bool FrcoreTableModel::write()
{
    if (!m_loaded) {
        qWarning().noquote() << "TABLE_NOT_WRITTEN" << metaObject()->className() << "not loaded";
        return false;
    }
    beginResetModel();
    const bool ok = store();
    if (ok)
        m_modified = false;
    endResetModel();
    emit dataChanged();
    qDebug().noquote() << "TABLE_WRITTEN" << metaObject()->className() << "OK=" << ok
                       << "ROWS=" << itemCount();
    return ok;
}

void FrcoreTableModel::replaceItems(const std::function<void()> &replace)
{
    beginResetModel();
    replace();
    m_loaded = true;
    endResetModel();
    emit dataChanged();
}

bool FrcoreTableModel::inside(const QModelIndex &index) const
{
    return index.isValid() && index.model() == this && index.row() < itemCount()
        && index.column() < headers().size();
}

int FrcoreTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : itemCount();
}

int FrcoreTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : headers().size();
}

QVariant FrcoreTableModel::data(const QModelIndex &index, int role) const
{
    if (!inside(index))
        return QVariant();
    if (role == Qt::DisplayRole)
        return displayValue(index.row(), index.column());
    if (role == Qt::EditRole)
        return editValue(index.row(), index.column());
    return QVariant();
}

bool FrcoreTableModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !inside(index))
        return false;
    beginResetModel();
    const bool ok = setValue(index.row(), index.column(), value);
    if (ok)
        m_modified = true;
    endResetModel();
    if (ok)
        emit dataChanged();
    return ok;
}

Qt::ItemFlags FrcoreTableModel::flags(const QModelIndex &index) const
{
    if (!inside(index))
        return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable;
}

QVariant FrcoreTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    const QStringList names = headers();
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0
        && section < names.size())
        return names.at(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}
