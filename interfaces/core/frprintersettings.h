#ifndef FRPRINTERSETTINGS_H
#define FRPRINTERSETTINGS_H

#include "printerdevicetype.h"

#include <QMetaType>
#include <QString>
#include <QVariantMap>

namespace core {

// The receipt printer of the fiscal core. Default-built it is the fiscal core's default
// printer: ESC/POS on the first serial port at 115200 baud, 48 characters a line.
class FrPrinterSettings
{
public:
    static const int DEFAULT_BAUDRATE = 115200;
    static const int DEFAULT_SYMBOLS_PER_LINE = 48;
    static const int MIN_SYMBOLS_PER_LINE = 24;
    static const int MAX_SYMBOLS_PER_LINE = 100;
    static const QString DEFAULT_PORT;

    PrinterDeviceType type() const { return m_type; }
    void setType(PrinterDeviceType type) { m_type = type; }
    QString portName() const { return m_portName; }
    void setPortName(const QString &name) { m_portName = name; }
    int baudrate() const { return m_baudrate; }
    void setBaudrate(int baudrate) { m_baudrate = baudrate; }
    int symbolsPerLine() const { return m_symbolsPerLine; }
    void setSymbolsPerLine(int symbols) { m_symbolsPerLine = symbols; }
    // The print client's model name for the type.
    QString printerModel() const { return printerModelName(m_type); }

    QVariantMap toMap() const;
    bool setMap(const QVariantMap &map);

    bool operator==(const FrPrinterSettings &other) const;
    bool operator!=(const FrPrinterSettings &other) const { return !(*this == other); }

private:
    PrinterDeviceType m_type = PrinterEscPos;
    QString m_portName = DEFAULT_PORT;
    int m_baudrate = DEFAULT_BAUDRATE;
    int m_symbolsPerLine = DEFAULT_SYMBOLS_PER_LINE;
};

} // namespace core

Q_DECLARE_METATYPE(core::FrPrinterSettings)

#endif // FRPRINTERSETTINGS_H
