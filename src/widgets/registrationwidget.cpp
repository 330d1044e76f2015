#include "registrationwidget.h"
#include "ui_registrationwidget.h"

#include "cashboxbuscontroller.h"
#include "fiscaldocpropertytemplateloader.h"
#include "frcfgroot.h"
#include "frcoreexternalapi.h"
#include "frcorefullstate.h"
#include "frportsettings.h"
#include "ofdoperator.h"
#include "regnumbervalidator.h"
#include "sharedobjectsstorage.h"
#include "userprompts.h"
#include "waitmessagewidget.h"

#include <QCheckBox>
#include <QDebug>
#include <QEvent>
#include <QRegularExpressionValidator>
#include <QTimer>

using fiscal::RegNumberValidator;

namespace {

struct Reason
{
    const char *text;
    int code;
};

const Reason REASONS[] = {
    { QT_TRANSLATE_NOOP("RegistrationWidget", "Первичная регистрация"), 0 },
    { QT_TRANSLATE_NOOP("RegistrationWidget", "Замена ФН"), 1 },
    { QT_TRANSLATE_NOOP("RegistrationWidget", "Смена ОФД"), 2 },
    { QT_TRANSLATE_NOOP("RegistrationWidget", "Смена реквизитов пользователя"), 3 },
    { QT_TRANSLATE_NOOP("RegistrationWidget", "Смена настроек ККТ"), 4 },
};

// What the form sends for the OFD name of a register that works without an operator.
const QString AUTONOMOUS_OFD_NAME = QStringLiteral("0000000000");

quint32 maskOf(const QList<QCheckBox *> &boxes)
{
    quint32 mask = 0;
    for (int bit = 0; bit < boxes.size(); ++bit) {
        if (boxes.at(bit)->isChecked())
            mask |= quint32(1) << bit;
    }
    return mask;
}

void applyMask(const QList<QCheckBox *> &boxes, quint32 mask)
{
    for (int bit = 0; bit < boxes.size(); ++bit)
        boxes.at(bit)->setChecked(mask & (quint32(1) << bit));
}

} // namespace

RegistrationWidget::RegistrationWidget(QWidget *parent)
    : QWidget(parent), ui(new Ui::RegistrationWidget)
{
    ui->setupUi(this);
    ui->gbRegistration->setEnabled(false);
    ui->pbClearFn->hide();
    ui->pbGenerateRegNumber->hide();

    if (FrCfgRoot *root = FrCfgRoot::instance()) {
        if (CashboxBusController *bus = root->busController())
            m_api = bus->createFrcoreApi(this);
    }

    for (const OfdOperator &ofd : OfdOperator::all()) {
        ui->cbOfdName->addItem(ofd.name, QVariant::fromValue<quint64>(ofd.inn));
        ui->cbOfdName->setItemData(ui->cbOfdName->count() - 1,
            QStringLiteral("%1\n%2\n%3").arg(ofd.name, ofd.order, ofd.webSite), Qt::ToolTipRole);
    }
    for (const Reason &reason : REASONS)
        ui->cbRegReasonCode->addItem(tr(reason.text), reason.code);

    m_serialTimer = new QTimer(this);
    m_serialTimer->setSingleShot(true);
    m_serialTimer->setInterval(SERIAL_INTERVAL_MS);
    connect(m_serialTimer, &QTimer::timeout, this, &RegistrationWidget::updateSerial);
    // Not from here: a first look that finds the storage known loads the registration, and
    // that waits on the service; the window around the page should be up by then.
    QTimer::singleShot(0, this, &RegistrationWidget::updateSerial);

    ui->leUserInn->setMaxLength(12);
    ui->leUserName->setMaxLength(256);
    ui->leRegNumber->setMaxLength(16);
    ui->leBoxNumber->setMaxLength(20);
    ui->leAddress->setMaxLength(256);
    ui->lePlace->setMaxLength(256);
    ui->leFnsWebSite->setMaxLength(256);
    ui->leSenderEmail->setMaxLength(64);
    ui->leOfdInn->setMaxLength(12);
    auto *digits
        = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d*")), this);
    ui->leUserInn->setValidator(digits);
    ui->leOfdInn->setValidator(digits);
    ui->leRegNumber->setValidator(digits);

    checkData(true);
    connect(ui->cbSeparateMode, &QCheckBox::toggled, this,
        QOverload<>::of(&RegistrationWidget::checkData));
    connect(ui->cbAutomatMode, &QCheckBox::toggled, this,
        QOverload<>::of(&RegistrationWidget::checkData));
}

