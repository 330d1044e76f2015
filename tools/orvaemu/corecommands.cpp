#include "registermodel.h"

#include "frcoreerror.h"
#include "frcoreexternalapi.h"
#include "frcorefullstate.h"
#include "fsstatus.h"
#include "regdata.h"
#include "regnumbervalidator.h"

#include <QSet>

using core::FrcoreExternalApi;

namespace {

const int MAX_CASHIERS = 30;
const int MAX_SECTIONS = 16;
const int MAX_DISCOUNTS = 16;
const int MAX_NAME = 64;
const quint32 MAX_PASSWORD = 99999999; // BCD(8) in the register's table

// The list member of the arguments as items; a text saying what is wrong otherwise.
template<typename T>
QString readList(const QVariantMap &arguments, const QString &key, int maximum, QList<T> *items)
{
    const QVariant v = arguments.value(key);
    if (v.userType() != QMetaType::QVariantList)
        return QStringLiteral("Нет списка \"%1\"").arg(key);
    const QVariantList list = v.toList();
    if (list.size() > maximum)
        return QStringLiteral("Не более %1 записей").arg(maximum);
    QList<T> out;
    for (int i = 0; i < list.size(); ++i) {
        T item;
        if (list.at(i).userType() != QMetaType::QVariantMap || !item.setMap(list.at(i).toMap()))
            return QStringLiteral("Запись %1: неверный формат").arg(i + 1);
        out << item;
    }
    *items = out;
    return QString();
}

QString checkName(const QString &name, int row)
{
    if (name.trimmed().isEmpty())
        return QStringLiteral("Запись %1: пустое наименование").arg(row);
    if (name.size() > MAX_NAME)
        return QStringLiteral("Запись %1: наименование длиннее %2 символов").arg(row).arg(MAX_NAME);
    return QString();
}

} // namespace

RegisterModel::CoreReply RegisterModel::coreFail(int code, const QString &text)
{
    CoreReply r;
    r.code = code;
    r.text = text;
    return r;
}

QStringList RegisterModel::coreObjectNames()
{
    return { fiscal::RegData::BUS_OBJECT_NAME, core::Cashier::CASHIERS_OBJECT_NAME,
        fiscal::FsStatus::OBJECT_NAME, FrcoreExternalApi::FRCORE_SETTINGS_OBJECT_NAME,
        core::AtolTaxMap::OBJECT_NAME };
}

RegisterModel::CoreReply RegisterModel::coreObject(const QString &name) const
{
    CoreReply r;
    if (name == fiscal::RegData::BUS_OBJECT_NAME)
        r.value = regData().toMap();
    else if (name == core::Cashier::CASHIERS_OBJECT_NAME)
        r.value
            = { { QStringLiteral("cashiers"), FrcoreExternalApi::toList(m_state.core.cashiers) } };
    else if (name == fiscal::FsStatus::OBJECT_NAME)
        r.value = fsStatus().toMap();
    else if (name == FrcoreExternalApi::FRCORE_SETTINGS_OBJECT_NAME)
        r.value = m_state.core.frcoreSettings;
    else if (name == core::AtolTaxMap::OBJECT_NAME)
        r.value = m_state.core.taxMap.toMap();
    else
        return coreFail(core::ErrorUnknownObject, QStringLiteral("Нет объекта \"%1\"").arg(name));
    return r;
}

RegisterModel::CoreReply RegisterModel::storeCoreObject(
    const QString &name, const QVariantMap &content)
{
    if (name == core::AtolTaxMap::OBJECT_NAME)
        return setTaxMap(content);
    if (name == FrcoreExternalApi::FRCORE_SETTINGS_OBJECT_NAME)
        return setFrCoreSettings(content);
    if (coreObjectNames().contains(name))
        return coreFail(
            core::ErrorReadOnly, QStringLiteral("Объект \"%1\" только для чтения").arg(name));
    return coreFail(core::ErrorUnknownObject, QStringLiteral("Нет объекта \"%1\"").arg(name));
}

RegisterModel::CoreReply RegisterModel::coreCall(
    const QString &op, const QVariantMap &arguments, const Progress &progress)
{
    CoreReply r;
    if (op == FrcoreExternalApi::OP_GET_CASHIERS)
        r.value
            = { { QStringLiteral("cashiers"), FrcoreExternalApi::toList(m_state.core.cashiers) } };
    else if (op == FrcoreExternalApi::OP_SET_CASHIERS)
        return setCashiers(arguments);
    else if (op == FrcoreExternalApi::OP_GET_SECTIONS)
        r.value
            = { { QStringLiteral("sections"), FrcoreExternalApi::toList(m_state.core.sections) } };
    else if (op == FrcoreExternalApi::OP_SET_SECTIONS)
        return setSections(arguments);
    else if (op == FrcoreExternalApi::OP_GET_DISCOUNTS)
        r.value = { { QStringLiteral("discounts"),
            FrcoreExternalApi::toList(m_state.core.discounts) } };
    else if (op == FrcoreExternalApi::OP_SET_DISCOUNTS)
        return setDiscounts(arguments);
    else if (op == FrcoreExternalApi::OP_GET_OFD_SETTINGS)
        r.value = m_state.core.ofd.toMap();
    else if (op == FrcoreExternalApi::OP_SET_OFD_SETTINGS)
        return setOfdSettings(arguments);
    else if (op == FrcoreExternalApi::OP_GET_PRINTER_SETTINGS)
        r.value = m_state.core.printer.toMap();
    else if (op == FrcoreExternalApi::OP_SET_PRINTER_SETTINGS)
        return setPrinterSettings(arguments);
    else if (op == FrcoreExternalApi::OP_GET_FULL_STATE)
        r.value = fullState().toMap();
    else if (op == FrcoreExternalApi::OP_GET_REGISTRATION_INFO)
        return registrationInfo();
    else if (op == FrcoreExternalApi::OP_ACTIVATE)
        return activate(arguments, progress);
    else if (op == FrcoreExternalApi::OP_GET_ATOL_MODEL_DATA)
        r.value = m_state.core.atolModel;
    else if (op == FrcoreExternalApi::OP_SET_ATOL_MODEL_DATA)
        return setAtolModelData(arguments);
    else
        return coreFail(
            core::ErrorBadRequest, QStringLiteral("Неизвестная операция \"%1\"").arg(op));
    return r;
}

