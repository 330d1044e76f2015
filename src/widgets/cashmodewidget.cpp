#include "cashmodewidget.h"
#include "ui_cashmodewidget.h"

#include "agentinformationdialog.h"
#include "agentkindselectdialog.h"
#include "bcd.h"
#include "franswers.h"
#include "frcfgroot.h"
#include "frcfgsettings.h"
#include "frcommandscontroller.h"
#include "logstream.h"
#include "providerparameterfillwidget.h"
#include "userprompts.h"

#include <QDebug>
#include <QEvent>
#include <QMenu>
#include <QStringList>
#include <QTextEncoder>

using qt5ext::BCD;
using qt5ext::FixNumber;
using qt5ext::logbinary;
using Tag = ReceiptRequisites::Tag;

static void initResources()
{
    // The supplier directory is compiled into a static library.
    Q_INIT_RESOURCE(resources);
}

namespace {

const quint8 CMD_MONEY = 0x4D;
const quint8 CMD_SHIFT_TOTALS = 0x58;
const quint8 CMD_PRINT_LAST = 0x95;
const quint8 CMD_OPEN_RECEIPT = 0x92;
const quint8 CMD_CLOSE_RECEIPT = 0x4A;
const quint8 CMD_CANCEL_RECEIPT = 0x59;
const quint8 CMD_OPEN_SHIFT = 0x9A;
const quint8 CMD_CLOSE_SHIFT = 0x5A;
const quint8 CMD_POSITION = 0xE6;
const quint8 CMD_CANCEL_POSITION = 0xE7;
const quint8 CMD_PAYMENT = 0x99;
const quint8 CMD_CASH_IN = 0x49;
const quint8 CMD_CASH_OUT = 0x4F;
const quint8 CMD_REQUISITE = 0xE8;

const quint8 RESULT_TAG = 0x55;
const quint8 E_TAX_SYSTEM = 0xE0;
const quint8 E_PRINTER_FIRST = 0x67;
const quint8 E_PRINTER_LAST = 0x69;
const quint8 E_RECEIPT_OPEN = 0x9B;

const quint8 MODE_REGISTRATION = 1;
const quint8 MODE_SHIFT_CLOSE = 3;

struct Item
{
    const char *text;
    int data;
};

const Item TAX_SYSTEMS[] = {
    { QT_TRANSLATE_NOOP("CashModeWidget", "Общая"), 1 },
    { QT_TRANSLATE_NOOP("CashModeWidget", "Упрощенная доход"), 2 },
    { QT_TRANSLATE_NOOP("CashModeWidget", "Упрощенная доход минус расход"), 4 },
    { QT_TRANSLATE_NOOP("CashModeWidget", "Единый налог на вмененный доход"), 8 },
    { QT_TRANSLATE_NOOP("CashModeWidget", "Единый с/х налог"), 16 },
    { QT_TRANSLATE_NOOP("CashModeWidget", "Патентная система"), 32 },
};

const Item RECEIPT_TYPES[] = {
    { QT_TRANSLATE_NOOP("CashModeWidget", "Чек продажи(приход)"), 1 },
    { QT_TRANSLATE_NOOP("CashModeWidget", "Чек возврата продажи"), 2 },
    { QT_TRANSLATE_NOOP("CashModeWidget", "Чек покупки(расход)"), 4 },
    { QT_TRANSLATE_NOOP("CashModeWidget", "Чек возврата покупки"), 5 },
};

const Item CORRECTION_TYPES[] = {
    { QT_TRANSLATE_NOOP("CashModeWidget", "Коррекция прихода"), 7 },
    { QT_TRANSLATE_NOOP("CashModeWidget", "Коррекция расхода"), 9 },
};

const Item CORRECTION_KINDS[] = {
    { QT_TRANSLATE_NOOP("CashModeWidget", "Самостоятельная операция"), 0 },
    { QT_TRANSLATE_NOOP("CashModeWidget", "Операция по предписанию"), 1 },
};

const Item PAYMENT_TYPES[] = {
    { QT_TRANSLATE_NOOP("CashModeWidget", "Наличные"), 1 },
    { QT_TRANSLATE_NOOP("CashModeWidget", "Карта, электронные деньги"), 2 },
    { QT_TRANSLATE_NOOP("CashModeWidget", "Предоплата, аванс"), 3 },
    { QT_TRANSLATE_NOOP("CashModeWidget", "Постоплата, кредит"), 4 },
    { QT_TRANSLATE_NOOP("CashModeWidget", "Встречным предоставлением"), 5 },
};

const Item SETTLEMENT_METHODS[] = {
    { QT_TRANSLATE_NOOP("CashModeWidget", "Предоплата 100%"), 1 },
    { QT_TRANSLATE_NOOP("CashModeWidget", "Предоплата"), 2 },
    { QT_TRANSLATE_NOOP("CashModeWidget", "Аванс"), 3 },
    { QT_TRANSLATE_NOOP("CashModeWidget", "Полный расчет"), 4 },
    { QT_TRANSLATE_NOOP("CashModeWidget", "Частичный расчет и кредит"), 5 },
    { QT_TRANSLATE_NOOP("CashModeWidget", "Передача в кредит"), 6 },
    { QT_TRANSLATE_NOOP("CashModeWidget", "Оплата кредита"), 7 },
};

const Item SETTLEMENT_SUBJECTS[] = {
    { QT_TRANSLATE_NOOP("CashModeWidget", "Товар"), 1 },
    { QT_TRANSLATE_NOOP("CashModeWidget", "Подакцизный товар"), 2 },
    { QT_TRANSLATE_NOOP("CashModeWidget", "Работа"), 3 },
    { QT_TRANSLATE_NOOP("CashModeWidget", "Услуга"), 4 },
    { QT_TRANSLATE_NOOP("CashModeWidget", "Ставка азартной игрый"), 5 },
    { QT_TRANSLATE_NOOP("CashModeWidget", "Выигрыш азартной игры"), 6 },
    { QT_TRANSLATE_NOOP("CashModeWidget", "Лотерейный билет"), 7 },
    { QT_TRANSLATE_NOOP("CashModeWidget", "Выигрыш лотереи"), 8 },
    { QT_TRANSLATE_NOOP("CashModeWidget", "Предоставление РИД"), 9 },
    { QT_TRANSLATE_NOOP("CashModeWidget", "Платеж или выплата"), 10 },
    { QT_TRANSLATE_NOOP("CashModeWidget", "Агентское вознаграждение"), 11 },
    { QT_TRANSLATE_NOOP("CashModeWidget", "Составной предмет расчета"), 12 },
    { QT_TRANSLATE_NOOP("CashModeWidget", "Иной предмет расчета"), 13 },
};
const int DEFAULT_SUBJECT_INDEX = 3; // "Услуга"

const Item DISCOUNT_KINDS[] = {
    { QT_TRANSLATE_NOOP("CashModeWidget", "Скидка"), 0 },
    { QT_TRANSLATE_NOOP("CashModeWidget", "Наценка"), 1 },
};

const Item DISCOUNT_AMOUNT_KINDS[] = {
    { QT_TRANSLATE_NOOP("CashModeWidget", "Суммовая"), 1 },
    { QT_TRANSLATE_NOOP("CashModeWidget", "Процентная"), 0 },
};

const Item CONTACT_KINDS[] = {
    { QT_TRANSLATE_NOOP("CashModeWidget", "Телефон покупателя"), 1 },
    { QT_TRANSLATE_NOOP("CashModeWidget", "Email покупателя"), 1 },
};

const char *const COMMISSION_KINDS[] = {
    QT_TRANSLATE_NOOP("CashModeWidget", "%"),
    QT_TRANSLATE_NOOP("CashModeWidget", "руб"),
};
const int COMMISSION_PERCENT = 0;

const double MAX_DISCOUNT_SUM = 1000000;
const double MAX_PERCENT = 100;

template<size_t N>
void fill(QComboBox *box, const Item (&items)[N])
{
    const int current = box->currentIndex();
    box->blockSignals(true);
    box->clear();
    for (const Item &item : items)
        box->addItem(QCoreApplication::translate("CashModeWidget", item.text), item.data);
    box->setCurrentIndex(current < 0 ? 0 : current);
    box->blockSignals(false);
}

FixNumber money(double value)
{
    return FixNumber(100, value);
}

FixNumber quantity(double value)
{
    return FixNumber(1000, value);
}

// price x quantity x percent / 100, each step rounded to kopecks. The spin boxes allow
// products beyond 64 bits.
FixNumber percentOf(const FixNumber &price, const FixNumber &qty, const FixNumber &percent)
{
    const auto rounded = [](__int128 num, __int128 den) {
        return num >= 0 ? (num + den / 2) / den : -((-num + den / 2) / den);
    };
    const __int128 amount = rounded(__int128(price.value()) * qty.value(), 1000);
    return FixNumber(100, qint64(rounded(amount * percent.value(), 10000)));
}

} // namespace

