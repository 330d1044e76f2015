// Feeds arbitrary bytes, in pieces the input itself chooses, to the bus's message decoder
// and reads every message it accepts as an answer. Every call must return; once the stream
// is broken nothing more may come out of it; an accepted message must survive being framed
// again and read back.

#include "appbusframereader.h"
#include "appbusprotocol.h"

#include <QtGlobal>

#include <cstdint>
#include <cstdlib>

namespace {

// The one message of a frame built from it.
bool reframes(const QJsonObject &message)
{
    bus::AppBusFrameReader again;
    again.append(bus::protocol::frame(message));
    QJsonObject back;
    QString error;
    return again.next(&back, &error) == bus::AppBusFrameReader::Message && back == message;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    // The first byte sets the piece size, so splits inside headers and bodies are reached.
    const int piece = 1 + data[0] % 64;
    const QByteArray input(reinterpret_cast<const char *>(data + 1), int(size - 1));
    // A small limit so that "too long" is reachable from short inputs.
    bus::AppBusFrameReader reader(4096);
    bool broken = false;
    for (int at = 0; at < input.size(); at += piece) {
        reader.append(input.mid(at, piece));
        for (;;) {
            QJsonObject message;
            QString error;
            const bus::AppBusFrameReader::Result r = reader.next(&message, &error);
            if (r == bus::AppBusFrameReader::NeedMore)
                break;
            if (r == bus::AppBusFrameReader::Fatal) {
                if (error.isEmpty() || !reader.isBroken())
                    abort();
                broken = true;
                break;
            }
            if (broken)
                abort(); // a message out of a broken stream
            if (r == bus::AppBusFrameReader::BadMessage) {
                if (error.isEmpty())
                    abort();
                continue;
            }
            if (!message.value(QStringLiteral("type")).isString() || !reframes(message))
                abort();
            bus::AppBusObject answer;
            if (bus::protocol::toAnswer(message, &answer) && answer.isError()
                && answer.errorCode() == 0)
                abort();
        }
        if (broken)
            break;
    }
    if (reader.buffered() < 0)
        abort();
    return 0;
}
