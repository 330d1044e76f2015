#include "fiscaldocpropertytemplateloader.h"

#include <QCoreApplication>

namespace fiscal {

namespace {

struct Template
{
    PropertyTag tag;
    FiscalDocPropertyBase::Kind kind;
    const char *name;
    int maxLength;
    QStringList values;
};

// The published names of the tags and the printed forms of their values.
const QList<Template> &templates()
{
    using K = FiscalDocPropertyBase;
    static const QList<Template> list = {
        { TagAutomatMode, K::Flag, "признак автоматического режима", 0, {} },
        { TagAutonomousMode, K::Flag, "признак автономного режима", 0, {} },
        { TagPaymentAddress, K::Text, "адрес расчетов", 256, {} },
        { TagDateTime, K::Text, "дата, время", 0, {} },
        { TagSerialNumber, K::Text, "заводской номер ККТ", 20, {} },
        { TagOfdInn, K::Text, "ИНН ОФД", 12, {} },
        { TagUserInn, K::Text, "ИНН пользователя", 12, {} },
        { TagCashier, K::Text, "кассир", 64, {} },
        { TagBoxNumber, K::Text, "номер автомата", 20, {} },
        { TagRegNumber, K::Text, "регистрационный номер ККТ", 20, {} },
        { TagFsNumber, K::Text, "номер ФН", 16, {} },
        { TagOfdName, K::Text, "наименование ОФД", 256, {} },
        { TagUserName, K::Text, "наименование пользователя", 256, {} },
        { TagEncryption, K::Flag, "признак шифрования", 0, {} },
        { TagAgentFlags, K::BitMask, "признак агента", 0,
            { QStringLiteral("БАНК. ПЛ. АГЕНТ"), QStringLiteral("БАНК. ПЛ. СУБАГЕНТ"),
                QStringLiteral("ПЛ. АГЕНТ"), QStringLiteral("ПЛ. СУБАГЕНТ"),
                QStringLiteral("ПОВЕРЕННЫЙ"), QStringLiteral("КОМИССИОНЕР"),
                QStringLiteral("АГЕНТ") } },
        { TagFnsSite, K::Text, "адрес сайта ФНС", 256, {} },
        { TagTaxSystems, K::BitMask, "системы налогообложения", 0,
            { QStringLiteral("ОСН"), QStringLiteral("УСН доход"),
                QStringLiteral("УСН доход - расход"), QStringLiteral("ЕНВД"),
                QStringLiteral("ЕСХН"), QStringLiteral("ПСН") } },
        { TagRegReason, K::Choice, "код причины перерегистрации", 0,
            { QString(), QStringLiteral("замена ФН"), QStringLiteral("замена ОФД"),
                QStringLiteral("изменение реквизитов"),
                QStringLiteral("изменение настроек ККТ") } },
        { TagInternetOnly, K::Flag, "признак ККТ для расчетов только в Интернет", 0, {} },
        { TagServices, K::Flag, "признак расчетов за услуги", 0, {} },
        { TagBso, K::Flag, "признак АС БСО", 0, {} },
        { TagSenderEmail, K::Text, "адрес электронной почты отправителя чека", 64, {} },
        { TagLottery, K::Flag, "признак проведения лотереи", 0, {} },
        { TagPaymentPlace, K::Text, "место расчетов", 256, {} },
        { TagGambling, K::Flag, "признак проведения азартных игр", 0, {} },
        { TagCashierInn, K::Text, "ИНН кассира", 12, {} },
        { TagRegReasonDetails, K::Number, "коды причин изменения сведений о ККТ", 0, {} },
        { TagExcise, K::Flag, "признак торговли подакцизными товарами", 0, {} },
        { TagPrinterInAutomat, K::Flag, "признак установки принтера в автомате", 0, {} },
    };
    return list;
}

const Template *find(PropertyTag tag)
{
    for (const Template &t : templates()) {
        if (t.tag == tag)
            return &t;
    }
    return nullptr;
}

} // namespace

PFiscalDocProperty FiscalDocPropertyTemplateLoader::operator[](PropertyTag tag) const
{
    const Template *t = find(tag);
    if (!t) {
        return PFiscalDocProperty::create(
            tag, FiscalDocPropertyBase::Text, QStringLiteral("тег %1").arg(tag));
    }
    return PFiscalDocProperty::create(
        tag, t->kind, QString::fromUtf8(t->name), t->maxLength, t->values);
}

bool FiscalDocPropertyTemplateLoader::contains(PropertyTag tag) const
{
    return find(tag) != nullptr;
}

QList<PropertyTag> FiscalDocPropertyTemplateLoader::tags() const
{
    QList<PropertyTag> list;
    for (const Template &t : templates())
        list << t.tag;
    return list;
}

} // namespace fiscal
