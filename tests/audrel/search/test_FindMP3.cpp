#include "FindMP3.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "support/MpegBytes.h"
#include "support/TagBytes.h"
#include "support/TempDir.h"

using namespace testsupport;

namespace {

// A constant-bit-rate file of 128 kbit/s frames (16000 bytes a second), padded to `length`
// bytes of audio, with optional tags.
std::string Mp3(const std::string& v2 = {}, const std::string& v1 = {}, size_t length = 8340) {
    std::string audio = MpegFrames(MpegHeaderFields{}, 417, length / 417);
    audio.resize(length, '\x55');
    return v2 + audio + v1;
}

std::string NotAudio(const std::string& v1 = {}) {
    return std::string(5000, '\x11') + v1;
}

void Write(const std::string& path, const std::string& bytes) {
    ASSERT_TRUE(WriteFileBytes(path, bytes)) << path;
}

void MakeDir(const std::string& path) {
    ASSERT_EQ(::mkdir(path.c_str(), 0755), 0) << path;
}

struct Result {
    std::vector<TFindMP3Info> hits;
    std::vector<std::string> folders;
    int finished = 0;
    int32_t fileCount = -1;
    int32_t folderCount = -1;
    TFindStatus status = fsStarted;
    std::string error;

    std::set<std::string> Names() const {
        std::set<std::string> names;
        for (const auto& h : hits)
            names.insert(h.Entry.Name);
        return names;
    }
};

// Runs one search to its end with notifications called directly on the worker.
Result Search(const std::string& folder, const std::function<void(TFindMP3&)>& configure = {}) {
    Result r;
    auto engine = std::make_unique<TFindMP3>();
    engine->SetFolder(folder);
    engine->SetMask("*.mp3");
    if (configure)
        configure(*engine);
    engine->OnFound = [&](TFindMP3&, const TFindMP3Info& info) { r.hits.push_back(info); };
    engine->OnFolder = [&](TFindMP3& e) { r.folders.push_back(e.CurrentFolder()); };
    engine->OnFinished = [&](TFindMP3& e) {
        ++r.finished;
        r.fileCount = e.FileCount();
        r.folderCount = e.FolderCount();
        r.status = e.Status();
    };
    engine->Start();
    engine->WaitUntilFinished();
    r.error = engine->ErrorText();
    return r;
}

// A stand-in for the user-interface thread's event queue: the hand-off posts the call, and the
// owner's thread runs it in its next pass.
class EventQueue {
public:
    // Notifications of `engine` come through this queue; its owner's wait is Serve.
    void Connect(TFindMP3& engine) {
        engine.SetHandOff(
            [this](std::function<void()> call, bool) {
                const std::lock_guard lock(m_mutex);
                m_queue.push_back(std::move(call));
                m_changed.notify_all();
            },
            [this](const std::function<bool()>& done) { Serve(done); });
    }

    // Runs what was pending when called, as one pass of an event loop does: a call posted
    // meanwhile waits for the next pass (else a fast worker could be served a whole walk here).
    void RunPending() {
        std::deque<std::function<void()>> pending;
        {
            const std::lock_guard lock(m_mutex);
            pending.swap(m_queue);
        }
        for (auto& call : pending) {
            call();
            m_changed.notify_all();
        }
    }

    // The owner's wait: serves pass by pass until `done`.
    void Serve(const std::function<bool()>& done) {
        while (!done()) {
            WaitForPosted(std::chrono::milliseconds(100));
            RunPending();
        }
    }

    // Waits until something is posted, at most for `timeout`.
    bool WaitForPosted(std::chrono::milliseconds timeout) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, timeout, [&] { return !m_queue.empty(); });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::function<void()>> m_queue;
};

} // namespace

TEST(FindMP3, StartsWithItsDefaults) {
    TFindMP3 engine;
    EXPECT_EQ(engine.FileCount(), 0);
    EXPECT_EQ(engine.FolderCount(), 0);
    EXPECT_TRUE(engine.SubFolders());
    EXPECT_TRUE(engine.FastSearch);
    EXPECT_EQ(engine.Mask(), "*.*");
    EXPECT_EQ(engine.Folder(), TFindMP3::HomeFolder());
    EXPECT_EQ(engine.Folder().back(), '/');
    EXPECT_TRUE(engine.FastText.empty());
    EXPECT_TRUE(engine.CurrentFolder().empty());
    EXPECT_TRUE(engine.TitleText.empty() && engine.ArtistText.empty() && engine.AlbumText.empty());
}

