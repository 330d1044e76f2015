#ifndef FRCORETABLEMODEL_H
#define FRCORETABLEMODEL_H

#include <QAbstractTableModel>
#include <QStringList>

#include <functional>

namespace core {
class FrcoreExternalApi;
}

// A table of the register kept by the fiscal core service (cashiers, sections, discounts),
// edited in place and sent back whole. Every edit, load and write resets the model and
// emits dataChanged(); the modified flag tells whether the table holds edits the service
// has not taken yet.
class FrcoreTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit FrcoreTableModel(QObject *parent = nullptr);

    core::FrcoreExternalApi *api() const { return m_api; }
    bool isModified() const { return m_modified; }
    // False until the table was read from the service or given whole: before that there is
    // nothing to write, and writing the empty list would wipe the register's table.
    bool isLoaded() const { return m_loaded; }

    // Reads the table from the service; the modified flag is cleared only on success.
    bool load();
    // Sends the table to the service; the modified flag is cleared only on success.
    // Refused (false, nothing sent) while the table is not loaded.
    bool write();

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(
        int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

signals:
    // After every load, write and edit.
    void dataChanged();

protected:
    virtual QStringList headers() const = 0;
    virtual int itemCount() const = 0;
    // Only called for a row and column inside the table.
    virtual QVariant displayValue(int row, int column) const = 0;
    virtual QVariant editValue(int row, int column) const { return displayValue(row, column); }
    // False (nothing changed) for a value the column does not take.
    virtual bool setValue(int row, int column, const QVariant &value) = 0;
    virtual bool fetch() = 0;
    virtual bool store() = 0;

    // For the setters that replace the whole list.
    void replaceItems(const std::function<void()> &replace);

private:
    bool inside(const QModelIndex &index) const;

    core::FrcoreExternalApi *m_api;
    bool m_modified = false;
    bool m_loaded = false;
};

#endif // FRCORETABLEMODEL_H
