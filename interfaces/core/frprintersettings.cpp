#include "frprintersettings.h"

#include "valuemapreader.h"

namespace core {

const QString FrPrinterSettings::DEFAULT_PORT = QStringLiteral("/dev/ttyS0");

QVariantMap FrPrinterSettings::toMap() const
{
    return { { QStringLiteral("type"), quint32(m_type) },
        { QStringLiteral("portName"), m_portName }, { QStringLiteral("baudrate"), m_baudrate },
        { QStringLiteral("symbolsPerLine"), m_symbolsPerLine },
        { QStringLiteral("printerModel"), printerModel() } };
}

bool FrPrinterSettings::setMap(const QVariantMap &map)
{
    FrPrinterSettings s = *this;
    fiscal::ValueMapReader r(map);
    quint32 type = s.m_type;
    r.unsignedNumber("type", &type);
    s.m_type = PrinterDeviceType(type);
    r.text("portName", &s.m_portName);
    qint64 n = 0;
    if (r.number("baudrate", 0, 0x7FFFFFFF, &n))
        s.m_baudrate = int(n);
    if (r.number("symbolsPerLine", 0, 0x7FFFFFFF, &n))
        s.m_symbolsPerLine = int(n);
    if (!r.ok())
        return false;
    *this = s;
    return true;
}

bool FrPrinterSettings::operator==(const FrPrinterSettings &o) const
{
    return m_type == o.m_type && m_portName == o.m_portName && m_baudrate == o.m_baudrate
        && m_symbolsPerLine == o.m_symbolsPerLine;
}

} // namespace core