RegistrationWidget::~RegistrationWidget()
{
    delete ui;
}

int RegistrationWidget::serialInterval() const
{
    return m_serialTimer->interval();
}

void RegistrationWidget::setSerialInterval(int msecs)
{
    m_serialTimer->setInterval(msecs);
    if (m_serialTimer->isActive())
        m_serialTimer->start();
}

bool RegistrationWidget::serialKnown() const
{
    return m_serial > 0 && !m_fsStatus.fsNumber().isEmpty();
}

void RegistrationWidget::updateSerial()
{
    const bool wasUnknown = !serialKnown();
    m_serialTimer->start();

    bus::AppBusObject object;
    if (!bus::SharedObjectsStorage::get(fiscal::FsStatus::OBJECT_NAME, object)) {
        ui->gbRegistration->setEnabled(serialKnown());
        return;
    }
    const QVariantMap map = object.content();
    m_serial = map.value(QStringLiteral("frSer")).toString().toLongLong();
    if (!m_fsStatus.setMap(map))
        qWarning().noquote() << "REG_FS_STATUS_UNREADABLE" << map;
    showSerial();
    if (wasUnknown && !m_fsStatus.fsNumber().isEmpty())
        reload();
}

void RegistrationWidget::showWait(const QString &text)
{
    FrCfgRoot *root = FrCfgRoot::instance();
    m_wait = root ? root->showWaitWidget(text) : nullptr;
    if (m_wait && m_api) {
        connect(m_api, &core::FrcoreExternalApi::progressRange, m_wait,
            &WaitMessageWidget::progressRange);
        connect(m_api, &core::FrcoreExternalApi::progressValue, m_wait,
            &WaitMessageWidget::progressValue);
    }
}

void RegistrationWidget::hideWait()
{
    // Only our own: another page may have put up its overlay since.
    if (!m_wait)
        return;
    if (m_api)
        disconnect(m_api, nullptr, m_wait, nullptr);
    m_wait->close();
    m_wait = nullptr;
}

QList<RegistrationWidget::FlagBox> RegistrationWidget::flagBoxes() const
{
    return { { fiscal::TagAutomatMode, ui->cbAutomatMode },
        { fiscal::TagAutonomousMode, ui->cbSeparateMode },
        { fiscal::TagEncryption, ui->cbEncryptingFlag },
        { fiscal::TagInternetOnly, ui->cbInetCalcFlag }, { fiscal::TagServices, ui->cbServiceFlag },
        { fiscal::TagBso, ui->cbBsoFlag }, { fiscal::TagLottery, ui->cbLohotronFlag },
        { fiscal::TagGambling, ui->cbCasinoFlag }, { fiscal::TagExcise, ui->cbAkcizeMode },
        { fiscal::TagPrinterInAutomat, ui->cbExternalPrinter } };
}

QList<QCheckBox *> RegistrationWidget::agentBoxes() const
{
    return { ui->cbAgentBankPay, ui->cbAgentBankPaySub, ui->cbAgentPay, ui->cbAgentPaySub,
        ui->cbAgentPeverenn, ui->cbAgentComissionare, ui->cbAgentAgent };
}

QList<QCheckBox *> RegistrationWidget::taxSystemBoxes() const
{
    return { ui->cbFiscalTraditional, ui->cbFiscalSimple, ui->cbFiscalSimplePlusMinus,
        ui->cbFiscalOnce, ui->cbFiscalOnceSh, ui->cbFiscalPatent };
}