TEST(FindMP3, MaskRuleKeepsOnlyMp3MasksAndNormalisesStars) {
    TFindMP3 engine;
    const std::pair<const char*, const char*> cases[] = {
        {"*.MP3", "*.MP3"},  {"*.wav", "*.mp3"},         {"", "*.mp3"},
        {"**.mp3", "*.mp3"}, {"?*?.mp3", "*.mp3"},       {"track??.mp3", "track??.mp3"},
        {".mp3", "*.mp3"},   {"a*?*b?.Mp3", "a*b?.Mp3"}, {"x.mp3 ", "*.mp3"},
    };
    for (const auto& [given, stored] : cases) {
        engine.SetMask(given);
        EXPECT_EQ(engine.Mask(), stored) << given;
    }
}

TEST(FindMP3, FolderAlwaysEndsWithTheSeparator) {
    TFindMP3 engine;
    engine.SetFolder("/music");
    EXPECT_EQ(engine.Folder(), "/music/");
    engine.SetFolder("/music/");
    EXPECT_EQ(engine.Folder(), "/music/");
    engine.SetFolder("");
    EXPECT_EQ(engine.Folder(), TFindMP3::HomeFolder());
}

TEST(FindMP3, EmptyFolderCountsItsDotEntries) {
    TempDir dir;
    const Result r = Search(dir.Path());
    EXPECT_EQ(r.fileCount, 2);
    EXPECT_EQ(r.folderCount, 0);
    EXPECT_TRUE(r.hits.empty());
    EXPECT_EQ(r.finished, 1);
    EXPECT_EQ(r.folders, std::vector<std::string>{dir.Path() + "/"});
    EXPECT_EQ(r.status, fsNoHit);
}

TEST(FindMP3, MissingRootEndsAtOnceWithZeroCounters) {
    TempDir dir;
    const Result r = Search(dir / "nowhere");
    EXPECT_EQ(r.fileCount, 0);
    EXPECT_EQ(r.folderCount, 0);
    EXPECT_TRUE(r.hits.empty());
    EXPECT_EQ(r.finished, 1);
    EXPECT_EQ(r.status, fsNoHit);
    EXPECT_TRUE(r.error.empty());
}

TEST(FindMP3, WalkCountsEveryEntryAndReportsValidMatchingFiles) {
    TempDir dir;
    Write(dir / "a.mp3", Mp3());
    Write(dir / "B.MP3", Mp3());
    Write(dir / "notes.txt", Mp3());
    Write(dir / "broken.mp3", NotAudio());
    MakeDir(dir / "sub");
    Write(dir / "sub/c.mp3", Mp3());
    MakeDir(dir / "x.mp3"); // a folder is never reported, whatever its name
    Write(dir / "x.mp3/d.mp3", Mp3());

    const auto cwd = std::filesystem::current_path();
    const Result r = Search(dir.Path());
    EXPECT_EQ(std::filesystem::current_path(), cwd); // the worker's current folder is its own
    // root: . .. a B notes broken sub x.mp3 = 8; sub: . .. c = 3; x.mp3: . .. d = 3
    EXPECT_EQ(r.fileCount, 14);
    EXPECT_EQ(r.folderCount, 2);
    EXPECT_EQ(r.Names(), (std::set<std::string>{"a.mp3", "B.MP3", "c.mp3", "d.mp3"}));
    EXPECT_EQ(r.folders.size(), 3u);
    for (const auto& h : r.hits) {
        EXPECT_EQ(h.Duration, 1); // 8340 bytes at 16000 bytes a second
        const std::string expected = h.Entry.Name == "c.mp3"   ? dir / "sub/c.mp3"
                                     : h.Entry.Name == "d.mp3" ? dir / "x.mp3/d.mp3"
                                                               : dir / h.Entry.Name;
        EXPECT_EQ(h.FullPath, expected);
    }

    const Result flat = Search(dir.Path(), [](TFindMP3& e) { e.SetSubFolders(false); });
    EXPECT_EQ(flat.fileCount, 8);
    EXPECT_EQ(flat.folderCount, 0);
    EXPECT_EQ(flat.Names(), (std::set<std::string>{"a.mp3", "B.MP3"}));
}

