#pragma once

// Byte builders for tag fixtures: ID3v1 records, ID3v2 headers and frames of versions 2.2 to 2.4,
// APE tag footers.
// Everything is a std::string of raw bytes, like the core's texts.

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace testsupport {

// A 128-byte ID3v1 record. With track > 0 the ID3v1.1 layout is used (byte 125 zero,
// byte 126 the track); comment bytes beyond the field are cut.
inline std::string Id3v1Record(std::string_view title = {}, std::string_view artist = {},
                               std::string_view album = {}, std::string_view year = {},
                               std::string_view comment = {}, uint8_t track = 0,
                               uint8_t genre = 255) {
    std::string r(128, '\0');
    r.replace(0, 3, "TAG");
    auto put = [&r](size_t at, size_t cap, std::string_view s) {
        r.replace(at, std::min(cap, s.size()), s.substr(0, cap));
    };
    put(3, 30, title);
    put(33, 30, artist);
    put(63, 30, album);
    put(93, 4, year);
    put(97, 30, comment);
    if (track > 0) {
        r[125] = '\0';
        r[126] = static_cast<char>(track);
    }
    r[127] = static_cast<char>(genre);
    return r;
}

// Four bytes of 7 bits each, most significant first.
inline std::string SyncSafe(uint32_t value) {
    std::string s(4, '\0');
    s[0] = static_cast<char>((value >> 21) & 0x7F);
    s[1] = static_cast<char>((value >> 14) & 0x7F);
    s[2] = static_cast<char>((value >> 7) & 0x7F);
    s[3] = static_cast<char>(value & 0x7F);
    return s;
}

inline std::string BigEndian32(uint32_t value) {
    std::string s(4, '\0');
    s[0] = static_cast<char>(value >> 24);
    s[1] = static_cast<char>(value >> 16);
    s[2] = static_cast<char>(value >> 8);
    s[3] = static_cast<char>(value);
    return s;
}

// The 10-byte ID3v2 header; tagSize excludes the header itself.
inline std::string Id3v2Header(uint32_t tagSize, uint8_t major = 3, uint8_t revision = 0,
                               uint8_t flags = 0) {
    std::string h = "ID3";
    h += static_cast<char>(major);
    h += static_cast<char>(revision);
    h += static_cast<char>(flags);
    h += SyncSafe(tagSize);
    return h;
}

// A v2.3 frame with raw content; contentSize overrides the stored size when given.
inline std::string Frame23(std::string_view id, std::string_view content,
                           int64_t contentSize = -1) {
    std::string f(id.substr(0, 4));
    f.resize(4, ' ');
    f += BigEndian32(static_cast<uint32_t>(
        contentSize >= 0 ? contentSize : static_cast<int64_t>(content.size())));
    f += std::string(2, '\0');
    f += content;
    return f;
}

// A v2.3 text frame: encoding byte 0, then the text.
inline std::string TextFrame23(std::string_view id, std::string_view text) {
    return Frame23(id, std::string(1, '\0') + std::string(text));
}

// UTF-16 units as bytes. bom: write a byte-order mark first.
inline std::string Utf16Bytes(std::u16string_view text, bool bigEndian = false, bool bom = true) {
    std::string s;
    auto unit = [&](char16_t u) {
        const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
        if (bigEndian) {
            s += hi;
            s += lo;
        } else {
            s += lo;
            s += hi;
        }
    };
    if (bom)
        unit(u'\xFEFF');
    for (char16_t u : text)
        unit(u);
    return s;
}

// A v2.3 text frame in UTF-16 with BOM (encoding 1), optionally with a terminator.
inline std::string Utf16TextFrame23(std::string_view id, std::u16string_view text,
                                    bool bigEndian = false, bool terminator = false) {
    std::string content(1, '\x01');
    content += Utf16Bytes(text, bigEndian, true);
    if (terminator)
        content += std::string(2, '\0');
    return Frame23(id, content);
}

// A frame of any version: v2.2 has a 3-letter identifier and a 3-byte size, v2.4 a synchsafe
// size; flags are the two flag bytes of v2.3 and v2.4.
inline std::string FrameV(uint8_t major, std::string_view id, std::string_view content,
                          uint16_t flags = 0) {
    if (major == 2) {
        std::string f(id.substr(0, 3));
        f += BigEndian32(static_cast<uint32_t>(content.size())).substr(1);
        return f + std::string(content);
    }
    std::string f(id.substr(0, 4));
    f += major == 4 ? SyncSafe(static_cast<uint32_t>(content.size()))
                    : BigEndian32(static_cast<uint32_t>(content.size()));
    f += static_cast<char>(flags >> 8);
    f += static_cast<char>(flags & 0xFF);
    return f + std::string(content);
}

// Unsynchronisation: a zero byte behind every 0xFF that is followed by 0x00 or 0xE0..0xFF, or
// ends the bytes.
inline std::string Unsynchronised(std::string_view bytes) {
    std::string out;
    for (size_t i = 0; i < bytes.size(); ++i) {
        out += bytes[i];
        if (bytes[i] == '\xFF' && (i + 1 == bytes.size() || bytes[i + 1] == '\0' ||
                                   (static_cast<unsigned char>(bytes[i + 1]) & 0xE0) == 0xE0))
            out += '\0';
    }
    return out;
}

// A 32-byte APEv2 footer for a tag of tagSize bytes (items and footer), with a header when
// withHeader (the header's bytes are the caller's).
inline std::string ApeFooter(uint32_t tagSize, bool withHeader) {
    std::string f = "APETAGEX";
    const auto le = [&f](uint32_t v) {
        for (int shift : {0, 8, 16, 24})
            f += static_cast<char>((v >> shift) & 0xFF);
    };
    le(2000);
    le(tagSize);
    le(1);
    le(withHeader ? 0x80000000u : 0);
    return f + std::string(8, '\0');
}

// A whole v2.3 tag: header + frames + padding zero bytes.
inline std::string Id3v2Tag(std::initializer_list<std::string> frames, size_t padding = 0,
                            uint8_t major = 3) {
    std::string body;
    for (const auto& f : frames)
        body += f;
    body += std::string(padding, '\0');
    return Id3v2Header(static_cast<uint32_t>(body.size()), major) + body;
}

} // namespace testsupport