CashModeWidget::CashModeWidget(QWidget *parent)
    : WaitCommandWidget(parent), ui(new Ui::CashModeWidget)
{
    initResources();
    ui->setupUi(this);
    fillCombos();
    ui->cbPredmetRascheta->setCurrentIndex(DEFAULT_SUBJECT_INDEX);
    ui->dtCorrectionReason->setDate(QDate::currentDate());
    ui->mainTabWidget->setCurrentWidget(ui->tabMainRekvs);
    ui->pbSendMainRekv->setEnabled(false);
    updateButtons();

    m_requisiteTimer.setSingleShot(true);
    m_requisiteTimer.setInterval(REQUISITE_TIMEOUT_MS);
    connect(&m_requisiteTimer, &QTimer::timeout, this, &CashModeWidget::sendRekvsTimeout);

    m_directory = ProviderDirectory::load();
    auto *suppliers = new QMenu(ui->pbProductList);
    QMap<QString, QMenu *> groups;
    ui->cbPosProviderName->blockSignals(true);
    for (const ProviderDirectory::Provider &p : m_directory.providers()) {
        ui->cbPosProviderName->addItem(p.name, p.id);
        QMenu *&group = groups[p.groupName];
        if (!group)
            group = suppliers->addMenu(p.groupName);
        group->addAction(p.name, this, [this, id = p.id]() {
            selectData(ui->cbPosProviderName, id);
            ui->lePosProductName->setFocus();
        });
    }
    ui->cbPosProviderName->blockSignals(false);
    ui->pbProductList->setMenu(suppliers);

    restoreHistory();
    loadAgentAndProvider();
}

CashModeWidget::~CashModeWidget()
{
    delete ui;
}

void CashModeWidget::fillCombos()
{
    fill(ui->cbFiscalSystem, TAX_SYSTEMS);
    fill(ui->cbCorrectionCheckFiscalSystem, TAX_SYSTEMS);
    fill(ui->cbCheckType, RECEIPT_TYPES);
    fill(ui->cbCorrectionCheckType, CORRECTION_TYPES);
    fill(ui->cbCorrectionType, CORRECTION_KINDS);
    fill(ui->cbCloseCheckPayType, PAYMENT_TYPES);
    fill(ui->cbCheckPayType, PAYMENT_TYPES);
    fill(ui->cbCheckCorrectionPayType, PAYMENT_TYPES);
    fill(ui->cbSposobRascheta, SETTLEMENT_METHODS);
    fill(ui->cbPredmetRascheta, SETTLEMENT_SUBJECTS);
    fill(ui->cbDiscountType, DISCOUNT_KINDS);
    fill(ui->cbDiscountSummType, DISCOUNT_AMOUNT_KINDS);
    fill(ui->cbPhoneOrEmail, CONTACT_KINDS);
    const int commissionKind = ui->cbPosCommissionKind->currentIndex();
    ui->cbPosCommissionKind->blockSignals(true);
    ui->cbPosCommissionKind->clear();
    for (const char *kind : COMMISSION_KINDS)
        ui->cbPosCommissionKind->addItem(QCoreApplication::translate("CashModeWidget", kind));
    ui->cbPosCommissionKind->setCurrentIndex(commissionKind < 0 ? 0 : commissionKind);
    ui->cbPosCommissionKind->blockSignals(false);
    on_cbDiscountSummType_currentIndexChanged(ui->cbDiscountSummType->currentIndex());
    on_cbPosCommissionKind_currentIndexChanged(ui->cbPosCommissionKind->currentIndex());
}