quint32 RegistrationWidget::agentMask() const
{
    return maskOf(agentBoxes());
}

void RegistrationWidget::setAgentMask(quint32 mask)
{
    applyMask(agentBoxes(), mask);
}

quint32 RegistrationWidget::taxSystemMask() const
{
    return maskOf(taxSystemBoxes());
}

void RegistrationWidget::setTaxSystemMask(quint32 mask)
{
    applyMask(taxSystemBoxes(), mask);
}

void RegistrationWidget::reload()
{
    if (m_busy)
        return;
    m_busy = true;
    ui->pbClearFn->hide();
    ui->pbGenerateRegNumber->hide();
    showWait(tr("Loading Registration Data"));

    if (m_api && !serialKnown()) {
        core::FrCoreFullState state;
        if (m_api->getFullFrCoreState(state)) {
            m_fsStatus = state.fsStatus();
            m_serial = state.serial().toLongLong();
            showSerial();
        }
    }
    const bool debugStorage = !m_fsStatus.isRelease();
    ui->pbClearFn->setVisible(debugStorage);
    ui->pbGenerateRegNumber->setVisible(debugStorage);

    QString error;
    const bool loaded = !m_api || loadRegistration(&error);
    checkData(true);
    hideWait();
    m_busy = false;
    if (!loaded)
        UserPrompts::critical(this, tr("Reg info loading error"), error);
}

bool RegistrationWidget::loadRegistration(QString *errorText)
{
    QList<core::Cashier> cashiers;
    if (!m_api->getCashiers(cashiers) || cashiers.isEmpty()) {
        qWarning().noquote() << "REG_INFO_NO_CASHIERS" << m_api->lastErrorText();
        return true;
    }
    m_cashiers.clear();
    fillCashiers();

    fiscal::FiscalDocProperties properties;
    int errorCode = 0;
    if (!m_api->getRegistrationInfo(currentCashier(), properties, errorCode, *errorText)) {
        qWarning().noquote() << "REG_INFO_LOAD_FAILED" << errorCode << *errorText;
        // A register that was never registered has nothing to load.
        return !m_fsStatus.fiscalized();
    }

    const QList<FlagBox> flags = flagBoxes();
    for (const FlagBox &flag : flags)
        flag.box->setChecked(false);
    QString ofdInn;
    QString ofdName;
    for (const fiscal::PFiscalDocProperty &p : qAsConst(properties)) {
        const QVariant value = p->value();
        switch (p->tag()) {
        case fiscal::TagUserInn:
            ui->leUserInn->setText(value.toString().trimmed());
            continue;
        case fiscal::TagUserName:
            ui->leUserName->setText(value.toString().trimmed());
            continue;
        case fiscal::TagRegNumber:
            ui->leRegNumber->setText(value.toString().trimmed());
            continue;
        case fiscal::TagBoxNumber:
            ui->leBoxNumber->setText(value.toString().trimmed());
            continue;
        case fiscal::TagFnsSite:
            ui->leFnsWebSite->setText(value.toString().trimmed());
            continue;
        case fiscal::TagSenderEmail:
            ui->leSenderEmail->setText(value.toString().trimmed());
            continue;
        case fiscal::TagPaymentAddress:
            ui->leAddress->setText(value.toString().trimmed());
            continue;
        case fiscal::TagPaymentPlace:
            ui->lePlace->setText(value.toString().trimmed());
            continue;
        case fiscal::TagAgentFlags:
            setAgentMask(value.toUInt());
            continue;
        case fiscal::TagTaxSystems:
            setTaxSystemMask(value.toUInt());
            continue;
        case fiscal::TagOfdInn:
            ofdInn = value.toString().trimmed();
            continue;
        case fiscal::TagOfdName:
            ofdName = value.toString().trimmed();
            continue;
        default:
            break;
        }
        bool isFlag = false;
        for (const FlagBox &flag : flags) {
            if (flag.tag == p->tag()) {
                flag.box->setChecked(value.toBool());
                isFlag = true;
            }
        }
        if (!isFlag)
            qWarning().noquote() << "REG_INFO_TAG" << p->toMap() << "default";
    }
    if (!ofdInn.isEmpty())
        showOfd(ofdInn, ofdName);
    return true;
}

