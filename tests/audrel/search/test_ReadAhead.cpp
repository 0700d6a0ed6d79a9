#include "ReadAhead.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "support/TempDir.h"

using namespace testsupport;

namespace {

// Writes a file and drops its pages from the page cache.
bool WriteUncached(const std::string& path) {
    const std::string bytes(200 * 1024, 'x');
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const bool ok = fd >= 0 && ::write(fd, bytes.data(), bytes.size()) == ssize_t(bytes.size()) &&
                    ::fsync(fd) == 0 && ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED) == 0;
    ::close(fd);
    return ok;
}

bool HeadCached(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    void* map = ::mmap(nullptr, 4096, PROT_READ, MAP_SHARED, fd, 0);
    ::close(fd);
    unsigned char page = 0;
    const bool cached = map != MAP_FAILED && ::mincore(map, 4096, &page) == 0 && (page & 1);
    if (map != MAP_FAILED)
        ::munmap(map, 4096);
    return cached;
}

bool WaitFor(const std::function<bool()>& done) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done() && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return done();
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
    // A writer waiting in open() would be let through by anyone opening the FIFO to read.
    std::atomic<pid_t> writerTid{0};
    std::atomic<bool> writerIn{false};
    std::thread writer([&] {
        writerTid = ::gettid();
        ::close(::open((dir / "pipe.mp3").c_str(), O_WRONLY));
        writerIn = true;
    });
    ASSERT_TRUE(WaitFor([&] {
        const auto call =
            ReadFileBytes("/proc/self/task/" + std::to_string(writerTid) + "/syscall");
        return call.rfind(std::to_string(SYS_openat) + " ", 0) == 0;
    }));

    {
        TReadAhead readAhead(dir.Path(), true, "*.mp3", TReadAheadMode::Always);
        ASSERT_TRUE(WaitFor([&] { return readAhead.WalkEnded(); })); // the FIFO blocks nothing
    }
    EXPECT_TRUE(
        WaitFor([&] { return HeadCached(dir / "a.mp3") && HeadCached(dir / "sub/b.MP3"); }));
    EXPECT_FALSE(HeadCached(dir / "notes.txt"));
    EXPECT_FALSE(writerIn);

    const int reader = ::open((dir / "pipe.mp3").c_str(), O_RDONLY | O_NONBLOCK);
    writer.join();
    ::close(reader);
}

TEST(ReadAhead, StaysWithinItsWindowAheadOfTheSearch) {
    TempDir dir;
    const uint32_t files = TReadAhead::WindowFiles + 8;
    auto name = [&](uint32_t i) { return dir / ("f" + std::to_string(i) + ".mp3"); };
    for (uint32_t i = 0; i < files; ++i)
        ASSERT_TRUE(WriteUncached(name(i)));
    if (HeadCached(name(0)))
        GTEST_SKIP() << "this file system keeps every page cached";
    auto cached = [&] {
        uint32_t n = 0;
        for (uint32_t i = 0; i < files; ++i)
            n += HeadCached(name(i)) ? 1 : 0;
        return n;
    };
    TReadAhead readAhead(dir.Path(), true, "*.mp3", TReadAheadMode::Always);
    ASSERT_TRUE(WaitFor([&] { return cached() == TReadAhead::WindowFiles; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(cached(), TReadAhead::WindowFiles);
    // Half the window used up: the helper goes on to the end.
    for (uint32_t i = 0; i < TReadAhead::WindowFiles / 2; ++i)
        readAhead.Passed(std::chrono::microseconds(1));
    EXPECT_TRUE(WaitFor([&] { return readAhead.WalkEnded() && cached() == files; }));
}
