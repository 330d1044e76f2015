#ifndef PRINTERDEVICETYPE_H
#define PRINTERDEVICETYPE_H

#include <QString>

namespace core {

// The receipt printers the fiscal core can drive. Types 1 and 2 sit on a serial port.
enum PrinterDeviceType : quint32 {
    PrinterDefault = 0, // "use the defaults": the fiscal core stores its default printer
    PrinterEscPos = 1,
    PrinterCustomVkp80 = 2,
    PrinterImage = 3, // no paper: every receipt becomes a picture file
};

inline bool isSerialPrinter(quint32 type)
{
    return type == PrinterEscPos || type == PrinterCustomVkp80;
}

// The print client's model name of a type ("" for PrinterDefault and unknown types).
QString printerModelName(quint32 type);

} // namespace core

#endif // PRINTERDEVICETYPE_H
