#include "ID3v2Frames.h"

#include <algorithm>
#include <cctype>

#include "FileIO.h"

namespace id3v2 {

namespace {

constexpr uint8_t FlagUnsync = 0x80, FlagExtended = 0x40, FlagCompressed22 = 0x40,
                  FlagFooter = 0x10;
// Frame flags, as the two bytes read big-endian.
constexpr uint16_t Compressed23 = 0x0080, Encrypted23 = 0x0040, Grouped23 = 0x0020;
constexpr uint16_t Grouped24 = 0x0040, Compressed24 = 0x0008, Encrypted24 = 0x0004,
                   Unsync24 = 0x0002, LengthIndicator24 = 0x0001;

struct IdPair {
    std::string_view v22, v23;
};

// Every 2.2 frame with a 2.3 form, including the ones iTunes added.
constexpr IdPair Ids22[] = {
    {"BUF", "RBUF"}, {"CNT", "PCNT"}, {"COM", "COMM"}, {"CRA", "AENC"}, {"ETC", "ETCO"},
    {"EQU", "EQUA"}, {"GEO", "GEOB"}, {"IPL", "IPLS"}, {"MCI", "MCDI"}, {"MLL", "MLLT"},
    {"PIC", "APIC"}, {"POP", "POPM"}, {"REV", "RVRB"}, {"RVA", "RVAD"}, {"SLT", "SYLT"},
    {"STC", "SYTC"}, {"TAL", "TALB"}, {"TBP", "TBPM"}, {"TCM", "TCOM"}, {"TCO", "TCON"},
    {"TCP", "TCMP"}, {"TCR", "TCOP"}, {"TDA", "TDAT"}, {"TDY", "TDLY"}, {"TEN", "TENC"},
    {"TFT", "TFLT"}, {"TIM", "TIME"}, {"TKE", "TKEY"}, {"TLA", "TLAN"}, {"TLE", "TLEN"},
    {"TMT", "TMED"}, {"TOA", "TOPE"}, {"TOF", "TOFN"}, {"TOL", "TOLY"}, {"TOR", "TORY"},
    {"TOT", "TOAL"}, {"TP1", "TPE1"}, {"TP2", "TPE2"}, {"TP3", "TPE3"}, {"TP4", "TPE4"},
    {"TPA", "TPOS"}, {"TPB", "TPUB"}, {"TRC", "TSRC"}, {"TRD", "TRDA"}, {"TRK", "TRCK"},
    {"TS2", "TSO2"}, {"TSA", "TSOA"}, {"TSC", "TSOC"}, {"TSI", "TSIZ"}, {"TSP", "TSOP"},
    {"TSS", "TSSE"}, {"TST", "TSOT"}, {"TT1", "TIT1"}, {"TT2", "TIT2"}, {"TT3", "TIT3"},
    {"TXT", "TEXT"}, {"TXX", "TXXX"}, {"TYE", "TYER"}, {"UFI", "UFID"}, {"ULT", "USLT"},
    {"WAF", "WOAF"}, {"WAR", "WOAR"}, {"WAS", "WOAS"}, {"WCM", "WCOM"}, {"WCP", "WCOP"},
    {"WPB", "WPUB"}, {"WXX", "WXXX"}, {"PCS", "PCST"}, {"TCT", "TCAT"}, {"TDS", "TDES"},
    {"TID", "TGID"},
};

} // namespace

uint32_t BigEndian(const uint8_t* p, size_t n) {
    uint32_t v = 0;
    for (size_t i = 0; i < n; ++i)
        v = (v << 8) | p[i];
    return v;
}

uint32_t SyncSafe(const uint8_t* p) {
    return (uint32_t{p[0] & 0x7Fu} << 21) | (uint32_t{p[1] & 0x7Fu} << 14) |
           (uint32_t{p[2] & 0x7Fu} << 7) | (p[3] & 0x7Fu);
}

void AppendBigEndian32(std::string& out, uint32_t value) {
    for (int shift : {24, 16, 8, 0})
        out += static_cast<char>((value >> shift) & 0xFF);
}

void AppendSyncSafe(std::string& out, uint32_t value) {
    for (int shift : {21, 14, 7, 0})
        out += static_cast<char>((value >> shift) & 0x7F);
}

std::string RemoveUnsync(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) {
        out += bytes[i];
        if (bytes[i] == '\xFF' && i + 1 < bytes.size() && bytes[i + 1] == '\0')
            ++i;
    }
    return out;
}

ReadAt TagFrames::Reader(const ReadAt& file) const {
    if (decoded.empty())
        return file;
    return [this](int64_t offset, void* dst, size_t n) {
        return fileio::ReadFromBytes(decoded, offset, dst, n);
    };
}

