#include "FastTagSearch.h"

#include <cstdlib>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "CodePage.h"
#include "support/TagBytes.h"
#include "support/TempDir.h"

using namespace testsupport;

namespace {

// Every case here runs in Windows-1251 (set by CTest).

class FastTagSearch : public ::testing::Test {
protected:
    bool Contains(const std::string& text, const std::string& bytes) {
        const std::string path = dir / "f.mp3";
        EXPECT_TRUE(WriteFileBytes(path, bytes));
        search.Prepare(text);
        return search.FileContains(path);
    }

    TempDir dir;
    TFastTAGSearch search;
};

std::string Audio(size_t n) {
    return std::string(n, '\x55');
}

} // namespace

TEST_F(FastTagSearch, PrepareBuildsBothFormsAndTheShiftTable) {
    ASSERT_EQ(CodePage::System().Number(), 1251u);
    search.Prepare("Abca");
    EXPECT_EQ(search.UpperText(), "ABCA");
    EXPECT_EQ(search.LowerText(), "abca");
    EXPECT_EQ(search.TextLength(), 4);
    EXPECT_EQ(search.Skip('A'), 3);
    EXPECT_EQ(search.Skip('a'), 3);
    EXPECT_EQ(search.Skip('B'), 2);
    EXPECT_EQ(search.Skip('c'), 1);
    EXPECT_EQ(search.Skip('z'), 4);
    // Cyrillic letters are folded by the code page: "Люба" -> "ЛЮБА" / "люба".
    search.Prepare("\xCB\xFE\xE1\xE0");
    EXPECT_EQ(search.UpperText(), "\xCB\xDE\xC1\xC0");
    EXPECT_EQ(search.LowerText(), "\xEB\xFE\xE1\xE0");
}

TEST_F(FastTagSearch, ScanFindsEitherCaseAtEveryPosition) {
    search.Prepare("abc");
    const std::string hay = "xxAbCxx";
    EXPECT_TRUE(search.ScanRegion(reinterpret_cast<const unsigned char*>(hay.data()), 7));
    EXPECT_FALSE(search.ScanRegion(reinterpret_cast<const unsigned char*>(hay.data()), 4));
    EXPECT_TRUE(search.ScanRegion(reinterpret_cast<const unsigned char*>(hay.data()) + 2, 3));
    // Repeated letters in the text and near misses.
    search.Prepare("aab");
    const std::string tricky = "aaaAaaAAB";
    EXPECT_TRUE(search.ScanRegion(reinterpret_cast<const unsigned char*>(tricky.data()), 9));
    search.Prepare("q");
    EXPECT_TRUE(search.ScanRegion(reinterpret_cast<const unsigned char*>("xxQ"), 3));
    EXPECT_FALSE(search.ScanRegion(reinterpret_cast<const unsigned char*>("xxR"), 3));
}

TEST_F(FastTagSearch, TextInTheId3v2RegionIsFound) {
    const std::string tag = Id3v2Tag({TextFrame23("TPE1", "Some Artist")}, 20);
    EXPECT_TRUE(Contains("some ARTIST", tag + Audio(1000)));
    EXPECT_FALSE(Contains("other", tag + Audio(1000)));
    // The region runs 10 bytes past the declared tag.
    EXPECT_TRUE(Contains("zq", tag + std::string(8, '\x55') + "ZQ" + Audio(1000)));
    EXPECT_FALSE(Contains("zq", tag + std::string(9, '\x55') + "ZQ" + Audio(1000)));
}

TEST_F(FastTagSearch, TextInTheId3v1RecordIsFoundInAnyCase) {
    const std::string body = Audio(4000) + Id3v1Record("Title", "The Artist", "Album");
    EXPECT_TRUE(Contains("the artist", body));
    EXPECT_TRUE(Contains("THE ARTIST", body));
    // The record is raw bytes: a text spanning the title and artist fields is found.
    const std::string spanning = Audio(500) + Id3v1Record(std::string(28, 'x') + "Lo", "ve Song");
    EXPECT_TRUE(Contains("love", spanning));
    // Without "TAG" the last 128 bytes are no record.
    std::string noTag = body;
    noTag[noTag.size() - 128] = 'X';
    EXPECT_FALSE(Contains("artist", noTag));
}

TEST_F(FastTagSearch, CyrillicTextIsFoundInEitherCase) {
    // "Кино" in a tag, "кИНО" typed.
    const std::string body = Id3v2Tag({TextFrame23("TPE1", "\xCA\xE8\xED\xEE")}) + Audio(500);
    EXPECT_TRUE(Contains("\xEA\xC8\xCD\xCE", body));
    EXPECT_FALSE(Contains("\xEA\xC8\xCD\xC0", body));
}

TEST_F(FastTagSearch, OversizedOrTinyFilesScanOnlyWhatExists) {
    EXPECT_FALSE(Contains("a", "ID3aaaaa")); // shorter than 10 bytes
    // A declared size beyond the file gives an empty ID3v2 region; the record still counts.
    std::string huge = Id3v2Header(1000000) + "needle" + Audio(300) + Id3v1Record("needle");
    EXPECT_TRUE(Contains("needle", huge));
    huge = Id3v2Header(1000000) + "needle" + Audio(300);
    EXPECT_FALSE(Contains("needle", huge));
    // Shorter than 128 bytes: no record.
    EXPECT_FALSE(Contains("abc", std::string("0123456789TAGabc")));
}

