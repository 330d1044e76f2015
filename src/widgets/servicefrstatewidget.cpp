#include "servicefrstatewidget.h"
#include "ui_servicefrstatewidget.h"

#include "frcoreclient.h"
#include "frcoreexternalapi.h"
#include "frstatereport.h"
#include "regdata.h"
#include "sharedobjectsstorage.h"
#include "userprompts.h"

#include <QDebug>
#include <QHeaderView>
#include <QStandardItemModel>

ServiceFrStateWidget::ServiceFrStateWidget(QWidget *parent)
    : QWidget(parent),
      ui(new Ui::ServiceFrStateWidget),
      m_model(new QStandardItemModel(this)),
      m_api(FrcoreClient::create(this))
{
    ui->setupUi(this);
    ui->tvState->setModel(m_model);
    ui->tvState->verticalHeader()->setDefaultSectionSize(ROW_HEIGHT);
}

ServiceFrStateWidget::~ServiceFrStateWidget()
{
    delete ui;
}

void ServiceFrStateWidget::on_pbGetState_clicked()
{
    core::FrCoreFullState state;
    if (!m_api->getFullFrCoreState(state)) {
        qWarning() << "FR_STATE_REQUEST_FAILED" << m_api->lastError();
        UserPrompts::critical(
            this, tr("Cashbox state request"), tr("Cashbox state request timeout"));
        return;
    }
    m_state = state;

    fiscal::RegData regData;
    bus::AppBusObject object;
    if (bus::SharedObjectsStorage::get(fiscal::RegData::BUS_OBJECT_NAME, object))
        regData.setMap(object.content());

    m_model->clear();
    m_model->setHorizontalHeaderLabels({ tr("Name"), tr("Value") });
    const QList<FrStateReport::Row> rows = FrStateReport::rows(m_state, regData);
    for (const FrStateReport::Row &row : rows) {
        auto *label = new QStandardItem(row.label);
        auto *value = new QStandardItem(row.value);
        const QBrush background(row.section ? Qt::gray : Qt::white);
        for (QStandardItem *item : { label, value }) {
            item->setEditable(false);
            item->setBackground(background);
        }
        m_model->appendRow({ label, value });
    }
    ui->tvState->resizeColumnToContents(0);
    qDebug() << "FR_STATE_SHOWN ROWS=" << rows.size();
}
