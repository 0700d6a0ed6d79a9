#include "FastTagSearch.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "CodePage.h"
#include "FileReader.h"
#include "ID3v2Frames.h"

namespace {

constexpr int64_t HeaderSize = 10;
constexpr int64_t RecordSize = 128;
// Frames of binary data larger than this are passed over beyond the first buffer; their first
// bytes (a picture's type and description, say) are scanned all the same.
constexpr int64_t PassOverSize = 4096;
constexpr int64_t BinaryHead = 256;

// Reads up to n bytes at offset; a shortfall is not an error, only the bytes read count.
int64_t ReadAt(int fd, unsigned char* dst, int64_t n, int64_t offset) {
    int64_t done = 0;
    while (done < n) {
        const ssize_t r = ::pread(fd, dst + done, static_cast<size_t>(n - done), offset + done);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            break;
        done += r;
    }
    return done;
}

class FileHandle {
public:
    explicit FileHandle(int fd) : m_fd(fd) {}
    ~FileHandle() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    int Get() const { return m_fd; }

private:
    int m_fd;
};

// Both case forms of a character: by the code page's letters when it has the character as one
// byte, else the character alone.
std::pair<char32_t, char32_t> CaseForms(const CodePage& cp, char32_t ch) {
    std::string utf8;
    CodePage::AppendUtf8(utf8, ch);
    const std::string bytes = cp.FromUtf8(utf8);
    if (bytes.size() != 1)
        return {ch, ch};
    const auto b = static_cast<unsigned char>(bytes[0]);
    if (cp.CharOfByte(b) != ch)
        return {ch, ch};
    return {cp.CharOfByte(cp.UpperByte(b)), cp.CharOfByte(cp.LowerByte(b))};
}

size_t Utf16Units(char32_t ch) {
    return ch < 0x10000 ? 1 : 2;
}

// The frames whose content is not text: pictures, objects, private and binary data.
bool IsBinaryFrame(const id3v2::TagFrames& tag, const id3v2::FrameRef& frame) {
    // Compressed or encrypted content holds no text as typed either.
    const uint16_t packed = tag.version == 3 ? 0x00C0 : tag.version == 4 ? 0x000C : 0;
    if (frame.flags & packed)
        return true;
    static constexpr std::string_view Binary[] = {
        "APIC", "GEOB", "PRIV", "MCDI", "AENC", "RVA2", "RVAD", "EQU2",
        "EQUA", "ETCO", "MLLT", "SYTC", "RBUF", "SEEK", "ASPI", "SIGN",
    };
    const std::string_view id = tag.version == 2 ? id3v2::Id23Of22(frame.Id()) : frame.Id();
    return std::find(std::begin(Binary), std::end(Binary), id) != std::end(Binary);
}

} // namespace

void TFastTAGSearch::Form::Build() {
    const auto m = static_cast<int32_t>(upper.size());
    skip.fill(m);
    // The last byte is left out, so each byte keeps the distance of its last occurrence
    // before the end.
    for (int32_t i = 1; i <= m - 1; ++i) {
        skip[static_cast<unsigned char>(upper[i - 1])] = m - i;
        skip[static_cast<unsigned char>(lower[i - 1])] = m - i;
    }
    trailingZeros = 0;
    while (trailingZeros < m &&
           (upper[m - 1 - trailingZeros] == '\0' || lower[m - 1 - trailingZeros] == '\0'))
        ++trailingZeros;
}

bool TFastTAGSearch::Form::Whole(const unsigned char* at) const {
    size_t offset = 0;
    for (const uint8_t length : charLengths) {
        if (std::memcmp(at + offset, upper.data() + offset, length) != 0 &&
            std::memcmp(at + offset, lower.data() + offset, length) != 0)
            return false;
        offset += length;
    }
    return true;
}

