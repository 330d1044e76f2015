#ifndef RS232PRINTERSETTINGS_H
#define RS232PRINTERSETTINGS_H

#include "printerinfo.h"

#include <QList>
#include <QString>

namespace frprint {

// A receipt printer on a serial line, described by its model name.
class Rs232PrinterSettings
{
public:
    void setModel(const QString &model) { m_model = model; }
    QString model() const { return m_model; }
    void setPortName(const QString &name) { m_portName = name; }
    QString portName() const { return m_portName; }
    void setBaudrate(int baudrate) { m_baudrate = baudrate; }
    int baudrate() const { return m_baudrate; }

    // The model's information; an unknown model is named by its model text, or
    // "Нет принтера" when empty.
    PrinterInfo printerInfo() const;

    // Every model the print client knows.
    static QList<PrinterInfo> knownPrinters();

private:
    QString m_model;
    QString m_portName;
    int m_baudrate = 0;
};

} // namespace frprint

#endif // RS232PRINTERSETTINGS_H
