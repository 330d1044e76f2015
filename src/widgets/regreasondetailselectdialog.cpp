#include "regreasondetailselectdialog.h"
#include "ui_regreasondetailselectdialog.h"

#include "userprompts.h"

#include <QHeaderView>
#include <QTableWidgetItem>

#include <iterator>

namespace {

struct Reason
{
    int bit;
    const char *description;
};

const Reason REASONS[] = {
    { 0, QT_TRANSLATE_NOOP("RegReasonDetailSelectDialog", "Замена фискального накопителя") },
    { 1, QT_TRANSLATE_NOOP("RegReasonDetailSelectDialog", "Замена оператора фискальных данных") },
    { 2,
        QT_TRANSLATE_NOOP("RegReasonDetailSelectDialog",
            "Изменение наименования пользователя контрольно-кассовой техники") },
    { 3,
        QT_TRANSLATE_NOOP("RegReasonDetailSelectDialog",
            "Изменение адреса и (или) места установки (применения) контрольно-кассовой "
            "техники") },
    { 4,
        QT_TRANSLATE_NOOP("RegReasonDetailSelectDialog",
            "Перевод ККТ из автономного режима в режим передачи данных") },
    { 5,
        QT_TRANSLATE_NOOP("RegReasonDetailSelectDialog",
            "Перевод ККТ из режима передачи данных в автономный режим") },
    { 6, QT_TRANSLATE_NOOP("RegReasonDetailSelectDialog", "Изменение версии модели ККТ") },
    { 7,
        QT_TRANSLATE_NOOP("RegReasonDetailSelectDialog",
            "Изменениями перечня систем налогообложения, применяемых при осуществлении "
            "расчетов") },
    { 8,
        QT_TRANSLATE_NOOP("RegReasonDetailSelectDialog",
            "Изменениями номера автоматического устройства для расчетов, в составе которого "
            "применяется ККТ") },
    { 15,
        QT_TRANSLATE_NOOP("RegReasonDetailSelectDialog",
            "Перевод ККТ из режима, позволяющего оказывать услуги платежного агента "
            "(субагента) или банковского платежного агента, в режим, не позволяющий оказывать "
            "услуги платежного агента (субагента) или банковского платежного агента") },
    { 16,
        QT_TRANSLATE_NOOP("RegReasonDetailSelectDialog",
            "Перевод ККТ из режима, не позволяющего оказывать услуги платежного агента "
            "(субагента) или банковского платежного агента в режим, позволяющий оказывать "
            "услуги платежного агента (субагента) или банковского платежного агента") },
    { 17,
        QT_TRANSLATE_NOOP("RegReasonDetailSelectDialog",
            "Перевод ККТ из режима, позволяющего применять ККТ при приеме ставок и выплате "
            "денежных средств в виде выигрыша при осуществлении деятельности по организации и "
            "проведению азартных игр, в режим, не позволяющий применять ККТ при приеме ставок "
            "и выплате денежных средств в виде выигрыша при осуществлении деятельности по "
            "организации и проведению азартных игр") },
    { 18,
        QT_TRANSLATE_NOOP("RegReasonDetailSelectDialog",
            "Перевод ККТ из режима, не позволяющего применять ККТ при приеме ставок и выплате "
            "денежных средств в виде выигрыша при осуществлении деятельности по организации и "
            "проведению азартных игр, в режим, позволяющий применять ККТ при приеме ставок и "
            "выплате денежных средств в виде выигрыша при осуществлении деятельности по "
            "организации и проведению азартных игр") },
    { 19,
        QT_TRANSLATE_NOOP("RegReasonDetailSelectDialog",
            "Перевод ККТ из режима, позволяющего применять ККТ при приеме денежных средств при "
            "реализации лотерейных билетов, электронных лотерейных билетов, приеме лотерейных "
            "ставок и выплате денежных средств в виде выигрыша при осуществлении деятельности "
            "по организации и проведению лотерей, в режим, не позволяющий применять ККТ при "
            "приеме денежных средств при реализации лотерейных билетов, электронных лотерейных "
            "билетов, приеме лотерейных ставок и выплате денежных средств в виде выигрыша при "
            "осуществлении деятельности по организации и проведению лотерей") },
    { 20,
        QT_TRANSLATE_NOOP("RegReasonDetailSelectDialog",
            "Перевод ККТ из режима, не позволяющего применять ККТ при приеме денежных средств "
            "при реализации лотерейных билетов, электронных лотерейных билетов, приеме "
            "лотерейных ставок и выплате денежных средств в виде выигрыша при осуществлении "
            "деятельности по организации и проведению лотерей, в режим, позволяющий применять "
            "ККТ при приеме денежных средств при реализации лотерейных билетов, электронных "
            "лотерейных билетов, приеме лотерейных ставок и выплате денежных средств в виде "
            "выигрыша при осуществлении деятельности по организации и проведению лотерей") },
    { 31, QT_TRANSLATE_NOOP("RegReasonDetailSelectDialog", "Иные причины") },
};

const int CODE_COLUMN = 0;
const int DESCRIPTION_COLUMN = 1;

} // namespace

