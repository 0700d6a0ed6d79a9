#include "ID3v2.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "CodePage.h"
#include "FileIO.h"
#include "FileReader.h"
#include "ID3v2Frames.h"

namespace {

using Field = TID3v2::Field;
using id3v2::HeaderSize;

constexpr size_t SlotTrack = 3, SlotYear = 4, SlotGenre = 5, SlotComment = 6, SlotURL = 11;
constexpr std::array<std::string_view, TID3v2::FrameCount> FrameIDs22 = {
    "TT2", "TP1", "TAL", "TRK", "TYE", "TCO", "COM", "TCM", "TEN", "TCR", "TLA", "WXX"};
constexpr uint8_t Latin1 = 0, Utf16 = 1, Utf16BE = 2, Utf8 = 3;

bool IsBlank(char ch) {
    return static_cast<unsigned char>(ch) <= 32;
}

// The field a frame of a tag version holds, or -1. Version 2.4 keeps the year in TDRC.
int SlotOf(uint8_t version, std::string_view id) {
    if (version == 4 && (id == "TDRC" || id == "TYER"))
        return id == "TDRC" ? static_cast<int>(SlotYear) : -1;
    const auto& ids = version == 2 ? FrameIDs22 : TID3v2::FrameIDs;
    const auto it = std::find(ids.begin(), ids.end(), id);
    return it == ids.end() ? -1 : static_cast<int>(it - ids.begin());
}

std::string_view IdOfSlot(uint8_t version, size_t slot) {
    return version == 4 && slot == SlotYear ? std::string_view("TDRC") : TID3v2::FrameIDs[slot];
}

bool IsUnicode(uint8_t encoding) {
    return encoding == Utf16 || encoding == Utf16BE || encoding == Utf8;
}

bool IsAscii(std::string_view bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return (c & 0x80) == 0; });
}

// UTF-8 as it is when well formed; otherwise with U+FFFD for each malformed byte.
std::string ValidUtf8(std::string_view bytes) {
    if (IsAscii(bytes))
        return std::string(bytes);
    std::string out;
    for (char32_t ch : CodePage::Utf8ToCodePoints(bytes))
        CodePage::AppendUtf8(out, ch);
    return out;
}

// One encoded string of a frame, up to its terminator (or the end of the bytes).
struct Decoded {
    std::string utf8;
    size_t consumed = 0; // bytes used, terminator included
    bool terminated = false;
};

Decoded DecodeOne(std::string_view bytes, uint8_t encoding) {
    Decoded d;
    if (encoding == Utf8) {
        const size_t zero = bytes.find('\0');
        d.terminated = zero != std::string_view::npos;
        d.consumed = d.terminated ? zero + 1 : bytes.size();
        d.utf8 = ValidUtf8(bytes.substr(0, zero));
        return d;
    }
    // UTF-16: the byte-order mark decides; without one encoding 1 is little-endian and
    // encoding 2 (UTF-16BE) big-endian.
    bool bigEndian = encoding == Utf16BE;
    size_t i = 0;
    if (bytes.size() >= 2) {
        const auto b0 = static_cast<unsigned char>(bytes[0]);
        const auto b1 = static_cast<unsigned char>(bytes[1]);
        if ((b0 == 0xFF && b1 == 0xFE) || (b0 == 0xFE && b1 == 0xFF)) {
            bigEndian = b0 == 0xFE;
            i = 2;
        }
    }
    std::u16string units;
    for (; i + 1 < bytes.size(); i += 2) {
        const auto hi = static_cast<unsigned char>(bytes[bigEndian ? i : i + 1]);
        const auto lo = static_cast<unsigned char>(bytes[bigEndian ? i + 1 : i]);
        const auto unit = static_cast<char16_t>((hi << 8) | lo);
        if (unit == 0) {
            d.terminated = true;
            i += 2;
            break;
        }
        units += unit;
    }
    d.consumed = std::min(i, bytes.size());
    d.utf8 = CodePage::Utf16ToUtf8(units);
    return d;
}

std::string JoinValues(std::vector<std::string> values) {
    // A terminator behind the last value is no value of its own.
    while (!values.empty() && values.back().empty())
        values.pop_back();
    std::string out;
    for (size_t i = 0; i < values.size(); ++i)
        out += (i ? "/" : "") + values[i];
    return out;
}

