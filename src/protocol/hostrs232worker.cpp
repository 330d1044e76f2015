#include "hostrs232worker.h"

#include "frcommandscontroller.h"
#include "frportsettings.h"
#include "patol31.h"
#include "sysutils.h"

#include <QDebug>
#include <QMetaEnum>
#include <QSerialPort>
#include <QTimer>

namespace {

template<typename E>
const char *enumKey(const char *enumName, E value)
{
    const QMetaObject &mo = QSerialPort::staticMetaObject;
    const QMetaEnum me = mo.enumerator(mo.indexOfEnumerator(enumName));
    const char *key = me.valueToKey(int(value));
    return key ? key : "?";
}

} // namespace

HostRs232Worker::HostRs232Worker(FrCommandsController *controller, QObject *parent)
    : qt5ext::AbstractWorker(parent), m_controller(controller)
{ }

HostRs232Worker::~HostRs232Worker() = default;

bool HostRs232Worker::doStart()
{
    doStop();
    if (!createPort()) {
        m_restartTimer = new QTimer(this);
        m_restartTimer->setInterval(m_restartIntervalMs);
        connect(m_restartTimer, &QTimer::timeout, this, &HostRs232Worker::restart);
        m_restartTimer->start();
    }
    return true;
}

// Ports and timers go by deleteLater: doStop may run from an event processed while the codec
// waits inside the port's own readyRead emission.
bool HostRs232Worker::doStop()
{
    if (m_port) {
        QSerialPort *port = m_port;
        m_port = nullptr;
        port->blockSignals(true);
        port->close();
        port->deleteLater();
    }
    if (m_restartTimer) {
        QTimer *timer = m_restartTimer;
        m_restartTimer = nullptr;
        timer->blockSignals(true);
        timer->stop();
        timer->deleteLater();
    }
    return true;
}

void HostRs232Worker::restart()
{
    doStart();
}

void HostRs232Worker::taskProcessed(quint8 taskId)
{
    Q_UNUSED(taskId)
}

void HostRs232Worker::sendCommand(quint8 id, QByteArray cmdData)
{
    if (!m_port || !m_port->isOpen()) {
        emit frameWritten(id, false);
        return;
    }
    // The codec flushes the port after every byte.
    PAtol31(QPointer<QIODevice>(m_port.data())).sendCommand(id, cmdData);
    emit frameWritten(id, m_port && m_port->isOpen());
}

bool HostRs232Worker::createPort()
{
    FrPortSettings settings;
    if (m_port) {
        QSerialPort *old = m_port;
        m_port = nullptr;
        old->blockSignals(true);
        old->close();
        old->deleteLater();
    }
    const QString name = settings.frPortName();
    qt5ext::SysUtils::unlockPort(name, false);

    m_port = new QSerialPort(name, this);
    qDebug().noquote() << "OPEN_PORT NAME=" << name;
    if (!m_port->open(QIODevice::ReadWrite)) {
        emit connectState(false);
        qCritical().noquote() << "OPEN_PORT_ERROR NAME=" << name << m_port->errorString();
        QSerialPort *failed = m_port;
        m_port = nullptr;
        failed->deleteLater();
        return false;
    }

    m_port->clear(QSerialPort::AllDirections);
    m_port->clearError();
    m_port->setBaudRate(qint32(settings.frPortBaudrate()), QSerialPort::AllDirections);
    m_port->setDataBits(QSerialPort::DataBits(settings.frPortDatabits()));
    m_port->setStopBits(QSerialPort::StopBits(settings.frPortStopbits()));
    m_port->setParity(settings.frPortParity());
    m_port->setFlowControl(settings.frPortFlowControl());
    m_port->setReadBufferSize(0);
    m_port->clear(QSerialPort::AllDirections);
    m_port->clearError();
    qDebug().noquote() << "PORT_OPENED" << m_port->isOpen() << m_port->errorString()
                       << m_port->portName() << m_port->baudRate()
                       << enumKey("DataBits", m_port->dataBits())
                       << enumKey("StopBits", m_port->stopBits())
                       << enumKey("Parity", m_port->parity())
                       << enumKey("FlowControl", m_port->flowControl());

    connectPort();

    if (!m_port->isOpen())
        return false;
    m_awaitingFirstAnswer = true;
    // The device type query both identifies the register and proves the line carries frames.
    if (m_controller) {
        const QPointer<FrCommandsController> controller = m_controller;
        QMetaObject::invokeMethod(
            controller.data(),
            [controller] {
                if (controller)
                    controller->sendGetFrDeviceTypeCommand();
            },
            Qt::QueuedConnection);
    }
    return true;
}

void HostRs232Worker::connectPort()
{
    if (m_port)
        connect(m_port, &QSerialPort::readyRead, this, &HostRs232Worker::readyRead,
            Qt::UniqueConnection);
}

void HostRs232Worker::readyRead()
{
    if (!m_port)
        return;
    PAtol31 codec { QPointer<QIODevice>(m_port.data()) };
    qDebug() << "READY_READ_HANDLER";
    // The codec processes events while it waits; a nested readyRead would read the same frame.
    disconnect(m_port, nullptr, this, nullptr);
    while (codec.waitForData(10)) {
        qDebug() << "READY_READ_HANDLER"
                 << "DO_READ";
        quint8 id = 0;
        QByteArray data;
        if (codec.readData(id, data)) {
            if (m_awaitingFirstAnswer) {
                m_awaitingFirstAnswer = false;
                emit connectState(true);
            }
            emit answerReceived(id, data);
        }
    }
    connectPort();
}
