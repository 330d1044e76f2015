#ifndef SECTIONSMODEL_H
#define SECTIONSMODEL_H

#include "frcoretablemodel.h"
#include "section.h"

#include <QList>

// The register's sections with their tax rates. The tax column shows the rate's text and
// is edited as the rate number.
class SectionsModel : public FrcoreTableModel
{
    Q_OBJECT
public:
    enum Column { ColumnTax, ColumnName };

    explicit SectionsModel(QObject *parent = nullptr);

    QList<core::Section> sections() const { return m_sections; }
    void setSections(const QList<core::Section> &sections);

protected:
    QStringList headers() const override;
    int itemCount() const override { return m_sections.size(); }
    QVariant displayValue(int row, int column) const override;
    QVariant editValue(int row, int column) const override;
    bool setValue(int row, int column, const QVariant &value) override;
    bool fetch() override;
    bool store() override;

private:
    QList<core::Section> m_sections;
};

#endif // SECTIONSMODEL_H
