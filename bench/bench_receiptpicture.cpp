// What a receipt picture costs the emulator per printed document: the layout, which runs in
// the register's own thread before its answer, and the strip and PNG, drawn in the
// publisher's thread.

#include "bcd.h"
#include "receiptlayout.h"
#include "receiptpainter.h"
#include "registermodel.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QTextCodec>

#include <benchmark/benchmark.h>

namespace {

QByteArray position(int n)
{
    QByteArray r = QByteArray::fromHex("e600");
    r += QTextCodec::codecForName("CP866")
             ->fromUnicode(QStringLiteral("Товар номер %1 с длинным названием").arg(n))
             .leftJustified(64, '\0', true);
    r += qt5ext::BCD::int2bcd(12345, 12) + qt5ext::BCD::int2bcd(1500, 10);
    r += QByteArray::fromHex("0100") + qt5ext::BCD::int2bcd(0, 12) + QByteArray::fromHex("0301");
    return r + QByteArray(17, '\0');
}

// A sale receipt of that many positions, as the register prints it.
QJsonObject sale(int positions, RegisterState *state)
{
    RegisterModel model(RegisterState::fresh());
    QJsonObject doc;
    QObject::connect(
        &model, &RegisterModel::documentPrinted, [&doc](const QJsonObject &d) { doc = d; });
    model.execute(QByteArray::fromHex("560100000047"));
    model.execute(QByteArray::fromHex("920001"));
    for (int i = 0; i < positions; ++i)
        model.execute(position(i));
    model.execute(QByteArray::fromHex("4a0001") + qt5ext::BCD::int2bcd(9999999999LL, 10).right(5));
    *state = model.state();
    return doc;
}

void BM_ReceiptLayout(benchmark::State &st)
{
    RegisterState state;
    const QJsonObject doc = sale(int(st.range(0)), &state);
    for (auto _ : st)
        benchmark::DoNotOptimize(ReceiptLayout::lines(doc, state).size());
}

// Layout, strip and PNG: all the emulator does before it announces the picture.
void BM_ReceiptToPng(benchmark::State &st)
{
    RegisterState state;
    const QJsonObject doc = sale(int(st.range(0)), &state);
    for (auto _ : st) {
        QByteArray png;
        QBuffer out(&png);
        out.open(QIODevice::WriteOnly);
        ReceiptPainter::paint(ReceiptLayout::lines(doc, state)).save(&out, "PNG");
        benchmark::DoNotOptimize(png.size());
    }
}

} // namespace

BENCHMARK(BM_ReceiptLayout)->Arg(1)->Arg(10)->Arg(50)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReceiptToPng)->Arg(1)->Arg(10)->Arg(50)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    // Text needs fonts, fonts need a GUI application; no window is ever shown.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
