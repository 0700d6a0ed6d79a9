#include "ReadAhead.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "support/TempDir.h"

using namespace testsupport;
using namespace std::chrono_literals;

namespace {

// A file of `size` bytes whose pages are not in the page cache (false when the file system
// keeps them there whatever we ask, as tmpfs does).
bool WriteUncached(const std::string& path, size_t size = 200 * 1024) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return false;
    const std::string bytes(size, 'x');
    const bool written = ::write(fd, bytes.data(), size) == static_cast<ssize_t>(size) &&
                         ::fsync(fd) == 0 && ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED) == 0;
    ::close(fd);
    return written;
}

// Whether the first page of the file is in the page cache.
bool HeadCached(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0)
        return false;
    void* map = ::mmap(nullptr, 4096, PROT_READ, MAP_SHARED, fd, 0);
    ::close(fd);
    if (map == MAP_FAILED)
        return false;
    unsigned char page = 0;
    const bool cached = ::mincore(map, 4096, &page) == 0 && (page & 1);
    ::munmap(map, 4096);
    return cached;
}

bool WaitFor(const std::function<bool()>& done) {
    for (auto until = std::chrono::steady_clock::now() + 10s; !done();) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

} // namespace

TEST(ReadAhead, AsksOnlyForRegularFilesThatMatchTheMask) {
    TempDir dir;
    ASSERT_EQ(::mkdir((dir / "sub").c_str(), 0755), 0);
    for (const char* name : {"a.mp3", "notes.txt", "sub/b.MP3"})
        ASSERT_TRUE(WriteUncached(dir / name));
    if (HeadCached(dir / "a.mp3"))
        GTEST_SKIP() << "this file system keeps every page cached";
    ASSERT_EQ(::mkfifo((dir / "pipe.mp3").c_str(), 0600), 0);
    ASSERT_EQ(::symlink("pipe.mp3", (dir / "link.mp3").c_str()), 0);
    // A writer that opening the FIFO for reading would let through.
    std::atomic<bool> writerIn{false};
    std::atomic<pid_t> writerTid{0};
    std::thread writer([&] {
        writerTid = ::gettid();
        const int fd = ::open((dir / "pipe.mp3").c_str(), O_WRONLY);
        writerIn = true;
        if (fd >= 0)
            ::close(fd);
    });
    ASSERT_TRUE(WaitFor([&] {
        const std::string call =
            ReadFileBytes("/proc/self/task/" + std::to_string(writerTid) + "/syscall");
        return call.rfind(std::to_string(SYS_openat) + " ", 0) == 0;
    }));

    for (const bool subFolders : {false, true}) {
        TReadAhead readAhead(dir.Path(), subFolders, "*.mp3", TReadAheadMode::Always);
        ASSERT_TRUE(WaitFor([&] { return readAhead.WalkEnded(); }));
        EXPECT_TRUE(WaitFor([&] { return HeadCached(dir / "a.mp3"); }));
        if (subFolders)
            EXPECT_TRUE(WaitFor([&] { return HeadCached(dir / "sub/b.MP3"); }));
        else
            EXPECT_FALSE(HeadCached(dir / "sub/b.MP3"));
    }
    EXPECT_FALSE(HeadCached(dir / "notes.txt"));
    EXPECT_FALSE(writerIn);

    const int reader = ::open((dir / "pipe.mp3").c_str(), O_RDONLY | O_NONBLOCK);
    writer.join();
    ::close(reader);
}

TEST(ReadAhead, StaysWithinItsWindowAheadOfTheSearch) {
    TempDir dir;
    constexpr uint32_t files = TReadAhead::WindowFiles + 8;
    for (uint32_t i = 0; i < files; ++i)
        ASSERT_TRUE(WriteUncached(dir / ("f" + std::to_string(i) + ".mp3"), 8192));
    if (HeadCached(dir / "f0.mp3"))
        GTEST_SKIP() << "this file system keeps every page cached";
    auto cached = [&] {
        uint32_t n = 0;
        for (uint32_t i = 0; i < files; ++i)
            n += HeadCached(dir / ("f" + std::to_string(i) + ".mp3")) ? 1 : 0;
        return n;
    };

    TReadAhead readAhead(dir.Path(), true, "*.mp3", TReadAheadMode::Always);
    ASSERT_TRUE(WaitFor([&] { return cached() == TReadAhead::WindowFiles; }));
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(cached(), TReadAhead::WindowFiles);
    EXPECT_FALSE(readAhead.WalkEnded());

    for (uint32_t i = 0; i < files - TReadAhead::WindowFiles; ++i)
        readAhead.Passed(1us);
    EXPECT_TRUE(WaitFor([&] { return readAhead.WalkEnded() && cached() == files; }));
}

TEST(ReadAhead, StartsWhenFilesKeepWaitingOnTheDisk) {
    using us = std::chrono::microseconds;
    const auto slow = TReadAhead::SlowFile;
    const struct {
        TReadAheadMode mode;
        std::vector<us> spent;
        bool running;
    } cases[] = {
        {TReadAheadMode::Auto, {slow, slow, slow}, true},
        {TReadAheadMode::Auto, {slow, slow, us(5), slow, slow, us(5)}, false},
        {TReadAheadMode::Auto, std::vector<us>(1000, us(5)), false},
        {TReadAheadMode::Never, std::vector<us>(10, 10 * slow), false},
    };
    TempDir dir;
    for (const auto& c : cases) {
        TReadAhead readAhead(dir.Path(), true, "*.mp3", c.mode);
        for (const us spent : c.spent)
            readAhead.Passed(spent);
        EXPECT_EQ(readAhead.Running(), c.running) << c.spent.size();
        readAhead.Stop();
        EXPECT_FALSE(readAhead.Running());
    }
}
