#include "ID3v1.h"

#include <cerrno>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "FileReader.h"
#include "support/FileSizeLimit.h"
#include "support/TagBytes.h"
#include "support/TempDir.h"

using namespace testsupport;

namespace {

TID3v1::Record ToRecord(const std::string& bytes) {
    TID3v1::Record r{};
    std::copy(bytes.begin(), bytes.begin() + 128, r.begin());
    return r;
}

std::string FromRecord(const TID3v1::Record& r) {
    return std::string(r.begin(), r.end());
}

void ExpectEmpty(const TID3v1& tag) {
    EXPECT_FALSE(tag.Exists());
    EXPECT_EQ(tag.Version(), 1);
    EXPECT_EQ(tag.Title(), "");
    EXPECT_EQ(tag.Artist(), "");
    EXPECT_EQ(tag.Album(), "");
    EXPECT_EQ(tag.Year(), "");
    EXPECT_EQ(tag.Comment(), "");
    EXPECT_EQ(tag.Track(), 0);
    EXPECT_EQ(tag.GenreIndex(), 255);
    EXPECT_EQ(tag.Genre(), "");
}

const std::string Audio = std::string(1000, '\xAA') + "audio" + std::string(300, '\x55');

TEST(ID3v1Genres, TheTableKeepsItsHistoricSpellings) {
    ASSERT_EQ(GenreNames.size(), 148u);
    EXPECT_EQ(GenreNames[0], "Blues");
    EXPECT_EQ(GenreNames[17], "Rock");
    EXPECT_EQ(GenreNames[67], "Psychadelic");
    EXPECT_EQ(GenreNames[79], "Hard Rock");
    EXPECT_EQ(GenreNames[80], "Folk");
    EXPECT_EQ(GenreNames[92], "Progessive Rock");
    EXPECT_EQ(GenreNames[93], "Psychedelic Rock");
    EXPECT_EQ(GenreNames[123], "A capella");
    EXPECT_EQ(GenreNames[136], "Christian Gangsta Rap");
    EXPECT_EQ(GenreNames[144], "Trash Metal");
    EXPECT_EQ(GenreNames[147], "Synthpop");
    TID3v1 tag;
    tag.SetGenreIndex(147);
    EXPECT_EQ(tag.Genre(), "Synthpop");
    tag.SetGenreIndex(148);
    EXPECT_EQ(tag.Genre(), "");
}

TEST(ID3v1Record, VersionDecidesCommentLengthAndTrack) {
    TID3v1 tag;
    // Comment bytes 29 and 30 zero: 1.0, comment from all 30 bytes, trailing zeros dropped.
    tag.ReadFromRecord(ToRecord(Id3v1Record("Title", "Artist", "Album", "1999", "Note", 0, 17)));
    EXPECT_TRUE(tag.Exists());
    EXPECT_EQ(tag.Version(), 1);
    EXPECT_EQ(tag.Title(), "Title");
    EXPECT_EQ(tag.Artist(), "Artist");
    EXPECT_EQ(tag.Album(), "Album");
    EXPECT_EQ(tag.Year(), "1999");
    EXPECT_EQ(tag.Comment(), "Note");
    EXPECT_EQ(tag.Track(), 0);
    EXPECT_EQ(tag.Genre(), "Rock");

    // Zero then a track number: 1.1.
    tag.ReadFromRecord(ToRecord(Id3v1Record("", "", "", "", std::string(28, 'c'), 5)));
    EXPECT_EQ(tag.Version(), 2);
    EXPECT_EQ(tag.Comment(), std::string(28, 'c'));
    EXPECT_EQ(tag.Track(), 5);

    // Space then a letter: 1.1 too, the letter is the track.
    tag.ReadFromRecord(ToRecord(Id3v1Record("", "", "", "", std::string(28, 'c') + " x")));
    EXPECT_EQ(tag.Version(), 2);
    EXPECT_EQ(tag.Comment(), std::string(28, 'c'));
    EXPECT_EQ(tag.Track(), 'x');

    // Two spaces: 1.0 with the full 30 bytes (trailing blanks dropped).
    tag.ReadFromRecord(ToRecord(Id3v1Record("", "", "", "", std::string(28, 'c') + "  ")));
    EXPECT_EQ(tag.Version(), 1);
    EXPECT_EQ(tag.Comment(), std::string(28, 'c'));
    tag.ReadFromRecord(ToRecord(Id3v1Record("", "", "", "", std::string(29, 'c') + "d")));
    EXPECT_EQ(tag.Version(), 1);
    EXPECT_EQ(tag.Comment(), std::string(29, 'c') + "d");
}

TEST(ID3v1Record, ZeroInsideAFieldStaysPartOfTheText) {
    TID3v1 tag;
    tag.ReadFromRecord(ToRecord(Id3v1Record(std::string("ab\0cd \x01", 7), " x ")));
    EXPECT_EQ(tag.Title(), std::string("ab\0cd", 5));
    EXPECT_EQ(tag.Artist(), " x");
}

TEST(ID3v1Record, WithoutTagLettersTheObjectStaysEmpty) {
    TID3v1 tag;
    tag.SetTitle("old");
    std::string r = Id3v1Record("Title");
    r[0] = 't';
    tag.ReadFromRecord(ToRecord(r));
    ExpectEmpty(tag);
}

TEST(ID3v1Record, PropertyWritesTrimTheEndThenCut) {
    TID3v1 tag;
    tag.SetTitle(std::string(40, 'T') + "   ");
    EXPECT_EQ(tag.Title(), std::string(30, 'T'));
    // Trailing control characters go; leading blanks stay; the cut comes after the trim.
    tag.SetArtist(std::string("  a\t\n\0 ", 7));
    EXPECT_EQ(tag.Artist(), "  a");
    tag.SetAlbum(std::string(29, 'a') + "  b");
    EXPECT_EQ(tag.Album(), std::string(29, 'a') + " ");
    tag.SetYear("20245 ");
    EXPECT_EQ(tag.Year(), "2024");
    tag.SetComment(std::string(31, 'c'));
    EXPECT_EQ(tag.Comment(), std::string(30, 'c'));
}

TEST(ID3v1Record, BuildKeepsTheLayoutOfBothVersions) {
    TID3v1 tag;
    tag.SetTitle("T");
    tag.SetYear("1999");
    tag.SetComment(std::string(30, 'c'));
    tag.SetGenreIndex(17);
    // Track 0: a 30-byte comment area.
    EXPECT_EQ(FromRecord(tag.BuildRecord()),
              Id3v1Record("T", "", "", "1999", std::string(30, 'c'), 0, 17));
    // Track 5: the 29th and 30th comment bytes become 0 and 5.
    tag.SetTrack(5);
    EXPECT_EQ(FromRecord(tag.BuildRecord()),
              Id3v1Record("T", "", "", "1999", std::string(28, 'c'), 5, 17));
    // The record is built whatever Exists says, and reads back the same.
    TID3v1 back;
    back.ReadFromRecord(tag.BuildRecord());
    EXPECT_EQ(back.Comment(), std::string(28, 'c'));
    EXPECT_EQ(back.Track(), 5);
}

class ID3v1File : public ::testing::Test {
protected:
    std::string Make(const std::string& bytes, const std::string& name = "a.mp3") {
        const std::string path = dir / name;
        EXPECT_TRUE(WriteFileBytes(path, bytes));
        return path;
    }
    TempDir dir;
    TID3v1 tag;
};

TEST_F(ID3v1File, ShortFileFailsEverywhereAndStaysAsItWas) {
    const std::string path = Make(std::string(127, 'x'));
    tag.SetTitle("stale");
    EXPECT_FALSE(tag.ReadFromFile(path));
    ExpectEmpty(tag);
    tag.SetTitle("new");
    EXPECT_FALSE(tag.SaveToFile(path));
    EXPECT_FALSE(tag.RemoveFromFile(path));
    EXPECT_EQ(ReadFileBytes(path), std::string(127, 'x'));
    EXPECT_FALSE(tag.ReadFromFile(dir / "missing.mp3"));
}

TEST_F(ID3v1File, FileWithoutTagReadsAndRemovesWithoutChange) {
    const std::string path = Make(Audio);
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    EXPECT_TRUE(tag.ReadFromFile(path));
    ExpectEmpty(tag);
    EXPECT_TRUE(tag.RemoveFromFile(path));
    EXPECT_EQ(ReadFileBytes(path), Audio);
    EXPECT_EQ(FileMode(path), 0444); // not even the permissions change
}

TEST_F(ID3v1File, BothReadOverloadsAgree) {
    const std::string path = Make(Audio + Id3v1Record("T", "A", "B", "2001", "C", 3, 8));
    TID3v1 byName, byReader;
    EXPECT_TRUE(byName.ReadFromFile(path));
    TFileReader reader;
    ASSERT_TRUE(reader.Open(path));
    EXPECT_TRUE(byReader.ReadFromFile(reader));
    EXPECT_EQ(FromRecord(byName.BuildRecord()), FromRecord(byReader.BuildRecord()));
    EXPECT_EQ(byReader.Title(), "T");
    EXPECT_EQ(byReader.Track(), 3);
    EXPECT_EQ(byReader.Genre(), "Jazz");
}

TEST_F(ID3v1File, SaveAppendsThenReplacesInPlace) {
    const std::string path = Make(Audio);
    tag.SetTitle("First");
    tag.SetTrack(1);
    ASSERT_TRUE(tag.SaveToFile(path));
    EXPECT_EQ(ReadFileBytes(path), Audio + Id3v1Record("First", "", "", "", "", 1));

    TID3v1 second;
    ASSERT_TRUE(second.ReadFromFile(path));
    EXPECT_EQ(second.Title(), "First");
    second.SetTitle("Second");
    second.SetGenreIndex(0);
    ASSERT_TRUE(second.SaveToFile(path));
    // Exactly one tag at the end, and the audio untouched.
    EXPECT_EQ(ReadFileBytes(path), Audio + Id3v1Record("Second", "", "", "", "", 1, 0));

    ASSERT_TRUE(second.RemoveFromFile(path));
    EXPECT_EQ(ReadFileBytes(path), Audio);
    EXPECT_TRUE(second.RemoveFromFile(path));
    EXPECT_EQ(ReadFileBytes(path), Audio);
}

TEST_F(ID3v1File, SaveOnReadOnlyFileAddsOwnerWriteAndKeepsIt) {
    const std::string path = Make(Audio);
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    tag.SetArtist("A");
    EXPECT_TRUE(tag.SaveToFile(path));
    EXPECT_EQ(FileMode(path), 0644);
    EXPECT_TRUE(tag.ReadFromFile(path));
    EXPECT_EQ(tag.Artist(), "A");
}

TEST_F(ID3v1File, FailedAppendLeavesTheFileAsItWas) {
    // The file may not grow (as on a full disk): the append fails and nothing is left behind.
    const std::string path = Make(Audio);
    bool appended = true, replaced = false;
    int appendError = 0;
    std::string tagged;
    {
        const FileSizeLimit limit(Audio.size() + 100);
        ASSERT_TRUE(limit.Active());
        tag.SetTitle("X");
        appended = tag.SaveToFile(path);
        appendError = tag.LastError();
        // An existing record is replaced in place, which needs no growth.
        tagged = Make(Audio.substr(0, 500) + Id3v1Record("Old"), "b.mp3");
        replaced = tag.SaveToFile(tagged);
    }
    EXPECT_FALSE(appended);
    EXPECT_EQ(appendError, EFBIG); // the reason reaches the caller
    EXPECT_EQ(ReadFileBytes(path), Audio);
    EXPECT_TRUE(replaced);
    EXPECT_EQ(tag.LastError(), 0);
    EXPECT_EQ(ReadFileBytes(tagged), Audio.substr(0, 500) + Id3v1Record("X"));
}

TEST_F(ID3v1File, FileAbove2GiBWorksLikeASmallOne) {
    // A sparse file of 3 GiB: sizes and offsets past 32 bits.
    const std::string path = Make("");
    const int64_t size = int64_t{3} << 30;
    ASSERT_EQ(::truncate(path.c_str(), size), 0);
    EXPECT_TRUE(tag.ReadFromFile(path));
    EXPECT_FALSE(tag.Exists());
    tag.SetTitle("Big");
    ASSERT_TRUE(tag.SaveToFile(path));
    TFileReader reader;
    ASSERT_TRUE(reader.Open(path));
    EXPECT_EQ(reader.Size(), size + 128);
    TID3v1 back;
    EXPECT_TRUE(back.ReadFromFile(reader));
    EXPECT_EQ(back.Title(), "Big");
    back.SetTitle("Again");
    ASSERT_TRUE(back.SaveToFile(path));
    ASSERT_TRUE(back.ReadFromFile(path));
    EXPECT_EQ(back.Title(), "Again");
    ASSERT_TRUE(back.RemoveFromFile(path));
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_size, size);
}

