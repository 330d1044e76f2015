#include "frcoreexternalapi.h"

#include "fiscaldocpropertytemplateloader.h"
#include "frcoreerror.h"

#include <QDebug>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>

namespace core {

const QString FrcoreExternalApi::OP_GET_CASHIERS = QStringLiteral("getCashiers");
const QString FrcoreExternalApi::OP_SET_CASHIERS = QStringLiteral("setCashiers");
const QString FrcoreExternalApi::OP_GET_SECTIONS = QStringLiteral("getSections");
const QString FrcoreExternalApi::OP_SET_SECTIONS = QStringLiteral("setSections");
const QString FrcoreExternalApi::OP_GET_DISCOUNTS = QStringLiteral("getDiscounts");
const QString FrcoreExternalApi::OP_SET_DISCOUNTS = QStringLiteral("setDiscounts");
const QString FrcoreExternalApi::OP_GET_OFD_SETTINGS = QStringLiteral("getOfdSettings");
const QString FrcoreExternalApi::OP_SET_OFD_SETTINGS = QStringLiteral("setOfdSettings");
const QString FrcoreExternalApi::OP_GET_PRINTER_SETTINGS = QStringLiteral("getPrinterSettings");
const QString FrcoreExternalApi::OP_SET_PRINTER_SETTINGS = QStringLiteral("setPrinterSettings");
const QString FrcoreExternalApi::OP_GET_FULL_STATE = QStringLiteral("getFullFrCoreState");
const QString FrcoreExternalApi::OP_GET_REGISTRATION_INFO = QStringLiteral("getRegistrationInfo");
const QString FrcoreExternalApi::OP_ACTIVATE = QStringLiteral("activate");
const QString FrcoreExternalApi::OP_GET_ATOL_MODEL_DATA = QStringLiteral("getAtolModelData");
const QString FrcoreExternalApi::OP_SET_ATOL_MODEL_DATA = QStringLiteral("setAtolModelData");
const QString FrcoreExternalApi::FRCORE_SETTINGS_OBJECT_NAME = QStringLiteral("settings.frcore");

struct FrcoreExternalApi::Wait
{
    quint64 id = 0; // a command or a publication
    QString loadName; // a load, answered by the object's name
    QEventLoop *loop = nullptr;
    QTimer *timer = nullptr;
    bool done = false;
    bus::AppBusObject answer;
};

namespace {

const QString BAD_ANSWER = QStringLiteral("Некорректный ответ сервиса фискального ядра");

// False when the member is no list of maps that T takes.
template<typename T>
bool fromList(const QVariant &value, QList<T> *items)
{
    if (value.userType() != QMetaType::QVariantList)
        return false;
    QList<T> out;
    for (const QVariant &v : value.toList()) {
        T item;
        if (v.userType() != QMetaType::QVariantMap || !item.setMap(v.toMap()))
            return false;
        out << item;
    }
    *items = out;
    return true;
}

QVariantList propertiesToList(const fiscal::FiscalDocProperties &properties)
{
    QVariantList list;
    for (const fiscal::PFiscalDocProperty &p : properties) {
        if (!p)
            continue;
        list << QVariantMap { { QStringLiteral("tag"), p->tag() },
            { QStringLiteral("value"), p->value() } };
    }
    return list;
}

bool propertiesFromList(const QVariant &value, fiscal::FiscalDocProperties *properties)
{
    if (value.userType() != QMetaType::QVariantList)
        return false;
    const fiscal::FiscalDocPropertyTemplateLoader loader;
    fiscal::FiscalDocProperties out;
    for (const QVariant &v : value.toList()) {
        const QVariantMap m = v.toMap();
        bool ok = false;
        const uint tag = m.value(QStringLiteral("tag")).toUInt(&ok);
        if (v.userType() != QMetaType::QVariantMap || !ok || tag == 0 || tag > 0xFFFF)
            return false;
        fiscal::PFiscalDocProperty p = loader[fiscal::PropertyTag(tag)];
        if (!p->setValue(m.value(QStringLiteral("value"))))
            return false;
        out << p;
    }
    *properties = out;
    return true;
}

} // namespace

FrcoreExternalApi::FrcoreExternalApi(const QString &clientName, QObject *parent)
    : QObject(parent), m_clientName(clientName)
{
    qRegisterMetaType<bus::AppBusCommand>();
    qRegisterMetaType<bus::AppBusObject>();
}

FrcoreExternalApi::~FrcoreExternalApi()
{
    // A call still waiting (the client deleted from inside its own loop) ends at once.
    for (Wait *w : qAsConst(m_waits)) {
        w->done = true;
        if (w->loop)
            w->loop->quit();
    }
}

bool FrcoreExternalApi::fail(int code, const QString &text)
{
    m_lastError = code;
    m_lastErrorText = text;
    qWarning().noquote() << "FRCORE_CALL_FAILED" << code << text;
    return false;
}

void FrcoreExternalApi::objectLoaded(bus::AppBusObject obj)
{
    for (Wait *w : qAsConst(m_waits)) {
        if (w->done)
            continue;
        const bool mine = w->id
            ? obj.requestId() == w->id && obj.kind() != bus::AppBusObject::Object
            : obj.kind() == bus::AppBusObject::Object && obj.name() == w->loadName;
        if (!mine)
            continue;
        if (obj.kind() == bus::AppBusObject::Progress) {
            const QVariantMap c = obj.content();
            if (c.contains(QStringLiteral("min")) && c.contains(QStringLiteral("max")))
                emit progressRange(
                    c.value(QStringLiteral("min")).toInt(), c.value(QStringLiteral("max")).toInt());
            if (c.contains(QStringLiteral("value")))
                emit progressValue(c.value(QStringLiteral("value")).toInt());
            if (w->timer)
                w->timer->start(m_timeout);
            continue;
        }
        w->done = true;
        w->answer = obj;
        if (w->loop)
            w->loop->quit();
    }
}

bool FrcoreExternalApi::waitFor(Wait *wait, QVariantMap *result)
{
    if (!wait->done) {
        QEventLoop loop;
        QTimer timer;
        timer.setSingleShot(true);
        connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        wait->loop = &loop;
        wait->timer = &timer;
        timer.start(m_timeout);
        QPointer<FrcoreExternalApi> self(this);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        if (!self)
            return false;
        wait->loop = nullptr;
        wait->timer = nullptr;
    }
    m_waits.removeOne(wait);
    if (!wait->done)
        return fail(ErrorTimeout,
            QStringLiteral("Сервис фискального ядра не ответил за %1 мс").arg(m_timeout));
    return finish(wait->answer, result);
}

bool FrcoreExternalApi::finish(const bus::AppBusObject &answer, QVariantMap *result)
{
    if (answer.isError())
        return fail(answer.errorCode(), answer.errorText());
    m_lastError = ErrorNone;
    m_lastErrorText.clear();
    if (result)
        *result = answer.content();
    return true;
}

bool FrcoreExternalApi::call(
    const QString &operation, const QVariantMap &arguments, QVariantMap &result)
{
    const bus::AppBusCommand command(m_clientName, operation, arguments);
    Wait wait;
    wait.id = command.id();
    m_waits.append(&wait);
    emit sendCommand(command);
    return waitFor(&wait, &result);
}

bool FrcoreExternalApi::load(const QString &name, QVariantMap &content)
{
    Wait wait;
    wait.loadName = name;
    m_waits.append(&wait);
    emit loadObject(name);
    return waitFor(&wait, &content);
}

bool FrcoreExternalApi::store(const QString &name, const QVariantMap &content, QVariantMap &stored)
{
    bus::AppBusObject object(name, content);
    object.setRequestId(bus::AppBusCommand::nextId());
    Wait wait;
    wait.id = object.requestId();
    m_waits.append(&wait);
    emit publish(object);
    return waitFor(&wait, &stored);
}

bool FrcoreExternalApi::getCashiers(QList<Cashier> &cashiers)
{
    QVariantMap r;
    if (!call(OP_GET_CASHIERS, {}, r))
        return false;
    return fromList(r.value(QStringLiteral("cashiers")), &cashiers)
        || fail(ErrorProtocol, BAD_ANSWER);
}

bool FrcoreExternalApi::setCashiers(const QList<Cashier> &cashiers)
{
    QVariantMap r;
    return call(OP_SET_CASHIERS, { { QStringLiteral("cashiers"), toList(cashiers) } }, r);
}

bool FrcoreExternalApi::getSections(QList<Section> &sections)
{
    QVariantMap r;
    if (!call(OP_GET_SECTIONS, {}, r))
        return false;
    return fromList(r.value(QStringLiteral("sections")), &sections)
        || fail(ErrorProtocol, BAD_ANSWER);
}

bool FrcoreExternalApi::setSections(const QList<Section> &sections)
{
    QVariantMap r;
    return call(OP_SET_SECTIONS, { { QStringLiteral("sections"), toList(sections) } }, r);
}

bool FrcoreExternalApi::getDiscounts(QList<fiscal::CheckDiscount> &discounts)
{
    QVariantMap r;
    if (!call(OP_GET_DISCOUNTS, {}, r))
        return false;
    return fromList(r.value(QStringLiteral("discounts")), &discounts)
        || fail(ErrorProtocol, BAD_ANSWER);
}

bool FrcoreExternalApi::setDiscounts(const QList<fiscal::CheckDiscount> &discounts)
{
    QVariantMap r;
    return call(OP_SET_DISCOUNTS, { { QStringLiteral("discounts"), toList(discounts) } }, r);
}

AtolTaxMap FrcoreExternalApi::getTaxMap()
{
    AtolTaxMap map;
    getTaxMap(map);
    return map;
}

bool FrcoreExternalApi::getTaxMap(AtolTaxMap &map)
{
    QVariantMap content;
    if (!load(AtolTaxMap::OBJECT_NAME, content))
        return false;
    return map.setMap(content) || fail(ErrorProtocol, BAD_ANSWER);
}

bool FrcoreExternalApi::setTaxMap(const AtolTaxMap &map)
{
    QVariantMap stored;
    return store(AtolTaxMap::OBJECT_NAME, map.toMap(), stored);
}

bool FrcoreExternalApi::getOfdSettings(OfdSettings &settings)
{
    QVariantMap r;
    if (!call(OP_GET_OFD_SETTINGS, {}, r))
        return false;
    OfdSettings s;
    if (!s.setMap(r))
        return fail(ErrorProtocol, BAD_ANSWER);
    settings = s;
    return true;
}

bool FrcoreExternalApi::setOfdSettings(const OfdSettings &settings)
{
    QVariantMap r;
    return call(OP_SET_OFD_SETTINGS, settings.toMap(), r);
}

bool FrcoreExternalApi::getPrinterSettings(FrPrinterSettings &settings)
{
    QVariantMap r;
    if (!call(OP_GET_PRINTER_SETTINGS, {}, r))
        return false;
    FrPrinterSettings s;
    if (!s.setMap(r))
        return fail(ErrorProtocol, BAD_ANSWER);
    settings = s;
    return true;
}

bool FrcoreExternalApi::setPrinterSettings(const FrPrinterSettings &settings)
{
    QVariantMap r;
    return call(OP_SET_PRINTER_SETTINGS, settings.toMap(), r);
}

bool FrcoreExternalApi::getFullFrCoreState(FrCoreFullState &state)
{
    QVariantMap r;
    if (!call(OP_GET_FULL_STATE, {}, r))
        return false;
    FrCoreFullState s;
    if (!s.setMap(r))
        return fail(ErrorProtocol, BAD_ANSWER);
    state = s;
    return true;
}

bool FrcoreExternalApi::getRegistrationInfo(const Cashier &cashier,
    fiscal::FiscalDocProperties &properties, int &errorCode, QString &errorText)
{
    QVariantMap r;
    bool ok = call(OP_GET_REGISTRATION_INFO, { { QStringLiteral("cashier"), cashier.toMap() } }, r);
    if (ok && !propertiesFromList(r.value(QStringLiteral("properties")), &properties))
        ok = fail(ErrorProtocol, BAD_ANSWER);
    errorCode = m_lastError;
    errorText = m_lastErrorText;
    return ok;
}

bool FrcoreExternalApi::activate(const Cashier &cashier, bool preview,
    const fiscal::FiscalDocProperties &properties, int &errorCode, QString &errorText)
{
    QVariantMap r;
    const bool ok = call(OP_ACTIVATE,
        { { QStringLiteral("cashier"), cashier.toMap() }, { QStringLiteral("preview"), preview },
            { QStringLiteral("properties"), propertiesToList(properties) } },
        r);
    errorCode = m_lastError;
    errorText = m_lastErrorText;
    return ok;
}

QVariantMap FrcoreExternalApi::getAtolModelData()
{
    QVariantMap r;
    return call(OP_GET_ATOL_MODEL_DATA, {}, r) ? r : QVariantMap();
}

QVariantMap FrcoreExternalApi::setAtolModelData(const QVariantMap &data)
{
    QVariantMap r;
    return call(OP_SET_ATOL_MODEL_DATA, data, r) ? r : QVariantMap();
}

QVariantMap FrcoreExternalApi::getFrCoreSettings()
{
    QVariantMap content;
    return load(FRCORE_SETTINGS_OBJECT_NAME, content) ? content : QVariantMap();
}

QVariantMap FrcoreExternalApi::setFrCoreSettings(const QVariantMap &settings)
{
    QVariantMap stored;
    return store(FRCORE_SETTINGS_OBJECT_NAME, settings, stored) ? stored : QVariantMap();
}

} // namespace core
