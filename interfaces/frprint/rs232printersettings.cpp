#include "rs232printersettings.h"

namespace frprint {

QList<PrinterInfo> Rs232PrinterSettings::knownPrinters()
{
    return {
        { QStringLiteral("escpos"), QStringLiteral("Принтер ESC/POS (RS-232)"), true, 115200, 48 },
        { QStringLiteral("vkp80"), QStringLiteral("CUSTOM VKP80 (RS-232)"), true, 115200, 48 },
        { QStringLiteral("image"), QStringLiteral("Печать в файл изображения"), false, 0, 48 },
    };
}

PrinterInfo Rs232PrinterSettings::printerInfo() const
{
    for (const PrinterInfo &info : knownPrinters()) {
        if (info.model == m_model)
            return info;
    }
    PrinterInfo unknown;
    unknown.model = m_model;
    unknown.name = m_model.isEmpty() ? QStringLiteral("Нет принтера") : m_model;
    return unknown;
}

} // namespace frprint