// Every string of an encoded text, joined with "/".
std::string DecodeAll(std::string_view bytes, uint8_t encoding) {
    Decoded first = DecodeOne(bytes, encoding);
    if (first.consumed == bytes.size() || first.consumed == 0)
        return std::move(first.utf8);
    std::vector<std::string> values;
    values.push_back(std::move(first.utf8));
    bytes.remove_prefix(first.consumed);
    while (!bytes.empty()) {
        Decoded d = DecodeOne(bytes, encoding);
        if (d.consumed == 0)
            break;
        values.push_back(std::move(d.utf8));
        bytes.remove_prefix(d.consumed);
    }
    return JoinValues(std::move(values));
}

// The zero-separated values of a single-byte 2.4 text, joined with "/".
std::string SingleByteValues(std::string_view bytes) {
    std::vector<std::string> values;
    for (size_t zero; (zero = bytes.find('\0')) != std::string_view::npos;) {
        values.emplace_back(bytes.substr(0, zero));
        bytes.remove_prefix(zero + 1);
    }
    values.emplace_back(bytes);
    return JoinValues(std::move(values));
}

// A field as one frame gives it.
struct Value {
    std::string codePage, utf8;
    bool emptyDescription = true; // comment and link frames
};

// Single-byte texts are code-page bytes, as older Windows taggers wrote them; the Unicode
// encodings are decoded. A 2.4 frame's several values are joined with "/".
Value DecodeField(size_t slot, uint8_t version, std::string_view payload, const CodePage& cp) {
    const uint8_t encoding = payload.empty() ? Latin1 : static_cast<uint8_t>(payload[0]);
    const bool values24 = version == 4 && encoding == Latin1;
    // Most texts are ASCII, the same in every form.
    const auto singleByte = [&cp](std::string_view bytes) {
        Value v;
        v.codePage = TID3v2::Trim(bytes);
        v.utf8 = IsAscii(v.codePage) ? v.codePage : cp.ToUtf8(v.codePage);
        return v;
    };
    const auto unicode = [&cp](std::string_view utf8) {
        Value v;
        v.utf8 = TID3v2::Trim(utf8);
        v.codePage = IsAscii(v.utf8) ? v.utf8 : cp.FromUtf8(v.utf8);
        return v;
    };
    Value v;
    if (slot == SlotComment || slot == SlotURL) {
        // Comment: encoding, language, description, text. Link: encoding, description, address.
        // Without the description's end there is no text.
        const std::string_view rest =
            payload.substr(std::min<size_t>(slot == SlotURL ? 1 : 4, payload.size()));
        std::string_view text;
        if (IsUnicode(encoding)) {
            const Decoded description = DecodeOne(rest, encoding);
            text = description.terminated ? rest.substr(description.consumed) : std::string_view();
            v.emptyDescription = description.utf8.empty();
        } else {
            const size_t zero = rest.find('\0');
            text = zero == std::string_view::npos ? std::string_view() : rest.substr(zero + 1);
            v.emptyDescription = zero == 0 || rest.empty();
        }
        const bool emptyDescription = v.emptyDescription;
        // A link's address is single-byte in every encoding.
        if (slot == SlotComment && IsUnicode(encoding))
            v = unicode(DecodeAll(text, encoding));
        else
            v = singleByte(values24 && slot == SlotComment ? SingleByteValues(text)
                                                           : std::string(text));
        v.emptyDescription = emptyDescription;
        return v;
    }
    const std::string_view text = payload.substr(std::min<size_t>(1, payload.size()));
    if (IsUnicode(encoding))
        v = unicode(DecodeAll(text, encoding));
    else
        v = singleByte(values24 ? SingleByteValues(text) : std::string(payload));
    if (slot == SlotGenre) {
        v.codePage = TID3v2::ParseGenre(v.codePage);
        v.utf8 = TID3v2::ParseGenre(v.utf8);
    }
    return v;
}