// Selects the operator the register is registered with, so that a re-registration sends
// it again unless the user chooses another. An operator missing from the table is offered
// under the name the register holds.
void RegistrationWidget::showOfd(const QString &inn, const QString &name)
{
    bool ok = false;
    const quint64 number = inn.toULongLong(&ok);
    if (!ok) {
        qWarning().noquote() << "REG_INFO_OFD_INN_UNREADABLE" << inn;
        return;
    }
    const int known = OfdOperator::all().size();
    while (ui->cbOfdName->count() > known)
        ui->cbOfdName->removeItem(ui->cbOfdName->count() - 1);
    int index = -1;
    for (int i = 0; i < ui->cbOfdName->count(); ++i) {
        if (ui->cbOfdName->itemData(i).toULongLong() == number) {
            index = i;
            break;
        }
    }
    if (index < 0) {
        qWarning().noquote() << "REG_INFO_OFD_NOT_LISTED" << inn << name;
        ui->cbOfdName->addItem(name.isEmpty() ? inn : name, QVariant::fromValue<quint64>(number));
        index = ui->cbOfdName->count() - 1;
    }
    if (ui->cbOfdName->currentIndex() == index)
        on_cbOfdName_currentIndexChanged(index);
    else
        ui->cbOfdName->setCurrentIndex(index);
}

void RegistrationWidget::fillCashiers()
{
    QList<core::Cashier> cashiers;
    if (!m_api || !m_api->getCashiers(cashiers))
        return;
    for (const core::Cashier &cashier : qAsConst(cashiers))
        m_cashiers.insert(cashier.password(), cashier);
}

core::Cashier RegistrationWidget::currentCashier()
{
    if (m_cashiers.isEmpty())
        fillCashiers();
    const quint32 password = FrPortSettings().frConnPwd().toUInt();
    return m_cashiers.value(password);
}

bool RegistrationWidget::checkData()
{
    return checkData(true);
}

bool RegistrationWidget::checkData(bool quiet)
{
    QStringList messages;
    bool valid = true;
    auto error = [&](const QString &message) {
        valid = false;
        if (!quiet)
            messages << message;
    };

    if (!RegNumberValidator::checkInn(ui->leUserInn->text().toLatin1()))
        error(tr("Введен некорректный ИНН пользователя"));

    const bool autonomous = ui->cbSeparateMode->isChecked();
    ui->leOfdInn->setEnabled(!autonomous);
    ui->lbOfdInn->setEnabled(!autonomous);
    ui->lbOfdName->setEnabled(!autonomous);
    ui->cbOfdName->setEnabled(!autonomous);
    if (!autonomous && !RegNumberValidator::checkInn(ui->leOfdInn->text().toLatin1()))
        error(tr("Введен некорректный ИНН ОФД"));

    if (!RegNumberValidator::check(
            ui->leRegNumber->text().toLatin1(), m_serial, ui->leUserInn->text().toLatin1()))
        error(tr("Введен некорректный регистрационный номер ККТ"));

    if (!autonomous && ui->leOfdInn->text().isEmpty())
        messages << tr("Укажите Наименование и ИНН ОФД");

    const bool automat = ui->cbAutomatMode->isChecked();
    const bool noBoxNumber = ui->leBoxNumber->text().trimmed().isEmpty();
    if (automat && noBoxNumber)
        error(tr("Введен некорректный номер автомата"));
    ui->lbBoxNumber->setEnabled(automat);
    ui->leBoxNumber->setEnabled(automat);
    ui->cbExternalPrinter->setEnabled(automat);
    if (automat) {
        ui->lbAdress->setText(tr("Адрес установки автомата"));
        ui->lbPlace->setText(tr("Место установки автомата"));
        if (noBoxNumber)
            messages << tr("Укажите номер автомата");
    } else {
        ui->lbAdress->setText(tr("Адрес расчетов"));
        ui->lbPlace->setText(tr("Место расчетов"));
    }

    if (ui->leAddress->text().trimmed().isEmpty())
        messages << tr("Укажите адрес расчетов");
    if (ui->lePlace->text().trimmed().isEmpty())
        messages << tr("Укажите место расчетов");
    if (ui->leFnsWebSite->text().trimmed().isEmpty())
        messages << tr("Укажите адрес сайта ФНС");
    if (ui->leSenderEmail->text().trimmed().isEmpty())
        messages << tr("Укажите адрес электронной почты отправителя чека");

    if (!quiet && !valid)
        UserPrompts::warning(this, tr("Внимание"), messages.join(QLatin1Char('\n')));
    return valid;
}

