#include "patol31.h"

#include "atol31frameparser.h"
#include "logstream.h"

#include <QCoreApplication>
#include <QDebug>
#include <QElapsedTimer>
#include <QSerialPort>
#include <QThread>

using qt5ext::logbinary;

namespace {

struct CrcTable
{
    quint8 t[256];
    CrcTable()
    {
        for (int i = 0; i < 256; ++i) {
            quint8 c = quint8(i);
            for (int b = 0; b < 8; ++b)
                c = (c & 0x80) ? quint8((c << 1) ^ 0x31) : quint8(c << 1);
            t[i] = c;
        }
    }
};

const CrcTable &crcTable()
{
    static const CrcTable table;
    return table;
}

} // namespace

PAtol31::PAtol31(const QPointer<QIODevice> &device) : m_device(device) { }

quint8 PAtol31::crc8(const QByteArray &bytes)
{
    const quint8 *t = crcTable().t;
    quint8 crc = 0xFF;
    for (const char c : bytes)
        crc = t[crc ^ quint8(c)];
    return crc;
}

QByteArray PAtol31::stuff(const QByteArray &bytes)
{
    QByteArray out;
    out.reserve(bytes.size() + bytes.size() / 8 + 2);
    for (const char c : bytes) {
        const quint8 b = quint8(c);
        if (b == 0xFD) {
            out.append(char(0xFD)).append(char(0xED));
        } else if (b == 0xFE) {
            out.append(char(0xFD)).append(char(0xEE));
        } else {
            out.append(c);
        }
    }
    return out;
}

QByteArray PAtol31::unstuff(const QByteArray &bytes)
{
    QByteArray out;
    out.reserve(bytes.size());
    for (int i = 0; i < bytes.size(); ++i) {
        const quint8 b = quint8(bytes.at(i));
        if (b == 0xFD && i + 1 < bytes.size()) {
            const quint8 next = quint8(bytes.at(i + 1));
            if (next == 0xED || next == 0xEE) {
                out.append(char(next == 0xED ? 0xFD : 0xFE));
                ++i;
                continue;
            }
        }
        out.append(char(b));
    }
    return out;
}

QByteArray PAtol31::buildFrame(quint8 id, const QByteArray &data)
{
    const int len = data.size();
    const QByteArray body = stuff(char(id) + data);
    const quint8 crc = crc8(body);
    QByteArray frame;
    frame.reserve(body.size() + 6);
    frame.append(char(0xFE));
    frame.append(char(len & 0x7F));
    frame.append(char((len >> 7) & 0xFF));
    frame.append(body);
    frame.append(stuff(QByteArray(1, char(crc))));
    return frame;
}

bool PAtol31::channelOpen() const
{
    return m_device && m_device->isOpen();
}

void PAtol31::sendCommand(quint8 id, const QByteArray &data)
{
    const QByteArray frame = buildFrame(id, data);
    qDebug() << " >>------------------------------------------------ " << logbinary(frame);
    auto *serial = qobject_cast<QSerialPort *>(m_device.data());
    for (const char c : frame) {
        if (!channelOpen())
            return;
        m_device->write(&c, 1);
        if (serial)
            serial->flush();
    }
}

bool PAtol31::waitForData(int msecs)
{
    if (!m_device)
        return false;
    auto *serial = qobject_cast<QSerialPort *>(m_device.data());
    if (serial) {
        QElapsedTimer timer;
        timer.start();
        const int step = qMin(msecs / 1000, 20);
        for (;;) {
            // Events processed below may close or delete the port.
            if (!m_device || !serial->isOpen())
                break;
            if (serial->bytesAvailable() > 0 || timer.elapsed() >= msecs)
                break;
            serial->waitForReadyRead(qMax(step, 10));
            if (serial->bytesAvailable() <= 0) {
                if (step > 0)
                    QThread::msleep(ulong(step));
                QCoreApplication::processEvents(
                    QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers);
            }
        }
        return m_device && serial->isOpen() && serial->bytesAvailable() > 0;
    }
    if (m_device->bytesAvailable() > 0)
        return true;
    if (m_device->waitForReadyRead(msecs))
        return true;
    return m_device && m_device->bytesAvailable() > 0;
}

bool PAtol31::readData(quint8 &id, QByteArray &data)
{
    data.clear();
    id = 0;
    Atol31FrameParser parser;
    char c = 0;

    // Hunt for STX; anything before it is line noise.
    for (;;) {
        if (!m_device || !waitForData(HUNT_WAIT_MS) || !m_device->getChar(&c))
            return false;
        if (quint8(c) == Atol31FrameParser::STX)
            break;
    }
    parser.feed(quint8(c));

    for (;;) {
        if (parser.state() == Atol31FrameParser::Body && !channelOpen()) {
            qDebug() << "ERROR: LEN=" << parser.length() << "ID=" << parser.id()
                     << logbinary(parser.rawBody());
            return false;
        }
        if (!m_device || !waitForData(BYTE_WAIT_MS) || !m_device->getChar(&c))
            return false;
        const Atol31FrameParser::Result r = parser.feed(quint8(c));
        if (parser.hasId())
            id = parser.id();
        switch (r) {
        case Atol31FrameParser::NeedMore:
            continue;
        case Atol31FrameParser::Complete:
            data = parser.payload();
            return true;
        case Atol31FrameParser::BadHeader:
            qDebug() << "ERROR: LEN=" << parser.len0() << "ID=" << parser.id();
            return false;
        case Atol31FrameParser::StxInBody:
        case Atol31FrameParser::BadEscape:
            qDebug() << logbinary(parser.rawBody());
            qDebug() << "ERROR: LEN=" << parser.length() << "ID=" << parser.id()
                     << logbinary(QByteArray());
            return false;
        case Atol31FrameParser::BadCrc:
            qDebug() << "CRC_ERROR" << logbinary(parser.checkedBytes());
            return false;
        }
    }
}
