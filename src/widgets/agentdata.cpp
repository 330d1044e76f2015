#include "agentdata.h"

#include <QCoreApplication>
#include <QStringList>

namespace {

const char *const KIND_NAMES[AgentData::KIND_BITS] = {
    QT_TRANSLATE_NOOP("AgentData", "Банковский платежный агент"),
    QT_TRANSLATE_NOOP("AgentData", "Банковский платежный субагент"),
    QT_TRANSLATE_NOOP("AgentData", "Платежный агент"),
    QT_TRANSLATE_NOOP("AgentData", "Платежный субагент"),
    QT_TRANSLATE_NOOP("AgentData", "Поверенный"),
    QT_TRANSLATE_NOOP("AgentData", "Комиссионер"),
    QT_TRANSLATE_NOOP("AgentData", "Агент"),
};

const char *const KIND_SHORT_NAMES[AgentData::KIND_BITS] = {
    QT_TRANSLATE_NOOP("AgentData", "Банк пл агент"),
    QT_TRANSLATE_NOOP("AgentData", "Банк пл суб"),
    QT_TRANSLATE_NOOP("AgentData", "пл агент"),
    QT_TRANSLATE_NOOP("AgentData", "пл субагент"),
    QT_TRANSLATE_NOOP("AgentData", "повер"),
    QT_TRANSLATE_NOOP("AgentData", "комис"),
    QT_TRANSLATE_NOOP("AgentData", "агент"),
};

const char NOT_SET[] = QT_TRANSLATE_NOOP("AgentData", "не задано");

QString translated(const char *text)
{
    return QCoreApplication::translate("AgentData", text);
}

struct Field
{
    const char *key;
    QString AgentData::*member;
};

const Field FIELDS[] = {
    { "payOperatorName", &AgentData::payOperatorName },
    { "payOperatorPhone", &AgentData::payOperatorPhone },
    { "payOperatorAddress", &AgentData::payOperatorAddress },
    { "payOperatorInn", &AgentData::payOperatorInn },
    { "payAgentOperation", &AgentData::payAgentOperation },
    { "payAgentPhone", &AgentData::payAgentPhone },
    { "payReceiverPhone", &AgentData::payReceiverPhone },
};

} // namespace

AgentData AgentData::fromMap(const QVariantMap &map)
{
    AgentData data;
    for (const Field &f : FIELDS) {
        const QVariant v = map.value(QLatin1String(f.key));
        if (v.type() == QVariant::String)
            data.*f.member = v.toString();
    }
    return data;
}

QVariantMap AgentData::toMap() const
{
    QVariantMap map;
    for (const Field &f : FIELDS)
        map.insert(QLatin1String(f.key), this->*f.member);
    return map;
}

bool AgentData::operator==(const AgentData &other) const
{
    for (const Field &f : FIELDS) {
        if (this->*f.member != other.*f.member)
            return false;
    }
    return true;
}

QString AgentData::kindName(int bit)
{
    return bit >= 0 && bit < KIND_BITS ? translated(KIND_NAMES[bit]) : QString();
}

QString AgentData::kindShortName(int bit)
{
    return bit >= 0 && bit < KIND_BITS ? translated(KIND_SHORT_NAMES[bit]) : QString();
}

QString AgentData::kindText(int kind)
{
    QStringList names;
    for (int bit = 0; bit < KIND_BITS; ++bit) {
        if (kind & (1 << bit))
            names << kindShortName(bit);
    }
    return names.isEmpty() ? translated(NOT_SET) : names.join(QLatin1String(", "));
}

QString AgentData::displayText(int kind) const
{
    QStringList items;
    if (hasTransferOperator(kind)) {
        items << QCoreApplication::translate(
            "AgentData", "Оператор перевода[%1, телефон: %2, адрес: %3, ИНН: %4]")
                     .arg(payOperatorName, payOperatorPhone, payOperatorAddress, payOperatorInn);
        items << QCoreApplication::translate("AgentData", "Платежный агент[телефон:%1%2]")
                     .arg(payAgentPhone,
                         QCoreApplication::translate("AgentData", ", операция: %1")
                             .arg(payAgentOperation));
    } else if (hasNonBankKind(kind)) {
        items << QCoreApplication::translate("AgentData", "Платежный агент[телефон:%1%2]")
                     .arg(payAgentPhone, QString());
    }
    if (hasNonBankKind(kind)) {
        items << QCoreApplication::translate(
            "AgentData", "Телефон оператора по приему платежей: %1")
                     .arg(payReceiverPhone);
    }
    return items.isEmpty() ? translated(NOT_SET) : items.join(QLatin1String(", "));
}