// Writing: ISO-8859-1 when every character is in it and the code page reads those bytes back
// as the same characters (single-byte frames are read in the code page), else UTF-16 with BOM
// (2.3) or UTF-8 (2.4).
uint8_t EncodingFor(std::string_view utf8, uint8_t version) {
    if (IsAscii(utf8))
        return Latin1;
    const CodePage& cp = CodePage::System();
    const std::u32string chars = CodePage::Utf8ToCodePoints(utf8);
    if (std::all_of(chars.begin(), chars.end(), [&cp](char32_t c) {
            return c <= 0xFF && cp.CharOfByte(static_cast<unsigned char>(c)) == c;
        }))
        return Latin1;
    return version == 4 ? Utf8 : Utf16;
}

std::string Encode(std::string_view utf8, uint8_t encoding) {
    if (encoding == Utf8 || (encoding == Latin1 && IsAscii(utf8)))
        return std::string(utf8);
    std::string out;
    const std::u32string chars = CodePage::Utf8ToCodePoints(utf8);
    if (encoding == Latin1) {
        for (char32_t c : chars)
            out += static_cast<char>(c);
        return out;
    }
    std::u16string units(1, u'\xFEFF');
    for (char32_t c : chars)
        CodePage::AppendUtf16(units, c);
    for (char16_t u : units) {
        out += static_cast<char>(u & 0xFF);
        out += static_cast<char>(u >> 8);
    }
    return out;
}

std::string Terminator(uint8_t encoding) {
    return std::string(encoding == Utf16 || encoding == Utf16BE ? 2 : 1, '\0');
}

std::string RenderFrame(std::string_view id, std::string_view content, uint8_t version) {
    std::string f(id);
    if (version == 4)
        id3v2::AppendSyncSafe(f, static_cast<uint32_t>(content.size()));
    else
        id3v2::AppendBigEndian32(f, static_cast<uint32_t>(content.size()));
    f.append(2, '\0');
    f += content;
    return f;
}

// The frame of a changed field. A comment keeps the language of the frame it replaces; its
// description is empty, and so is a link's, whose address is single-byte text.
std::string NewFrame(size_t slot, const std::string& utf8, const std::string& codePage,
                     uint8_t version, std::string_view language) {
    std::string content;
    if (slot == SlotURL) {
        content.assign(2, '\0');
        content += codePage;
    } else {
        const uint8_t encoding = EncodingFor(utf8, version);
        content = static_cast<char>(encoding);
        if (slot == SlotComment) {
            content += language.size() == 3 ? language : "eng";
            content += Terminator(encoding);
        }
        content += Encode(utf8, encoding);
    }
    return RenderFrame(IdOfSlot(version, slot), content, version);
}

// A frame the save does not set, in the new tag's version.
std::string KeptFrame(const id3v2::TagFrames& tag, const id3v2::FrameRef& ref, std::string raw,
                      const std::optional<std::string>& payload, uint8_t version) {
    if (tag.version == 2) {
        const std::string_view id = id3v2::Id23Of22(ref.Id());
        if (id.empty() || !payload)
            return {};
        return RenderFrame(id, id3v2::Payload23Of22(ref.Id(), *payload), version);
    }
    // The header's unsynchronisation does not carry over: the frame says it for itself.
    if (tag.headerUnsync)
        raw[9] = static_cast<char>(raw[9] | 0x02);
    // A 2.4 size some writer stored plain is written synchsafe, like the new frames beside it.
    if (tag.version == 4) {
        std::string size;
        id3v2::AppendSyncSafe(size, ref.size);
        raw.replace(4, 4, size);
    }
    return raw;
}

bool CopyRange(int from, int64_t offset, int to) {
    std::vector<char> buffer(1 << 20);
    while (true) {
        const int64_t got = fileio::ReadFullyAt(from, buffer.data(), buffer.size(), offset);
        if (got < 0)
            return false;
        if (got == 0)
            return true;
        if (!fileio::WriteAll(to, buffer.data(), static_cast<size_t>(got)))
            return false;
        offset += got;
    }
}

// Makes the rename durable; a failure here does not undo a save that has happened.
void SyncFolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const fileio::UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd)
        ::fsync(fd.Get());
}

