#include "printerdevicetype.h"

namespace core {

QString printerModelName(quint32 type)
{
    switch (type) {
    case PrinterEscPos:
        return QStringLiteral("escpos");
    case PrinterCustomVkp80:
        return QStringLiteral("vkp80");
    case PrinterImage:
        return QStringLiteral("image");
    default:
        return QString();
    }
}

} // namespace core
