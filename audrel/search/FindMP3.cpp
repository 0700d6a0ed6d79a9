#include "FindMP3.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <pwd.h>
#include <sched.h>
#include <sys/stat.h>
#include <unistd.h>

#include "CodePage.h"
#include "FolderOpen.h"
#include "MPEGaudio.h"

namespace {

bool EndsWithMp3(const std::string& mask) {
    if (mask.size() < 5)
        return false;
    static constexpr char ext[] = ".mp3";
    for (size_t k = 0; k < 4; ++k) {
        char c = mask[mask.size() - 4 + k];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != ext[k])
            return false;
    }
    return true;
}

int32_t RoundSeconds(double seconds) {
    // Halves go to the even neighbour (the default rounding mode).
    const double r = std::nearbyint(seconds);
    if (!(r >= std::numeric_limits<int32_t>::min()))
        return std::numeric_limits<int32_t>::min();
    if (r > std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(r);
}

} // namespace

bool TDirEntry::IsFolder() const {
    return Type == DT_DIR;
}

// The open folders of the walk, deepest last. Each level keeps its folder open so that
// children are opened relative to it (no path length limit, no symlink races). Past a
// budget of open folders the shallowest open level reads the rest of its entries into
// memory and closes; it is reopened through ".." of its child when the walk returns to it.
struct TFindMP3::Walker {
    static constexpr size_t OpenBudget = 128;

    struct Level {
        DIR* dir = nullptr;
        int fd = -1;
        dev_t dev = 0;
        ino_t ino = 0;
        size_t pathLength = 0;       // length of the folder's path in `path`
        uint64_t serial = 0;         // tells levels apart even when a descriptor is reused
        std::vector<TDirEntry> rest; // entries still to come once the folder was closed
        size_t next = 0;
        bool spilled = false;
    };

    std::vector<Level> levels;
    size_t firstOpen = 0; // levels below this index are spilled
    std::string path;     // Folder + relative path of the deepest level
    std::string procPath;
    bool ownCwd = false;    // the worker has a current folder of its own
    uint64_t cwdSerial = 0; // the level that is the worker's current folder
    uint64_t nextSerial = 1;

    ~Walker() {
        while (!levels.empty())
            PopRaw();
    }

    // Opens a folder as the new deepest level; false when it cannot be listed.
    bool Push(int parentFd, const char* name, bool follow) {
        DIR* dir = OpenFolderAt(parentFd, name, follow);
        if (!dir)
            return false;
        Level level;
        level.dir = dir;
        level.fd = ::dirfd(dir);
        level.pathLength = path.size();
        level.serial = nextSerial++;
        levels.push_back(std::move(level));
        if (levels.size() - firstOpen > OpenBudget)
            Spill(levels[firstOpen++]);
        return true;
    }

    static void Spill(Level& level) {
        if (level.spilled) {
            // Reopened on the way back up, and now deep below it again: its entries are
            // already in memory.
            if (level.fd >= 0)
                ::close(level.fd);
            level.fd = -1;
            return;
        }
        // Remembered so that the folder is known again when it is reopened through "..".
        struct stat st {};
        if (::fstat(level.fd, &st) == 0) {
            level.dev = st.st_dev;
            level.ino = st.st_ino;
        }
        while (dirent* d = ::readdir(level.dir)) {
            TDirEntry entry;
            entry.Name = d->d_name;
            entry.Inode = d->d_ino;
            entry.Type = EntryType(level.fd, d->d_name, d->d_type);
            level.rest.push_back(std::move(entry));
        }
        ::closedir(level.dir);
        level.dir = nullptr;
        level.fd = -1;
        level.spilled = true;
    }