TEST_F(FastTagSearch, LargeTagsAreReadOnPastTheFirst64KiB) {
    std::string frames = TextFrame23("COMM", std::string(70000, 'x'));
    const std::string tag =
        Id3v2Header(static_cast<uint32_t>(frames.size() + 100)) + frames + std::string(100, '\0');
    std::string body = tag + Audio(100);
    body.replace(10 + 65536 - 20, 6, "inside");
    body.replace(10 + 65536 + 10, 7, "outside");
    body.replace(10 + 65536 - 3, 6, "across");
    EXPECT_TRUE(Contains("inside", body));
    EXPECT_TRUE(Contains("outside", body));
    EXPECT_TRUE(Contains("across", body));
}

TEST_F(FastTagSearch, UnicodeFormsAndTextsBehindCovers) {
    static const CodePage cp1251(1251), cp1252(1252);
    const std::string cover(400000, '\xAB');
    const auto apic = [&](uint8_t major, const std::string& data) {
        return FrameV(major, major == 2 ? "PIC" : "APIC",
                      major == 2 ? std::string("\0JPG\x03\0", 6) + data
                                 : std::string("\0image/jpeg\0\x03\0", 15) + data);
    };
    const auto v24 = [](char encoding, const std::string& text) {
        return Id3v2Tag({FrameV(4, "TIT2", std::string(1, encoding) + text)}, 0, 4);
    };
    const std::string kinoLe = Id3v2Tag({Utf16TextFrame23("TIT2", u"Кино")});
    std::string unsynced = Unsynchronised(apic(3, cover) + Utf16TextFrame23("TIT2", u"Кино"));
    unsynced = Id3v2Header(static_cast<uint32_t>(unsynced.size()), 3, 0, 0x80) + unsynced;
    std::string hidden = cover;
    hidden.replace(200000, 8, Utf16Bytes(u"Кино", false, false));
    const struct {
        const char* what;
        const CodePage& cp;
        std::string typed; // UTF-8
        std::string file;
        bool found;
    } cases[] = {
        {"UTF-16 LE with BOM, folded", cp1251, "кИНО", kinoLe, true},
        {"UTF-16 BE with BOM", cp1251, "КИНО", Id3v2Tag({Utf16TextFrame23("TIT2", u"кино", true)}),
         true},
        {"UTF-16 BE without BOM", cp1251, "Кино", v24('\x02', Utf16Bytes(u"КИНО", true, false)),
         true},
        {"UTF-8", cp1251, "кино", v24('\x03', "КиНо"), true},
        {"ASCII in UTF-16", cp1252, "song", Id3v2Tag({Utf16TextFrame23("TIT2", u"SONG")}), true},
        {"1252 folds its own letters", cp1252, "café", v24('\x03', "CAFÉ"), true},
        {"1252 has no Cyrillic case", cp1252, "кино", kinoLe, false},
        {"1252 looks for Cyrillic as typed", cp1252, "Кино", kinoLe, true},
        {"1251 folds what it has", cp1251, "café", v24('\x03', "CAFé"), true},
        {"1251 lacks é", cp1251, "café", v24('\x03', "CAFÉ"), false},
        {"case forms are not mixed inside a character", cp1251, "р", v24('\x03', "Ѡ"), false},
        {"no ? for what the code page lacks", cp1252, "Кино",
         Id3v2Tag({TextFrame23("TIT2", "????")}) + Audio(500) + Id3v1Record("????"), false},
        {"behind a cover", cp1251, "кино",
         Id3v2Tag({apic(3, cover), Utf16TextFrame23("TIT2", u"Кино")}), true},
        {"code page behind a cover", cp1252, "needle",
         Id3v2Tag({apic(3, cover), TextFrame23("TIT2", "Needle")}), true},
        {"2.2 behind a cover", cp1251, "кино",
         Id3v2Tag({apic(2, cover), FrameV(2, "TT2", "\x01" + Utf16Bytes(u"Кино"))}, 0, 2), true},
        {"2.4 behind a cover", cp1251, "кино",
         Id3v2Tag({apic(4, cover), FrameV(4, "TIT2", "\x03Кино")}, 0, 4), true},
        {"unsynchronised, behind a cover", cp1251, "кино", unsynced, true},
        {"inside a cover's data", cp1251, "Кино", Id3v2Tag({apic(3, hidden)}), false},
    };
    for (const auto& c : cases) {
        TFastTAGSearch s(c.cp);
        s.Prepare(c.cp.FromUtf8(c.typed), c.typed);
        const std::string path = dir / "u.mp3";
        ASSERT_TRUE(WriteFileBytes(path, c.file + Audio(300)));
        EXPECT_EQ(s.FileContains(path), c.found) << c.what;
    }
}

TEST_F(FastTagSearch, FilesThatCannotBeReadRaiseAnError) {
    search.Prepare("x");
    EXPECT_THROW(search.FileContains(dir / "missing.mp3"), EFOpenError);
    EXPECT_THROW(search.FileContains(dir.Path()), EFOpenError);
    // A FIFO is refused at once, never waited on.
    const std::string fifo = dir / "pipe.mp3";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_THROW(search.FileContains(fifo), EFOpenError);
}
