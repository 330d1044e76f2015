#include "registermodel.h"

#include "commandsupport.h"
#include "frcoreerror.h"
#include "frprintersettings.h"
#include "ofdsettings.h"

#include <QRegularExpression>

using namespace emu;

namespace {

const int BAUDRATES[] = { 1200, 2400, 4800, 9600, 14400, 19200, 38400, 57600, 115200 };
const int MAX_MODEL_NAME = 60;

} // namespace

RegisterModel::CoreReply RegisterModel::setOfdSettings(const QVariantMap &arguments)
{
    core::OfdSettings settings = m_state.core.ofd;
    if (!settings.setMap(arguments))
        return coreFail(core::ErrorInvalidData, QStringLiteral("Неверный формат настроек ОФД"));
    if (settings.queryInterval() < 100 || settings.queryInterval() > 60000)
        return coreFail(core::ErrorInvalidData,
            QStringLiteral("Интервал опроса ФН должен быть от 100 до 60000 мс"));
    if (!settings.address().isEmpty() && settings.port() == 0)
        return coreFail(core::ErrorInvalidData, QStringLiteral("Не задан порт сервера ОФД"));
    m_state.core.ofd = settings;
    emit stateChanged();
    CoreReply r;
    r.value = settings.toMap();
    return r;
}

RegisterModel::CoreReply RegisterModel::setPrinterSettings(const QVariantMap &arguments)
{
    core::FrPrinterSettings settings;
    if (!settings.setMap(arguments))
        return coreFail(
            core::ErrorInvalidData, QStringLiteral("Неверный формат настроек принтера"));
    if (settings.type() == core::PrinterDefault) {
        settings = core::FrPrinterSettings();
    } else if (core::printerModelName(settings.type()).isEmpty()) {
        return coreFail(core::ErrorInvalidData,
            QStringLiteral("Неизвестный тип принтера %1").arg(quint32(settings.type())));
    }
    if (core::isSerialPrinter(settings.type())) {
        if (settings.portName().trimmed().isEmpty())
            return coreFail(core::ErrorInvalidData, QStringLiteral("Не задан порт принтера"));
        if (std::find(std::begin(BAUDRATES), std::end(BAUDRATES), settings.baudrate())
            == std::end(BAUDRATES))
            return coreFail(core::ErrorInvalidData,
                QStringLiteral("Недопустимая скорость %1").arg(settings.baudrate()));
        // The driver opens the device by its full path.
        if (!settings.portName().startsWith(QLatin1Char('/')))
            settings.setPortName(QStringLiteral("/dev/") + settings.portName().trimmed());
    }
    if (settings.symbolsPerLine() < core::FrPrinterSettings::MIN_SYMBOLS_PER_LINE
        || settings.symbolsPerLine() > core::FrPrinterSettings::MAX_SYMBOLS_PER_LINE)
        return coreFail(core::ErrorInvalidData,
            QStringLiteral("Символов в строке должно быть от %1 до %2")
                .arg(core::FrPrinterSettings::MIN_SYMBOLS_PER_LINE)
                .arg(core::FrPrinterSettings::MAX_SYMBOLS_PER_LINE));
    m_state.core.printer = settings;
    emit stateChanged();
    CoreReply r;
    r.value = settings.toMap();
    return r;
}

RegisterModel::CoreReply RegisterModel::setAtolModelData(const QVariantMap &arguments)
{
    bool ok = false;
    const QVariant model = arguments.value(QStringLiteral("model"));
    const qint64 number = model.toLongLong(&ok);
    if (!ok || model.userType() == QMetaType::QString || model.userType() == QMetaType::Bool
        || number < 1 || number > 255 || model.toDouble() != double(number))
        return coreFail(core::ErrorInvalidData, QStringLiteral("Не корректный номер модели"));
    const QVariant name = arguments.value(QStringLiteral("name"));
    const QString text = name.toString();
    if (name.userType() != QMetaType::QString || text.trimmed().isEmpty()
        || text.size() > MAX_MODEL_NAME || encode(text).size() != text.size())
        return coreFail(
            core::ErrorInvalidData, QStringLiteral("Не корректное наименование модели"));
    static const QRegularExpression tenDigits(QStringLiteral("^[0-9]{10}$"));
    const QVariant ver = arguments.value(QStringLiteral("ver"));
    if (ver.userType() != QMetaType::QString || !tenDigits.match(ver.toString()).hasMatch())
        return coreFail(
            core::ErrorInvalidData, QStringLiteral("Версия должна состоять из десяти цифр"));
    m_state.core.atolModel = { { QStringLiteral("model"), int(number) },
        { QStringLiteral("name"), text }, { QStringLiteral("ver"), ver.toString() } };
    emit stateChanged();
    CoreReply r;
    r.value = m_state.core.atolModel;
    return r;
}

RegisterModel::CoreReply RegisterModel::setFrCoreSettings(const QVariantMap &content)
{
    const QVariant hostRs = content.value(QStringLiteral("hostRs"));
    if (content.contains(QStringLiteral("hostRs"))
        && (hostRs.userType() != QMetaType::QString || hostRs.toString().trimmed().isEmpty()))
        return coreFail(
            core::ErrorInvalidData, QStringLiteral("Порт \"hostRs\" должен быть именем порта"));
    m_state.core.frcoreSettings = content;
    emit stateChanged();
    CoreReply r;
    r.value = content;
    return r;
}

QString RegisterModel::cashboxVersion() const
{
    const QString ver = m_state.core.atolModel.value(QStringLiteral("ver")).toString();
    QStringList parts;
    for (int i = 0; i + 2 <= ver.size(); i += 2)
        parts << ver.mid(i, 2);
    return parts.join(QLatin1Char('.'));
}
