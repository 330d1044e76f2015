#include "registermodel.h"

#include "fiscaldocpropertytemplateloader.h"
#include "frcoreerror.h"
#include "frcorefullstate.h"
#include "fsstatus.h"
#include "regdata.h"
#include "regnumbervalidator.h"

#include <QJsonArray>

using fiscal::RegData;

namespace {

// Registration flag bits and their tags, in the order the registration report lists them.
const quint32 FLAGS[] = { RegData::FlagAutomat, RegData::FlagAutonomous, RegData::FlagEncryption,
    RegData::FlagInternet, RegData::FlagServices, RegData::FlagBso, RegData::FlagLottery,
    RegData::FlagGambling, RegData::FlagExcise, RegData::FlagPrinterInAutomat };

bool validEmail(const QString &email)
{
    const int at = email.indexOf(QLatin1Char('@'));
    return at > 0 && at < email.size() - 1 && !email.contains(QLatin1Char(' '));
}

} // namespace

fiscal::FsStatus RegisterModel::fsStatus() const
{
    const FiscalCoreData &c = m_state.core;
    fiscal::FsStatus s;
    s.setFsNumber(c.fsNumber);
    s.setFsVersion(c.fsVersion);
    s.setFiscalized(m_state.fiscalized);
    s.setClosed(m_state.fiscalized && !m_state.fnActive);
    s.setIsRelease(c.fsRelease);
    s.setCycleIsOpen(m_state.shiftOpen);
    s.setHasDocumentData(m_state.receiptOpen);
    s.setLastDocNumber(quint32(m_state.documentNumber));
    s.setLastDocDt(m_state.lastDocumentAt.toLocalTime());
    quint8 warnings = 0;
    const qint64 daysLeft = now().date().daysTo(c.fsExpires);
    if (c.fsExpires.isValid() && daysLeft <= 30)
        warnings |= fiscal::FsStatus::WarningReplace30Days;
    if (c.fsExpires.isValid() && daysLeft <= 3)
        warnings |= fiscal::FsStatus::WarningReplace3Days;
    s.setWarnings(warnings);
    fiscal::FsLifeTime life;
    life.setExpirationDt(c.fsExpires);
    life.setCompletedRegistrations(m_state.fiscalized ? m_state.registrations : 0);
    life.setAvailableRegistrations(MAX_REGISTRATIONS - life.completedRegistrations());
    s.setLifeTime(life);
    // Documents still waiting for the operator's ticket.
    fiscal::FsTransportState transport;
    const QList<qint64> waiting = m_state.storage.withoutTicket();
    transport.setOfflineDocsCount(quint32(waiting.size()));
    if (!waiting.isEmpty()) {
        const QJsonObject first = m_state.storage.document(waiting.first());
        transport.setFirstDocNumber(quint32(waiting.first()));
        transport.setFirstDocDt(
            QDateTime::fromString(first.value(QStringLiteral("dateTime")).toString(), Qt::ISODate));
    }
    s.setTransportState(transport);
    s.setFrSerial(QString::number(m_state.serial));
    return s;
}

RegData RegisterModel::regData() const
{
    RegData d;
    if (!m_state.fiscalized)
        return d;
    const FiscalCoreData &c = m_state.core;
    d.setRegDate(c.registeredAt.toLocalTime());
    d.setUserName(m_state.userName);
    d.setUserInn(m_state.inn);
    d.setUserEMail(c.email);
    d.setAgentFlags(c.agentFlags);
    d.setCashboxRegistrationFlags(c.regFlags);
    d.setTaxes(m_state.taxSystems);
    d.setBoxId(c.boxId);
    d.setCashier(c.regCashier);
    d.setCashierInn(c.regCashierInn);
    d.setPaymentAddress(m_state.address);
    d.setPaymentPlace(m_state.place);
    d.setOfdName(m_state.ofdName);
    d.setOfdInn(m_state.ofdInn);
    d.setFnsSite(c.fnsSite);
    d.setFsNumber(c.regFsNumber);
    d.setRegNumber(m_state.rnm);
    return d;
}