namespace {

bool IsIdChar(uint8_t c) {
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// True when the frame headers of a 2.4 tag, read with plain or synchsafe sizes, lead from the
// first frame to padding or to the end of the tag.
bool WalksClean(const TagFrames& tag, const ReadAt& read, bool plain) {
    for (int64_t pos = tag.start; pos + 10 <= tag.end;) {
        uint8_t h[10];
        if (read(pos, h, 10) != 10)
            return false;
        if (h[0] == 0)
            return true;
        if (!std::all_of(h, h + 4, IsIdChar))
            return false;
        const uint32_t size = plain ? BigEndian(h + 4, 4) : SyncSafe(h + 4);
        if (size > static_cast<uint64_t>(tag.end - pos - 10))
            return false;
        pos += 10 + static_cast<int64_t>(size);
    }
    return true;
}

} // namespace

bool Locate(const uint8_t* header, int64_t declaredSize, const ReadAt& file, TagFrames& out) {
    out = TagFrames();
    const uint8_t version = header[3], flags = header[5];
    if (version < 2 || version > 4 || (version == 2 && (flags & FlagCompressed22)) ||
        declaredSize < static_cast<int64_t>(HeaderSize))
        return false;
    out.version = version;
    out.start = HeaderSize;
    out.end = declaredSize;
    if (version == 4 && (flags & FlagFooter))
        out.end = std::max<int64_t>(out.start, out.end - static_cast<int64_t>(HeaderSize));
    if (version < 4 && (flags & FlagUnsync)) {
        std::string raw(static_cast<size_t>(out.end) - HeaderSize, '\0');
        if (file(HeaderSize, raw.data(), raw.size()) != static_cast<int64_t>(raw.size()))
            return false;
        out.decoded.assign(reinterpret_cast<const char*>(header), HeaderSize);
        out.decoded += RemoveUnsync(raw);
        out.end = static_cast<int64_t>(out.decoded.size());
    }
    out.headerUnsync = version == 4 && (flags & FlagUnsync);
    if (version >= 3 && (flags & FlagExtended)) {
        uint8_t size[4];
        if (out.Reader(file)(out.start, size, 4) != 4)
            return false;
        // Version 2.3 counts the bytes behind the size field, 2.4 the whole extended header.
        out.start += version == 3 ? 4 + int64_t{BigEndian(size, 4)} : int64_t{SyncSafe(size)};
        out.start = std::min(out.start, out.end);
    }
    if (version == 4) {
        const ReadAt frames = out.Reader(file);
        out.plainSizes = !WalksClean(out, frames, false) && WalksClean(out, frames, true);
    }
    return true;
}

void Walk(const TagFrames& tag, const ReadAt& read,
          const std::function<bool(const FrameRef&)>& visit) {
    const bool v22 = tag.version == 2;
    FrameRef f;
    f.idSize = v22 ? 3 : 4;
    f.headerSize = v22 ? 6 : 10;
    for (int64_t pos = tag.start; pos + static_cast<int64_t>(f.headerSize) <= tag.end;) {
        uint8_t h[10];
        // A 2.4 identifier of other characters than letters and digits is garbage as well, as
        // the size guess takes it, so a tag written anew reads as the old one did.
        if (read(pos, h, f.headerSize) != static_cast<int64_t>(f.headerSize) || h[0] < 'A' ||
            h[0] > 'Z' || (tag.version == 4 && !std::all_of(h, h + 4, IsIdChar)))
            return;
        std::copy(h, h + f.idSize, f.idBytes);
        f.offset = pos;
        if (v22) {
            f.size = BigEndian(h + 3, 3);
            f.flags = 0;
        } else {
            // Version 2.4 sizes are synchsafe; some writers put plain ones there all the same,
            // which shows as a set top bit or as frames that only line up when read so.
            const bool plain =
                tag.version == 3 || tag.plainSizes || ((h[4] | h[5] | h[6] | h[7]) & 0x80) != 0;
            f.size = plain ? BigEndian(h + 4, 4) : SyncSafe(h + 4);
            f.flags = static_cast<uint16_t>(BigEndian(h + 8, 2));
        }
        if (f.size > static_cast<uint64_t>(tag.end - f.ContentOffset()) || !visit(f))
            return;
        pos = f.ContentOffset() + static_cast<int64_t>(f.size);
    }
}

bool ToPayload(const TagFrames& tag, const FrameRef& frame, std::string& content) {
    size_t skip = 0;
    if (tag.version == 3) {
        if (frame.flags & (Compressed23 | Encrypted23))
            return false;
        skip = (frame.flags & Grouped23) ? 1 : 0;
    } else if (tag.version == 4) {
        if (frame.flags & (Compressed24 | Encrypted24))
            return false;
        skip = ((frame.flags & Grouped24) ? 1 : 0) + ((frame.flags & LengthIndicator24) ? 4 : 0);
    }
    content.erase(0, std::min(skip, content.size()));
    if (tag.version == 4 && (tag.headerUnsync || (frame.flags & Unsync24)))
        content = RemoveUnsync(content);
    return true;
}

std::string_view Id23Of22(std::string_view id22) {
    const auto it = std::find_if(std::begin(Ids22), std::end(Ids22),
                                 [id22](const IdPair& p) { return p.v22 == id22; });
    return it == std::end(Ids22) ? std::string_view() : it->v23;
}

std::string Payload23Of22(std::string_view id22, std::string_view payload) {
    if (id22 != "PIC")
        return std::string(payload);
    // Encoding, a three-letter image format, then type, description and data as in an APIC.
    std::string format(payload.substr(std::min<size_t>(1, payload.size()), 3));
    for (char& c : format)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::string out(payload.substr(0, 1));
    out += format == "jpg" ? "image/jpeg" : "image/" + format;
    out += '\0';
    out += payload.substr(std::min<size_t>(4, payload.size()));
    return out;
}

} // namespace id3v2
