#include "reportmodewidget.h"
#include "ui_reportmodewidget.h"

#include "franswers.h"
#include "frcfgroot.h"
#include "frcommandscontroller.h"
#include "userprompts.h"

#include <QDebug>
#include <QMetaEnum>

#include <climits>

namespace {

using Op = ReportModeWidget::PendingOperation;

const quint8 CMD_CHECK_OPEN = 0x92;
const quint8 CMD_OPEN_SHIFT = 0x9A;
const quint8 CMD_CLOSE_SHIFT = 0x5A;
const quint8 CMD_COMMON_CLEAR = 0x77;
const quint8 CMD_REPORT = 0x67;
const quint8 CMD_CLOSE_ARCHIVE = 0xA7;
const quint8 CMD_REGISTRATION_REPORT = 0xA8;
const quint8 CMD_FN_READ = 0xA4;
const quint8 CMD_DOCUMENT = 0xAB;
const quint8 CMD_DOCUMENT_TLV = 0xB6;

const quint8 FN_TICKET = 0x41;
const quint8 FN_NO_TICKET = 0x42;
const quint8 FN_REGISTRATION = 0x43;
const quint8 FN_PARAMETER = 0x44;

const quint8 MODE_REGISTRATION = 1;
const quint8 MODE_REPORT = 2;
const quint8 MODE_CLEARING = 3;
const quint8 MODE_FN = 6;

const char WAIT_FN[] = QT_TRANSLATE_NOOP("ReportModeWidget", "Перевод ККТ в режим доступа к ФН");
const char WAIT_STATISTICS[]
    = QT_TRANSLATE_NOOP("ReportModeWidget", "Перевод ККТ в режим снятия статистики");
const char REPORT_BUILT[] = QT_TRANSLATE_NOOP("ReportModeWidget", "Отчет построен");

// What each button asks for: the mode its command needs and what the user reads meanwhile.
struct Step
{
    Op requested;
    Op sent;
    quint8 mode;
    const char *waitText;
};

const Step STEPS[] = {
    { Op::OpenShiftRequested, Op::OpenShiftSent, MODE_REGISTRATION,
        QT_TRANSLATE_NOOP("ReportModeWidget", "Перевод ККТ в режим регистрации") },
    { Op::CloseShiftRequested, Op::CloseShiftSent, MODE_CLEARING,
        QT_TRANSLATE_NOOP("ReportModeWidget", "Перевод ККТ в режим снятия Z отчета") },
    { Op::CommonClearRequested, Op::CommonClearSent, MODE_CLEARING,
        QT_TRANSLATE_NOOP("ReportModeWidget", "Перевод ККТ в режим") },
    { Op::CalculationReportRequested, Op::CalculationReportSent, MODE_REPORT,
        QT_TRANSLATE_NOOP("ReportModeWidget", "Перевод ККТ в режим снятия отчета") },
    { Op::FullStatisticsRequested, Op::FullStatisticsSent, MODE_REPORT, WAIT_STATISTICS },
    { Op::ShortStatisticsRequested, Op::ShortStatisticsSent, MODE_REPORT, WAIT_STATISTICS },
    { Op::CloseArchiveRequested, Op::CloseArchiveSent, MODE_FN, WAIT_FN },
    { Op::DocumentByNumberRequested, Op::DocumentByNumberSent, MODE_FN, WAIT_FN },
    { Op::DocumentTlvRequested, Op::DocumentTlvSent, MODE_FN, WAIT_FN },
    { Op::TicketRequested, Op::TicketSent, MODE_FN, WAIT_FN },
    { Op::RegistrationReportRequested, Op::RegistrationReportSent, MODE_FN, WAIT_FN },
    { Op::RegistrationByNumberRequested, Op::RegistrationByNumberSent, MODE_FN, WAIT_FN },
    { Op::NoTicketReportRequested, Op::NoTicketReportSent, MODE_FN, WAIT_FN },
    { Op::ParameterReportRequested, Op::ParameterReportSent, MODE_FN, WAIT_FN },
    { Op::ParameterByNumberRequested, Op::ParameterByNumberSent, MODE_FN, WAIT_FN },
};

const Step *findStep(Op requested)
{
    for (const Step &s : STEPS) {
        if (s.requested == requested)
            return &s;
    }
    return nullptr;
}

// The message of a successful answer, by the command answered and the operation in flight.
struct Result
{
    quint8 cmdCode;
    Op sent;
    const char *message;
};

const Result RESULTS[] = {
    { CMD_OPEN_SHIFT, Op::OpenShiftSent,
        QT_TRANSLATE_NOOP("ReportModeWidget", "Смена успешно открыта") },
    { CMD_CLOSE_SHIFT, Op::CloseShiftSent,
        QT_TRANSLATE_NOOP("ReportModeWidget", "Смена успешно закрыта") },
    { CMD_REPORT, Op::CalculationReportSent,
        QT_TRANSLATE_NOOP("ReportModeWidget", "Формирование отчета выполнено") },
    { CMD_REPORT, Op::FullStatisticsSent,
        QT_TRANSLATE_NOOP("ReportModeWidget", "Формирование статистики выполнено") },
    { CMD_REPORT, Op::ShortStatisticsSent,
        QT_TRANSLATE_NOOP("ReportModeWidget", "Формирование статистики выполнено") },
    { CMD_CLOSE_ARCHIVE, Op::CloseArchiveSent,
        QT_TRANSLATE_NOOP("ReportModeWidget", "Фрхив ФН успешно закрыт") },
    { CMD_COMMON_CLEAR, Op::CommonClearSent,
        QT_TRANSLATE_NOOP("ReportModeWidget", "Общее гашение выполнено") },
    { CMD_REGISTRATION_REPORT, Op::RegistrationReportSent, REPORT_BUILT },
};

// The fiscal storage printouts share their answer: any of their commands ends any of them.
bool isStoragePrintout(quint8 cmdCode, Op sent)
{
    const bool printoutCommand
        = cmdCode == CMD_FN_READ || cmdCode == CMD_DOCUMENT || cmdCode == CMD_DOCUMENT_TLV;
    switch (sent) {
    case Op::DocumentByNumberSent:
    case Op::DocumentTlvSent:
    case Op::TicketSent:
    case Op::RegistrationByNumberSent:
    case Op::NoTicketReportSent:
    case Op::ParameterReportSent:
    case Op::ParameterByNumberSent:
        return printoutCommand;
    default:
        return false;
    }
}

// Registration parameters the storage can print, by fiscal tag.
struct RegistrationTag
{
    const char *name;
    quint16 tag;
};

const RegistrationTag REGISTRATION_TAGS[] = {
    { QT_TRANSLATE_NOOP("ReportModeWidget", "Регистрационный номер ККТ"), 1037 },
    { QT_TRANSLATE_NOOP("ReportModeWidget", "Наименование пользователя"), 1048 },
    { QT_TRANSLATE_NOOP("ReportModeWidget", "ИНН пользователя"), 1018 },
    { QT_TRANSLATE_NOOP("ReportModeWidget", "Номер автомата"), 1036 },
    { QT_TRANSLATE_NOOP("ReportModeWidget", "Адрес установки"), 1009 },
    { QT_TRANSLATE_NOOP("ReportModeWidget", "Место установки"), 1187 },
    { QT_TRANSLATE_NOOP("ReportModeWidget", "ИНН ОФД"), 1017 },
    { QT_TRANSLATE_NOOP("ReportModeWidget", "Наименование ОФД"), 1046 },
    { QT_TRANSLATE_NOOP("ReportModeWidget", "Признак агента"), 1057 },
    { QT_TRANSLATE_NOOP("ReportModeWidget", "Система налогообложения"), 1062 },
    { QT_TRANSLATE_NOOP("ReportModeWidget", "Автономный режим"), 1002 },
    { QT_TRANSLATE_NOOP("ReportModeWidget", "Признак услуги"), 1109 },
    { QT_TRANSLATE_NOOP("ReportModeWidget", "Шифрование"), 1056 },
};

QByteArray littleEndian(quint32 value, int bytes)
{
    QByteArray out;
    for (int i = 0; i < bytes; ++i)
        out.append(char((value >> (8 * i)) & 0xFF));
    return out;
}

const char *operationName(Op operation)
{
    return QMetaEnum::fromType<Op>().valueToKey(operation);
}

} // namespace

