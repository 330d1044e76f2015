#ifndef SECTIONSEDITORWIDGET_H
#define SECTIONSEDITORWIDGET_H

#include <QList>
#include <QWidget>

namespace Ui {
class SectionsEditorWidget;
}

namespace core {
class AtolTaxMap;
}

class QComboBox;
class SectionsModel;

// The sections tab of the programming page: the sections with their tax rates, and the
// register's tax table (which rate each of the taxes 1..6 stands for).
class SectionsEditorWidget : public QWidget
{
    Q_OBJECT
public:
    explicit SectionsEditorWidget(QWidget *parent = nullptr);
    ~SectionsEditorWidget() override;

    SectionsModel *model() const { return m_model; }
    // The sections, then the tax table (even with no sections at all).
    bool reload();
    // The sections (read back after a successful write), then the tax table.
    bool write();

    // The tax table as the combo boxes show it; a box with nothing chosen gives no rate.
    core::AtolTaxMap taxMap() const;
    void setTaxMap(const core::AtolTaxMap &map);

public slots:
    void onDataChanged();
    void taxAtol10();
    void taxAtol105();

private:
    void setRates(const QList<int> &rates);

    Ui::SectionsEditorWidget *ui;
    SectionsModel *m_model;
    QList<QComboBox *> m_taxBoxes;
};

#endif // SECTIONSEDITORWIDGET_H