int CashModeWidget::itemData(const QComboBox *box)
{
    return box->currentData().toInt();
}

void CashModeWidget::selectData(QComboBox *box, const QVariant &data)
{
    const int index = box->findData(data);
    if (index >= 0)
        box->setCurrentIndex(index);
}

// --- user prompts and the overlay -----------------------------------------------------------

void CashModeWidget::showWait(const QString &text)
{
    if (FrCfgRoot *root = FrCfgRoot::instance())
        root->showWaitWidget(text);
}

void CashModeWidget::hideWait()
{
    if (FrCfgRoot *root = FrCfgRoot::instance())
        root->hideWaitWidget();
}

void CashModeWidget::information(const QString &text)
{
    UserPrompts::information(this, tr("Инфо"), text);
}

void CashModeWidget::warning(const QString &title, const QString &text)
{
    UserPrompts::warning(this, title, text);
}

bool CashModeWidget::linkUp()
{
    // These commands go out without a mode change, which would have offered the link.
    FrCommandsController *c = controller();
    if (c && c->isConnected())
        return true;
    warning(tr("Внимание"), tr("Нет связи с ККТ. Установите соединение кнопкой слева."));
    return false;
}

// --- buttons --------------------------------------------------------------------------------

void CashModeWidget::requestMode(Operation operation, quint8 mode, const QString &waitText)
{
    m_pending = operation;
    showWait(waitText);
    // The mode change starts with an abort that discards whatever is still queued.
    forgetWaits();
    changeFrMode(mode);
}

void CashModeWidget::forgetWaits()
{
    const QList<quint8> tids = waits().keys();
    for (const quint8 tid : tids)
        removeWaitTid(tid);
}

void CashModeWidget::clearCommandBuffer()
{
    forgetWaits();
    if (FrCommandsController *c = controller())
        c->sendClearBufferCommand();
}

void CashModeWidget::on_pbCycleOpen_clicked()
{
    m_commission = FixNumber(100);
    m_shiftComment = UserPrompts::getText(
        this, tr("Открытие смены"), tr("Введите комментарий для отчета об открытии смены"));
    requestMode(OpenShiftRequested, MODE_REGISTRATION, tr("Перевод ККТ в режим регистрации"));
}

void CashModeWidget::on_pbCloseCycle_clicked()
{
    requestMode(CloseShiftRequested, MODE_SHIFT_CLOSE, tr("Перевод ККТ в режим закрытия смены"));
}

void CashModeWidget::on_pbCheckOpen_clicked()
{
    ui->cbCloseCheckPayType->setCurrentIndex(0);
    ui->sbCloseCheckSumm->setValue(0);
    m_commission = FixNumber(100);
    requestMode(
        OpenReceiptRequested, MODE_REGISTRATION, tr("Перевод ККТ в кассовый режим(регистрации)"));
    ui->pbSendMainRekv->setEnabled(true);
    m_mainRequisitesSent = false;
}

void CashModeWidget::on_pbSendMainRekv_clicked()
{
    requestMode(SendMainRequisitesRequested, MODE_REGISTRATION,
        tr("Перевод ККТ в кассовый режим(регистрации)"));
}

void CashModeWidget::on_pbRegPosition_clicked()
{
    storeProviderData();
    if (!m_mainRequisitesSent) {
        warning(tr("Внимание"),
            tr("Перед регистрацией первой позиции необходимо выполнить отправку реквизитов чека"));
        ui->mainTabWidget->setCurrentWidget(ui->tabMainRekvs);
        return;
    }
    requestMode(RegisterPositionRequested, MODE_REGISTRATION,
        tr("Перевод ККТ в кассовый режим(регистрации)"));
}

void CashModeWidget::on_pbPosCancel_clicked()
{
    requestMode(CancelPositionRequested, MODE_REGISTRATION,
        tr("Перевод ККТ в кассовый режим(регистрации)"));
}

void CashModeWidget::on_pbRegCheckPayment_clicked()
{
    if (ui->sbCheckPaySumm->value() <= 0) {
        warning(tr("Внимание"), tr("Введите корректную сумму оплаты"));
        return;
    }
    if (m_commission.value() == 0) {
        requestMode(
            PaymentRequested, MODE_REGISTRATION, tr("Перевод ККТ в кассовый режим(регистрации)"));
        return;
    }
    m_followUp = PaymentAfterCommission;
    requestMode(RegisterCommissionRequested, MODE_REGISTRATION,
        tr("Перевод ККТ в кассовый режим(регистрации)"));
}

void CashModeWidget::on_pbCloseCheck_clicked()
{
    if (m_commission.value() == 0) {
        requestMode(CloseReceiptRequested, MODE_REGISTRATION,
            tr("Перевод ККТ в кассовый режим(регистрации)"));
        return;
    }
    m_followUp = CloseAfterCommission;
    requestMode(RegisterCommissionRequested, MODE_REGISTRATION,
        tr("Перевод ККТ в кассовый режим(регистрации)"));
}

void CashModeWidget::on_pbCancelCheck_clicked()
{
    requestMode(
        CancelReceiptRequested, MODE_REGISTRATION, tr("Перевод ККТ в кассовый режим(регистрации)"));
}

