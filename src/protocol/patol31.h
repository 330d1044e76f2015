#ifndef PATOL31_H
#define PATOL31_H

#include <QByteArray>
#include <QIODevice>
#include <QPointer>

// ATOL 3.1 frame codec over a serial port or a TCP socket. Stateless between calls: build one
// around the channel for each operation.
//
// Frame: STX 0xFE, LEN0 = L & 0x7F, LEN1 = L >> 7, ID, DATA, CRC; ID, DATA and CRC are
// byte-stuffed (0xFD -> FD ED first, then 0xFE -> FD EE); the CRC-8 (poly 0x31, init 0xFF)
// covers the stuffed ID and DATA.
class PAtol31
{
public:
    explicit PAtol31(const QPointer<QIODevice> &device);

    void sendCommand(quint8 id, const QByteArray &data);
    // One frame; false (with data empty) on silence, timeout or a bad frame. id is set as soon
    // as the identifier byte is read.
    bool readData(quint8 &id, QByteArray &data);
    bool waitForData(int msecs);

    static QByteArray buildFrame(quint8 id, const QByteArray &data);
    static QByteArray stuff(const QByteArray &bytes);
    // FD ED -> FD, FD EE -> FE, left to right; everything else passes.
    static QByteArray unstuff(const QByteArray &bytes);
    static quint8 crc8(const QByteArray &bytes);

    static const int HUNT_WAIT_MS = 10;
    static const int BYTE_WAIT_MS = 200;

private:
    bool channelOpen() const;

    QPointer<QIODevice> m_device;
};

#endif // PATOL31_H
