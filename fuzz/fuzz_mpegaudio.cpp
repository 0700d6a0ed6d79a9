// Analyses a file holding the input, and checks that the tags read within the analysis (one
// open file shared by all readers) equal the tags read on their own.

#include <cstdint>

#include "FuzzFile.h"
#include "MPEGaudio.h"

namespace {

bool SameV1(const TID3v1& a, const TID3v1& b) {
    return a.Exists() == b.Exists() && a.Version() == b.Version() && a.Title() == b.Title() &&
           a.Artist() == b.Artist() && a.Album() == b.Album() && a.Year() == b.Year() &&
           a.Comment() == b.Comment() && a.Track() == b.Track() && a.GenreIndex() == b.GenreIndex();
}

bool SameV2(const TID3v2& a, const TID3v2& b) {
    return a.Exists() == b.Exists() && a.Version() == b.Version() && a.Size() == b.Size() &&
           a.Title() == b.Title() && a.Artist() == b.Artist() && a.Album() == b.Album() &&
           a.Track() == b.Track() && a.Year() == b.Year() && a.Genre() == b.Genre() &&
           a.Comment() == b.Comment() && a.Composer() == b.Composer() &&
           a.EncodedBy() == b.EncodedBy() && a.Copyright() == b.Copyright() &&
           a.Language() == b.Language() && a.URL() == b.URL();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = fuzzfile::Path("audio.mp3");
    fuzzfile::Write(path, data, size);
    TMPEGaudio audio;
    audio.ReadFromFile(path);

    const FrameInfo& frame = audio.Frame();
    (void)audio.Version(), (void)audio.Layer(), (void)audio.ChannelMode(), (void)audio.Emphasis();
    (void)audio.SampleRate(), (void)audio.Encoder();
    const uint16_t bitRate = audio.BitRate();
    const double duration = audio.Duration();
    if (audio.EncoderID() > 6)
        std::abort();
    if (audio.Valid() && (bitRate < 8 || bitRate > 448 || !(duration >= 0.1)))
        std::abort();
    if (!frame.Found) {
        if (audio.FileLength() != 0 || audio.ID3v1().Exists() || audio.ID3v2().Exists() ||
            audio.Valid() || audio.VBR().Found)
            std::abort();
        return 0;
    }
    if (frame.Offset < 0 || frame.Offset >= 1730 || frame.FrameSize == 0 ||
        audio.FileLength() != static_cast<int64_t>(size))
        std::abort();

    TID3v1 v1;
    TID3v2 v2;
    v1.ReadFromFile(path);
    v2.ReadFromFile(path);
    if (!SameV1(v1, audio.ID3v1()) || !SameV2(v2, audio.ID3v2()))
        std::abort();
    return 0;
}
