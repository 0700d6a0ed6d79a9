#pragma once

// Byte builders for MPEG audio fixtures: frame headers, frames, and Xing / VBRI headers.
// Everything is a std::string of raw bytes.

#include <cstdint>
#include <string>
#include <string_view>

#include "support/TagBytes.h"

namespace testsupport {

// The fields of a 4-byte frame header. The defaults are MPEG 1 Layer III, 128 kbit/s,
// 44100 Hz, stereo, no CRC: a frame of 417 bytes.
struct MpegHeaderFields {
    uint8_t version = 3; // 0 MPEG 2.5, 1 reserved, 2 MPEG 2, 3 MPEG 1
    uint8_t layer = 1;   // 0 reserved, 1 Layer III, 2 Layer II, 3 Layer I
    bool crc = false;    // stored as a protection bit of 0
    uint8_t bitRateIndex = 9;
    uint8_t sampleRateIndex = 0;
    bool padded = false;
    bool privateBit = false;
    uint8_t mode = 0; // 0 stereo, 1 joint stereo, 2 dual channel, 3 mono
    uint8_t modeExtension = 0;
    bool copyright = false;
    bool original = false;
    uint8_t emphasis = 0;
};

inline std::string MpegHeader(const MpegHeaderFields& s) {
    std::string h(4, '\0');
    h[0] = '\xFF';
    h[1] = static_cast<char>(0xE0 | (s.version & 3) << 3 | (s.layer & 3) << 1 | (s.crc ? 0 : 1));
    h[2] = static_cast<char>((s.bitRateIndex & 15) << 4 | (s.sampleRateIndex & 3) << 2 |
                             (s.padded ? 2 : 0) | (s.privateBit ? 1 : 0));
    h[3] = static_cast<char>((s.mode & 3) << 6 | (s.modeExtension & 3) << 4 |
                             (s.copyright ? 8 : 0) | (s.original ? 4 : 0) | (s.emphasis & 3));
    return h;
}

// A frame of the given total length: the header, then filler bytes (0x55 never looks like a
// sync byte; pass 0 for a frame whose side information is all zero).
inline std::string MpegFrame(const MpegHeaderFields& s, size_t length, char filler = 0x55) {
    std::string f = MpegHeader(s);
    if (length > f.size())
        f.append(length - f.size(), filler);
    return f;
}

// count frames of one length back to back.
inline std::string MpegFrames(const MpegHeaderFields& s, size_t length, size_t count,
                              char filler = 0x55) {
    std::string out;
    for (size_t i = 0; i < count; ++i)
        out += MpegFrame(s, length, filler);
    return out;
}

// A Xing header: "Xing", flags (frames, bytes, TOC, quality), frame and byte counts, a
// 100-byte table of contents, the 4-byte quality field and 8 encoder characters.
inline std::string XingHeader(uint32_t frames, uint32_t bytes, uint8_t quality = 78,
                              std::string_view vendor = "LAME3.99", std::string_view tag = "Xing") {
    std::string h(tag);
    h += BigEndian32(0x0F);
    h += BigEndian32(frames);
    h += BigEndian32(bytes);
    for (int i = 0; i < 100; ++i)
        h += static_cast<char>(i * 255 / 100);
    h += BigEndian32(quality);
    std::string v(vendor.substr(0, 8));
    v.resize(8, '\0');
    return h + v;
}

// A VBRI header: "VBRI", version 1, delay, quality, byte and frame counts (no seek table).
inline std::string VbriHeader(uint32_t frames, uint32_t bytes, uint8_t quality = 75) {
    std::string h = "VBRI";
    h += '\0';
    h += '\x01';
    h += std::string("\x04\x5C", 2); // delay
    h += '\0';
    h += static_cast<char>(quality);
    h += BigEndian32(bytes);
    h += BigEndian32(frames);
    h += std::string(8, '\0'); // table size, scale, entry size, frames per entry
    return h;
}

// A frame carrying a VBR header at the given offset behind its first byte.
inline std::string MpegFrameWithVbr(const MpegHeaderFields& s, size_t length, size_t vbrOffset,
                                    const std::string& vbr) {
    std::string f = MpegFrame(s, length, '\0');
    if (f.size() < vbrOffset + vbr.size())
        f.resize(vbrOffset + vbr.size(), '\0');
    f.replace(vbrOffset, vbr.size(), vbr);
    return f;
}

} // namespace testsupport