ReportModeWidget::ReportModeWidget(QWidget *parent)
    : WaitCommandWidget(parent), ui(new Ui::ReportModeWidget)
{
    ui->setupUi(this);
    for (const RegistrationTag &t : REGISTRATION_TAGS)
        ui->cbRegTags->addItem(tr(t.name), int(t.tag));
    ui->cbRegTags->setCurrentIndex(0);
    ui->mainTabWidget->setCurrentIndex(0);
    // What each number field of a command can carry, so nothing is cut on the way: BCD(4)
    // document numbers, 32-bit numbers as far as a spin box counts, one-byte registration
    // numbers. Numbering starts at 1.
    ui->sbFdByNumber->setRange(1, 9999);
    ui->sbFdByNumberTLV->setRange(1, 9999);
    ui->sbFdNumberForTicket->setRange(1, INT_MAX);
    ui->sbRegNumberReport->setRange(1, INT_MAX);
    ui->sbRegTagRepNum->setRange(1, 255);
}

ReportModeWidget::~ReportModeWidget()
{
    delete ui;
}

void ReportModeWidget::request(PendingOperation operation)
{
    const Step *step = findStep(operation);
    if (!step)
        return;
    m_pending = operation;
    m_sentTid = 0;
    qDebug() << "REPORT_REQUESTED" << operationName(operation) << "MODE=" << step->mode;
    if (FrCfgRoot *root = FrCfgRoot::instance())
        root->showWaitWidget(tr(step->waitText));
    changeFrMode(step->mode);
}