    // Closes the deepest level and makes sure the one above it is open again.
    void Pop() {
        const size_t index = levels.size() - 1;
        if (index > 0 && index - 1 < firstOpen) {
            Level& parent = levels[index - 1];
            const int fd = ::openat(levels[index].fd, "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            struct stat st {};
            // A folder moved away meanwhile is not entered again by another way.
            if (fd >= 0 && ::fstat(fd, &st) == 0 && st.st_dev == parent.dev &&
                st.st_ino == parent.ino) {
                parent.fd = fd;
            } else if (fd >= 0) {
                ::close(fd);
            }
            firstOpen = index - 1;
        }
        PopRaw();
        if (!levels.empty())
            path.resize(levels.back().pathLength);
    }

    void PopRaw() {
        Level& level = levels.back();
        if (level.dir)
            ::closedir(level.dir);
        else if (level.fd >= 0)
            ::close(level.fd);
        levels.pop_back();
        if (firstOpen > levels.size())
            firstOpen = levels.size();
    }

    // The next entry of the deepest level into `entry`; false at its end.
    bool Next(TDirEntry& entry) {
        Level& level = levels.back();
        if (level.spilled) {
            if (level.next >= level.rest.size())
                return false;
            entry = std::move(level.rest[level.next++]);
            return true;
        }
        dirent* d = ::readdir(level.dir);
        if (!d)
            return false;
        entry.Name.assign(d->d_name);
        entry.Inode = d->d_ino;
        entry.Type = EntryType(level.fd, d->d_name, d->d_type);
        return true;
    }

    // A path by which the analyser can open `name` in the deepest folder even when the full
    // path is longer than the system accepts.
    const std::string& OpenablePath(const std::string& fullPath, const std::string& name) {
        Level& level = levels.back();
        if (level.fd < 0)
            return fullPath;
        // Opening by name inside the worker's own current folder spares the kernel the walk
        // of every folder on the path, and works beyond the path length limit.
        if (ownCwd && (cwdSerial == level.serial || ::fchdir(level.fd) == 0)) {
            cwdSerial = level.serial;
            return name;
        }
        if (fullPath.size() < PATH_MAX)
            return fullPath;
        procPath = "/proc/self/fd/" + std::to_string(level.fd) + "/" + name;
        return procPath;
    }
};

TFindMP3::TFindMP3()
    : m_analyser(std::make_unique<TMPEGaudio>()), m_folder(HomeFolder()),
      m_fastTagSearch(std::make_unique<TFastTAGSearch>()) {}

TFindMP3::~TFindMP3() {
    Stop();
    WaitUntilFinished();
    if (m_self)
        *m_self = nullptr; // a call still posted finds nothing
}

std::string TFindMP3::HomeFolder() {
    std::string home;
    if (const char* env = std::getenv("HOME"); env && *env) {
        home = env;
    } else if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) {
        home = pw->pw_dir;
    } else {
        home = "/";
    }
    if (home.back() != '/')
        home += '/';
    return home;
}

std::string TFindMP3::NormalizeMask(const std::string& mask) {
    std::string result;
    result.reserve(mask.size());
    size_t i = 0;
    while (i < mask.size()) {
        if (mask[i] != '*' && mask[i] != '?') {
            result += mask[i++];
            continue;
        }
        const size_t start = i;
        bool star = false;
        for (; i < mask.size() && (mask[i] == '*' || mask[i] == '?'); ++i)
            star = star || mask[i] == '*';
        if (star)
            result += '*';
        else
            result.append(mask, start, i - start);
    }
    return result;
}

void TFindMP3::SetMask(const std::string& mask) {
    m_mask = EndsWithMp3(mask) ? NormalizeMask(mask) : std::string("*.mp3");
}

void TFindMP3::SetFolder(const std::string& folder) {
    m_folder = folder.empty() ? HomeFolder() : folder;
    if (m_folder.back() != '/')
        m_folder += '/';
}

void TFindMP3::SetHandOff(TPost post, TWait wait) {
    m_post = std::move(post);
    m_wait = std::move(wait);
}

void TFindMP3::Start() {
    if (m_started)
        return;
    m_fileCount = 0;
    m_folderCount = 0;
    m_status = fsStarted;
    m_started = true;
    if (m_post) {
        m_queue.resize(QueueLength);
        for (Record& r : m_queue)
            r.info = std::make_unique<TFindMP3Info>();
        m_self = std::make_shared<TFindMP3*>(this);
    }
    m_thread = std::thread([this] { Execute(); });
}