void CashModeWidget::on_pbCorrectionCheck_clicked()
{
    if (itemData(ui->cbCorrectionType) == 1) {
        if (ui->leCorrectionReasonName->text().isEmpty()) {
            warning(tr("Внимание"), tr("Введите основание для коррекции"));
            return;
        }
        if (ui->leCorrectionReasonDocNumber->text().isEmpty()) {
            warning(tr("Внимание"), tr("Введите номер документа основания для коррекции"));
            return;
        }
    }
    if (ui->sbCorrectionCheckSumm->value() <= 0) {
        warning(tr("Внимание"), tr("Введите корректную сумму коррекции"));
        return;
    }
    requestMode(OpenCorrectionRequested, MODE_REGISTRATION,
        tr("Перевод ККТ в кассовый режим(регистрации)"));
}

void CashModeWidget::on_pbIntroduction_clicked()
{
    requestMode(
        CashInRequested, MODE_REGISTRATION, tr("Перевод ККТ в кассовый режим(регистрации)"));
}

void CashModeWidget::on_pbEncashment_clicked()
{
    requestMode(
        CashOutRequested, MODE_REGISTRATION, tr("Перевод ККТ в кассовый режим(регистрации)"));
}

void CashModeWidget::on_pbPrintLastCheck_clicked()
{
    if (!linkUp())
        return;
    m_pending = PrintLastReceiptSent;
    addWaitTid(controller()->sendPrintLastCheckCommand());
}

void CashModeWidget::on_pbKKTMoneyRequest_clicked()
{
    if (linkUp())
        doKktFullMoneyRequest();
}

void CashModeWidget::doKktFullMoneyRequest()
{
    doKktMoneyRequest();
    doKktCycleMoneyRequest();
}

void CashModeWidget::doKktMoneyRequest()
{
    qDebug() << "Запрос информации о наличных";
    addWaitTid(controller()->sendGetFrMoneyCommand());
}

void CashModeWidget::doKktCycleMoneyRequest()
{
    qDebug() << "Запрос информации о сумме за смену";
    addWaitTid(controller()->sendGetFrCycleMoneyCommand());
}

void CashModeWidget::on_mainTabWidget_currentChanged(int index)
{
    updateButtons();
    if (ui->mainTabWidget->widget(index) != ui->tabInOutMoney || !m_moneyInfoStale)
        return;
    FrCommandsController *c = controller();
    if (c && c->isConnected()) {
        m_moneyInfoStale = false;
        doKktFullMoneyRequest();
    }
}

void CashModeWidget::updateButtons()
{
    QWidget *tab = ui->mainTabWidget->currentWidget();
    ui->pbRegPosition->setEnabled(tab == ui->tabRegPosition);
    ui->pbRegCheckPayment->setEnabled(tab == ui->tabPayment);
    ui->pbIntroduction->setEnabled(tab == ui->tabInOutMoney);
    ui->pbEncashment->setEnabled(tab == ui->tabInOutMoney);
    ui->pbCorrectionCheck->setEnabled(tab == ui->tabCorrectionCheck);
}

void CashModeWidget::on_cbDiscountSummType_currentIndexChanged(int index)
{
    ui->sbDiscauntSumm->setMaximum(index == 0 ? MAX_DISCOUNT_SUM : MAX_PERCENT);
}

void CashModeWidget::on_cbPosCommissionKind_currentIndexChanged(int index)
{
    ui->sbPosCommission->setMaximum(index == COMMISSION_PERCENT ? MAX_PERCENT : MAX_DISCOUNT_SUM);
}

void CashModeWidget::on_cbPhoneOrEmail_currentIndexChanged(int index)
{
    // Both kinds travel as the same requisite; only the hint differs.
    ui->lePhoneOrEmail->setPlaceholderText(
        index == 0 ? QStringLiteral("+79001234567") : QStringLiteral("name@example.ru"));
}

// --- mode reached, answers and refusals -------------------------------------------------------

void CashModeWidget::frModeChanged(quint8 mode, bool error, quint8 errorCode)
{
    WaitCommandWidget::frModeChanged(mode, error, errorCode);
    hideWait();
    if (error) {
        m_pending = NoOperation;
        if (mode == MODE_SHIFT_CLOSE)
            warning(tr("Внмиание"), tr("Ошибка перевода ККТ в режимя снятия Z отчета"));
        return;
    }
    const quint8 needed = m_pending == CloseShiftRequested ? MODE_SHIFT_CLOSE : MODE_REGISTRATION;
    if (mode != needed)
        return;
    FrCommandsController *c = controller();
    switch (m_pending) {
    case SendMainRequisitesRequested:
        sendCheckMainRekvs(false);
        break;
    case CloseShiftRequested:
        m_pending = CloseShiftSent;
        addWaitTid(c->sendCloseCycleCommand(), CMD_CLOSE_SHIFT);
        break;
    case OpenShiftRequested:
        m_pending = OpenShiftSent;
        addWaitTid(c->sendOpenCycleCommand(encoder()->fromUnicode(m_shiftComment)), CMD_OPEN_SHIFT);
        break;
    case OpenReceiptRequested:
        m_pending = OpenReceiptSent;
        addWaitTid(c->sendCheckOpenCommand(quint8(itemData(ui->cbCheckType))), CMD_OPEN_RECEIPT);
        break;
    case CancelReceiptRequested:
        m_pending = CancelReceiptSent;
        addWaitTid(c->sendCheckCancelCommand(), CMD_CANCEL_RECEIPT);
        break;
    case CloseReceiptRequested:
        m_pending = CloseReceiptSent;
        addWaitTid(c->sendCheckCloseCommand(
                       money(ui->sbCloseCheckSumm->value()), itemData(ui->cbCloseCheckPayType)),
            CMD_CLOSE_RECEIPT);
        break;
    case RegisterPositionRequested:
        sendPosition(PositionSent, false);
        break;
    case CancelPositionRequested:
        sendPosition(CancelPositionSent, true);
        break;
    case RegisterCommissionRequested:
        sendCommissionPosition();
        break;
    case PaymentRequested:
        m_pending = PaymentSent;
        addWaitTid(c->sendCheckPaymentCommand(
                       money(ui->sbCheckPaySumm->value()), itemData(ui->cbCheckPayType)),
            CMD_PAYMENT);
        break;
    case CashInRequested:
        m_pending = CashInSent;
        addWaitTid(c->sendIntroductionCommand(money(ui->sbInOutSumm->value())), CMD_CASH_IN);
        break;
    case CashOutRequested:
        m_pending = CashOutSent;
        addWaitTid(c->sendEncashmentCommand(money(ui->sbInOutSumm->value())), CMD_CASH_OUT);
        break;
    case OpenCorrectionRequested:
        m_pending = CorrectionOpenSent;
        addWaitTid(
            c->sendCheckOpenCommand(quint8(itemData(ui->cbCorrectionCheckType))), CMD_OPEN_RECEIPT);
        break;
    default:
        break;
    }
}

