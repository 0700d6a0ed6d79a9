#include "FileReader.h"

#include <random>
#include <string>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "support/TempDir.h"

using namespace testsupport;

namespace {

std::string RandomBytes(size_t n, unsigned seed) {
    std::mt19937 gen(seed);
    std::string s(n, '\0');
    for (char& c : s)
        c = static_cast<char>(gen());
    return s;
}

// What a plain read of the bytes gives.
std::string Expected(const std::string& file, int64_t offset, size_t n) {
    if (offset >= static_cast<int64_t>(file.size()))
        return {};
    return file.substr(static_cast<size_t>(offset), n);
}

class FileReaderTest : public ::testing::Test {
protected:
    std::string Make(size_t size) {
        bytes = RandomBytes(size, static_cast<unsigned>(size));
        path = dir / "f.mp3";
        EXPECT_TRUE(WriteFileBytes(path, bytes));
        return path;
    }
    std::string Read(TFileReader& r, int64_t offset, size_t n) {
        std::string out(n, '\0');
        const int64_t got = r.ReadAt(offset, out.data(), n);
        EXPECT_GE(got, 0);
        out.resize(static_cast<size_t>(std::max<int64_t>(got, 0)));
        return out;
    }
    TempDir dir;
    std::string bytes, path;
};

TEST_F(FileReaderTest, EveryReadMatchesAPlainRead) {
    for (size_t size : {0u, 5u, 128u, 3000u, 4096u, 20000u, 70000u}) {
        Make(size);
        std::mt19937 gen(7);
        // Fresh readers see different cache states; each read is checked against the bytes.
        for (int round = 0; round < 20; ++round) {
            TFileReader r;
            ASSERT_TRUE(r.Open(path));
            EXPECT_EQ(r.Size(), static_cast<int64_t>(size));
            for (int i = 0; i < 30; ++i) {
                const int64_t offset =
                    (gen() % 3 == 0)
                        ? static_cast<int64_t>(size) - static_cast<int64_t>(gen() % 5000)
                        : static_cast<int64_t>(gen() % (size + 100));
                const size_t n = gen() % 2 == 0 ? gen() % 300 : gen() % 20000;
                if (offset < 0)
                    continue;
                ASSERT_EQ(Read(r, offset, n), Expected(bytes, offset, n))
                    << "size " << size << " offset " << offset << " n " << n;
            }
        }
    }
}

TEST_F(FileReaderTest, TypicalAnalysisCostsTwoReads) {
    Make(200000);
    TFileReader r;
    ASSERT_TRUE(r.Open(path));
    const int64_t size = r.Size();
    // ID3v2 header and frames, the frame search behind the tag, the vendor text, ID3v1.
    EXPECT_EQ(Read(r, 0, 10), bytes.substr(0, 10));
    EXPECT_EQ(Read(r, 10, 10), bytes.substr(10, 10));
    EXPECT_EQ(Read(r, 20, 250), bytes.substr(20, 250));
    EXPECT_EQ(Read(r, 4000, 3458), bytes.substr(4000, 3458));
    EXPECT_EQ(Read(r, size - 3458, 3458), bytes.substr(static_cast<size_t>(size) - 3458));
    EXPECT_EQ(Read(r, size - 128, 128), bytes.substr(static_cast<size_t>(size) - 128));
    EXPECT_EQ(r.ReadCalls(), 2u);
    // A read elsewhere goes to the file once, then is served from its window.
    EXPECT_EQ(Read(r, 100000, 10), bytes.substr(100000, 10));
    EXPECT_EQ(Read(r, 100010, 250), bytes.substr(100010, 250));
    EXPECT_EQ(r.ReadCalls(), 3u);
}

TEST_F(FileReaderTest, BadOffsetsAndClosedReader) {
    Make(1000);
    TFileReader r;
    char buf[16];
    EXPECT_EQ(r.ReadAt(0, buf, 16), -1);
    ASSERT_TRUE(r.Open(path));
    EXPECT_EQ(r.ReadAt(-1, buf, 16), -1);
    EXPECT_EQ(r.ReadAt(1000, buf, 16), 0);
    EXPECT_EQ(r.ReadAt(int64_t{1} << 40, buf, 16), 0);
    EXPECT_EQ(r.ReadAt(995, buf, 16), 5);
    r.Close();
    EXPECT_FALSE(r.IsOpen());
    EXPECT_EQ(r.ReadAt(0, buf, 16), -1);
}

TEST_F(FileReaderTest, OnlyRegularFilesOpen) {
    TFileReader r;
    EXPECT_FALSE(r.Open(dir / "missing"));
    EXPECT_FALSE(r.Open(dir.Path()));
    const std::string fifo = dir / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    EXPECT_FALSE(r.Open(fifo)); // returns at once: no writer is waited for
    EXPECT_FALSE(r.Open("/dev/null"));
    EXPECT_FALSE(r.IsOpen());
}

} // namespace