bool TFastTAGSearch::Form::Find(const unsigned char* region, int64_t n, int64_t whole) const {
    const auto m = static_cast<int64_t>(upper.size());
    if (m <= 0)
        return false;
    const auto* up = reinterpret_cast<const unsigned char*>(upper.data());
    const auto* low = reinterpret_cast<const unsigned char*>(lower.data());
    for (int64_t s = 0; s + m <= n;) {
        int64_t j = m - 1;
        while (j >= 0 && (region[s + j] == up[j] || region[s + j] == low[j]))
            --j;
        if (j < 0 && (charLengths.empty() || Whole(region + s)) &&
            (around < 0 || (s > 0 && region[s - 1] == around) ||
             (s + m < whole && region[s + m] == around)))
            return true;
        s += skip[region[s + m - 1]];
    }
    return false;
}

TFastTAGSearch::TFastTAGSearch(const CodePage& codePage)
    : m_cp(codePage), m_buffer(std::make_unique<unsigned char[]>(BufferSize)) {}

TFastTAGSearch::TFastTAGSearch() : TFastTAGSearch(CodePage::System()) {}

TFastTAGSearch::~TFastTAGSearch() = default;

void TFastTAGSearch::AddUnicodeForm(Form form) {
    // A form the code-page one equals is found by that one, over more bytes.
    if (form.upper.empty() ||
        (m_hasCodePage && form.upper == m_codePage.upper && form.lower == m_codePage.lower))
        return;
    form.Build();
    m_overlap = std::max<int64_t>(m_overlap, static_cast<int64_t>(form.upper.size()) +
                                                 (form.around >= 0 ? 1 : 0) - 1);
    m_unicode.push_back(std::move(form));
}

void TFastTAGSearch::Prepare(const std::string& text, const std::string& unicode) {
    const CodePage& cp = m_cp;
    const std::string utf8 = unicode.empty() ? cp.ToUtf8(text) : unicode;
    m_text = unicode.empty() ? text : cp.FromUtf8(unicode);
    m_hasCodePage = unicode.empty() || cp.ToUtf8(m_text) == unicode;
    m_codePage = Form();
    m_unicode.clear();
    m_overlap = 0;
    if (m_hasCodePage) {
        m_codePage.upper = cp.Upper(m_text);
        m_codePage.lower = cp.Lower(m_text);
        m_codePage.Build();
        m_overlap = std::max<int64_t>(0, static_cast<int64_t>(m_text.size()) - 1);
    } else {
        m_text.clear();
    }

    // Each character in both case forms, in UTF-8 and in UTF-16 units.
    Form u8;
    std::u16string upper16, lower16;
    std::vector<uint8_t> units;
    bool folds = false;
    for (const char32_t ch : CodePage::Utf8ToCodePoints(utf8)) {
        auto [up, low] = CaseForms(cp, ch);
        std::string a, b;
        CodePage::AppendUtf8(a, up);
        CodePage::AppendUtf8(b, low);
        if (a.size() != b.size() || Utf16Units(up) != Utf16Units(low)) {
            up = low = ch;
            a.clear();
            CodePage::AppendUtf8(a, ch);
            b = a;
        }
        folds = folds || up != low;
        u8.upper += a;
        u8.lower += b;
        u8.charLengths.push_back(static_cast<uint8_t>(a.size()));
        CodePage::AppendUtf16(upper16, up);
        CodePage::AppendUtf16(lower16, low);
        units.push_back(static_cast<uint8_t>(Utf16Units(up)));
    }
    const bool singleBytes = u8.upper.size() == u8.charLengths.size();
    if (!folds || singleBytes)
        u8.charLengths.clear();
    AddUnicodeForm(u8);

    if (upper16.empty())
        return;
    const char16_t high = upper16[0] & 0xFF00;
    const auto sameHigh = [high](char16_t u) { return (u & 0xFF00) == high; };
    if (std::all_of(upper16.begin(), upper16.end(), sameHigh) &&
        std::all_of(lower16.begin(), lower16.end(), sameHigh)) {
        // Both byte orders hold the low bytes with this high byte between them.
        Form both;
        both.around = static_cast<int16_t>(high >> 8);
        for (size_t i = 0; i < upper16.size(); ++i) {
            if (i > 0) {
                both.upper += static_cast<char>(high >> 8);
                both.lower += static_cast<char>(high >> 8);
            }
            both.upper += static_cast<char>(upper16[i] & 0xFF);
            both.lower += static_cast<char>(lower16[i] & 0xFF);
        }
        AddUnicodeForm(both);
        return;
    }
    for (const bool bigEndian : {false, true}) {
        Form f;
        const auto append = [bigEndian](std::string& out, char16_t u) {
            const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
            out += bigEndian ? hi : lo;
            out += bigEndian ? lo : hi;
        };
        for (size_t i = 0; i < upper16.size(); ++i) {
            append(f.upper, upper16[i]);
            append(f.lower, lower16[i]);
        }
        if (folds)
            for (const uint8_t n : units)
                f.charLengths.push_back(static_cast<uint8_t>(2 * n));
        AddUnicodeForm(std::move(f));
    }
}