TEST_F(ID3v1File, OnlyRegularFilesAreOpened) {
    const std::string fifo = dir / "pipe.mp3";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    // Would block forever if the FIFO were opened for reading without O_NONBLOCK.
    EXPECT_FALSE(tag.ReadFromFile(fifo));
    EXPECT_FALSE(tag.SaveToFile(fifo));
    EXPECT_FALSE(tag.RemoveFromFile(fifo));
    EXPECT_FALSE(tag.ReadFromFile(dir.Path()));
    EXPECT_FALSE(tag.SaveToFile(dir.Path()));
}

} // namespace

namespace {

// An APEv2 tag at the end of the file, alone, in front of an ID3v1 record or behind one: an
// ID3v1 save or removal never writes into it, and its bytes are never taken for a record.
TEST_F(ID3v1File, ApeTagAtTheEndIsNeverOverwrittenOrReadAsARecord) {
    // The items end with "TAG..." 128 bytes before the file's end, like a record would.
    const std::string items = std::string(57, 'i') + "TAG" + std::string(93, 'i');
    const std::string ape = "APETAGEX" + std::string(24, 'h') + items +
                            ApeFooter(static_cast<uint32_t>(items.size() + 32), true);
    const std::string record = Id3v1Record("Old");
    struct Case {
        const char* name;
        std::string file, afterSave, afterRemove;
        bool exists;
    };
    const std::string saved = Id3v1Record("New");
    for (const Case& c : {
             Case{"alone", Audio + ape, Audio + ape + saved, Audio + ape, false},
             Case{"before a record", Audio + ape + record, Audio + ape + saved, Audio + ape, true},
             Case{"behind a record", Audio + record + ape, Audio + saved + ape, Audio + ape, true},
         }) {
        const std::string path = Make(c.file);
        ASSERT_TRUE(tag.ReadFromFile(path)) << c.name;
        EXPECT_EQ(tag.Exists(), c.exists) << c.name;
        EXPECT_EQ(tag.Title(), c.exists ? "Old" : "") << c.name;
        tag.SetTitle("New");
        ASSERT_TRUE(tag.SaveToFile(path)) << c.name;
        EXPECT_EQ(ReadFileBytes(path), c.afterSave) << c.name;
        ASSERT_TRUE(tag.RemoveFromFile(path)) << c.name;
        EXPECT_EQ(ReadFileBytes(path), c.afterRemove) << c.name;
    }
}

} // namespace
