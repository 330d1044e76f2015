// Frame codec throughput: building a frame, and reading one back from an in-memory channel
// the way a transport worker reads a socket.

#include "patol31.h"

#include <QBuffer>

#include <benchmark/benchmark.h>

namespace {

// Every byte value, so that stuffing (0xFD, 0xFE) is part of the cost.
QByteArray payloadOf(int size)
{
    QByteArray data(size, '\0');
    for (int i = 0; i < size; ++i)
        data[i] = char((i * 7 + 0xF9) & 0xFF);
    return data;
}

void BM_FrameEncode(benchmark::State &state)
{
    const QByteArray payload = payloadOf(int(state.range(0)));
    for (auto _ : state) {
        QByteArray frame = PAtol31::buildFrame(0x21, payload);
        benchmark::DoNotOptimize(frame.data());
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

void BM_FrameDecode(benchmark::State &state)
{
    const QByteArray payload = payloadOf(int(state.range(0)));
    QByteArray frame = PAtol31::buildFrame(0x21, payload);
    QBuffer channel(&frame);
    channel.open(QIODevice::ReadOnly);
    PAtol31 codec(&channel);
    quint8 id = 0;
    QByteArray data;
    for (auto _ : state) {
        channel.seek(0);
        if (!codec.readData(id, data) || data.size() != payload.size()) {
            state.SkipWithError("frame not read back");
            break;
        }
        benchmark::DoNotOptimize(data.data());
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

} // namespace

BENCHMARK(BM_FrameEncode)->Arg(16)->Arg(1024);
BENCHMARK(BM_FrameDecode)->Arg(16)->Arg(1024);

BENCHMARK_MAIN();