QString CashModeWidget::positionName() const
{
    if (!ui->lePosProductName->text().isEmpty())
        return ui->lePosProductName->text();
    if (!ui->lePosProductName->placeholderText().isEmpty())
        return ui->lePosProductName->placeholderText();
    QString name = tr("Олата");
    if (itemData(ui->cbPosProviderName) > 0 && !ui->cbPosProviderName->currentText().isEmpty())
        name += QLatin1Char(' ') + ui->cbPosProviderName->currentText();
    return name;
}

void CashModeWidget::sendPosition(Operation inFlight, bool cancel)
{
    m_pending = inFlight;
    addWaitTid(controller()->sendRegPostionCommand(encoder()->fromUnicode(positionName()),
        money(ui->sbPositionSumm->value()), quantity(ui->sbPositionProductCount->value()),
        quint8(itemData(ui->cbDiscountType)), money(ui->sbDiscauntSumm->value()),
        quint8(itemData(ui->cbDiscountSummType)), quint8(ui->sbFiscalNumber->value()),
        quint8(ui->sbSection->value()), encoder()->fromUnicode(ui->leBarcode->text()), cancel));
}

void CashModeWidget::sendCommissionPosition()
{
    m_pending = CommissionPositionSent;
    addWaitTid(controller()->sendRegPostionCommand(encoder()->fromUnicode(tr("Комиссия")),
        m_commission, quantity(1.0), 0, FixNumber(100), 0, 0, 0, QByteArray(), false));
}

void CashModeWidget::sendCorrectionPosition()
{
    m_pending = CorrectionPositionSent;
    addWaitTid(controller()->sendRegPostionCommand(encoder()->fromUnicode(tr("Чек коррекции")),
        money(ui->sbCorrectionCheckSumm->value()), quantity(1.0), 0, FixNumber(100), 0,
        quint8(ui->sbCorrectionFiscalNumber->value()), quint8(ui->sbCorrectionSection->value()),
        QByteArray(), false));
}

void CashModeWidget::sendCorrectionClose()
{
    m_pending = CorrectionCloseSent;
    addWaitTid(
        controller()->sendCheckCloseCommand(FixNumber(100), itemData(ui->cbCheckCorrectionPayType)),
        CMD_CLOSE_RECEIPT);
}

void CashModeWidget::frCommandAnswerHandler(quint8 cmdCode, quint8 tid, QByteArray ba)
{
    requisiteAnswered(tid);

    const Operation pending = m_pending;
    const auto done = [this](const QString &text) {
        m_pending = NoOperation;
        information(text);
    };
    switch (cmdCode) {
    case CMD_CLOSE_SHIFT:
        if (pending == CloseShiftSent) {
            m_moneyInfoStale = true;
            done(tr("Смена успешно закрыта"));
        }
        break;
    case CMD_OPEN_SHIFT:
        if (pending == OpenShiftSent)
            done(tr("Смена успешно открыта"));
        break;
    case CMD_OPEN_RECEIPT:
        if (pending == OpenReceiptSent)
            done(tr("Чек успешно открыт"));
        else if (pending == CorrectionOpenSent)
            sendCorrectionPosition();
        break;
    case CMD_POSITION:
        if (pending == PositionSent)
            sendPositionRekvs(false);
        else if (pending == CommissionPositionSent)
            sendCommissionPositionRekvs(false);
        else if (pending == CorrectionPositionSent)
            sendCorrectionRekvs(false);
        break;
    case CMD_CANCEL_POSITION:
        if (pending == CancelPositionSent)
            done(tr("Отмена позиции выполнена"));
        break;
    case CMD_CLOSE_RECEIPT:
        m_moneyInfoStale = true;
        if (pending == CloseReceiptSent)
            done(tr("Чек успешно закрыт"));
        else if (pending == CorrectionCloseSent)
            done(tr("Создание чека коррекции выполнено"));
        else
            m_pending = NoOperation;
        break;
    case CMD_CANCEL_RECEIPT:
        if (pending == CancelReceiptSent)
            done(tr("Чек успешно отменен(аннулирован)"));
        break;
    case CMD_PAYMENT:
        if (pending == PaymentSent)
            done(tr("Оплата зарегистрирована"));
        break;
    case CMD_CASH_IN:
        if (pending == CashInSent) {
            done(tr("Внесение выполнено"));
            doKktMoneyRequest();
        }
        break;
    case CMD_CASH_OUT:
        if (pending == CashOutSent) {
            done(tr("Выплата выполнена"));
            doKktMoneyRequest();
        }
        break;
    case CMD_PRINT_LAST:
        if (pending == PrintLastReceiptSent)
            done(tr("Последний чек был успешно напечатан"));
        break;
    case CMD_MONEY:
        kktMoneyRequestHandlel(ba);
        break;
    case CMD_SHIFT_TOTALS:
        kktCycleMoneyRequestHandlel(ba);
        break;
    default:
        break;
    }
}