bool TFindMP3::Finished() const {
    const std::lock_guard lock(m_mutex);
    return m_ended;
}

void TFindMP3::WaitUntilFinished() {
    if (!m_started || std::this_thread::get_id() == m_thread.get_id())
        return;
    if (m_wait && m_post) {
        // Once the last record has been shown, the worker only returns.
        m_wait([this] { return m_lastShown.load(); });
    } else {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_ended; });
    }
    if (m_thread.joinable())
        m_thread.join();
}

namespace {

std::string MessageOf(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "Unknown error";
    }
}

} // namespace

void TFindMP3::Execute() {
    try {
        if (!FastText.empty())
            m_fastTagSearch->Prepare(FastText, FastUnicode);
        PrepareCriteria();
        // Compiled once; an invalid mask ends the walk at the first file, as it would if
        // the mask were compiled for every name.
        try {
            m_compiledMask.emplace(m_mask);
        } catch (const EMaskException&) {
            m_maskError = std::current_exception();
        }
        m_readAhead = std::make_unique<TReadAhead>(m_folder, m_subFolders, m_mask, ReadAhead);
        Walk();
    } catch (...) {
        m_errorText = MessageOf(std::current_exception());
    }
    m_walker.reset();
    // The helper ends with the walk, before the owner hears of the end.
    m_readAhead.reset();
    if (m_post) {
        Emit(Record::Last);
    } else if (OnFinished) {
        try {
            OnFinished(*this);
        } catch (...) {
            // Nothing may keep the worker from ending.
        }
    }
    {
        const std::lock_guard lock(m_mutex);
        m_ended = true;
    }
    m_changed.notify_all();
}

void TFindMP3::Notify(Record::Kind kind) {
    if (m_post)
        Emit(kind);
    else if (kind == Record::Folder && OnFolder)
        OnFolder(*this);
    else if (kind == Record::Found && OnFound)
        OnFound(*this, m_info);
}

// On the worker: the state of this moment into the queue, waiting while the queue is full.
void TFindMP3::Emit(Record::Kind kind) {
    const uint64_t tail = m_tail.load(std::memory_order_relaxed);
    const auto full = [&] { return tail - m_head.load() >= QueueLength; };
    if (full()) {
        std::unique_lock lock(m_mutex);
        m_workerWaitsForRoom.store(true);
        m_room.wait(lock, [&] { return !full(); });
        m_workerWaitsForRoom.store(false);
    }
    Record& r = m_queue[tail % QueueLength];
    r.kind = kind;
    r.fileCount = m_fileCount;
    r.folderCount = m_folderCount;
    r.status = m_status;
    if (kind == Record::Folder)
        r.folder = m_currentFolder;
    else if (kind == Record::Found)
        *r.info = m_info;
    else
        r.errorText = m_errorText;
    m_tail.store(tail + 1, std::memory_order_release);

    // Half a queue, and the end, do not wait for the owner's next batch.
    const int want = kind == Record::Last || tail + 1 - m_head.load() >= QueueLength / 2 ? 2 : 1;
    int posted = m_drainPosted.load();
    while (posted < want && !m_drainPosted.compare_exchange_weak(posted, want)) {
    }
    if (posted < want)
        PostDrain(want == 2);
}

void TFindMP3::PostDrain(bool soon) {
    m_post(
        [self = m_self] {
            if (*self)
                (*self)->Drain();
        },
        soon);
}

