#include "FileReader.h"

#include <algorithm>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>

TFileReader::~TFileReader() {
    Close();
}

bool TFileReader::Open(const std::string& path) {
    Close();
    struct stat st {};
    m_fd = fileio::OpenRegular(path, O_RDONLY, &st);
    if (!m_fd)
        return false;
    m_size = static_cast<int64_t>(st.st_size);
    return true;
}

void TFileReader::Close() {
    m_fd.Reset();
    m_size = 0;
    m_readCalls = 0;
    for (Window* w : {&m_head, &m_tail, &m_middle})
        w->size = 0;
}

bool TFileReader::Window::Holds(int64_t at, size_t n) const {
    return size > 0 && at >= offset && static_cast<uint64_t>(at - offset) + n <= size;
}

const TFileReader::Window* TFileReader::Cached(int64_t offset, size_t n) const {
    for (const Window* w : {&m_head, &m_tail, &m_middle})
        if (w->Holds(offset, n))
            return w;
    return nullptr;
}

int64_t TFileReader::ReadFully(int64_t offset, void* dst, size_t n) {
    return fileio::ReadFullyAt(m_fd.Get(), dst, n, offset, &m_readCalls);
}

bool TFileReader::Fill(Window& window, int64_t offset, size_t n) {
    if (n > window.capacity) {
        // Not value-initialised: only the bytes read are ever looked at.
        window.bytes = std::make_unique_for_overwrite<uint8_t[]>(n);
        window.capacity = n;
    }
    window.size = 0;
    int64_t got = ReadFully(offset, window.bytes.get(), n);
    if (got < 0)
        return false;
    window.offset = offset;
    window.size = static_cast<size_t>(got);
    return true;
}

int64_t TFileReader::ReadAt(int64_t offset, void* dst, size_t n) {
    if (!m_fd || offset < 0)
        return -1;
    if (offset >= m_size || n == 0)
        return 0;
    // Bytes past the size seen at opening are not asked for: every result stays consistent
    // with Size() even when the file grows meanwhile.
    n = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(n), m_size - offset));

    if (!Cached(offset, n)) {
        const int64_t tailStart = std::max<int64_t>(0, m_size - static_cast<int64_t>(TailWindow));
        if (m_head.size == 0 && offset < static_cast<int64_t>(HeadWindow)) {
            const int64_t want = std::max<int64_t>(HeadWindow, offset + static_cast<int64_t>(n));
            Fill(m_head, 0, static_cast<size_t>(std::min(want, m_size)));
        } else if (offset >= tailStart) {
            const int64_t start = std::min(offset, tailStart);
            Fill(m_tail, start, static_cast<size_t>(m_size - start));
        } else {
            const int64_t want = std::max<int64_t>(HeadWindow, static_cast<int64_t>(n));
            Fill(m_middle, offset, static_cast<size_t>(std::min(want, m_size - offset)));
        }
    }
    if (const Window* w = Cached(offset, n)) {
        std::memcpy(dst, w->bytes.get() + (offset - w->offset), n);
        return static_cast<int64_t>(n);
    }
    // A window came back short (the file shrank, or a read failed): read the bytes directly.
    return ReadFully(offset, dst, n);
}