// Rewrites the file with the new tag (or none, when tag is null) in front of its audio; the
// new tag is built from the old one. The new file is written beside the old one as "<name>~"
// and renamed over it in one step, so the audio file exists, complete, at every moment; any
// failure before the rename leaves it untouched. 0 on success, else the errno of the step
// that failed.
int RebuildFile(const std::string& fileName, const TID3v2* tag) {
    errno = 0;
    struct stat st {};
    if (::stat(fileName.c_str(), &st) != 0)
        return fileio::FailureReason(EIO);
    if (!S_ISREG(st.st_mode))
        return EINVAL;
    // A link keeps pointing at the tagged file: the file it names is rewritten in its folder.
    std::string target = fileName;
    struct stat lst {};
    if (::lstat(fileName.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode)) {
        char* real = ::realpath(fileName.c_str(), nullptr);
        if (!real)
            return fileio::FailureReason(EIO);
        target = real;
        std::free(real);
    }
    if (!fileio::AddOwnerWrite(target))
        return fileio::FailureReason(EIO);

    const fileio::UniqueFd src = fileio::OpenRegular(target, O_RDONLY, &st);
    if (!src)
        return fileio::FailureReason(EINVAL);
    uint8_t header[HeaderSize];
    const auto fileSize = static_cast<int64_t>(st.st_size);
    if (fileio::ReadFullyAt(src.Get(), header, HeaderSize, 0) != static_cast<int64_t>(HeaderSize))
        return fileio::FailureReason(EINVAL);
    const bool hasTag = std::memcmp(header, "ID3", 3) == 0;
    if (!tag && !hasTag)
        return ENODATA;
    const int64_t audioStart = hasTag ? TID3v2::DeclaredSize(header, fileSize) : 0;
    std::string newTag;
    if (tag) {
        std::string oldTag(static_cast<size_t>(audioStart), '\0');
        if (fileio::ReadFullyAt(src.Get(), oldTag.data(), oldTag.size(), 0) !=
            static_cast<int64_t>(oldTag.size()))
            return fileio::FailureReason(EIO);
        newTag = tag->BuildTag(oldTag);
        // A tag the size field cannot describe is refused before anything is written.
        if (newTag.empty())
            return EFBIG;
    }

    // The temporary file is made anew: a stale file or link of its name is removed, never
    // followed, and a folder of its name makes the save fail.
    const std::string temp = target + "~";
    struct stat tst {};
    if (::lstat(temp.c_str(), &tst) == 0 && (S_ISDIR(tst.st_mode) || ::unlink(temp.c_str()) != 0))
        return S_ISDIR(tst.st_mode) ? EISDIR : fileio::FailureReason(EIO);
    errno = 0;
    fileio::UniqueFd dst(
        ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!dst)
        return fileio::FailureReason(EIO);

    int reason = 0;
    const auto step = [&reason](bool ok) {
        if (!ok && reason == 0)
            reason = fileio::FailureReason(EIO);
        return ok;
    };
    bool ok = step(fileio::WriteAll(dst.Get(), newTag.data(), newTag.size())) &&
              step(CopyRange(src.Get(), audioStart, dst.Get())) && step(::fsync(dst.Get()) == 0);
    if (ok) {
        // Owner and group where the process may set them; the bits always.
        if (::fchown(dst.Get(), st.st_uid, st.st_gid) != 0) {
            [[maybe_unused]] const int ignored =
                ::fchown(dst.Get(), static_cast<uid_t>(-1), st.st_gid);
        }
        errno = 0;
        ok = step(::fchmod(dst.Get(), (st.st_mode & 07777) | S_IWUSR) == 0);
    }
    ok = step(dst.CloseChecked()) && ok;
    ok = ok && step(::rename(temp.c_str(), target.c_str()) == 0);
    if (!ok) {
        ::unlink(temp.c_str());
        return reason != 0 ? reason : EIO;
    }
    SyncFolderOf(target);
    return 0;
}

} // namespace

TID3v2::TID3v2() {
    Reset();
}

void TID3v2::Reset() {
    m_exists = false;
    m_version = 0;
    m_size = 0;
    m_track = 0;
    for (auto* texts : {&m_codePage, &m_text})
        for (std::string& s : *texts)
            s.clear();
}

