#include "ID3v2Loss.h"

#include <algorithm>
#include <cstring>
#include <map>

#include "FileReader.h"

namespace {

constexpr int64_t HeaderSize = 10;
constexpr int64_t FrameHeaderSize = 10;
constexpr uint8_t ExtendedHeaderFlag = 0x40;

uint32_t BigEndian32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

bool IsFrameIdChar(uint8_t ch) {
    return (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9');
}

} // namespace

TID3v2Loss SurveyID3v2Loss(const TID3v2::ReadAt& read, int64_t fileSize) {
    TID3v2Loss loss;
    uint8_t header[HeaderSize];
    if (read(0, header, HeaderSize) != HeaderSize || std::memcmp(header, "ID3", 3) != 0)
        return loss;
    const int64_t declared = TID3v2::DeclaredSize(header, fileSize);
    // A size beyond the file keeps the whole old file, tag included, behind the new tag.
    if (declared == 0)
        return loss;
    loss.Version = header[3];
    if (loss.Version != 3)
        return loss;

    // Where the reader took each of the twelve from: the last frame of its kind it met.
    std::map<std::string, int64_t, std::less<>> shown;
    TID3v2::WalkFrames(read, fileSize, declared,
                       [&shown](std::string_view id, int64_t offset, std::string_view) {
                           if (std::find(TID3v2::FrameIDs.begin(), TID3v2::FrameIDs.end(), id) !=
                               TID3v2::FrameIDs.end())
                               shown[std::string(id)] = offset;
                       });

    // The frames the tag really holds: behind an extended header, up to the padding.
    int64_t pos = HeaderSize;
    if (header[5] & ExtendedHeaderFlag) {
        uint8_t size[4];
        if (read(pos, size, 4) != 4)
            return loss;
        pos += 4 + static_cast<int64_t>(BigEndian32(size));
    }
    while (pos + FrameHeaderSize <= declared) {
        uint8_t frame[FrameHeaderSize];
        if (read(pos, frame, FrameHeaderSize) != FrameHeaderSize ||
            !std::all_of(frame, frame + 4, IsFrameIdChar))
            break;
        const std::string_view id(reinterpret_cast<const char*>(frame), 4);
        const auto kept = shown.find(id);
        if (kept == shown.end() || kept->second != pos) {
            ++loss.DroppedFrames;
            loss.DroppedPicture = loss.DroppedPicture || id == "APIC";
        }
        pos += FrameHeaderSize + static_cast<int64_t>(BigEndian32(frame + 4));
    }
    return loss;
}

TID3v2Loss SurveyID3v2Loss(std::string_view bytes, int64_t fileSize) {
    return SurveyID3v2Loss(
        [bytes](int64_t offset, void* dst, size_t n) -> int64_t {
            if (offset < 0)
                return -1;
            if (static_cast<uint64_t>(offset) >= bytes.size())
                return 0;
            const size_t count = std::min(n, bytes.size() - static_cast<size_t>(offset));
            std::memcpy(dst, bytes.data() + offset, count);
            return static_cast<int64_t>(count);
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