bool TFastTAGSearch::ScanRegion(const unsigned char* region, int64_t n) const {
    return m_hasCodePage && m_codePage.Find(region, n, n);
}

bool TFastTAGSearch::ScanUnicode(const unsigned char* region, int64_t n, int64_t whole) const {
    if (m_unicode.empty())
        return false;
    // No Unicode form lies within the padding, so the scan ends where it starts.
    int64_t end = n;
    for (uint64_t word = 0; end >= 8; end -= 8) {
        std::memcpy(&word, region + end - 8, 8);
        if (word != 0)
            break;
    }
    while (end > 0 && region[end - 1] == 0)
        --end;
    for (const Form& form : m_unicode)
        if (form.Find(region, std::min(n, end + form.trailingZeros), whole))
            return true;
    return false;
}

bool TFastTAGSearch::ScanRange(int fd, int64_t from, int64_t to) {
    unsigned char* buffer = m_buffer.get();
    for (int64_t pos = from; pos < to;) {
        const int64_t want = std::min<int64_t>(static_cast<int64_t>(BufferSize), to - pos);
        const int64_t got = ReadAt(fd, buffer, want, pos);
        m_bufferStart = pos;
        m_bufferLength = got;
        m_firstInBuffer = false;
        if (ScanRegion(buffer, got) || ScanUnicode(buffer, got, got))
            return true;
        if (got < want || pos + got >= to)
            return false;
        // The next buffer starts early enough that a match across the boundary lies whole in it.
        pos += got > m_overlap ? got - m_overlap : got;
    }
    return false;
}

bool TFastTAGSearch::ScanPart(int fd, int64_t from, int64_t to) {
    const int64_t bufferEnd = m_bufferStart + m_bufferLength;
    if (from >= m_bufferStart && from < bufferEnd) {
        const unsigned char* at = m_buffer.get() + (from - m_bufferStart);
        const int64_t n = std::min(to, bufferEnd) - from;
        // The code page's form was looked for in the first buffer already.
        if ((!m_firstInBuffer && ScanRegion(at, n)) || ScanUnicode(at, n, bufferEnd - from))
            return true;
        if (to <= bufferEnd)
            return false;
        from = std::max(from, bufferEnd - m_overlap);
    }
    return from < to && ScanRange(fd, from, to);
}