void TID3v2::Store(Field field, std::string codePage, std::string utf8) {
    const size_t i = Index(field);
    m_codePage[i] = std::move(codePage);
    m_text[i] = std::move(utf8);
    if (field == Field::Track)
        m_track = ParseTrack(m_codePage[i]);
}

void TID3v2::SetCodePageText(Field field, std::string_view text) {
    std::string trimmed = Trim(text);
    if (trimmed == m_codePage[Index(field)])
        return;
    std::string utf8 = CodePage::System().ToUtf8(trimmed);
    Store(field, std::move(trimmed), std::move(utf8));
}

void TID3v2::SetTrack(uint8_t track) {
    if (track != m_track) {
        std::string text = track > 0 ? std::to_string(track) : std::string();
        Store(Field::Track, text, text);
    }
}

void TID3v2::SetText(Field field, std::string_view utf8) {
    std::string trimmed = Trim(ValidUtf8(utf8));
    if (trimmed == m_text[Index(field)])
        return;
    std::string codePage = CodePage::System().FromUtf8(trimmed);
    Store(field, std::move(codePage), std::move(trimmed));
}

std::string TID3v2::Trim(std::string_view text) {
    size_t begin = 0, end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    return std::string(text.substr(begin, end - begin));
}

int64_t TID3v2::DeclaredSize(const uint8_t* header, int64_t fileSize) {
    // The size bytes are taken whole, not masked to 7 bits.
    const int64_t size =
        (int64_t{header[6]} << 21) + (int64_t{header[7]} << 14) + (int64_t{header[8]} << 7) +
        int64_t{header[9]} + static_cast<int64_t>(HeaderSize) +
        // A 2.4 footer repeats the header behind the frames.
        (header[3] == 4 && (header[5] & 0x10) ? static_cast<int64_t>(HeaderSize) : 0);
    return size > fileSize ? 0 : size;
}

uint8_t TID3v2::ParseTrack(std::string_view text) {
    const std::string trimmed = Trim(text);
    std::string_view s = trimmed;
    if (const size_t slash = s.find('/'); slash != std::string_view::npos)
        s = s.substr(0, slash);
    return ParseInteger(s).value_or(0);
}