// On the owner's thread: shows the records in walk order and runs their notifications, for
// a few milliseconds at most, so that input and painting keep their turn.
void TFindMP3::Drain() {
    static constexpr std::chrono::milliseconds Budget{8};
    m_drainPosted.store(0);
    const auto began = std::chrono::steady_clock::now();
    for (;;) {
        const uint64_t head = m_head.load(std::memory_order_relaxed);
        if (head == m_tail.load(std::memory_order_acquire))
            return;
        Record& r = m_queue[head % QueueLength];
        const Record::Kind kind = r.kind;
        if (kind == Record::Last) {
            m_head.store(head + 1); // a drain posted before this one finds nothing
            Finish(r);
            return;
        }
        // Records behind a stop are never shown: the walk would not have reached them.
        const bool drop = m_stopRequested.load(std::memory_order_relaxed);
        if (drop) {
            m_shown.dropped = true;
        } else {
            m_shown.fileCount = r.fileCount;
            m_shown.folderCount = r.folderCount;
            m_shown.status = r.status;
            if (kind == Record::Folder)
                std::swap(m_shown.folder, r.folder);
            else
                std::swap(m_shown.info, r.info);
        }
        m_head.store(head + 1);
        if (m_workerWaitsForRoom.load()) {
            const std::lock_guard lock(m_mutex);
            m_room.notify_one();
        }
        if (!drop) {
            try {
                if (kind == Record::Folder && OnFolder)
                    OnFolder(*this);
                else if (kind == Record::Found && OnFound)
                    OnFound(*this, *m_shown.info);
            } catch (...) {
                // Ends the search as an error of the walk would.
                m_shown.handlerError = std::current_exception();
                Stop();
            }
        }
        if (std::chrono::steady_clock::now() - began >= Budget) {
            m_drainPosted.store(2);
            PostDrain(true);
            return;
        }
    }
}

void TFindMP3::Finish(Record& last) {
    if (!m_shown.dropped) {
        m_shown.fileCount = last.fileCount;
        m_shown.folderCount = last.folderCount;
        m_shown.status = last.status;
    }
    if (m_shown.handlerError)
        m_shown.errorText = MessageOf(m_shown.handlerError);
    else if (!m_shown.dropped)
        m_shown.errorText = last.errorText;
    struct Last {
        std::atomic<bool>& shown;
        ~Last() { shown.store(true); }
    } guard{m_lastShown};
    if (OnFinished) {
        try {
            OnFinished(*this);
        } catch (...) {
        }
    }
}

void TFindMP3::EnterFolder() {
    m_currentFolder = m_walker->path;
    Notify(Record::Folder);
}

void TFindMP3::Walk() {
    m_walker = std::make_unique<Walker>();
    Walker& w = *m_walker;
    w.path = m_folder;
    EnterFolder();
    if (!w.Push(AT_FDCWD, m_folder.c_str(), true)) {
        if (m_status == fsStarted)
            m_status = fsNoHit;
        return;
    }
    // A current folder of this thread's own; the rest of the process keeps its own.
    w.ownCwd = ::unshare(CLONE_FS) == 0;
    TDirEntry entry;
    while (!w.levels.empty()) {
        if (m_stopRequested.load(std::memory_order_relaxed))
            break;
        if (!w.Next(entry)) {
            // Only the very first folder can end without a single entry.
            if (m_status == fsStarted)
                m_status = fsNoHit;
            w.Pop();
            continue;
        }
        m_status = fsNoHit;
        ++m_fileCount;
        if (IsDots(entry.Name.c_str()))
            continue;
        m_info.Entry = entry;
        m_info.FullPath.assign(w.path).append(entry.Name);
        if (entry.IsFolder()) {
            if (!m_subFolders)
                continue;
            ++m_folderCount;
            const int parentFd = w.levels.back().fd;
            w.path.append(entry.Name).push_back('/');
            EnterFolder();
            // A folder that cannot be listed is silently empty.
            if (!w.Push(parentFd, entry.Name.c_str(), false))
                w.path.resize(w.levels.back().pathLength);
            continue;
        }
        ProcessFile(w.levels.back().fd, entry);
    }
    if (m_status == fsStarted)
        m_status = fsNoHit;
}

