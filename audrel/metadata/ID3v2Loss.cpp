#include "ID3v2Loss.h"

#include <cstring>

#include "FileIO.h"
#include "FileReader.h"
#include "ID3v2Frames.h"

TID3v2Loss SurveyID3v2Loss(const TID3v2::ReadAt& read, int64_t fileSize) {
    TID3v2Loss loss;
    uint8_t header[id3v2::HeaderSize];
    if (read(0, header, sizeof header) != static_cast<int64_t>(sizeof header) ||
        std::memcmp(header, "ID3", 3) != 0)
        return loss;
    const int64_t declared = TID3v2::DeclaredSize(header, fileSize);
    // A size beyond the file keeps the whole old file, tag included, behind the new tag.
    if (declared == 0)
        return loss;
    loss.Version = header[3];
    id3v2::TagFrames tag;
    if (!id3v2::Locate(header, declared, read, tag)) {
        loss.ReplacedWhole = true;
        return loss;
    }
    if (tag.version != 2)
        return loss;
    id3v2::Walk(tag, tag.Reader(read), [&loss](const id3v2::FrameRef& f) {
        if (id3v2::Id23Of22(f.Id()).empty())
            ++loss.DroppedFrames;
        return true;
    });
    return loss;
}

TID3v2Loss SurveyID3v2Loss(std::string_view bytes, int64_t fileSize) {
    return SurveyID3v2Loss(
        [bytes](int64_t offset, void* dst, size_t n) {
            return fileio::ReadFromBytes(bytes, offset, dst, n);
        },
        fileSize);
}

TID3v2Loss SurveyID3v2Loss(const std::string& fileName) {
    TFileReader file;
    if (!file.Open(fileName))
        return {};
    return SurveyID3v2Loss(
        [&file](int64_t offset, void* dst, size_t n) { return file.ReadAt(offset, dst, n); },
        file.Size());
}