void CashModeWidget::frCommandErrorHandler(quint8 cmdCode, quint8 tid, QByteArray ba)
{
    const Operation was = m_pending;
    m_pending = NoOperation;
    // A refusal ends whatever the overlay was shown for.
    hideWait();
    QString prefix
        = cmdCode == CMD_OPEN_RECEIPT ? tr("Ошибка открытия чека.") + QLatin1Char(' ') : QString();
    if (m_pendingRequisites.contains(tid)) {
        // The group ends at its first refused requisite.
        m_pendingRequisites.clear();
        m_requisiteTimer.stop();
        prefix = tr("Не удалось отправить реквизиты.") + QLatin1Char(' ');
    }
    const QString title = tr("Внмиание!");
    if (ba.size() >= 2 && quint8(ba.at(0)) == RESULT_TAG) {
        const quint8 code = quint8(ba.at(1));
        if (code == E_TAX_SYSTEM && was == CloseReceiptSent) {
            warning(title, tr("Для чека выбрана некорректная система налогообложения"));
            return;
        }
        if (code >= E_PRINTER_FIRST && code <= E_PRINTER_LAST) {
            clearCommandBuffer();
            warning(title,
                errorCodeText(code)
                    + tr(" Для печати чека нажмите кнопку 'Печать последнего чека'"));
            return;
        }
        if (ba.size() == 2 && code != 0) {
            warning(title, prefix + errorCodeText(code));
            return;
        }
    }
    const quint8 code = CommandResultAnswer(ba, 3).code();
    if (code == 0)
        return;
    if (code == LINK_CANCELLED) {
        // The link went down or the buffer was cleared: the rest of what the page waited
        // for is gone too, and one message says so.
        forgetWaits();
        warning(title, prefix + errorCodeText(code));
        return;
    }
    if (code == E_RECEIPT_OPEN) {
        if (UserPrompts::question(this, title,
                tr("Операция невозможна при открытом чеке. Выполнить отмену текущего чека "
                   "сейчас?")))
            on_pbCancelCheck_clicked();
        return;
    }
    warning(title, prefix + errorCodeText(code));
    clearCommandBuffer();
    qDebug() << "CLEAR_COMMAND_BUFFER_AFTER_ERROR";
}

void CashModeWidget::frForceStopHandler()
{
    // The user gave up waiting: the operation ends here and its cancelled tasks say nothing.
    forgetWaits();
    m_requisiteTimer.stop();
    m_pendingRequisites.clear();
    m_pending = NoOperation;
}

void CashModeWidget::kktMoneyRequestHandlel(const QByteArray &ba)
{
    if (ba.size() != 8 || quint8(ba.at(0)) != CMD_MONEY) {
        qDebug() << "ERROR_GET_MONEY_RESULT" << logbinary(ba);
        return;
    }
    ui->leKKTCurrentMoney->setText(FixNumber(100, BCD::bcd2int(ba.mid(1, 7))).toString());
}

void CashModeWidget::kktCycleMoneyRequestHandlel(const QByteArray &ba)
{
    if (ba.size() != 16 || quint8(ba.at(0)) != RESULT_TAG || ba.at(1) != 0) {
        qDebug() << "ERROR_GET_CYCLE_MONEY_RESULT" << logbinary(ba);
        return;
    }
    ui->leKktCycleSumm1->setText(FixNumber(100, BCD::bcd2int(ba.mid(2, 7))).toString());
    ui->leKktCycleSumm2->setText(FixNumber(100, BCD::bcd2int(ba.mid(9, 7))).toString());
}

// --- requisite groups -----------------------------------------------------------------------

void CashModeWidget::startGroup(Operation sending, bool repeat, const QString &waitText)
{
    m_pendingRequisites.clear();
    if (!repeat)
        m_retryCount = 0;
    m_pending = sending;
    // A repeat keeps the overlay naming its attempt.
    if (!repeat && !waitText.isEmpty())
        showWait(waitText);
    m_requisiteTimer.start();
}

void CashModeWidget::sendGroup(const ReceiptRequisites::Group &group)
{
    FrCommandsController *c = controller();
    for (const ReceiptRequisites::Requisite &r : group) {
        const quint8 tid = c->sendFrSetRekvCommand(r.tlv);
        addWaitTid(tid, CMD_REQUISITE);
        m_pendingRequisites.insert(tid, r.tag);
    }
}

void CashModeWidget::sendCheckMainRekvs(bool repeat)
{
    qDebug() << "SEND_CHECK_MAIN_REKVS" << repeat;
    startGroup(MainRequisitesSending, repeat, tr("Отправка реквизитов"));
    sendGroup(ReceiptRequisites::general(generalInput()));
}

void CashModeWidget::sendPositionRekvs(bool repeat)
{
    qDebug() << "SEND_POSITION_REKVS" << repeat;
    startGroup(PositionRequisitesSending, repeat, tr("Отправка реквизитов позиции"));
    sendGroup(ReceiptRequisites::position(positionInput()));
}

void CashModeWidget::sendCommissionPositionRekvs(bool repeat)
{
    qDebug() << "SEND_COMMISSION_POSITION_REKVS" << repeat;
    startGroup(CommissionRequisitesSending, repeat, QString());
    sendGroup(ReceiptRequisites::commission());
}

void CashModeWidget::sendCorrectionRekvs(bool repeat)
{
    qDebug() << "SEND_CORRECTION_REKVS" << repeat;
    startGroup(CorrectionRequisitesSending, repeat, tr("Отправка реквизитов коррекции"));
    sendGroup(ReceiptRequisites::correction(correctionInput()));
}

void CashModeWidget::requisiteAnswered(quint8 tid)
{
    if (!m_pendingRequisites.remove(tid))
        return;
    if (m_pendingRequisites.isEmpty())
        sendRekvsTimeout();
    else
        m_requisiteTimer.start();
}