CommandSendInfo ReportModeWidget::sendCommand(PendingOperation operation)
{
    FrCommandsController *c = controller();
    switch (operation) {
    case OpenShiftRequested:
        return { c->sendOpenCycleCommand(toRegisterText(m_shiftComment)), CMD_OPEN_SHIFT };
    case CloseShiftRequested:
        return { c->sendCloseCycleCommand(), CMD_CLOSE_SHIFT };
    case CommonClearRequested:
        return c->sendCommonGashCommand();
    case CalculationReportRequested:
        return { c->sendReportWithoutGashCommand(9), CMD_REPORT };
    case FullStatisticsRequested:
        return { c->sendReportWithoutGashCommand(1), CMD_REPORT };
    case ShortStatisticsRequested:
        return { c->sendReportWithoutGashCommand(4), CMD_REPORT };
    case CloseArchiveRequested:
        return c->sendFnCloseArchiveCommand();
    case DocumentByNumberRequested:
        return c->sendFdByNumberReportCommand(ui->sbFdByNumber->value());
    case DocumentTlvRequested:
        return c->sendFdByNumberTLVReportCommand(ui->sbFdByNumberTLV->value());
    case TicketRequested:
        return c->sendFnReadCommand(
            FN_TICKET, littleEndian(quint32(ui->sbFdNumberForTicket->value()), 4));
    case RegistrationReportRequested:
        return c->sendRegistrationReportCommand();
    case RegistrationByNumberRequested:
        return c->sendFnReadCommand(
            FN_REGISTRATION, littleEndian(quint32(ui->sbRegNumberReport->value()), 4));
    case NoTicketReportRequested:
        return c->sendFnReadCommand(FN_NO_TICKET);
    case ParameterReportRequested:
        return c->sendFnReadCommand(
            FN_PARAMETER, littleEndian(ui->cbRegTags->currentData().toUInt(), 2));
    case ParameterByNumberRequested:
        return c->sendFnReadCommand(FN_PARAMETER,
            QByteArray(1, char(ui->sbRegTagRepNum->value()))
                + littleEndian(ui->cbRegTags->currentData().toUInt(), 2));
    default:
        return CommandSendInfo();
    }
}

void ReportModeWidget::frModeChanged(quint8 mode, bool error, quint8 errorCode)
{
    WaitCommandWidget::frModeChanged(mode, error, errorCode);
    if (FrCfgRoot *root = FrCfgRoot::instance())
        root->hideWaitWidget();
    if (error) {
        m_pending = NoOperation;
        if (mode == MODE_CLEARING)
            UserPrompts::warning(
                this, tr("Внмиание"), tr("Ошибка перевода ККТ в режимя снятия Z отчета"));
        return;
    }
    const Step *step = findStep(m_pending);
    if (!step || step->mode != mode || !controller())
        return;
    const CommandSendInfo info = sendCommand(m_pending);
    addWaitTid(info);
    m_sentTid = info.tid;
    qDebug() << "REPORT_COMMAND_SENT" << operationName(m_pending) << "TID=" << info.tid
             << "CODE=" << QByteArray(1, char(info.cmdCode)).toHex();
    m_pending = step->sent;
}