bool TFastTAGSearch::ScanFrames(int fd, const unsigned char* header, int64_t tagSize) {
    if (m_unicode.empty() && HeaderSize + m_firstLength >= tagSize)
        return false;
    // The frame sizes of a 2.2 or 2.3 tag unsynchronised as a whole do not count the stuffed
    // bytes: such a tag is scanned whole.
    const uint8_t version = header[3], flags = header[5];
    if (version < 4 && (flags & 0x80))
        return ScanPart(fd, HeaderSize, tagSize);
    // The frame walk reads headers from the buffer while they are in it.
    m_tagEnd = tagSize;
    const id3v2::ReadAt read = [this, fd](int64_t offset, void* dst, size_t n) -> int64_t {
        if (offset >= m_bufferStart &&
            offset + static_cast<int64_t>(n) <= m_bufferStart + m_bufferLength) {
            std::memcpy(dst, m_buffer.get() + (offset - m_bufferStart), n);
            return static_cast<int64_t>(n);
        }
        // A buffer from there on, which the scan of the frames behind it can use too; at
        // least the analyser's first read of the audio behind the tag, so that a cold file is
        // read from the disk once there.
        const int64_t want = std::max<int64_t>(
            static_cast<int64_t>(n),
            std::min<int64_t>(BufferSize,
                              std::max<int64_t>(m_tagEnd - offset, TFileReader::HeadWindow)));
        m_bufferStart = offset;
        m_bufferLength = ReadAt(fd, m_buffer.get(), want, offset);
        m_firstInBuffer = false;
        const int64_t got = std::min<int64_t>(static_cast<int64_t>(n), m_bufferLength);
        if (got > 0)
            std::memcpy(dst, m_buffer.get(), static_cast<size_t>(got));
        return got;
    };
    id3v2::TagFrames tag;
    if (!id3v2::Locate(header, tagSize, read, tag))
        return ScanPart(fd, HeaderSize, tagSize);

    struct State {
        int64_t next;      // the first byte not yet scanned or passed over
        int64_t framesEnd; // the end of the last frame walked
        bool found = false;
    } state{HeaderSize, tag.start};
    const auto visit = [this, fd, &tag, &state](const id3v2::FrameRef& frame) {
        const int64_t end = frame.ContentOffset() + static_cast<int64_t>(frame.size);
        state.framesEnd = end;
        if (frame.size <= PassOverSize || !IsBinaryFrame(tag, frame))
            return true;
        // The frame's head is scanned with what comes before it, its data passed over.
        if (ScanPart(fd, state.next, frame.ContentOffset() + BinaryHead)) {
            state.found = true;
            return false;
        }
        state.next = end;
        return true;
    };
    id3v2::Walk(tag, read, std::cref(visit));
    if (state.found)
        return true;
    // Behind the last frame: padding, where a zero byte begins it, else bytes scanned to the
    // end of the tag.
    unsigned char first = 0;
    const bool padding =
        state.framesEnd >= tag.end || read(state.framesEnd, &first, 1) != 1 || first == 0;
    return ScanPart(fd, state.next, padding ? state.framesEnd : tagSize);
}

bool TFastTAGSearch::FileContains(const std::string& path) {
    return FileContainsAt(AT_FDCWD, path.c_str(), path);
}

bool TFastTAGSearch::FileContainsAt(int dirFd, const char* name, const std::string& pathForErrors) {
    // Non-blocking, so that opening a FIFO never waits for a writer; such files are then
    // refused by their type.
    const FileHandle file(::openat(dirFd, name, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (file.Get() < 0)
        throw EFOpenError("Cannot open file \"" + pathForErrors + "\". " + std::strerror(errno));
    struct stat st {};
    if (::fstat(file.Get(), &st) != 0 || !S_ISREG(st.st_mode))
        throw EFOpenError("Cannot open file \"" + pathForErrors + "\". Not a regular file");
    const int64_t fileSize = st.st_size;

    unsigned char* buffer = m_buffer.get();
    unsigned char header[HeaderSize];
    if (ReadAt(file.Get(), header, HeaderSize, 0) < HeaderSize)
        return false;

    if (header[0] == 'I' && header[1] == 'D' && header[2] == '3') {
        int64_t declared = ((header[6] & 0x7F) << 21) | ((header[7] & 0x7F) << 14) |
                           ((header[8] & 0x7F) << 7) | (header[9] & 0x7F);
        declared += HeaderSize;
        if (declared > fileSize)
            declared = 0;
        const int64_t size = std::min(declared, static_cast<int64_t>(BufferSize));
        // The declared size counts the header too, so the region runs 10 bytes past the tag.
        const int64_t n = ReadAt(file.Get(), buffer, size, HeaderSize);
        m_bufferStart = HeaderSize;
        m_bufferLength = m_firstLength = n;
        m_firstInBuffer = true;
        if (ScanRegion(buffer, n))
            return true;
        if (declared > HeaderSize &&
            ScanFrames(file.Get(), header, n < size ? HeaderSize + n : declared))
            return true;
    }

    // An ID3v1 record holds code-page bytes only.
    if (!m_hasCodePage || fileSize < RecordSize)
        return false;
    const int64_t n = ReadAt(file.Get(), buffer, RecordSize, fileSize - RecordSize);
    m_bufferLength = 0;
    if (n >= 3 && buffer[0] == 'T' && buffer[1] == 'A' && buffer[2] == 'G')
        return ScanRegion(buffer, n);
    return false;
}
