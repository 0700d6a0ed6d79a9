#include "FastTagSearch.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "CodePage.h"

namespace {

constexpr int64_t HeaderSize = 10;
constexpr int64_t RecordSize = 128;

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

} // namespace

TFastTAGSearch::TFastTAGSearch() : m_buffer(std::make_unique<unsigned char[]>(BufferSize)) {}

TFastTAGSearch::~TFastTAGSearch() = default;

void TFastTAGSearch::Prepare(const std::string& text) {
    const CodePage& codePage = CodePage::System();
    m_text = text;
    m_upperText = codePage.Upper(text);
    m_lowerText = codePage.Lower(text);
    m_textLength = static_cast<int32_t>(text.size());
    const int32_t m = m_textLength;
    m_skip.fill(m);
    // The last byte is left out, so each byte keeps the distance of its last occurrence
    // before the end.
    for (int32_t i = 1; i <= m - 1; ++i) {
        m_skip[static_cast<unsigned char>(m_upperText[i - 1])] = m - i;
        m_skip[static_cast<unsigned char>(m_lowerText[i - 1])] = m - i;
    }
}

bool TFastTAGSearch::ScanRegion(const unsigned char* region, int64_t n) const {
    const int64_t m = m_textLength;
    if (m <= 0)
        return false;
    const auto* upper = reinterpret_cast<const unsigned char*>(m_upperText.data());
    const auto* lower = reinterpret_cast<const unsigned char*>(m_lowerText.data());
    for (int64_t s = 0; s + m <= n;) {
        int64_t j = m - 1;
        while (j >= 0 && (region[s + j] == upper[j] || region[s + j] == lower[j]))
            --j;
        if (j < 0)
            return true;
        s += m_skip[region[s + m - 1]];
    }
    return false;
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
    if (ReadAt(file.Get(), buffer, HeaderSize, 0) < HeaderSize)
        return false;

    if (buffer[0] == 'I' && buffer[1] == 'D' && buffer[2] == '3') {
        int64_t size = ((buffer[6] & 0x7F) << 21) | ((buffer[7] & 0x7F) << 14) |
                       ((buffer[8] & 0x7F) << 7) | (buffer[9] & 0x7F);
        size += HeaderSize;
        if (size > fileSize)
            size = 0;
        if (size > static_cast<int64_t>(BufferSize))
            size = static_cast<int64_t>(BufferSize);
        // The declared size counts the header too, so the region runs 10 bytes past the tag.
        const int64_t n = ReadAt(file.Get(), buffer, size, HeaderSize);
        if (ScanRegion(buffer, n))
            return true;
    }

    if (fileSize < RecordSize)
        return false;
    const int64_t n = ReadAt(file.Get(), buffer, RecordSize, fileSize - RecordSize);
    if (n >= 3 && buffer[0] == 'T' && buffer[1] == 'A' && buffer[2] == 'G')
        return ScanRegion(buffer, n);
    return false;
}