TEST(FindMP3, WalkIsDepthFirstInEnumerationOrder) {
    TempDir dir;
    for (const char* d : {"one", "two"}) {
        MakeDir(dir / d);
        MakeDir(dir / (std::string(d) + "/deep"));
        Write(dir / (std::string(d) + "/deep/f.mp3"), Mp3());
        Write(dir / (std::string(d) + "/g.mp3"), Mp3());
    }
    const Result r = Search(dir.Path());
    ASSERT_EQ(r.hits.size(), 4u);
    ASSERT_EQ(r.folders.size(), 5u);
    // Each sub-tree is finished before the next one starts.
    const std::string first = r.folders[1];
    EXPECT_EQ(r.folders[2].rfind(first, 0), 0u);
    EXPECT_EQ(r.hits[0].FullPath.rfind(first, 0), 0u);
    EXPECT_EQ(r.hits[1].FullPath.rfind(first, 0), 0u);
}

TEST(FindMP3, DurationIsRoundedHalfToEven) {
    TempDir dir;
    Write(dir / "a.mp3", Mp3({}, {}, 24000)); // 1.5 s
    Write(dir / "b.mp3", Mp3({}, {}, 40000)); // 2.5 s
    Write(dir / "c.mp3", Mp3({}, {}, 40100)); // 2.50625 s
    const Result r = Search(dir.Path());
    ASSERT_EQ(r.hits.size(), 3u);
    for (const auto& h : r.hits)
        EXPECT_EQ(h.Duration, h.Entry.Name == "c.mp3" ? 3 : 2) << h.Entry.Name;
}

TEST(FindMP3, DetailSearchComparesExactlyAndCriteriaAreAlternatives) {
    TempDir dir;
    Write(dir / "v2lovers.mp3", Mp3(Id3v2Tag({TextFrame23("TIT2", "Lovers")})));
    Write(dir / "lower.mp3", Mp3(Id3v2Tag({TextFrame23("TIT2", "love")}), Id3v1Record("love")));
    Write(dir / "artist.mp3", Mp3({}, Id3v1Record("x", "Loveless", "Album")));
    Write(dir / "album.mp3", Mp3(Id3v2Tag({TextFrame23("TALB", "Best Of")})));
    Write(dir / "rejected.mp3", NotAudio(Id3v1Record("Love")));

    const Result title = Search(dir.Path(), [](TFindMP3& e) {
        e.FastSearch = false;
        e.TitleText = "Love";
    });
    ASSERT_EQ(title.Names(), (std::set<std::string>{"v2lovers.mp3"}));
    EXPECT_EQ(title.hits[0].TitleV2, "Lovers");
    EXPECT_EQ(title.hits[0].TitleV1, "");

    const Result any = Search(dir.Path(), [](TFindMP3& e) {
        e.FastSearch = false;
        e.TitleText = "Lovers";
        e.ArtistText = "Love";
        e.AlbumText = "Best";
    });
    EXPECT_EQ(any.Names(), (std::set<std::string>{"v2lovers.mp3", "artist.mp3", "album.mp3"}));
    for (const auto& h : any.hits) {
        if (h.Entry.Name == "artist.mp3") {
            EXPECT_EQ(h.ArtistV1, "Loveless");
            EXPECT_EQ(h.AlbumV1, "Album");
            EXPECT_EQ(h.TitleV1, "x");
        }
    }

    const Result none = Search(dir.Path(), [](TFindMP3& e) { e.FastSearch = false; });
    EXPECT_TRUE(none.hits.empty());
    EXPECT_EQ(none.fileCount, 7);
}

