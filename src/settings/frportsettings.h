#ifndef FRPORTSETTINGS_H
#define FRPORTSETTINGS_H

#include "initconfig.h"

#include <QSerialPort>

// How the configurator reaches the register ("orvacfgports.conf", group "FRPORTSETTINGS").
// The TCP endpoint does not come from this file: the link always goes to the driver on
// "localhost" at its configured ATOL port.
class FrPortSettings : public qt5ext::InitConfig
{
public:
    FrPortSettings();

    static QString filePath();

    QString frPortName() const;
    void setFrPortName(const QString &name);

    quint32 frPortBaudrate() const;
    void setFrPortBaudrate(quint32 baudrate);

    QSerialPort::FlowControl frPortFlowControl() const;
    void setFrPortFlowControl(QSerialPort::FlowControl flow);

    QSerialPort::Parity frPortParity() const;
    void setFrPortParity(QSerialPort::Parity parity);

    quint32 frPortDatabits() const;
    void setFrPortDatabits(quint32 bits);

    quint32 frPortStopbits() const;
    void setFrPortStopbits(quint32 bits);

    // Access password of mode entry, decimal digits.
    QString frConnPwd() const;

    QString tcpAddress() const;
    quint16 tcpPort() const;
    bool tcpUse() const;

    static QSerialPort::FlowControl flowControlFromText(const QString &text);
    static QString flowControlToText(QSerialPort::FlowControl flow);
    static QSerialPort::Parity parityFromText(const QString &text);
    static QString parityToText(QSerialPort::Parity parity);

    static const QString GROUP;
    static const QString KEY_PORT_NAME;
    static const QString KEY_BAUDRATE;
    static const QString KEY_FLOW_CONTROL;
    static const QString KEY_PARITY;
    static const QString KEY_DATABITS;
    static const QString KEY_STOPBITS;
    static const QString KEY_CONN_PWD;
};

#endif // FRPORTSETTINGS_H