void CashModeWidget::sendRekvsTimeout()
{
    hideWait();
    m_requisiteTimer.stop();
    const Operation group = m_pending;
    if (group != MainRequisitesSending && group != PositionRequisitesSending
        && group != CommissionRequisitesSending && group != CorrectionRequisitesSending)
        return;
    if (m_pendingRequisites.isEmpty()) {
        groupSucceeded(group);
        return;
    }
    if (m_retryCount < MAX_REQUISITE_REPEATS) {
        qDebug() << "SEND_REKV_REPEAT" << m_retryCount;
        ++m_retryCount;
        showWait(tr("Отправка реквизитов. Попытка %1").arg(m_retryCount));
        abandonGroupTasks();
        resendGroup(group, true);
        return;
    }
    const QString tags = pendingTagsText();
    abandonGroupTasks();
    m_pendingRequisites.clear();
    m_pending = NoOperation;
    if (group == PositionRequisitesSending) {
        if (UserPrompts::question(this, tr("Внимание"),
                tr("При отправке реквизитов %1 позиции возникла ошибка. Повторить отправку "
                   "реквизитов?")
                    .arg(tags)))
            sendPositionRekvs(false);
        else
            on_pbPosCancel_clicked();
    } else if (group == CorrectionRequisitesSending) {
        if (UserPrompts::question(this, tr("Внимание"),
                tr("При отправке реквизитов %1 коррекции возникла ошибка. Повторить отправку "
                   "реквизитов?")
                    .arg(tags)))
            sendCorrectionRekvs(false);
        else
            on_pbCancelCheck_clicked();
    } else {
        warning(tr("Внимание"), tr("При отправке реквизитов %1 возникла ошибка").arg(tags));
    }
}

void CashModeWidget::resendGroup(Operation group, bool repeat)
{
    switch (group) {
    case MainRequisitesSending:
        sendCheckMainRekvs(repeat);
        break;
    case PositionRequisitesSending:
        sendPositionRekvs(repeat);
        break;
    case CommissionRequisitesSending:
        sendCommissionPositionRekvs(repeat);
        break;
    case CorrectionRequisitesSending:
        sendCorrectionRekvs(repeat);
        break;
    default:
        break;
    }
}

void CashModeWidget::abandonGroupTasks()
{
    clearCommandBuffer();
}

QString CashModeWidget::pendingTagsText() const
{
    QStringList tags;
    for (const quint16 tag : m_pendingRequisites)
        tags << QString::number(tag);
    return tags.join(QLatin1String(", "));
}

void CashModeWidget::groupSucceeded(Operation group)
{
    switch (group) {
    case MainRequisitesSending:
        m_pending = NoOperation;
        m_mainRequisitesSent = true;
        information(tr("Реквизиты успешно отправлены"));
        break;
    case PositionRequisitesSending:
        m_pending = NoOperation;
        if (ui->sbPositionSumm->value() > 0) {
            const FixNumber fee = ui->cbPosCommissionKind->currentIndex() == COMMISSION_PERCENT
                ? percentOf(money(ui->sbPositionSumm->value()),
                    quantity(ui->sbPositionProductCount->value()),
                    money(ui->sbPosCommission->value()))
                : money(ui->sbPosCommission->value());
            m_commission += fee;
        }
        ui->pbSendMainRekv->setEnabled(false);
        information(tr("Позиция зарегистрирована"));
        break;
    case CommissionRequisitesSending:
        m_commission = FixNumber(100);
        if (m_followUp == CloseAfterCommission) {
            qDebug() << "CLOSING_CHECK_AFTER_REG_COMISSION";
            requestMode(CloseReceiptRequested, MODE_REGISTRATION,
                tr("Перевод ККТ в кассовый режим(регистрации)"));
        } else {
            qDebug() << "START_PAYMENT_AFTER_REG_COMISSION";
            requestMode(PaymentRequested, MODE_REGISTRATION,
                tr("Перевод ККТ в кассовый режим(регистрации)"));
        }
        break;
    case CorrectionRequisitesSending:
        qDebug() << "ALL_CORRECTION_REKVS_SENT";
        sendCorrectionClose();
        break;
    default:
        break;
    }
}

// --- requisite values and their history ------------------------------------------------------

void CashModeWidget::rememberRequisite(int tag, const QString &value)
{
    FrCfgSettings settings;
    if (settings.rekvHistory(tag) != value)
        settings.setRekvHistory(tag, value);
}

void CashModeWidget::restoreHistory()
{
    FrCfgSettings settings;
    ui->lePhoneOrEmail->setText(settings.rekvHistory(Tag::BuyerContact));
    ui->leAddRekvName->setText(settings.rekvHistory(Tag::UserRequisiteName));
    ui->leAddRekvValue->setText(settings.rekvHistory(Tag::UserRequisiteValue));
    ui->leAddBsoRekv->setText(settings.rekvHistory(Tag::ReceiptAdditional));
    ui->lePositionEdinica->setText(settings.rekvHistory(Tag::Unit));
    bool ok = false;
    const int taxSystem = settings.rekvHistory(Tag::TaxSystem).toInt(&ok, 10);
    if (ok)
        selectData(ui->cbFiscalSystem, taxSystem);
}

ReceiptRequisites::General CashModeWidget::generalInput()
{
    ReceiptRequisites::General in;
    in.taxSystem = quint8(itemData(ui->cbFiscalSystem));
    in.buyerContact = ui->lePhoneOrEmail->text();
    in.additional = ui->leAddBsoRekv->text();
    in.userName = ui->leAddRekvName->text();
    in.userValue = ui->leAddRekvValue->text();
    rememberRequisite(Tag::TaxSystem, QString::number(in.taxSystem));
    rememberRequisite(Tag::BuyerContact, in.buyerContact);
    rememberRequisite(Tag::ReceiptAdditional, in.additional);
    rememberRequisite(Tag::UserRequisiteName, in.userName);
    rememberRequisite(Tag::UserRequisiteValue, in.userValue);
    return in;
}