TEST(FindMP3, DetailCriteriaMeetTheUnicodeFieldsOfEveryTagVersion) {
    // Code page 1252 (set by CTest): it lacks the Cyrillic and Greek letters.
    TempDir dir;
    Write(dir / "v22.mp3", Mp3(Id3v2Tag({FrameV(2, "TT2", std::string("\0Lovers", 7))}, 0, 2)));
    Write(
        dir / "utf8.mp3",
        Mp3(Id3v2Tag({FrameV(4, "TIT2", "\x03Кино"), FrameV(4, "TPE1", "\x03Ελλάδα Кино")}, 0, 4)));
    Write(dir / "utf16.mp3", Mp3(Id3v2Tag({Utf16TextFrame23("TIT2", u"Кино")})));
    Write(dir / "question.mp3", Mp3({}, Id3v1Record("?", "Bj\xF6rk")));
    Write(dir / "latin1.mp3", Mp3(Id3v2Tag({TextFrame23("TPE1", "Bj\xF6rk")})));

    struct Case {
        std::string title, titleUnicode, artistUnicode;
        std::set<std::string> names;
    };
    const Case cases[] = {
        {"Love", "", "", {"v22.mp3"}},
        {"", "Кино", "", {"utf8.mp3", "utf16.mp3"}},
        {"", "кино", "", {}}, // still case-sensitive
        {"", "", "Ελλάδα К", {"utf8.mp3"}},
        // A field's "?" for a letter the code page lacks is no "?" of the criterion.
        {"?", "", "", {"question.mp3"}},
        {"", "?", "", {"question.mp3"}},
        // A typed text the code page holds meets ID3v1 and single-byte frames alike.
        {"", "", "Björk", {"question.mp3", "latin1.mp3"}},
    };
    for (const Case& c : cases) {
        const Result r = Search(dir.Path(), [&c](TFindMP3& e) {
            e.FastSearch = false;
            e.TitleText = c.title;
            e.TitleUnicode = c.titleUnicode;
            e.ArtistUnicode = c.artistUnicode;
        });
        EXPECT_EQ(r.Names(), c.names) << c.title << c.titleUnicode << c.artistUnicode;
    }
}

TEST(FindMP3, FastSearchNeedsTheTextAndAValidFile) {
    TempDir dir;
    Write(dir / "tagged.mp3", Mp3(Id3v2Tag({TextFrame23("TPE1", "Aquarium")})));
    Write(dir / "v1.mp3", Mp3({}, Id3v1Record("", "AQUARIUM")));
    Write(dir / "other.mp3", Mp3(Id3v2Tag({TextFrame23("TPE1", "Kino")})));
    Write(dir / "rejected.mp3", NotAudio(Id3v1Record("aquarium")));

    const Result text = Search(dir.Path(), [](TFindMP3& e) { e.FastText = "aquarium"; });
    EXPECT_EQ(text.Names(), (std::set<std::string>{"tagged.mp3", "v1.mp3"}));

    const Result all = Search(dir.Path());
    EXPECT_EQ(all.Names(), (std::set<std::string>{"tagged.mp3", "v1.mp3", "other.mp3"}));
}

TEST(FindMP3, UnopenableMatchingFileIsNoHitAndTheWalkGoesOn) {
    TempDir dir;
    for (int i = 0; i < 20; ++i)
        Write(dir / ("f" + std::to_string(i) + ".mp3"),
              Mp3(Id3v2Tag({TextFrame23("TIT2", "needle")})));
    ASSERT_EQ(::mkfifo((dir / "pipe.mp3").c_str(), 0600), 0);
    ASSERT_EQ(::symlink("nowhere.mp3", (dir / "dangling.mp3").c_str()), 0);

    const Result r = Search(dir.Path(), [](TFindMP3& e) { e.FastText = "NEEDLE"; });
    EXPECT_EQ(r.hits.size(), 20u);
    EXPECT_EQ(r.fileCount, 24);
    EXPECT_TRUE(r.error.empty());
}

TEST(FindMP3, LinksToFoldersAreNotFollowedAndOnlyRegularFilesAreRead) {
    TempDir dir;
    MakeDir(dir / "sub");
    Write(dir / "sub/real.mp3", Mp3());
    ASSERT_EQ(::symlink(dir.Path().c_str(), (dir / "sub/loop").c_str()), 0);
    ASSERT_EQ(::symlink("..", (dir / "sub/up.mp3").c_str()), 0);
    ASSERT_EQ(::symlink("real.mp3", (dir / "sub/alias.mp3").c_str()), 0);
    ASSERT_EQ(::mkfifo((dir / "sub/fifo.mp3").c_str(), 0600), 0);

    const Result r = Search(dir.Path());
    EXPECT_EQ(r.finished, 1);
    EXPECT_EQ(r.folderCount, 1);
    EXPECT_EQ(r.fileCount, 3 + 7);
    // A link to a regular file is read like the file itself.
    EXPECT_EQ(r.Names(), (std::set<std::string>{"real.mp3", "alias.mp3"}));
}

