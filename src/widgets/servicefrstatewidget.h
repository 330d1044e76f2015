#ifndef SERVICEFRSTATEWIDGET_H
#define SERVICEFRSTATEWIDGET_H

#include "frcorefullstate.h"

#include <QWidget>

namespace Ui {
class ServiceFrStateWidget;
}

namespace core {
class FrcoreExternalApi;
}

class QStandardItemModel;

// The "Состояние" tab of the service page: the fiscal core's full state of the register,
// its registration, fiscal storage and shift as a two-column table.
class ServiceFrStateWidget : public QWidget
{
    Q_OBJECT
public:
    static const int ROW_HEIGHT = 20;

    explicit ServiceFrStateWidget(QWidget *parent = nullptr);
    ~ServiceFrStateWidget() override;

    core::FrcoreExternalApi *api() const { return m_api; }
    QStandardItemModel *model() const { return m_model; }

public slots:
    void on_pbGetState_clicked();

private:
    Ui::ServiceFrStateWidget *ui;
    QStandardItemModel *m_model;
    core::FrcoreExternalApi *m_api;
    core::FrCoreFullState m_state;
};

#endif // SERVICEFRSTATEWIDGET_H