core::FrCoreFullState RegisterModel::fullState() const
{
    core::FrCoreFullState s;
    s.setSerial(QString::number(m_state.serial));
    s.setCashboxVersion(cashboxVersion());
    s.setRegNumber(m_state.fiscalized ? m_state.rnm : QString());
    s.setDt(now());
    s.setCash(qt5ext::FixNumber(100, m_state.drawer));
    s.setCycle(quint32(m_state.shiftNumber));
    if (m_state.shiftOpenedAt.isValid())
        s.setCycleOpened(m_state.shiftOpenedAt.toLocalTime());
    if (!m_state.shiftOpen && m_state.core.shiftClosedAt.isValid())
        s.setCycleClosed(m_state.core.shiftClosedAt.toLocalTime());
    s.setLastCheckNumber(quint32(m_state.receiptNumber));
    s.setFsStatus(fsStatus());
    return s;
}

RegisterModel::CoreReply RegisterModel::registrationInfo() const
{
    if (!m_state.fiscalized)
        return coreFail(core::ErrorNotRegistered, QStringLiteral("ККТ не зарегистрирована"));
    const FiscalCoreData &c = m_state.core;
    QVariantList list;
    auto add = [&](fiscal::PropertyTag tag, const QVariant &value) {
        list << QVariantMap { { QStringLiteral("tag"), tag }, { QStringLiteral("value"), value } };
    };
    add(fiscal::TagUserInn, m_state.inn);
    add(fiscal::TagUserName, m_state.userName);
    add(fiscal::TagRegNumber, m_state.rnm);
    if (c.regFlags & RegData::FlagAutomat)
        add(fiscal::TagBoxNumber, c.boxId);
    add(fiscal::TagFnsSite, c.fnsSite);
    add(fiscal::TagSenderEmail, c.email);
    add(fiscal::TagPaymentAddress, m_state.address);
    add(fiscal::TagPaymentPlace, m_state.place);
    if (!(c.regFlags & RegData::FlagAutonomous))
        add(fiscal::TagOfdInn, m_state.ofdInn);
    add(fiscal::TagOfdName, m_state.ofdName);
    add(fiscal::TagAgentFlags, c.agentFlags);
    add(fiscal::TagTaxSystems, quint32(m_state.taxSystems));
    for (const quint32 flag : FLAGS)
        add(RegData::flagTag(flag), bool(c.regFlags & flag));
    CoreReply r;
    r.value = { { QStringLiteral("properties"), list } };
    return r;
}