namespace {

// Tag texts are mostly ASCII, the same in every form.
std::string Utf8OfCodePage(const std::string& bytes) {
    const bool ascii = std::all_of(bytes.begin(), bytes.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    return ascii ? bytes : CodePage::System().ToUtf8(bytes);
}

} // namespace

void TFindMP3::PrepareCriteria() {
    const CodePage& cp = CodePage::System();
    const std::array<std::pair<const std::string*, const std::string*>, 3> given = {{
        {&TitleText, &TitleUnicode},
        {&AlbumText, &AlbumUnicode},
        {&ArtistText, &ArtistUnicode},
    }};
    for (size_t i = 0; i < given.size(); ++i) {
        const std::string& codePage = *given[i].first;
        const std::string& unicode = *given[i].second;
        Criterion& c = m_criteria[i];
        if (unicode.empty()) {
            c.codePage = codePage;
            c.utf8 = Utf8OfCodePage(codePage);
            continue;
        }
        c.utf8 = unicode;
        c.codePage = cp.FromUtf8(unicode);
        if (cp.ToUtf8(c.codePage) != unicode)
            c.codePage.clear();
    }
}

// Any criterion in a field of either tag: ID3v1 by its code-page bytes, ID3v2 by its whole
// Unicode text, so that a field's "?" for a character the code page lacks matches nothing.
bool TFindMP3::DetailHit() const {
    const auto has = [](const std::string& field, const std::string& text) {
        return !text.empty() && field.find(text) != std::string::npos;
    };
    const TID3v2& v2 = m_analyser->ID3v2();
    return has(m_info.TitleV1, m_criteria[0].codePage) ||
           has(m_info.AlbumV1, m_criteria[1].codePage) ||
           has(m_info.ArtistV1, m_criteria[2].codePage) ||
           has(v2.Text(TID3v2::Field::Title), m_criteria[0].utf8) ||
           has(v2.Text(TID3v2::Field::Album), m_criteria[1].utf8) ||
           has(v2.Text(TID3v2::Field::Artist), m_criteria[2].utf8);
}

void TFindMP3::FillTexts() {
    const TID3v2& v2 = m_analyser->ID3v2();
    m_info.ArtistV1Text = Utf8OfCodePage(m_info.ArtistV1);
    m_info.TitleV1Text = Utf8OfCodePage(m_info.TitleV1);
    m_info.AlbumV1Text = Utf8OfCodePage(m_info.AlbumV1);
    m_info.ArtistV2Text = v2.Text(TID3v2::Field::Artist);
    m_info.TitleV2Text = v2.Text(TID3v2::Field::Title);
    m_info.AlbumV2Text = v2.Text(TID3v2::Field::Album);
}

void TFindMP3::ProcessFile(int dirFd, const TDirEntry& entry) {
    if (!m_compiledMask)
        std::rethrow_exception(m_maskError);
    if (!m_compiledMask->IsMatch(entry.Name))
        return;
    const auto began = std::chrono::steady_clock::now();

    if (FastSearch) {
        if (FastText.empty()) {
            m_status = fsHit;
        } else {
            // A file that cannot be opened is no hit; the walk goes on.
            try {
                if (m_fastTagSearch->FileContainsAt(dirFd, entry.Name.c_str(), m_info.FullPath))
                    m_status = fsHit;
            } catch (const EFOpenError&) {
            }
        }
    }

    TMPEGaudio& a = *m_analyser;
    a.ReadFromFile(m_walker->OpenablePath(m_info.FullPath, entry.Name));
    if (a.Valid()) {
        m_info.Duration = RoundSeconds(a.Duration());
        m_info.TitleV1 = a.ID3v1().Title();
        m_info.ArtistV1 = a.ID3v1().Artist();
        m_info.AlbumV1 = a.ID3v1().Album();
        m_info.TitleV2 = a.ID3v2().Title();
        m_info.ArtistV2 = a.ID3v2().Artist();
        m_info.AlbumV2 = a.ID3v2().Album();
        if (!FastSearch && DetailHit())
            m_status = fsHit;
        if (m_status == fsHit)
            FillTexts();
    } else {
        m_status = fsNotAudio;
    }
    m_readAhead->Passed(std::chrono::steady_clock::now() - began);

    if (m_status == fsHit && OnFound)
        Notify(Record::Found);
}
