#ifndef PRINTERINFO_H
#define PRINTERINFO_H

#include <QString>

namespace frprint {

// What the print client knows of a printer model.
struct PrinterInfo
{
    QString model; // the model name of the fiscal core's printer settings
    QString name; // the display name
    bool serial = false; // sits on a serial port
    int defaultBaudrate = 0;
    int symbolsPerLine = 0; // of its usual paper width
};

} // namespace frprint

#endif // PRINTERINFO_H
