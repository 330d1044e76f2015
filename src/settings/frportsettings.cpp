#include "frportsettings.h"

#include "configpath.h"
#include "frcoreconfig.h"

#include <QDebug>

const QString FrPortSettings::GROUP = QStringLiteral("FRPORTSETTINGS");
const QString FrPortSettings::KEY_PORT_NAME = QStringLiteral("frPortName");
const QString FrPortSettings::KEY_BAUDRATE = QStringLiteral("frPortBaudrate");
const QString FrPortSettings::KEY_FLOW_CONTROL = QStringLiteral("frPortFlowControl");
const QString FrPortSettings::KEY_PARITY = QStringLiteral("frPortParity");
const QString FrPortSettings::KEY_DATABITS = QStringLiteral("frPortDatabits");
const QString FrPortSettings::KEY_STOPBITS = QStringLiteral("frPortStopbits");
const QString FrPortSettings::KEY_CONN_PWD = QStringLiteral("frConnPwd");

FrPortSettings::FrPortSettings() : qt5ext::InitConfig(filePath(), true)
{
    qWarning().noquote() << "FR_PORT_SETTINGS" << settingsPath() << filePath();
}

QString FrPortSettings::filePath()
{
    return configFilePath(QStringLiteral("orvacfgports.conf"));
}

QString FrPortSettings::frPortName() const
{
    return value(GROUP, KEY_PORT_NAME, QString()).toString();
}

void FrPortSettings::setFrPortName(const QString &name)
{
    setValue(GROUP, KEY_PORT_NAME, name);
}

quint32 FrPortSettings::frPortBaudrate() const
{
    return value(GROUP, KEY_BAUDRATE, 115200u).toUInt();
}

void FrPortSettings::setFrPortBaudrate(quint32 baudrate)
{
    setValue(GROUP, KEY_BAUDRATE, baudrate);
}

QSerialPort::FlowControl FrPortSettings::frPortFlowControl() const
{
    return flowControlFromText(value(GROUP, KEY_FLOW_CONTROL, QString()).toString());
}

void FrPortSettings::setFrPortFlowControl(QSerialPort::FlowControl flow)
{
    setValue(GROUP, KEY_FLOW_CONTROL, flowControlToText(flow));
}

QSerialPort::Parity FrPortSettings::frPortParity() const
{
    return parityFromText(value(GROUP, KEY_PARITY, QString()).toString());
}

void FrPortSettings::setFrPortParity(QSerialPort::Parity parity)
{
    setValue(GROUP, KEY_PARITY, parityToText(parity));
}

quint32 FrPortSettings::frPortDatabits() const
{
    return value(GROUP, KEY_DATABITS, 8u).toUInt();
}

void FrPortSettings::setFrPortDatabits(quint32 bits)
{
    setValue(GROUP, KEY_DATABITS, bits);
}

quint32 FrPortSettings::frPortStopbits() const
{
    return value(GROUP, KEY_STOPBITS, 1u).toUInt();
}

void FrPortSettings::setFrPortStopbits(quint32 bits)
{
    setValue(GROUP, KEY_STOPBITS, bits);
}

QString FrPortSettings::frConnPwd() const
{
    return value(GROUP, KEY_CONN_PWD, QStringLiteral("47")).toString();
}

QString FrPortSettings::tcpAddress() const
{
    return QStringLiteral("localhost");
}

quint16 FrPortSettings::tcpPort() const
{
    return FrCoreConfig().atolTcpPort();
}

bool FrPortSettings::tcpUse() const
{
    return true;
}

QSerialPort::FlowControl FrPortSettings::flowControlFromText(const QString &text)
{
    const QString t = text.toUpper();
    if (t == QLatin1String("HARDWARE") || t == QLatin1String("DTR/STR"))
        return QSerialPort::HardwareControl;
    if (t == QLatin1String("XONXOFF") || t == QLatin1String("XON/XOFF"))
        return QSerialPort::SoftwareControl;
    return QSerialPort::NoFlowControl;
}

QString FrPortSettings::flowControlToText(QSerialPort::FlowControl flow)
{
    switch (flow) {
    case QSerialPort::HardwareControl:
        return QStringLiteral("HARDWARE");
    case QSerialPort::SoftwareControl:
        return QStringLiteral("XON/XOFF");
    default:
        return QStringLiteral("OFF");
    }
}

QSerialPort::Parity FrPortSettings::parityFromText(const QString &text)
{
    const QString t = text.toUpper();
    if (t == QLatin1String("ODD"))
        return QSerialPort::OddParity;
    if (t == QLatin1String("EVEN"))
        return QSerialPort::EvenParity;
    if (t == QLatin1String("SPACE"))
        return QSerialPort::SpaceParity;
    return QSerialPort::NoParity;
}

QString FrPortSettings::parityToText(QSerialPort::Parity parity)
{
    switch (parity) {
    case QSerialPort::OddParity:
        return QStringLiteral("ODD");
    case QSerialPort::SpaceParity:
        return QStringLiteral("SPACE");
    case QSerialPort::EvenParity:
        return QStringLiteral("EVEN");
    default:
        return QStringLiteral("NONE");
    }
}
