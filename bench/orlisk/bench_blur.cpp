// The blur of one new 1920 x 1080 camera picture, as the picture timer runs it: the decoded
// picture (32-bit, as the picture loader delivers a JPEG) is converted to a 24-bit bitmap and
// swept in place.
#include "viewer/Blur.h"

#include <QImage>
#include <QRandomGenerator>

#include <benchmark/benchmark.h>

#include <ctime>
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

// The CPU time of this thread, which other programs on a busy machine do not stretch.
double ThreadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Conversion included: every iteration starts from a fresh 32-bit copy, and only the blur's
// call is timed, by the thread's CPU time (the blur runs on this thread alone).
void BM_BlurPicture(benchmark::State& state) {
    const QImage decoded = FullHdPicture();
    for (auto _ : state) {
        QImage picture = decoded.copy();
        const double start = ThreadSeconds();
        orlisk::BlurPicture(picture);
        benchmark::DoNotOptimize(picture.constBits());
        state.SetIterationTime(ThreadSeconds() - start);
    }
    state.SetBytesProcessed(state.iterations() * decoded.sizeInBytes());
}
BENCHMARK(BM_BlurPicture)->UseManualTime()->Unit(benchmark::kMillisecond);

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
