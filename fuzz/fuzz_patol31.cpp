// Feeds arbitrary bytes to the frame codec's receive side. Every call must return, a
// rejected frame must leave the payload empty, and an accepted one must survive being
// framed again and read back.

#include "atol31frameparser.h"
#include "patol31.h"

#include <QBuffer>
#include <QtGlobal>

#include <cstdint>
#include <cstdlib>

namespace {

// Reads the first frame of bytes; false when there is none.
bool readOne(const QByteArray &bytes, quint8 &id, QByteArray &payload)
{
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    return PAtol31(&buffer).readData(id, payload);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // The codec logs every rejected frame; at fuzzing rates that is only noise.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray input(reinterpret_cast<const char *>(data), int(size));
    QBuffer buffer(&input);
    buffer.open(QIODevice::ReadOnly);
    PAtol31 codec(&buffer);

    while (buffer.bytesAvailable() > 0) {
        const qint64 before = buffer.pos();
        quint8 id = 0xAA;
        QByteArray payload("stale");
        const bool ok = codec.readData(id, payload);
        // Each call consumes at least the byte it hunted on, so the loop ends.
        if (buffer.pos() <= before)
            abort();
        if (!ok) {
            if (!payload.isEmpty())
                abort();
            continue;
        }
        if (!Atol31FrameParser::isAcceptedId(id) || payload.size() > 0x7E * 128 + 0x7F)
            abort();
        quint8 againId = 0;
        QByteArray again;
        if (!readOne(PAtol31::buildFrame(id, payload), againId, again) || againId != id
            || again != payload)
            abort();
    }
    return 0;
}