std::optional<uint8_t> TID3v2::ParseInteger(std::string_view s) {
    // Integer text as the integer conversion takes it: leading blanks, a sign, then decimal
    // digits, or hexadecimal ones after "$" or "0x".
    size_t i = 0;
    while (i < s.size() && s[i] == ' ')
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        negative = s[i++] == '-';
    unsigned base = 10;
    if (i < s.size() && s[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= s.size())
        return std::nullopt;
    uint64_t value = 0;
    for (; i < s.size(); ++i) {
        const char ch = s[i];
        unsigned digit = 0;
        if (ch >= '0' && ch <= '9')
            digit = static_cast<unsigned>(ch - '0');
        else if (base == 16 && ch >= 'a' && ch <= 'f')
            digit = static_cast<unsigned>(ch - 'a' + 10);
        else if (base == 16 && ch >= 'A' && ch <= 'F')
            digit = static_cast<unsigned>(ch - 'A' + 10);
        else
            return std::nullopt;
        value = value * base + digit;
        // Out of the 32-bit range the conversion fails.
        if (value > (base == 16 ? uint64_t{UINT32_MAX} : uint64_t{INT32_MAX} + (negative ? 1 : 0)))
            return std::nullopt;
    }
    const uint32_t low = static_cast<uint32_t>(value);
    return static_cast<uint8_t>(negative ? 0u - low : low);
}

std::string TID3v2::ParseGenre(std::string_view text) {
    std::string s = Trim(text);
    if (const size_t close = s.rfind(')'); close != std::string::npos)
        s.erase(0, close + 1);
    return s;
}

std::string TID3v2::ParseComment(std::string_view text) {
    text.remove_prefix(std::min<size_t>(4, text.size()));
    if (const size_t zero = text.find('\0'); zero != std::string_view::npos)
        text.remove_prefix(zero + 1);
    return Trim(text);
}

std::string TID3v2::ParseURL(std::string_view text) {
    text.remove_prefix(std::min<size_t>(1, text.size()));
    if (const size_t zero = text.find('\0'); zero != std::string_view::npos)
        text.remove_prefix(zero + 1);
    return Trim(text);
}

void TID3v2::ReadFields(const uint8_t* header, const ReadAt& read) {
    id3v2::TagFrames tag;
    if (!id3v2::Locate(header, m_size, read, tag))
        return;
    const CodePage& cp = CodePage::System();
    const ReadAt frames = tag.Reader(read);
    // The comment and the link come from the first frame with an empty description, else the
    // first; for the others a later frame replaces an earlier one.
    std::array<bool, FrameCount> chosen{}, chosenEmpty{};
    std::string stored;
    id3v2::Walk(tag, frames, [&](const id3v2::FrameRef& f) {
        const int slot = SlotOf(tag.version, f.Id());
        if (slot < 0)
            return true;
        stored.resize(f.size);
        if (f.size > 0 && frames(f.ContentOffset(), stored.data(), f.size) != f.size)
            return false;
        if (!id3v2::ToPayload(tag, f, stored))
            return true;
        const auto s = static_cast<size_t>(slot);
        Value v = DecodeField(s, tag.version, stored, cp);
        if (s == SlotComment || s == SlotURL) {
            if (chosen[s] && (chosenEmpty[s] || !v.emptyDescription))
                return true;
            chosen[s] = true;
            chosenEmpty[s] = v.emptyDescription;
        }
        m_codePage[s] = std::move(v.codePage);
        m_text[s] = std::move(v.utf8);
        return true;
    });
    m_track = ParseTrack(m_codePage[SlotTrack]);
}

bool TID3v2::ReadFromFile(TFileReader& file) {
    Reset();
    if (!file.IsOpen())
        return false;
    uint8_t header[HeaderSize];
    if (file.ReadAt(0, header, HeaderSize) != static_cast<int64_t>(HeaderSize))
        return false;
    if (std::memcmp(header, "ID3", 3) != 0)
        return true;
    m_exists = true;
    m_version = header[3];
    m_size = DeclaredSize(header, file.Size());
    if (m_size > 0)
        ReadFields(header, [&file](int64_t offset, void* dst, size_t n) {
            return file.ReadAt(offset, dst, n);
        });
    return true;
}

bool TID3v2::ReadFromFile(const std::string& fileName) {
    return TFileReader::ReadTag(*this, fileName);
}

std::string TID3v2::BuildTag(std::string_view oldTag) const {
    // The old tag's frames in order, with the field each holds (-1 for the others).
    struct Source {
        id3v2::FrameRef ref;
        std::string raw;
        std::optional<std::string> payload;
        int slot = -1;
    };
    uint64_t textBytes = 0;
    for (const std::string& text : m_text)
        textBytes += text.size();
    if (textBytes > MaxTagSize)
        return {};
    std::vector<Source> sources;
    id3v2::TagFrames tag;
    const ReadAt old = [oldTag](int64_t offset, void* dst, size_t n) {
        return fileio::ReadFromBytes(oldTag, offset, dst, n);
    };
    if (oldTag.size() >= HeaderSize && oldTag.substr(0, 3) == "ID3" &&
        id3v2::Locate(reinterpret_cast<const uint8_t*>(oldTag.data()),
                      static_cast<int64_t>(oldTag.size()), old, tag)) {
        const ReadAt frames = tag.Reader(old);
        id3v2::Walk(tag, frames, [&](const id3v2::FrameRef& f) {
            Source s{f, std::string(f.headerSize + f.size, '\0'), std::nullopt, -1};
            if (frames(f.offset, s.raw.data(), s.raw.size()) != static_cast<int64_t>(s.raw.size()))
                return false;
            std::string payload = s.raw.substr(f.headerSize);
            if (id3v2::ToPayload(tag, f, payload)) {
                s.payload = std::move(payload);
                s.slot = SlotOf(tag.version, f.Id());
            }
            sources.push_back(std::move(s));
            return true;
        });
    }
    const uint8_t version = tag.version == 4 ? 4 : 3;
    // A 2.3 tag of the twelve fields alone, each once, in single-byte text, is written in field
    // order, like a tag made from the fields alone.
    std::array<int, FrameCount> frameCount{};
    const bool ownFieldsOnly =
        tag.version == 3 && std::all_of(sources.begin(), sources.end(), [&](const Source& s) {
            return s.slot >= 0 && ++frameCount[static_cast<size_t>(s.slot)] == 1 &&
                   (s.payload->empty() || (*s.payload)[0] == Latin1);
        });
    if (ownFieldsOnly)
        std::sort(sources.begin(), sources.end(),
                  [](const Source& a, const Source& b) { return a.slot < b.slot; });
    // A field has changed when it differs from what the old tag holds for it, whoever read it.
    TID3v2 oldFields;
    if (!sources.empty()) {
        oldFields.m_size = static_cast<int64_t>(oldTag.size());
        oldFields.ReadFields(reinterpret_cast<const uint8_t*>(oldTag.data()), old);
    }

    // What becomes of each old frame of the twelve, and which fields need a frame of their own.
    enum class Fate { Keep, Replace, Drop };
    std::vector<Fate> fates(sources.size(), Fate::Keep);
    std::array<bool, FrameCount> present{}, pending{};
    std::array<int, FrameCount> shown;
    shown.fill(-1);
    std::array<bool, FrameCount> shownEmpty{};
    for (size_t i = 0; i < sources.size(); ++i) {
        const int slot = sources[i].slot;
        if (slot < 0)
            continue;
        const auto s = static_cast<size_t>(slot);
        present[s] = true;
        if (s == SlotComment || s == SlotURL) {
            const bool empty = DecodeField(s, tag.version, *sources[i].payload, CodePage::System())
                                   .emptyDescription;
            if (shown[s] < 0 || (!shownEmpty[s] && empty)) {
                shown[s] = static_cast<int>(i);
                shownEmpty[s] = empty;
            }
        }
    }
    for (size_t s = 0; s < FrameCount; ++s) {
        const bool changed = m_text[s] != oldFields.m_text[s];
        bool replaced = false;
        if (changed && (s == SlotComment || s == SlotURL)) {
            // Only a frame without a description stands for the field; others stay beside it,
            // unless the one shown, described, is cleared.
            if (shown[s] >= 0 && (shownEmpty[s] || m_text[s].empty())) {
                fates[static_cast<size_t>(shown[s])] = Fate::Replace;
                replaced = true;
            }
        } else if (changed) {
            // The field's first frame takes the new text; repeats of it go.
            for (size_t i = 0; i < sources.size(); ++i)
                if (sources[i].slot == static_cast<int>(s)) {
                    fates[i] = replaced ? Fate::Drop : Fate::Replace;
                    replaced = true;
                }
        }
        pending[s] = !m_text[s].empty() && (changed ? !replaced : !present[s]);
    }

    // New frames go in field order among the old frames of the twelve.
    std::string body;
    size_t next = 0;
    const auto writePendingBelow = [&](size_t limit) {
        for (; next < limit; ++next)
            if (pending[next])
                body += NewFrame(next, m_text[next], m_codePage[next], version, "eng");
    };
    for (size_t i = 0; i < sources.size(); ++i) {
        Source& s = sources[i];
        if (s.slot >= 0)
            writePendingBelow(static_cast<size_t>(s.slot));
        if (fates[i] == Fate::Keep) {
            body += KeptFrame(tag, s.ref, std::move(s.raw), s.payload, version);
        } else if (fates[i] == Fate::Replace) {
            const auto slot = static_cast<size_t>(s.slot);
            if (!m_text[slot].empty())
                body += NewFrame(
                    slot, m_text[slot], m_codePage[slot], version,
                    std::string_view(*s.payload).substr(std::min<size_t>(1, s.payload->size()), 3));
        }
    }
    writePendingBelow(FrameCount);

    if (body.size() > MaxTagSize)
        return {};
    std::string out = "ID3";
    out += static_cast<char>(version);
    out.append(2, '\0');
    id3v2::AppendSyncSafe(out, static_cast<uint32_t>(body.size()));
    return out + body;
}

bool TID3v2::SaveToFile(const std::string& fileName) {
    m_lastError = RebuildFile(fileName, this);
    return m_lastError == 0;
}

bool TID3v2::RemoveFromFile(const std::string& fileName) {
    m_lastError = RebuildFile(fileName, nullptr);
    return m_lastError == 0;
}