RegisterModel::CoreReply RegisterModel::activate(
    const QVariantMap &arguments, const Progress &progress)
{
    using fiscal::RegNumberValidator;
    const auto invalid = [](const QString &text) { return coreFail(core::ErrorInvalidData, text); };
    const bool preview = arguments.value(QStringLiteral("preview")).toBool();
    core::Cashier cashier;
    if (arguments.value(QStringLiteral("cashier")).userType() != QMetaType::QVariantMap
        || !cashier.setMap(arguments.value(QStringLiteral("cashier")).toMap()))
        return coreFail(core::ErrorBadRequest, QStringLiteral("Нет кассира"));
    if (arguments.value(QStringLiteral("properties")).userType() != QMetaType::QVariantList)
        return coreFail(core::ErrorBadRequest, QStringLiteral("Нет списка реквизитов"));

    // The requisites by tag, each converted as its tag wants.
    const fiscal::FiscalDocPropertyTemplateLoader loader;
    QMap<int, QVariant> tags;
    for (const QVariant &v : arguments.value(QStringLiteral("properties")).toList()) {
        const QVariantMap m = v.toMap();
        bool ok = false;
        const uint tag = m.value(QStringLiteral("tag")).toUInt(&ok);
        if (!ok || !loader.contains(fiscal::PropertyTag(tag)))
            return invalid(QStringLiteral("Неизвестный реквизит %1")
                               .arg(m.value(QStringLiteral("tag")).toString()));
        fiscal::PFiscalDocProperty p = loader[fiscal::PropertyTag(tag)];
        if (!p->setValue(m.value(QStringLiteral("value"))))
            return invalid(
                QStringLiteral("Неверное значение реквизита %1 (%2)").arg(tag).arg(p->name()));
        tags.insert(int(tag), p->value());
    }
    const auto text = [&tags](int tag) { return tags.value(tag).toString().trimmed(); };
    const auto flag = [&tags](int tag) { return tags.value(tag).toBool(); };
    if (progress)
        progress(0, 3, 0);

    const int reason = tags.value(fiscal::TagRegReason).toInt();
    const bool reregistration = tags.contains(fiscal::TagRegReason);
    if (m_state.receiptOpen)
        return coreFail(core::ErrorDevice, QStringLiteral("Открыт чек"));
    if (m_state.shiftOpen)
        return coreFail(core::ErrorFsState, QStringLiteral("Смена открыта: закройте смену"));
    if (!reregistration) {
        if (m_state.fiscalized)
            return coreFail(core::ErrorAlreadyRegistered,
                QStringLiteral("ККТ уже зарегистрирована: нужна перерегистрация"));
    } else {
        if (!m_state.fiscalized)
            return coreFail(core::ErrorNotRegistered,
                QStringLiteral("ККТ не зарегистрирована: нужна первичная регистрация"));
        if (reason < 1 || reason > 4)
            return invalid(QStringLiteral("Некорректная причина перерегистрации (тег 1101)"));
        if (reason == 1 && m_state.fnActive)
            return coreFail(
                core::ErrorFsState, QStringLiteral("Архив ФН не закрыт: замена ФН невозможна"));
        if (reason != 1 && !m_state.fnActive)
            return coreFail(core::ErrorFsState,
                QStringLiteral("Архив ФН закрыт: нужна перерегистрация с заменой ФН"));
        if (reason != 1 && m_state.registrations >= MAX_REGISTRATIONS)
            return coreFail(core::ErrorRegistrationsExhausted,
                QStringLiteral("Исчерпан ресурс регистраций ФН"));
    }

    const QString inn = text(fiscal::TagUserInn);
    if (!RegNumberValidator::checkInn(inn.toLatin1()))
        return invalid(QStringLiteral("Некорректный ИНН пользователя (тег 1018)"));
    if (text(fiscal::TagUserName).isEmpty())
        return invalid(QStringLiteral("Не задано наименование пользователя (тег 1048)"));
    const QString rnm = text(fiscal::TagRegNumber);
    if (!RegNumberValidator::check(rnm.toLatin1(), m_state.serial, inn.toLatin1()))
        return invalid(QStringLiteral(
            "Регистрационный номер ККТ не соответствует заводскому номеру и ИНН (тег 1037)"));
    if (reregistration && reason != 1 && inn != m_state.inn)
        return invalid(QStringLiteral("ИНН пользователя меняется только с заменой ФН"));
    if (text(fiscal::TagPaymentAddress).isEmpty())
        return invalid(QStringLiteral("Не задан адрес расчетов (тег 1009)"));
    if (text(fiscal::TagPaymentPlace).isEmpty())
        return invalid(QStringLiteral("Не задано место расчетов (тег 1187)"));
    const bool autonomous = flag(fiscal::TagAutonomousMode);
    if (!autonomous) {
        if (!RegNumberValidator::checkInn(text(fiscal::TagOfdInn).toLatin1()))
            return invalid(QStringLiteral("Некорректный ИНН ОФД (тег 1017)"));
        if (text(fiscal::TagOfdName).isEmpty())
            return invalid(QStringLiteral("Не задано наименование ОФД (тег 1046)"));
    }
    const bool automat = flag(fiscal::TagAutomatMode);
    if (automat && text(fiscal::TagBoxNumber).isEmpty())
        return invalid(QStringLiteral("Не задан номер автомата (тег 1036)"));
    const quint32 taxes = tags.value(fiscal::TagTaxSystems).toUInt();
    if (taxes == 0 || taxes > 0x3F)
        return invalid(QStringLiteral("Некорректные системы налогообложения (тег 1062)"));
    const quint32 agents = tags.value(fiscal::TagAgentFlags).toUInt();
    if (agents > 0x7F)
        return invalid(QStringLiteral("Некорректный признак агента (тег 1057)"));
    const QString email = text(fiscal::TagSenderEmail);
    if (!email.isEmpty() && !validEmail(email))
        return invalid(QStringLiteral("Некорректный адрес электронной почты (тег 1117)"));
    if (cashier.name().trimmed().isEmpty())
        return invalid(QStringLiteral("Не задан кассир"));
    if (!m_paper)
        return coreFail(core::ErrorDevice, QStringLiteral("Нет бумаги"));
    if (progress)
        progress(0, 3, 1);

    quint32 flags = 0;
    for (const quint32 f : FLAGS) {
        if (flag(RegData::flagTag(f)))
            flags |= f;
    }
    if (!automat)
        flags &= ~quint32(RegData::FlagPrinterInAutomat);

    QJsonObject doc = document(
        preview ? QStringLiteral("registrationPreview") : QStringLiteral("registration"));
    QJsonObject requisites;
    for (auto it = tags.cbegin(); it != tags.cend(); ++it)
        requisites.insert(QString::number(it.key()), QJsonValue::fromVariant(it.value()));
    doc.insert(QStringLiteral("requisites"), requisites);
    doc.insert(QStringLiteral("cashier"), cashier.name());
    if (preview) {
        print(doc);
        if (progress)
            progress(0, 3, 3);
        return CoreReply();
    }

    FiscalCoreData &c = m_state.core;
    if (reregistration && reason == 1) {
        // A new storage: its own number and lifetime, its documents counted from one.
        const qint64 number = c.fsNumber.toLongLong() + 1;
        c.fsNumber = QString::number(number).rightJustified(16, QLatin1Char('0'));
        c.fsExpires = now().date().addMonths(36);
        m_state.registrations = 1;
        m_state.documentNumber = 0;
        m_state.storage = FiscalStorage();
    } else if (reregistration) {
        ++m_state.registrations;
    } else {
        m_state.registrations = 1;
    }
    m_state.fiscalized = true;
    m_state.fnActive = true;
    m_state.inn = inn;
    m_state.userName = text(fiscal::TagUserName);
    m_state.rnm = rnm;
    m_state.address = text(fiscal::TagPaymentAddress);
    m_state.place = text(fiscal::TagPaymentPlace);
    m_state.ofdInn = autonomous ? QString() : text(fiscal::TagOfdInn);
    m_state.ofdName = text(fiscal::TagOfdName);
    m_state.taxSystems = quint8(taxes);
    c.email = email;
    c.fnsSite = text(fiscal::TagFnsSite);
    c.boxId = automat ? text(fiscal::TagBoxNumber) : QString();
    c.agentFlags = agents;
    c.regFlags = flags;
    c.regCashier = cashier.name();
    c.regCashierInn = cashier.inn();
    c.regFsNumber = c.fsNumber;
    c.registeredAt = nowUtc();
    if (progress)
        progress(0, 3, 2);
    doc.insert(QStringLiteral("registration"), m_state.registrations);
    doc.insert(QStringLiteral("reason"), reason);
    doc.insert(QStringLiteral("parameters"), m_state.registrationParameters());
    record(&doc);
    c.registeredAt = m_state.lastDocumentAt;
    print(doc);
    emit stateChanged();
    if (progress)
        progress(0, 3, 3);
    return CoreReply();
}