ReceiptRequisites::Position CashModeWidget::positionInput()
{
    ReceiptRequisites::Position in;
    in.settlementMethod = quint8(itemData(ui->cbSposobRascheta));
    in.settlementSubject = quint8(itemData(ui->cbPredmetRascheta));
    in.agentKind = m_agentKind;
    in.agent = m_agentData;
    in.supplierName = ui->cbPosProviderName->currentText();
    in.supplierPhone = ui->lePosProviderPhone->text();
    in.supplierInn = ui->lePosProviderInn->text();
    in.unit = ui->lePositionEdinica->text();
    if (!m_providerData.payDetails.isEmpty()) {
        in.paymentDetails = ReceiptRequisites::paymentDetails(
            m_providerData.payDetails, m_directory.provider(m_providerData.providerId));
    }
    in.additional = ui->lePositionAdditionRekv->text();
    rememberRequisite(Tag::Unit, in.unit);
    return in;
}

ReceiptRequisites::Correction CashModeWidget::correctionInput()
{
    ReceiptRequisites::Correction in;
    in.taxSystem = quint8(itemData(ui->cbCorrectionCheckFiscalSystem));
    in.kind = quint8(itemData(ui->cbCorrectionType));
    in.basisName = ui->leCorrectionReasonName->text();
    in.basisDate = ui->dtCorrectionReason->date();
    in.basisNumber = ui->leCorrectionReasonDocNumber->text();
    rememberRequisite(Tag::TaxSystem, QString::number(in.taxSystem));
    return in;
}

// --- agent and supplier ---------------------------------------------------------------------

void CashModeWidget::loadAgentAndProvider()
{
    FrCfgSettings settings;
    m_agentKind = settings.positionAgentKind();
    m_agentData = AgentData::fromMap(settings.positionAgentData());
    m_providerData = ProviderData::fromMap(settings.positionProviderData());
    ui->lePosProviderInn->setText(m_providerData.inn);
    ui->lePosProviderPhone->setText(m_providerData.phone);
    ui->cbPosProviderName->blockSignals(true);
    if (m_providerData.providerId > 0)
        selectData(ui->cbPosProviderName, m_providerData.providerId);
    ui->cbPosProviderName->blockSignals(false);
    on_cbPosProviderName_currentIndexChanged(ui->cbPosProviderName->currentIndex());
    showAgentKind();
}

void CashModeWidget::showAgentKind()
{
    ui->lePositionAgentKind->setText(AgentData::kindText(m_agentKind));
    const bool agent = m_agentKind != 0;
    const QList<QWidget *> dependent { ui->lePositionAgentInfo, ui->lbPositionAgentInfo,
        ui->pbPositionAgentInfo, ui->lbPosProviderName, ui->cbPosProviderName, ui->lbPosProviderInn,
        ui->lePosProviderInn, ui->lbPosProviderPhone, ui->lePosProviderPhone,
        ui->wgPosProviderParams };
    for (QWidget *w : dependent)
        w->setEnabled(agent);
    showAgentData();
}

void CashModeWidget::showAgentData()
{
    const QString text = m_agentData.displayText(m_agentKind);
    ui->lePositionAgentInfo->setText(text);
    // The field is narrower than the text: show its start, and all of it on hover.
    ui->lePositionAgentInfo->setCursorPosition(0);
    ui->lePositionAgentInfo->setToolTip(text);
}

void CashModeWidget::on_pbChangeAgentKind_clicked()
{
    auto *dialog = new AgentKindSelectDialog(m_agentKind, true, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog]() {
        m_agentKind = dialog->kind();
        showAgentKind();
        FrCfgSettings().setPositionAgentKind(m_agentKind);
    });
    dialog->open();
}

void CashModeWidget::on_pbResetAgentKind_clicked()
{
    m_agentKind = 0;
    showAgentKind();
    FrCfgSettings().setPositionAgentKind(m_agentKind);
}

void CashModeWidget::on_pbPositionAgentInfo_clicked()
{
    auto *dialog = new AgentInformationDialog(m_agentKind, m_agentData, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog]() {
        m_agentData = dialog->data();
        showAgentData();
        FrCfgSettings().setPositionAgentData(m_agentData.toMap());
    });
    dialog->open();
}

void CashModeWidget::on_cbPosProviderName_currentIndexChanged(int index)
{
    const qint64 id = ui->cbPosProviderName->itemData(index).toLongLong();
    if (!m_directory.contains(id)) {
        ui->wgPosProviderParams->setParameters(ProviderDirectory::Provider());
        return;
    }
    const ProviderDirectory::Provider provider = m_directory.provider(id);
    ui->wgPosProviderParams->setParameters(provider);
    if (!m_providerData.payDetails.isEmpty())
        ui->wgPosProviderParams->setValues(m_providerData.payDetails);
    if (ui->lePosProductName->text().isEmpty())
        ui->lePosProductName->setPlaceholderText(tr("Оплата %1").arg(provider.name));
}

void CashModeWidget::storeProviderData()
{
    const qint64 id = ui->cbPosProviderName->currentData().toLongLong();
    if (id <= 0)
        return;
    ProviderData data = m_providerData;
    data.providerId = id;
    data.inn = ui->lePosProviderInn->text();
    data.phone = ui->lePosProviderPhone->text();
    data.payDetails = ui->wgPosProviderParams->values();
    // The settings file is synced to disk on every write: only a change is worth one.
    if (data == m_providerData)
        return;
    m_providerData = data;
    FrCfgSettings().setPositionProviderData(m_providerData.toMap());
}

void CashModeWidget::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        fillCombos();
        showAgentKind();
    }
    WaitCommandWidget::changeEvent(event);
}
