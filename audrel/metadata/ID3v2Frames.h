#pragma once

// The frame layer of ID3v2 tags of versions 2.2, 2.3 and 2.4: where the frames of a tag lie
// (behind an extended header, with the tag's unsynchronisation undone), the walk over them,
// and the payload of one frame. Reading goes through a ReadAt, so the same code serves a file
// and a tag held in memory.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace id3v2 {

// Reads up to n bytes at an offset; the count read, or -1.
using ReadAt = std::function<int64_t(int64_t offset, void* dst, size_t n)>;

constexpr size_t HeaderSize = 10;

// Where the frames of one tag lie.
struct TagFrames {
    uint8_t version = 0;
    // Version 2.4 with the header's unsynchronisation flag: every frame is unsynchronised.
    bool headerUnsync = false;
    // Version 2.4 frame sizes written as plain 32-bit numbers, as some writers did.
    bool plainSizes = false;
    // The tag (header included) with its unsynchronisation undone, for a 2.2 or 2.3 tag that
    // has one; offsets then count in here. Empty otherwise: offsets count in the file.
    std::string decoded;
    int64_t start = 0, end = 0; // the frames' range, behind any extended header

    // The tag's bytes through the file's reader or from the decoded copy.
    ReadAt Reader(const ReadAt& file) const;
};

// The frames of a tag of declaredSize bytes (header and footer included) whose 10 header bytes
// are given; false for a tag whose frames cannot be read (another version, a compressed 2.2 tag,
// a failed read).
bool Locate(const uint8_t* header, int64_t declaredSize, const ReadAt& file, TagFrames& out);

// One frame as stored.
struct FrameRef {
    char idBytes[4] = {};
    size_t idSize = 4;      // 3 in version 2.2
    int64_t offset = 0;     // of its header
    size_t headerSize = 10; // 6 in version 2.2
    uint32_t size = 0;      // content bytes as stored
    uint16_t flags = 0;     // the two flag bytes (none in version 2.2)

    std::string_view Id() const { return {idBytes, idSize}; }
    int64_t ContentOffset() const { return offset + static_cast<int64_t>(headerSize); }
};

// Calls visit for each frame in order, up to padding (an identifier that does not start with a
// letter A to Z, or in 2.4 is not four letters or digits), a frame that runs past the tag, a
// failed read, or a false from visit.
void Walk(const TagFrames& tag, const ReadAt& read,
          const std::function<bool(const FrameRef&)>& visit);

// Turns a frame's stored content into its payload: group and length bytes taken off and a 2.4
// frame's unsynchronisation undone. False for a compressed or encrypted frame.
bool ToPayload(const TagFrames& tag, const FrameRef& frame, std::string& content);

// Undoes unsynchronisation: every 0xFF 0x00 becomes 0xFF.
std::string RemoveUnsync(std::string_view bytes);

// The 2.3 identifier of a 2.2 frame, or empty when the frame has no 2.3 form.
std::string_view Id23Of22(std::string_view id22);

// A 2.2 frame's payload in its 2.3 form (a PIC becomes an APIC payload; the others are alike).
std::string Payload23Of22(std::string_view id22, std::string_view payload);

// Sizes as tags store them.
uint32_t BigEndian(const uint8_t* p, size_t n);
uint32_t SyncSafe(const uint8_t* p);
void AppendBigEndian32(std::string& out, uint32_t value);
void AppendSyncSafe(std::string& out, uint32_t value);

} // namespace id3v2