TEST(FindMP3, UnreadableFolderIsSilentlyEmpty) {
    TempDir dir;
    MakeDir(dir / "locked");
    Write(dir / "locked/hidden.mp3", Mp3());
    Write(dir / "open.mp3", Mp3());
    ASSERT_EQ(::chmod((dir / "locked").c_str(), 0), 0);
    auto check = [&] {
        const Result r = Search(dir.Path());
        return r.folderCount == 1 && r.fileCount == 4 &&
               r.Names() == std::set<std::string>{"open.mp3"} && r.folders.size() == 2 &&
               r.finished == 1;
    };
    if (::geteuid() != 0) {
        EXPECT_TRUE(check());
        return;
    }
    // Permissions do not stop root: search as an ordinary user in a child process.
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0755), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(2);
        ::_exit(check() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(FindMP3, NamesAreBytes) {
    TempDir dir;
    const std::string odd[] = {"new\nline.mp3", "\xFF\xFE bad utf8.mp3", "tab\there.mp3",
                               "-dash.mp3"};
    for (const auto& name : odd)
        Write(dir / name, Mp3());
    const Result r = Search(dir.Path());
    EXPECT_EQ(r.Names(), std::set<std::string>(std::begin(odd), std::end(odd)));
    for (const auto& h : r.hits)
        EXPECT_EQ(h.FullPath, dir / h.Entry.Name);
}

TEST(FindMP3, InvalidMaskEndsTheWalkAndSaysWhy) {
    TempDir dir;
    Write(dir / "a.mp3", Mp3());
    const Result r = Search(dir.Path(), [](TFindMP3& e) { e.SetMask("[.mp3"); });
    EXPECT_EQ(r.finished, 1);
    EXPECT_TRUE(r.hits.empty());
    EXPECT_EQ(r.error, "'[.mp3' is an invalid mask at (6)");
    EXPECT_GE(r.fileCount, 1);
}

namespace {

// Builds a chain of `depth` folders named "d" below `root` without long paths, with a valid
// file "x.mp3" at every level that is a multiple of 100 and a handful of plain files at
// level 1 (some of which readdir gives after the sub-folder).
void MakeDeepTree(const std::string& root, int depth, const std::string& mp3) {
    int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(fd, 0);
    for (int level = 1; level <= depth; ++level) {
        ASSERT_EQ(::mkdirat(fd, "d", 0755), 0);
        const int child = ::openat(fd, "d", O_RDONLY | O_DIRECTORY);
        ::close(fd);
        fd = child;
        ASSERT_GE(fd, 0);
        auto put = [&](const std::string& name) {
            const int f = ::openat(fd, name.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ASSERT_GE(f, 0);
            ASSERT_EQ(::write(f, mp3.data(), mp3.size()), static_cast<ssize_t>(mp3.size()));
            ::close(f);
        };
        if (level % 100 == 0)
            put("x.mp3");
        if (level == 1)
            for (int i = 0; i < 30; ++i)
                put("f" + std::to_string(i) + ".mp3");
    }
    ::close(fd);
}

// Removes such a chain bottom-up, going up through ".." (its paths are too long for names,
// and holding every level open could exceed the open-file limit).
void RemoveDeepTree(const std::string& root) {
    int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY);
    int levels = 0;
    for (int child;
         fd >= 0 && (child = ::openat(fd, "d", O_RDONLY | O_DIRECTORY | O_NOFOLLOW)) >= 0;
         ++levels) {
        ::close(fd);
        fd = child;
    }
    for (; fd >= 0; --levels) {
        ::unlinkat(fd, "x.mp3", 0);
        for (int k = 0; k < 30; ++k)
            ::unlinkat(fd, ("f" + std::to_string(k) + ".mp3").c_str(), 0);
        if (levels == 0)
            break;
        const int parent = ::openat(fd, "..", O_RDONLY | O_DIRECTORY);
        ::close(fd);
        fd = parent;
        ::unlinkat(fd, "d", AT_REMOVEDIR);
    }
    if (fd >= 0)
        ::close(fd);
}

} // namespace

TEST(FindMP3, VeryDeepTreesAreWalkedWhole) {
    // Two chains below one folder: the walk must come back up the first and go down the
    // second, both far deeper than the folders it keeps open at once.
    constexpr int depths[] = {2100, 300};
    TempDir dir;
    int32_t entries = 4 + 1; // root: . .. top0 top1 side.mp3
    size_t files = 1;
    for (int k = 0; k < 2; ++k) {
        const std::string top = dir / ("top" + std::to_string(k));
        MakeDir(top);
        MakeDeepTree(top, depths[k], Mp3());
        // top: . .. d; each level: . .. [d] [x.mp3]; level 1: 30 files more.
        entries += 3 + depths[k] * 3 - 1 + depths[k] / 100 + 30;
        files += depths[k] / 100 + 30;
    }
    Write(dir / "side.mp3", Mp3());

    const Result r = Search(dir.Path());
    RemoveDeepTree(dir / "top0");
    RemoveDeepTree(dir / "top1");

    EXPECT_EQ(r.folderCount, depths[0] + depths[1] + 2);
    EXPECT_EQ(r.fileCount, entries);
    EXPECT_EQ(r.hits.size(), files);
    size_t longest = 0;
    for (const auto& h : r.hits)
        longest = std::max(longest, h.FullPath.size());
    EXPECT_GT(longest, 4096u); // found beyond the system's path length limit
}

// Called on the worker, or handed to the owner's thread while the worker walks on ahead: the
// hits behind the stop are never reported, and the end shows the counters of the last one.
TEST(FindMP3, StopEndsTheWalkBeforeTheNextEntry) {
    TempDir dir;
    for (int i = 0; i < 50; ++i)
        Write(dir / ("f" + std::to_string(i) + ".mp3"), Mp3());
    for (const bool handedOff : {false, true}) {
        SCOPED_TRACE(handedOff ? "handed off" : "direct");
        int32_t countAtStop = -1;
        Result r;
        EventQueue ui;
        auto engine = std::make_unique<TFindMP3>();
        engine->SetFolder(dir.Path());
        engine->SetMask("*.mp3");
        if (handedOff)
            ui.Connect(*engine);
        engine->OnFound = [&](TFindMP3& e, const TFindMP3Info& info) {
            r.hits.push_back(info);
            if (r.hits.size() == 3) {
                countAtStop = e.FileCount();
                e.Stop();
            }
        };
        engine->OnFinished = [&](TFindMP3& e) {
            ++r.finished;
            r.fileCount = e.FileCount();
        };
        engine->Start();
        engine->WaitUntilFinished();
        EXPECT_EQ(r.hits.size(), 3u);
        EXPECT_EQ(r.finished, 1);
        EXPECT_EQ(r.fileCount, countAtStop);
        EXPECT_EQ(engine->FileCount(), countAtStop);
    }
}

TEST(FindMP3, WaitingOwnerServesTheNotificationsStillToCome) {
    TempDir dir;
    for (int i = 0; i < 200; ++i)
        Write(dir / ("f" + std::to_string(i) + ".mp3"), Mp3());

    EventQueue ui;
    const auto uiThread = std::this_thread::get_id();
    std::vector<std::thread::id> ranOn;
    int found = 0;
    int finished = 0;
    int32_t fileCount = -1;

    auto engine = std::make_unique<TFindMP3>();
    engine->SetFolder(dir.Path());
    engine->SetMask("*.mp3");
    ui.Connect(*engine);
    engine->OnFolder = [&](TFindMP3&) { ranOn.push_back(std::this_thread::get_id()); };
    engine->OnFound = [&](TFindMP3&, const TFindMP3Info&) {
        ranOn.push_back(std::this_thread::get_id());
        ++found;
    };
    engine->OnFinished = [&](TFindMP3& e) {
        ranOn.push_back(std::this_thread::get_id());
        ++finished;
        fileCount = e.FileCount();
    };
    engine->Start();

    // Serve the first few notifications like an event loop, then press Stop while more are
    // on their way.
    while (found < 5) {
        ASSERT_TRUE(ui.WaitForPosted(std::chrono::seconds(20)));
        ui.RunPending();
    }
    engine->Stop();
    engine->WaitUntilFinished();

    EXPECT_TRUE(engine->Finished());
    EXPECT_EQ(finished, 1);
    EXPECT_GE(found, 5);
    EXPECT_EQ(fileCount, engine->FileCount());
    for (const auto id : ranOn)
        EXPECT_EQ(id, uiThread);
    engine.reset();
}

TEST(FindMP3, DestroyingARunningEngineStopsAndWaitsForIt) {
    TempDir dir;
    for (int i = 0; i < 100; ++i)
        Write(dir / ("f" + std::to_string(i) + ".mp3"), Mp3());
    EventQueue ui;
    std::atomic<int> found{0};
    int finished = 0;
    auto engine = std::make_unique<TFindMP3>();
    engine->SetFolder(dir.Path());
    engine->SetMask("*.mp3");
    ui.Connect(*engine);
    engine->OnFound = [&](TFindMP3&, const TFindMP3Info&) { ++found; };
    engine->OnFinished = [&](TFindMP3&) { ++finished; };
    engine->Start();
    ASSERT_TRUE(ui.WaitForPosted(std::chrono::seconds(20)));
    engine.reset(); // notifications are on their way right now
    EXPECT_EQ(finished, 1);
    EXPECT_LT(found.load(), 100);
}

// The owner's wait ends with the worker's last record, which comes even when nobody listens
// for the end; the hits came through the hand-off in walk order before it.
TEST(FindMP3, TheOwnersWaitEndsWithoutAFinishHandler) {
    TempDir dir;
    for (int i = 0; i < 30; ++i)
        Write(dir / ("f" + std::to_string(i) + ".mp3"), Mp3());
    const Result direct = Search(dir.Path());
    EventQueue ui;
    std::vector<std::string> served;
    auto engine = std::make_unique<TFindMP3>();
    engine->SetFolder(dir.Path());
    ui.Connect(*engine);
    engine->OnFound = [&](TFindMP3&, const TFindMP3Info& info) { served.push_back(info.FullPath); };
    engine->Start();
    engine->WaitUntilFinished();
    EXPECT_TRUE(engine->Finished());
    std::vector<std::string> walked;
    for (const auto& h : direct.hits)
        walked.push_back(h.FullPath);
    EXPECT_EQ(served, walked);
}

TEST(FindMP3, ReadAheadChangesNothingTheOwnerSeesAndEndsWithTheSearch) {
    TempDir dir;
    MakeDir(dir / "sub");
    for (int i = 0; i < 40; ++i)
        Write(dir / ((i % 2 ? "sub/f" : "f") + std::to_string(i) + ".mp3"),
              Mp3(Id3v2Tag({TextFrame23("TIT2", "t" + std::to_string(i))}), {}, 8340 + 417 * i));
    Write(dir / "broken.mp3", NotAudio());
    ASSERT_EQ(::mkfifo((dir / "sub/pipe.mp3").c_str(), 0600), 0);
    ASSERT_EQ(::symlink("f0.mp3", (dir / "alias.mp3").c_str()), 0);
    auto seen = [&](TReadAheadMode mode) {
        const Result r = Search(dir.Path(), [&](TFindMP3& e) { e.ReadAhead = mode; });
        std::vector<std::string> lines = r.folders;
        for (const auto& h : r.hits)
            lines.push_back(h.FullPath + " " + std::to_string(h.Duration) + " " + h.TitleV2);
        lines.push_back(std::to_string(r.fileCount) + " " + std::to_string(r.folderCount));
        return lines;
    };
    EXPECT_EQ(seen(TReadAheadMode::Always), seen(TReadAheadMode::Never));

    // Stopped in the middle: the helper is gone before OnFinished, the worker after it.
    auto threads = [] {
        const auto tasks = std::filesystem::directory_iterator("/proc/self/task");
        return std::distance(begin(tasks), end(tasks));
    };
    const auto before = threads();
    auto atFinish = before;
    TFindMP3 engine;
    engine.SetFolder(dir.Path());
    engine.ReadAhead = TReadAheadMode::Always;
    engine.OnFound = [](TFindMP3& e, const TFindMP3Info&) { e.Stop(); };
    engine.OnFinished = [&](TFindMP3&) { atFinish = threads(); };
    engine.Start();
    engine.WaitUntilFinished();
    EXPECT_EQ(atFinish, before + 1);
    EXPECT_EQ(threads(), before);
}
