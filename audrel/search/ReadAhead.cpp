#include "ReadAhead.h"

#include <algorithm>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "FileReader.h"
#include "FolderOpen.h"

namespace {

constexpr off_t HeadBytes = TFileReader::HeadWindow;
constexpr off_t TailBytes = TFileReader::TailWindow;

} // namespace

// The helper's own folder walk: the search's order (readdir of each folder, depth first, no
// links to folders), with every folder kept open while the walk is below it.
struct TReadAhead::Walk {
    std::vector<DIR*> open;

    ~Walk() {
        for (DIR* dir : open)
            ::closedir(dir);
    }

    void Push(int parentFd, const char* name, bool follow) {
        if (DIR* dir = OpenFolderAt(parentFd, name, follow))
            open.push_back(dir);
    }

    void Pop() {
        ::closedir(open.back());
        open.pop_back();
    }
};

TReadAhead::TReadAhead(std::string folder, bool subFolders, const std::string& mask,
                       TReadAheadMode mode)
    : m_folder(std::move(folder)), m_subFolders(subFolders), m_mode(mode) {
    try {
        m_mask.emplace(mask);
    } catch (const EMaskException&) {
        // The search ends at its first file anyway; nothing to read ahead for.
        m_mode = TReadAheadMode::Never;
    }
    if (m_mode == TReadAheadMode::Always)
        Start();
}

TReadAhead::~TReadAhead() {
    Stop();
}

void TReadAhead::Passed(std::chrono::nanoseconds spent) {
    const uint32_t passed = m_passed.fetch_add(1) + 1;
    if (m_thread.joinable()) {
        // The helper, a full window ahead, sleeps until half of it is used up: one wake-up
        // for every WindowFiles / 2 files, not one for each.
        if (static_cast<int32_t>(passed - m_wakeAt.load()) >= 0)
            m_passed.notify_one();
        return;
    }
    if (m_mode != TReadAheadMode::Auto)
        return;
    m_slowRun = spent >= SlowFile ? m_slowRun + 1 : 0;
    if (m_slowRun >= SlowRun)
        Start();
}

void TReadAhead::Start() {
    if (m_thread.joinable() || m_stopped || m_mode == TReadAheadMode::Never)
        return;
    try {
        m_thread = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
        // No thread to spare: the search goes on without read-ahead.
        m_stopped = true;
    }
}

void TReadAhead::Stop() {
    m_stopped = true;
    if (!m_thread.joinable())
        return;
    m_quit.store(true, std::memory_order_release);
    m_passed.fetch_add(1, std::memory_order_release);
    m_passed.notify_all();
    m_thread.join();
}

bool TReadAhead::WaitForWindow(uint32_t index) {
    constexpr auto window = static_cast<int32_t>(WindowFiles);
    if (static_cast<int32_t>(index - m_passed.load()) < window)
        return !m_quit.load();
    m_wakeAt.store(index - WindowFiles / 2);
    for (;;) {
        if (m_quit.load())
            return false;
        const uint32_t passed = m_passed.load();
        if (static_cast<int32_t>(index - passed) <= window / 2)
            return true;
        m_passed.wait(passed);
    }
}

void TReadAhead::Hint(int dirFd, const char* name, unsigned char type) {
    // Only regular files are opened; a link counts by what it points to, as for the search.
    if (type != DT_REG) {
        struct stat st {};
        if (type != DT_LNK || ::fstatat(dirFd, name, &st, 0) != 0 || !S_ISREG(st.st_mode))
            return;
    }
    // Non-blocking all the same: the name may have been replaced by a FIFO meanwhile.
    const int fd = ::openat(dirFd, name, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        ::posix_fadvise(fd, 0, HeadBytes, POSIX_FADV_WILLNEED);
        if (st.st_size > HeadBytes) {
            const off_t tail = std::max<off_t>(HeadBytes, st.st_size - TailBytes);
            ::posix_fadvise(fd, tail, st.st_size - tail, POSIX_FADV_WILLNEED);
        }
    }
    ::close(fd);
}

void TReadAhead::Run() {
    try {
        WalkAhead();
    } catch (...) {
        // Out of memory, say: the search goes on without read-ahead.
    }
    m_walkEnded.store(true, std::memory_order_release);
}

void TReadAhead::WalkAhead() {
    Walk walk;
    std::string name;
    uint32_t index = 0; // matching files met so far
    walk.Push(AT_FDCWD, m_folder.c_str(), true);
    while (!walk.open.empty() && !m_quit.load(std::memory_order_acquire)) {
        DIR* dir = walk.open.back();
        const dirent* d = ::readdir(dir);
        if (!d) {
            walk.Pop();
            continue;
        }
        if (IsDots(d->d_name))
            continue;
        name.assign(d->d_name);
        const unsigned char type = EntryType(::dirfd(dir), name.c_str(), d->d_type);
        if (type == DT_DIR) {
            if (!m_subFolders)
                continue;
            // Too deep to follow the search's order further with open folders.
            if (walk.open.size() >= MaxDepth)
                break;
            walk.Push(::dirfd(dir), name.c_str(), false);
            continue;
        }
        if (!m_mask->IsMatch(name))
            continue;
        const uint32_t mine = index++;
        if (!WaitForWindow(mine))
            break;
        // Files the search is already past are walked over without a hint.
        if (static_cast<int32_t>(mine - m_passed.load(std::memory_order_acquire)) >= 0)
            Hint(::dirfd(dir), name.c_str(), type);
    }
}