RegisterModel::CoreReply RegisterModel::setCashiers(const QVariantMap &arguments)
{
    QList<core::Cashier> cashiers;
    const QString bad = readList(arguments, QStringLiteral("cashiers"), MAX_CASHIERS, &cashiers);
    if (!bad.isEmpty())
        return coreFail(core::ErrorInvalidData, bad);
    QSet<quint32> passwords;
    for (int i = 0; i < cashiers.size(); ++i) {
        const core::Cashier &c = cashiers.at(i);
        const QString name = checkName(c.name(), i + 1);
        if (!name.isEmpty())
            return coreFail(core::ErrorInvalidData, name);
        if (c.password() > MAX_PASSWORD)
            return coreFail(core::ErrorInvalidData,
                QStringLiteral("Запись %1: пароль длиннее 8 цифр").arg(i + 1));
        if (passwords.contains(c.password()))
            return coreFail(core::ErrorInvalidData,
                QStringLiteral("Запись %1: пароль %2 уже занят").arg(i + 1).arg(c.password()));
        passwords.insert(c.password());
        if (!c.inn().isEmpty() && !fiscal::RegNumberValidator::checkInn(c.inn().toLatin1()))
            return coreFail(core::ErrorInvalidData,
                QStringLiteral("Запись %1: некорректный ИНН кассира").arg(i + 1));
    }
    m_state.core.cashiers = cashiers;
    emit stateChanged();
    return CoreReply();
}

RegisterModel::CoreReply RegisterModel::setSections(const QVariantMap &arguments)
{
    QList<core::Section> sections;
    const QString bad = readList(arguments, QStringLiteral("sections"), MAX_SECTIONS, &sections);
    if (!bad.isEmpty())
        return coreFail(core::ErrorInvalidData, bad);
    for (int i = 0; i < sections.size(); ++i) {
        const QString name = checkName(sections.at(i).name(), i + 1);
        if (!name.isEmpty())
            return coreFail(core::ErrorInvalidData, name);
        if (!fiscal::isValidTaxRate(sections.at(i).tax()))
            return coreFail(core::ErrorInvalidData,
                QStringLiteral("Запись %1: некорректная ставка налога %2")
                    .arg(i + 1)
                    .arg(int(sections.at(i).tax())));
    }
    m_state.core.sections = sections;
    emit stateChanged();
    return CoreReply();
}

RegisterModel::CoreReply RegisterModel::setDiscounts(const QVariantMap &arguments)
{
    QList<fiscal::CheckDiscount> discounts;
    const QString bad = readList(arguments, QStringLiteral("discounts"), MAX_DISCOUNTS, &discounts);
    if (!bad.isEmpty())
        return coreFail(core::ErrorInvalidData, bad);
    for (int i = 0; i < discounts.size(); ++i) {
        const QString name = checkName(discounts.at(i).name(), i + 1);
        if (!name.isEmpty())
            return coreFail(core::ErrorInvalidData, name);
    }
    m_state.core.discounts = discounts;
    emit stateChanged();
    return CoreReply();
}

RegisterModel::CoreReply RegisterModel::setTaxMap(const QVariantMap &content)
{
    core::AtolTaxMap map;
    if (!map.setMap(content))
        return coreFail(core::ErrorInvalidData, QStringLiteral("Неверный формат таблицы налогов"));
    for (quint8 i = core::AtolTaxMap::FIRST_INDEX; i <= core::AtolTaxMap::LAST_INDEX; ++i) {
        if (!fiscal::isValidTaxRate(map[i]))
            return coreFail(
                core::ErrorInvalidData, QStringLiteral("Налог %1: некорректная ставка").arg(i));
    }
    if (map.indexes().size() != core::AtolTaxMap::LAST_INDEX)
        return coreFail(
            core::ErrorInvalidData, QStringLiteral("Таблица налогов содержит только налоги 1..6"));
    m_state.core.taxMap = map;
    emit stateChanged();
    CoreReply r;
    r.value = map.toMap();
    return r;
}