void RegistrationWidget::on_cbOfdName_currentIndexChanged(int index)
{
    if (index < 0)
        return;
    ui->leOfdInn->setText(OfdOperator::innText(ui->cbOfdName->itemData(index).toULongLong()));
    const QString about = ui->cbOfdName->itemData(index, Qt::ToolTipRole).toString();
    ui->cbOfdName->setToolTip(about.isEmpty() ? ui->cbOfdName->itemText(index) : about);
    checkData(true);
}

void RegistrationWidget::on_pbGenerateRegNumber_clicked()
{
    const QString title = tr("Создание рег. номера");
    bool ok = false;
    const QString ordinal
        = UserPrompts::getText(this, title, tr("Введите порядковый номер кассы"), &ok).trimmed();
    if (!ok || ordinal.isEmpty())
        return;
    const QString factoryNumber = UserPrompts::getText(
        this, title, tr("Введите заводской номер кассы"), &ok, QString::number(m_serial))
                                      .trimmed();
    if (!ok || factoryNumber.isEmpty())
        return;
    const QString inn
        = UserPrompts::getText(this, title, tr("ИНН"), &ok, ui->leUserInn->text()).trimmed();
    if (!ok || inn.isEmpty())
        return;
    if (!RegNumberValidator::checkInn(inn.toLatin1())) {
        UserPrompts::warning(this, tr("Внимание"), tr("Введен некорректный ИНН пользователя"));
        return;
    }
    const QByteArray number = RegNumberValidator::create(
        ordinal.toLatin1(), factoryNumber.toLongLong(), inn.toLatin1());
    if (number.isEmpty()) {
        UserPrompts::warning(this, tr("Внимание"),
            tr("При генерации номера возникла ошибка. Проверьте исходные данные"));
        return;
    }
    const QString text = QString::fromLatin1(number);
    UserPrompts::information(this, tr("REG"), text);
    ui->leRegNumber->setText(text);
    checkData(true);
}

void RegistrationWidget::on_pbDoRegistration_clicked()
{
    doRegistration(false);
}

void RegistrationWidget::on_pbPreviewPrint_clicked()
{
    doRegistration(true);
}

void RegistrationWidget::on_pbRefresh_clicked()
{
    reload();
}