void ReportModeWidget::frCommandAnswerHandler(quint8 cmdCode, quint8 tid, QByteArray ba)
{
    qDebug() << "REPORT_ANSWER TID=" << tid << "CODE=" << QByteArray(1, char(cmdCode)).toHex()
             << ba.toHex();
    if (tid != m_sentTid)
        return;
    const char *message = nullptr;
    for (const Result &r : RESULTS) {
        if (r.cmdCode == cmdCode && r.sent == m_pending)
            message = r.message;
    }
    if (!message && isStoragePrintout(cmdCode, m_pending))
        message = REPORT_BUILT;
    if (!message)
        return;
    m_pending = NoOperation;
    UserPrompts::information(this, tr("Инфо"), tr(message));
}

void ReportModeWidget::frCommandErrorHandler(quint8 cmdCode, quint8 tid, QByteArray ba)
{
    qDebug() << "REPORT_REFUSED TID=" << tid << "CODE=" << QByteArray(1, char(cmdCode)).toHex()
             << ba.toHex();
    // A replaced operation's task is cancelled by the abort that begins the next mode
    // change; answering that with another abort would cancel the change itself.
    if (tid != m_sentTid)
        return;
    m_pending = NoOperation;
    // A register's refusal reads "U", its error code, 0.
    const quint8 code = ba.size() >= 2 && quint8(ba.at(0)) == 0x55 ? quint8(ba.at(1)) : 0xFF;
    if (code == 0)
        return;
    QString text = errorCodeText(code);
    if (cmdCode == CMD_CHECK_OPEN)
        text.prepend(tr("Ошибка открытия чека.") + QLatin1Char(' '));
    UserPrompts::warning(this, tr("Внмиание!"), text);
    // A cancelled task was dropped by an abort or a lost link: the buffer is empty already.
    if (code == LINK_CANCELLED || !controller())
        return;
    controller()->sendClearBufferCommand();
    qDebug() << "CLEAR_COMMAND_BUFFER_AFTER_ERROR";
}

void ReportModeWidget::on_pbOpenCycleReport_clicked()
{
    m_shiftComment = UserPrompts::getText(
        this, tr("Открытие смены"), tr("Введите комментарий для отчета об открытии смены"));
    request(OpenShiftRequested);
}

void ReportModeWidget::on_pbCloseCycleReport_clicked()
{
    request(CloseShiftRequested);
}

void ReportModeWidget::on_pbCurrentCalculationReport_clicked()
{
    request(CalculationReportRequested);
}

void ReportModeWidget::on_pbXReportFull_clicked()
{
    request(FullStatisticsRequested);
}

void ReportModeWidget::on_pbXReportShort_clicked()
{
    request(ShortStatisticsRequested);
}

void ReportModeWidget::on_pbCloseFnArchive_clicked()
{
    if (!UserPrompts::question(
            this, tr("Внимание!!!"), tr("Вы действительно хотите выполнить закрытие архива ФН?")))
        return;
    request(CloseArchiveRequested);
}

void ReportModeWidget::on_pbFdByNumberReport_clicked()
{
    request(DocumentByNumberRequested);
}

void ReportModeWidget::on_pbFdByNumberTLVReport_clicked()
{
    request(DocumentTlvRequested);
}

void ReportModeWidget::on_pbTicketByFdNumber_clicked()
{
    request(TicketRequested);
}

void ReportModeWidget::on_pbRegReport_clicked()
{
    request(RegistrationReportRequested);
}

void ReportModeWidget::on_pbReg2Report_clicked()
{
    request(RegistrationByNumberRequested);
}

void ReportModeWidget::on_pbNoTicketReport_clicked()
{
    request(NoTicketReportRequested);
}

void ReportModeWidget::on_pbRegTagReport_clicked()
{
    request(ParameterReportRequested);
}

void ReportModeWidget::on_pbRegTagReport2_clicked()
{
    request(ParameterByNumberRequested);
}

void ReportModeWidget::on_pushButton_clicked()
{
    if (!UserPrompts::question(this, tr("Подтверждение"),
            tr("Внимание! Необнуляемые регистры в ККТ и наличночть будут обнулены. Вы "
               "действительно хотите продолжить?")))
        return;
    request(CommonClearRequested);
}
