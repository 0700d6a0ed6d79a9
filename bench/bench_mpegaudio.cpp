// Time to analyse one file whose bytes are in the page cache: both tags, a Xing-less CBR
// stream, so every read of the analysis happens (head, tag frames, frame search, tail).

#include <cstdlib>
#include <fstream>
#include <string>

#include <unistd.h>

#include <benchmark/benchmark.h>

#include "MPEGaudio.h"

namespace {

std::string SyncSafe(uint32_t v) {
    return {static_cast<char>((v >> 21) & 0x7F), static_cast<char>((v >> 14) & 0x7F),
            static_cast<char>((v >> 7) & 0x7F), static_cast<char>(v & 0x7F)};
}

std::string TextFrame(const char* id, const std::string& text) {
    const uint32_t size = static_cast<uint32_t>(text.size() + 1);
    std::string f(id, 4);
    f += {static_cast<char>(size >> 24),
          static_cast<char>(size >> 16),
          static_cast<char>(size >> 8),
          static_cast<char>(size),
          0,
          0,
          0};
    return f + text;
}

// A 4 MB file: a v2.3 tag with five frames and 2 KB of padding, 128 kbit/s frames, a v1 tag.
std::string SampleFile() {
    std::string frames = TextFrame("TIT2", "A Title") + TextFrame("TPE1", "An Artist") +
                         TextFrame("TALB", "An Album") + TextFrame("TRCK", "3/12") +
                         TextFrame("TCON", "(17)Rock");
    frames += std::string(2048, '\0');
    std::string file = "ID3\x03";
    file += std::string(2, '\0') + SyncSafe(static_cast<uint32_t>(frames.size())) + frames;
    std::string frame = "\xFF\xFB\x90\x64";
    frame += std::string(413, '\x55');
    while (file.size() < 4'000'000)
        file += frame;
    std::string v1(128, '\0');
    v1.replace(0, 8, "TAGTitle");
    v1[127] = 17;
    return file + v1;
}

class Sample {
public:
    Sample() {
        char folder[] = "/tmp/audrel-bench-XXXXXX";
        if (!::mkdtemp(folder))
            std::abort();
        m_folder = folder;
        path = m_folder + "/sample.mp3";
        std::ofstream(path, std::ios::binary) << SampleFile();
    }
    ~Sample() {
        ::unlink(path.c_str());
        ::rmdir(m_folder.c_str());
    }
    std::string path;

private:
    std::string m_folder;
};

void BM_ReadFromFile(benchmark::State& state) {
    static const Sample sample;
    TMPEGaudio audio;
    if (!audio.ReadFromFile(sample.path) || !audio.Valid()) // also warms the page cache
        state.SkipWithError("sample not analysed");
    for (auto _ : state) {
        benchmark::DoNotOptimize(audio.ReadFromFile(sample.path));
        benchmark::DoNotOptimize(audio.Duration());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ReadFromFile)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