fiscal::FiscalDocProperties RegistrationWidget::properties() const
{
    const fiscal::FiscalDocPropertyTemplateLoader loader;
    fiscal::FiscalDocProperties list;
    auto add = [&](fiscal::PropertyTag tag, const QVariant &value) {
        fiscal::PFiscalDocProperty p = loader[tag];
        if (!p->setValue(value))
            qWarning().noquote() << "REG_PROPERTY_REFUSED" << tag << value.toString();
        list << p;
    };
    auto text = [](const QLineEdit *edit) { return edit->text().trimmed(); };

    const bool automat = ui->cbAutomatMode->isChecked();
    add(fiscal::TagUserInn, text(ui->leUserInn));
    add(fiscal::TagUserName, text(ui->leUserName));
    add(fiscal::TagRegNumber, text(ui->leRegNumber));
    if (automat)
        add(fiscal::TagBoxNumber, text(ui->leBoxNumber));
    add(fiscal::TagFnsSite, text(ui->leFnsWebSite));
    add(fiscal::TagSenderEmail, text(ui->leSenderEmail));
    add(fiscal::TagPaymentAddress, text(ui->leAddress));
    add(fiscal::TagPaymentPlace, text(ui->lePlace));
    if (!ui->cbSeparateMode->isChecked()) {
        add(fiscal::TagOfdInn, text(ui->leOfdInn));
        add(fiscal::TagOfdName, ui->cbOfdName->currentText());
    } else {
        add(fiscal::TagOfdName, AUTONOMOUS_OFD_NAME);
    }
    add(fiscal::TagAgentFlags, agentMask());
    add(fiscal::TagTaxSystems, taxSystemMask());
    add(fiscal::TagExcise, ui->cbAkcizeMode->isChecked());
    add(fiscal::TagAutomatMode, automat);
    add(fiscal::TagBso, ui->cbBsoFlag->isChecked());
    add(fiscal::TagGambling, ui->cbCasinoFlag->isChecked());
    add(fiscal::TagEncryption, ui->cbEncryptingFlag->isChecked());
    add(fiscal::TagPrinterInAutomat, automat && ui->cbExternalPrinter->isChecked());
    add(fiscal::TagInternetOnly, ui->cbInetCalcFlag->isChecked());
    add(fiscal::TagLottery, ui->cbLohotronFlag->isChecked());
    add(fiscal::TagAutonomousMode, ui->cbSeparateMode->isChecked());
    add(fiscal::TagServices, ui->cbServiceFlag->isChecked());
    if (ui->cbRegReasonCode->currentIndex() > 0)
        add(fiscal::TagRegReason, ui->cbRegReasonCode->currentData().toInt());
    return list;
}

void RegistrationWidget::doRegistration(bool preview)
{
    if (m_busy)
        return;
    const core::Cashier cashier = currentCashier();
    if (!checkData(false))
        return;
    m_busy = true;
    showWait(tr("Cashbox registration"));
    const fiscal::FiscalDocProperties list = properties();
    int errorCode = 0;
    QString errorText;
    bool done = false;
    if (m_api) {
        done = m_api->activate(cashier, preview, list, errorCode, errorText);
    } else {
        errorText = tr("Нет связи с сервисом фискального ядра");
    }
    hideWait();
    m_busy = false;
    qDebug().noquote() << "REG_ACTIVATE PREVIEW=" << preview << "OK=" << done << errorCode
                       << errorText;
    if (done) {
        if (!preview)
            reload();
    } else {
        UserPrompts::critical(this, tr("Registration error"), errorText);
    }
    checkData(true);
}

void RegistrationWidget::on_pbClearFn_clicked()
{
    // The fiscal core offers no operation that clears a debug storage; the button stays
    // disabled and says so in its tool tip.
    qWarning() << "REG_CLEAR_FN_UNSUPPORTED";
}

void RegistrationWidget::showSerial()
{
    ui->lSerial->setText(QStringLiteral("<b>%1</b>: %2<br><b>%3</b>: %4")
                             .arg(tr("Fs number"), m_fsStatus.fsNumber().toHtmlEscaped(),
                                 tr("Serial"), QString::number(m_serial)));
    ui->gbRegistration->setEnabled(serialKnown());
}

void RegistrationWidget::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        int index = 0;
        for (const Reason &reason : REASONS)
            ui->cbRegReasonCode->setItemText(index++, tr(reason.text));
        if (serialKnown())
            showSerial();
        checkData(true);
    }
    QWidget::changeEvent(event);
}