RegReasonDetailSelectDialog::RegReasonDetailSelectDialog(QWidget *parent)
    : QDialog(parent), ui(new Ui::RegReasonDetailSelectDialog)
{
    ui->setupUi(this);
    ui->twReasons->setRowCount(int(std::size(REASONS)));
    int row = 0;
    for (const Reason &reason : REASONS) {
        auto *code = new QTableWidgetItem(QString::number(reason.bit));
        code->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        code->setCheckState(Qt::Unchecked);
        code->setData(Qt::UserRole, quint32(1) << reason.bit);
        ui->twReasons->setItem(row, CODE_COLUMN, code);
        auto *description = new QTableWidgetItem(tr(reason.description));
        description->setFlags(Qt::ItemIsEnabled);
        description->setToolTip(description->text());
        ui->twReasons->setItem(row, DESCRIPTION_COLUMN, description);
        ++row;
    }
    QHeaderView *header = ui->twReasons->horizontalHeader();
    header->setSectionResizeMode(CODE_COLUMN, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(DESCRIPTION_COLUMN, QHeaderView::Stretch);
    ui->twReasons->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
}

RegReasonDetailSelectDialog::~RegReasonDetailSelectDialog()
{
    delete ui;
}

quint32 RegReasonDetailSelectDialog::mask() const
{
    quint32 result = 0;
    for (int row = 0; row < ui->twReasons->rowCount(); ++row) {
        const QTableWidgetItem *code = ui->twReasons->item(row, CODE_COLUMN);
        if (code->checkState() == Qt::Checked)
            result |= code->data(Qt::UserRole).toUInt();
    }
    return result;
}

void RegReasonDetailSelectDialog::setMask(quint32 mask)
{
    for (int row = 0; row < ui->twReasons->rowCount(); ++row) {
        QTableWidgetItem *code = ui->twReasons->item(row, CODE_COLUMN);
        code->setCheckState(mask & code->data(Qt::UserRole).toUInt() ? Qt::Checked : Qt::Unchecked);
    }
}

void RegReasonDetailSelectDialog::on_pbOk_clicked()
{
    if (mask() == 0) {
        UserPrompts::warning(this, tr("Внимание"),
            tr("Необходимо выбрать хотя бы один код причины перерегистрации"));
        return;
    }
    accept();
}

void RegReasonDetailSelectDialog::on_pbCancel_clicked()
{
    reject();
}

// A click anywhere on a reason ticks it, not only on its small box.
void RegReasonDetailSelectDialog::on_twReasons_cellClicked(int row, int column)
{
    if (column != DESCRIPTION_COLUMN)
        return;
    QTableWidgetItem *code = ui->twReasons->item(row, CODE_COLUMN);
    code->setCheckState(code->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}
