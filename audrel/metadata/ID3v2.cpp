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
#include "FileOps.h"
#include "FileReader.h"

namespace {

constexpr size_t HeaderSize = 10;
constexpr size_t FrameHeaderSize = 10;
constexpr size_t SlotTrack = 3, SlotGenre = 5, SlotComment = 6, SlotURL = 11;

uint32_t BigEndian32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

bool IsBlank(char ch) {
    return static_cast<unsigned char>(ch) <= 32;
}

// One encoded string of a frame: decoded up to its terminator (or the end of the bytes).
struct Decoded {
    std::string text;    // in the code page
    size_t consumed = 0; // bytes used, terminator included
    bool terminated = false;
};

Decoded DecodeString(std::string_view bytes, uint8_t encoding, const CodePage& cp) {
    Decoded d;
    // UTF-16: the byte-order mark decides; without one encoding 1 is little-endian and
    // encoding 2 (UTF-16BE) big-endian.
    bool bigEndian = encoding == 2;
    size_t i = 0;
    if (bytes.size() >= 2) {
        const auto b0 = static_cast<unsigned char>(bytes[0]);
        const auto b1 = static_cast<unsigned char>(bytes[1]);
        if (b0 == 0xFF && b1 == 0xFE) {
            bigEndian = false;
            i = 2;
        } else if (b0 == 0xFE && b1 == 0xFF) {
            bigEndian = true;
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
    d.text = cp.FromUtf16(units);
    return d;
}

// The tag header (the first 10 bytes) and the size of the file.
bool ReadHeader(int fd, uint8_t* header, int64_t& fileSize) {
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return false;
    fileSize = static_cast<int64_t>(st.st_size);
    return fileops::ReadAll(fd, header, HeaderSize, 0) == static_cast<int64_t>(HeaderSize);
}

bool CopyRange(int from, int64_t offset, int to) {
    std::vector<char> buffer(1 << 20);
    while (true) {
        const int64_t got = fileops::ReadAll(from, buffer.data(), buffer.size(), offset);
        if (got < 0)
            return false;
        if (got == 0)
            return true;
        if (!fileops::WriteAll(to, buffer.data(), static_cast<size_t>(got)))
            return false;
        offset += got;
    }
}

// Makes the rename durable; a failure here does not undo a save that has happened.
void SyncFolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Rewrites the file with the new tag (or none) in front of its audio. The new file is
// written beside the old one as "<name>~" and renamed over it in one step, so the audio
// file exists, complete, at every moment; any failure before the rename leaves it untouched.
// 0 on success, else the errno of the step that failed.
int RebuildFile(const std::string& fileName, const std::string* newTag) {
    errno = 0;
    struct stat st {};
    if (::stat(fileName.c_str(), &st) != 0)
        return fileops::FailureReason(EIO);
    if (!S_ISREG(st.st_mode))
        return EINVAL;
    // A link keeps pointing at the tagged file: the file it names is rewritten in its folder.
    std::string target = fileName;
    struct stat lst {};
    if (::lstat(fileName.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode)) {
        char* real = ::realpath(fileName.c_str(), nullptr);
        if (!real)
            return fileops::FailureReason(EIO);
        target = real;
        std::free(real);
    }
    if (!fileops::AddOwnerWrite(target))
        return fileops::FailureReason(EIO);

    const int src = fileops::OpenRegular(target, O_RDONLY);
    if (src < 0)
        return fileops::FailureReason(EINVAL);
    uint8_t header[HeaderSize];
    int64_t fileSize = 0;
    if (::fstat(src, &st) != 0 || !ReadHeader(src, header, fileSize)) {
        const int reason = fileops::FailureReason(EINVAL);
        ::close(src);
        return reason;
    }
    const bool hasTag = std::memcmp(header, "ID3", 3) == 0;
    if (!newTag && !hasTag) {
        ::close(src);
        return ENODATA;
    }
    const int64_t audioStart = hasTag ? TID3v2::DeclaredSize(header, fileSize) : 0;

    // The temporary file is made anew: a stale file or link of its name is removed, never
    // followed, and a folder of its name makes the save fail.
    const std::string temp = target + "~";
    struct stat tst {};
    if (::lstat(temp.c_str(), &tst) == 0 && (S_ISDIR(tst.st_mode) || ::unlink(temp.c_str()) != 0)) {
        const int reason = S_ISDIR(tst.st_mode) ? EISDIR : fileops::FailureReason(EIO);
        ::close(src);
        return reason;
    }
    errno = 0;
    const int dst =
        ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (dst < 0) {
        const int reason = fileops::FailureReason(EIO);
        ::close(src);
        return reason;
    }

    int reason = 0;
    const auto step = [&reason](bool ok) {
        if (!ok && reason == 0)
            reason = fileops::FailureReason(EIO);
        return ok;
    };
    bool ok = step(!newTag || fileops::WriteAll(dst, newTag->data(), newTag->size())) &&
              step(CopyRange(src, audioStart, dst)) && step(::fsync(dst) == 0);
    ::close(src);
    if (ok) {
        // Owner and group where the process may set them; the bits always.
        if (::fchown(dst, st.st_uid, st.st_gid) != 0) {
            [[maybe_unused]] const int ignored = ::fchown(dst, static_cast<uid_t>(-1), st.st_gid);
        }
        errno = 0;
        ok = step(::fchmod(dst, (st.st_mode & 07777) | S_IWUSR) == 0);
    }
    ok = step(fileops::CloseChecked(dst)) && ok;
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
    for (std::string* s : {&m_title, &m_artist, &m_album, &m_year, &m_genre, &m_comment,
                           &m_composer, &m_encodedBy, &m_copyright, &m_language, &m_url})
        s->clear();
}

void TID3v2::SetTitle(std::string_view text) {
    m_title = Trim(text);
}
void TID3v2::SetArtist(std::string_view text) {
    m_artist = Trim(text);
}
void TID3v2::SetAlbum(std::string_view text) {
    m_album = Trim(text);
}
void TID3v2::SetYear(std::string_view text) {
    m_year = Trim(text);
}
void TID3v2::SetGenre(std::string_view text) {
    m_genre = Trim(text);
}
void TID3v2::SetComment(std::string_view text) {
    m_comment = Trim(text);
}
void TID3v2::SetComposer(std::string_view text) {
    m_composer = Trim(text);
}
void TID3v2::SetEncodedBy(std::string_view text) {
    m_encodedBy = Trim(text);
}
void TID3v2::SetCopyright(std::string_view text) {
    m_copyright = Trim(text);
}
void TID3v2::SetLanguage(std::string_view text) {
    m_language = Trim(text);
}
void TID3v2::SetURL(std::string_view text) {
    m_url = Trim(text);
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
    const int64_t size = (int64_t{header[6]} << 21) + (int64_t{header[7]} << 14) +
                         (int64_t{header[8]} << 7) + int64_t{header[9]} +
                         static_cast<int64_t>(HeaderSize);
    return size > fileSize ? 0 : size;
}

void TID3v2::WalkFrames(const ReadAt& read, int64_t fileSize, int64_t declaredSize,
                        const FrameVisit& visit) {
    // Sizes are unsigned and positions 64-bit, so the walk only ever moves forward.
    int64_t pos = static_cast<int64_t>(HeaderSize);
    std::array<char, FrameBufferSize> buffer{};
    while (pos < declaredSize && pos < fileSize) {
        uint8_t header[FrameHeaderSize];
        if (read(pos, header, FrameHeaderSize) != static_cast<int64_t>(FrameHeaderSize))
            break;
        if (header[0] < 'A' || header[0] > 'Z')
            break;
        const uint32_t size = BigEndian32(header + 4);
        const size_t want = std::min<size_t>(size, FrameBufferSize);
        if (want > 0 && read(pos + static_cast<int64_t>(FrameHeaderSize), buffer.data(), want) !=
                            static_cast<int64_t>(want))
            break;
        visit(std::string_view(reinterpret_cast<const char*>(header), 4), pos,
              std::string_view(buffer.data(), want));
        pos += static_cast<int64_t>(FrameHeaderSize) + static_cast<int64_t>(size);
    }
}

TID3v2::Slots TID3v2::ReadFrames(const ReadAt& read, int64_t fileSize, int64_t declaredSize) {
    Slots slots;
    WalkFrames(read, fileSize, declaredSize,
               [&slots](std::string_view id, int64_t, std::string_view content) {
                   const auto slot = std::find(FrameIDs.begin(), FrameIDs.end(), id);
                   if (slot == FrameIDs.end())
                       return;
                   std::string text = SingleByteFrame(id, content, CodePage::System());
                   // The frame's text is its buffer: the content, then zero bytes up to the
                   // buffer's size. Every rule that reads a slot trims trailing zeros or looks
                   // only for the first zero, so one zero byte stands for the whole padding.
                   if (text.size() < FrameBufferSize)
                       text.push_back('\0');
                   slots[static_cast<size_t>(slot - FrameIDs.begin())] = std::move(text);
               });
    return slots;
}

std::string TID3v2::SingleByteFrame(std::string_view id, std::string_view content,
                                    const CodePage& cp) {
    if (content.empty())
        return std::string(content);
    const auto encoding = static_cast<uint8_t>(content[0]);
    // Only UTF-16 frames carry zero bytes inside their text; every other encoding byte
    // (a v2.3 tag knows no UTF-8) is read as single-byte text like encoding 0.
    if (encoding != 1 && encoding != 2)
        return std::string(content);
    std::string out(1, '\0');
    std::string_view rest = content.substr(1);
    if (id == "COMM") {
        // Language, short description, then the text.
        out += rest.substr(0, 3);
        rest = rest.substr(std::min<size_t>(3, rest.size()));
        const Decoded description = DecodeString(rest, encoding, cp);
        out += description.text;
        if (description.terminated) {
            out += '\0';
            out += DecodeString(rest.substr(description.consumed), encoding, cp).text;
        }
    } else if (id == "WXXX") {
        // The description follows the encoding; the address is always single-byte.
        const Decoded description = DecodeString(rest, encoding, cp);
        out += description.text;
        if (description.terminated) {
            out += '\0';
            out += rest.substr(description.consumed);
        }
    } else if (!id.empty() && id[0] == 'T') {
        out += DecodeString(rest, encoding, cp).text;
    } else {
        return std::string(content);
    }
    return out;
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

void TID3v2::SetFromSlots(const Slots& slots) {
    m_title = Trim(slots[0]);
    m_artist = Trim(slots[1]);
    m_album = Trim(slots[2]);
    m_track = ParseTrack(slots[SlotTrack]);
    m_year = Trim(slots[4]);
    m_genre = ParseGenre(slots[SlotGenre]);
    m_comment = ParseComment(slots[SlotComment]);
    m_composer = Trim(slots[7]);
    m_encodedBy = Trim(slots[8]);
    m_copyright = Trim(slots[9]);
    m_language = Trim(slots[10]);
    m_url = ParseURL(slots[SlotURL]);
}

TID3v2::Slots TID3v2::ToSlots() const {
    Slots s;
    s[0] = m_title;
    s[1] = m_artist;
    s[2] = m_album;
    s[SlotTrack] = m_track > 0 ? std::to_string(m_track) : std::string();
    s[4] = m_year;
    s[SlotGenre] = m_genre;
    s[SlotComment] = m_comment.empty() ? std::string() : std::string("eng\0", 4) + m_comment;
    s[7] = m_composer;
    s[8] = m_encodedBy;
    s[9] = m_copyright;
    s[10] = m_language;
    s[SlotURL] = m_url.empty() ? std::string() : std::string(1, '\0') + m_url;
    return s;
}

std::string TID3v2::BuildTag(const Slots& slots) {
    uint64_t size = 0;
    for (const auto& text : slots)
        if (!text.empty())
            size += text.size() + FrameHeaderSize + 1;
    if (size > MaxTagSize)
        return {};
    std::string tag = "ID3";
    tag += '\x03';
    tag += '\0';
    tag += '\0';
    for (int shift : {21, 14, 7, 0})
        tag += static_cast<char>((size >> shift) & 0x7F);
    for (size_t i = 0; i < FrameCount; ++i) {
        const std::string& text = slots[i];
        if (text.empty())
            continue;
        tag += FrameIDs[i];
        const auto contentSize = static_cast<uint32_t>(text.size() + 1);
        for (int shift : {24, 16, 8, 0})
            tag += static_cast<char>((contentSize >> shift) & 0xFF);
        tag.append(3, '\0');
        tag += text;
    }
    return tag;
}

std::string TID3v2::BuildTag() const {
    return BuildTag(ToSlots());
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
    if (m_version != 3 || m_size <= 0)
        return true;
    SetFromSlots(ReadFrames(
        [&file](int64_t offset, void* dst, size_t n) { return file.ReadAt(offset, dst, n); },
        file.Size(), m_size));
    return true;
}

bool TID3v2::ReadFromFile(const std::string& fileName) {
    return TFileReader::ReadTag(*this, fileName);
}

bool TID3v2::SaveToFile(const std::string& fileName) {
    const std::string tag = BuildTag();
    // A tag the size field cannot describe is refused before the file is touched.
    m_lastError = tag.empty() ? EFBIG : RebuildFile(fileName, &tag);
    return m_lastError == 0;
}

bool TID3v2::RemoveFromFile(const std::string& fileName) {
    m_lastError = RebuildFile(fileName, nullptr);
    return m_lastError == 0;
}
