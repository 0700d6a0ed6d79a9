// The blur of one new 1920 x 1080 camera picture, as the picture timer runs it: the decoded
// picture (32-bit, as the picture loader delivers a JPEG) is converted to a 24-bit bitmap and
// swept in place.
#include "viewer/Blur.h"

#include <QImage>
#include <QRandomGenerator>

#include <benchmark/benchmark.h>

#include <vector>

namespace {

QImage FullHdPicture() {
    QImage picture(1920, 1080, QImage::Format_RGB32);
    QRandomGenerator generator(1);
    for (int y = 0; y < picture.height(); ++y) {
        auto* line = reinterpret_cast<quint32*>(picture.scanLine(y));
        for (int x = 0; x < picture.width(); ++x)
            line[x] = generator.generate() | 0xff000000u;
    }
    return picture;
}

// Conversion included: every iteration starts from a fresh 32-bit copy.
void BM_BlurPicture(benchmark::State& state) {
    const QImage decoded = FullHdPicture();
    for (auto _ : state) {
        state.PauseTiming();
        QImage picture = decoded.copy();
        state.ResumeTiming();
        orlisk::BlurPicture(picture);
        benchmark::DoNotOptimize(picture.constBits());
    }
    state.SetBytesProcessed(state.iterations() * decoded.sizeInBytes());
}
BENCHMARK(BM_BlurPicture)->Unit(benchmark::kMillisecond);

// The sweep alone, on a 24-bit buffer of the same size.
void BM_BlurBytes(benchmark::State& state) {
    std::vector<std::uint8_t> bytes(1920 * 3 * 1080, 0x5a);
    for (auto _ : state) {
        orlisk::BlurBytes(bytes.data(), 1920 * 3, 1080);
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<long>(bytes.size()));
}
BENCHMARK(BM_BlurBytes)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
