#include "ID3v2.h"

#include <cerrno>
#include <cstdlib>
#include <functional>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "CodePage.h"
#include "FileReader.h"
#include "support/FileSizeLimit.h"
#include "support/TagBytes.h"
#include "support/TempDir.h"
#include "support/Unprivileged.h"

using namespace testsupport;

namespace {

// Unicode frames are read into the system code page, 1252 here (set by CTest).

const std::string Audio = std::string(3000, '\xFF') + "audio" + std::string(500, '\x11');

std::string Padded(std::string_view content) {
    std::string s(content);
    s.resize(std::max<size_t>(s.size(), 250), '\0');
    return s;
}

void ExpectNoTexts(const TID3v2& tag) {
    for (const std::string* s :
         {&tag.Title(), &tag.Artist(), &tag.Album(), &tag.Year(), &tag.Genre(), &tag.Comment(),
          &tag.Composer(), &tag.EncodedBy(), &tag.Copyright(), &tag.Language(), &tag.URL()})
        EXPECT_EQ(*s, "");
    EXPECT_EQ(tag.Track(), 0);
}

TEST(ID3v2Parse, TrackTakesIntegerTextBeforeTheSlash) {
    struct Case {
        std::string text;
        int track;
    };
    for (const Case& c : {Case{"5/12", 5},
                          Case{"5 /12", 0},
                          Case{"300", 44},
                          Case{"A5", 0},
                          Case{"", 0},
                          Case{"  7  ", 7},
                          Case{"/5", 0},
                          Case{"$1F", 31},
                          Case{"0x10", 16},
                          Case{"0X0a", 10},
                          Case{"$", 0},
                          Case{"0x", 0},
                          Case{"-1", 255},
                          Case{"+9", 9},
                          Case{"-", 0},
                          Case{"12abc", 0},
                          Case{"2147483647", 255},
                          Case{"2147483648", 0},
                          Case{"-2147483648", 0},
                          Case{"$FFFFFFFF", 255},
                          Case{"$100000000", 0},
                          Case{"1.5", 0},
                          Case{std::string("\0"
                                           "7",
                                           2),
                               7}})
        EXPECT_EQ(TID3v2::ParseTrack(c.text), c.track) << c.text;
}

TEST(ID3v2Parse, IntegerTellsNoNumberFromZero) {
    EXPECT_EQ(TID3v2::ParseInteger("0"), std::optional<uint8_t>(0));
    EXPECT_EQ(TID3v2::ParseInteger(" $1F"), std::optional<uint8_t>(31));
    for (const char* text : {"", " ", "5 ", "5/12", "x"})
        EXPECT_EQ(TID3v2::ParseInteger(text), std::nullopt) << text;
}

TEST(ID3v2Parse, GenreCommentAndURL) {
    EXPECT_EQ(TID3v2::ParseGenre("(17)Rock"), "Rock");
    EXPECT_EQ(TID3v2::ParseGenre("(17)"), "");
    EXPECT_EQ(TID3v2::ParseGenre("(17) Rock"), " Rock");
    EXPECT_EQ(TID3v2::ParseGenre(Padded(std::string("\0Pop)(x)y", 9))), "y");
    EXPECT_EQ(TID3v2::ParseGenre(" Jazz "), "Jazz");

    EXPECT_EQ(TID3v2::ParseComment(Padded(std::string("\0deux\0hello", 11))), "hello");
    EXPECT_EQ(TID3v2::ParseComment(std::string("\0engabc ", 8)), "abc"); // no description end
    EXPECT_EQ(TID3v2::ParseComment(Padded(std::string("\0engabc", 7))), "");
    EXPECT_EQ(TID3v2::ParseComment("ab"), "");

    EXPECT_EQ(TID3v2::ParseURL(Padded(std::string("\0home\0 http://a.b/ ", 20))), "http://a.b/");
    EXPECT_EQ(TID3v2::ParseURL(std::string("\0http://x", 9)), "http://x");
}

TEST(ID3v2Parse, DeclaredSizeUsesSevenBitBytesPlusHeader) {
    const std::string h = Id3v2Header(20000);
    EXPECT_EQ(h.substr(6), std::string("\0\x01\x1C\x20", 4));
    const auto* bytes = reinterpret_cast<const uint8_t*>(h.data());
    EXPECT_EQ(TID3v2::DeclaredSize(bytes, 20010), 20010);
    EXPECT_EQ(TID3v2::DeclaredSize(bytes, 20009), 0);
}

TEST(ID3v2Build, FramesInSlotOrderWithoutPadding) {
    TID3v2 tag;
    EXPECT_EQ(tag.BuildTag(), Id3v2Header(0));
    tag.SetComment("abc");
    tag.SetTrack(7);
    tag.SetTitle(" \tT ");
    EXPECT_EQ(tag.Title(), "T");
    EXPECT_EQ(tag.BuildTag(), Id3v2Tag({TextFrame23("TIT2", "T"), TextFrame23("TRCK", "7"),
                                        TextFrame23("COMM", std::string("eng\0abc", 7))}));
    // TRCK content size 2, COMM content size 8.
    EXPECT_EQ(tag.BuildTag().substr(10 + 12 + 4, 4), BigEndian32(2));
    EXPECT_EQ(tag.BuildTag().substr(10 + 12 + 12 + 4, 4), BigEndian32(8));

    TID3v2 all;
    all.SetURL("http://x");
    all.SetLanguage("en");
    all.SetGenre("(17)");
    EXPECT_EQ(all.BuildTag(), Id3v2Tag({TextFrame23("TCON", "(17)"), TextFrame23("TLAN", "en"),
                                        TextFrame23("WXXX", std::string("\0http://x", 9))}));
}

TEST(ID3v2Build, TwentyThousandBytesOfFramesGiveTheSizeBytes) {
    TID3v2 tag;
    tag.SetTitle(std::string(20000 - 11, 't'));
    const std::string built = tag.BuildTag();
    EXPECT_EQ(built.substr(6, 4), std::string("\0\x01\x1C\x20", 4));
    EXPECT_EQ(built.size(), 20010u);
}

class ID3v2File : public ::testing::Test {
protected:
    std::string Make(const std::string& bytes, const std::string& name = "a.mp3") {
        const std::string path = dir / name;
        EXPECT_TRUE(WriteFileBytes(path, bytes));
        return path;
    }
    bool Read(const std::string& bytes) {
        path = Make(bytes);
        return tag.ReadFromFile(path);
    }
    TempDir dir;
    TID3v2 tag;
    std::string path;
};

TEST_F(ID3v2File, ReadsTheTwelveFrames) {
    ASSERT_EQ(CodePage::System().Number(), 1252u);
    const std::string t = Id3v2Tag(
        {TextFrame23("TIT2", " Title "), TextFrame23("TPE1", "Artist"),
         TextFrame23("TALB", "Album"), TextFrame23("TRCK", "5/12"), TextFrame23("TYER", "1999"),
         TextFrame23("TCON", "(17)Rock"), TextFrame23("COMM", std::string("deux\0hello", 10)),
         TextFrame23("TCOM", "Comp"), TextFrame23("TENC", "Enc"), TextFrame23("TCOP", "Copy"),
         TextFrame23("TLAN", "eng"), TextFrame23("WXXX", std::string("d\0http://u", 10)),
         TextFrame23("TXXX", "other"), Utf16TextFrame23("TCOM", u"Hé", false, true)},
        100);
    ASSERT_TRUE(Read(t + Audio));
    EXPECT_TRUE(tag.Exists());
    EXPECT_EQ(tag.Version(), 3);
    EXPECT_EQ(tag.Size(), static_cast<int64_t>(t.size()));
    EXPECT_EQ(tag.Title(), "Title");
    EXPECT_EQ(tag.Artist(), "Artist");
    EXPECT_EQ(tag.Album(), "Album");
    EXPECT_EQ(tag.Track(), 5);
    EXPECT_EQ(tag.Year(), "1999");
    EXPECT_EQ(tag.Genre(), "Rock");
    EXPECT_EQ(tag.Comment(), "hello");
    EXPECT_EQ(tag.Composer(), "H\xE9"); // the later UTF-16 frame replaces the first
    EXPECT_EQ(tag.EncodedBy(), "Enc");
    EXPECT_EQ(tag.Copyright(), "Copy");
    EXPECT_EQ(tag.Language(), "eng");
    EXPECT_EQ(tag.URL(), "http://u");

    TID3v2 viaReader;
    TFileReader reader;
    ASSERT_TRUE(reader.Open(path));
    EXPECT_TRUE(viaReader.ReadFromFile(reader));
    EXPECT_EQ(viaReader.BuildTag(), tag.BuildTag());
    EXPECT_EQ(viaReader.Size(), tag.Size());
}

TEST_F(ID3v2File, UnknownVersionsGiveHeaderFieldsOnly) {
    for (uint8_t major : {1, 5}) {
        const std::string t = Id3v2Tag({TextFrame23("TIT2", "x")}, 0, major);
        ASSERT_TRUE(Read(t + Audio));
        EXPECT_TRUE(tag.Exists());
        EXPECT_EQ(tag.Version(), major);
        EXPECT_EQ(tag.Size(), static_cast<int64_t>(t.size()));
        ExpectNoTexts(tag);
    }
}

TEST_F(ID3v2File, ShortOrUntaggedFiles) {
    tag.SetTitle("stale");
    EXPECT_FALSE(Read("ID3\x03\0\0\0\0\0"));
    EXPECT_FALSE(tag.Exists());
    ExpectNoTexts(tag);
    EXPECT_TRUE(Read(Audio));
    EXPECT_FALSE(tag.Exists());
    EXPECT_EQ(tag.Size(), 0);
    EXPECT_FALSE(tag.ReadFromFile(dir / "missing.mp3"));
}

TEST_F(ID3v2File, DeclaredSizeBeyondTheFileReadsNothingAndIsKeptBySave) {
    const std::string old = Id3v2Header(100000) + TextFrame23("TIT2", "x") + Audio;
    ASSERT_TRUE(Read(old));
    EXPECT_TRUE(tag.Exists());
    EXPECT_EQ(tag.Size(), 0);
    ExpectNoTexts(tag);
    tag.SetTitle("New");
    ASSERT_TRUE(tag.SaveToFile(path));
    EXPECT_EQ(ReadFileBytes(path), Id3v2Tag({TextFrame23("TIT2", "New")}) + old);
}

TEST_F(ID3v2File, LongTextsAreReadWholeAndTheLastRepeatWins) {
    const std::string longText = std::string(300, 'L');
    ASSERT_TRUE(Read(Id3v2Tag({TextFrame23("TIT2", "first"), TextFrame23("TPE1", longText),
                               TextFrame23("TIT2", "second"), TextFrame23("TALB", "after")}) +
                     Audio));
    EXPECT_EQ(tag.Title(), "second");
    EXPECT_EQ(tag.Artist(), longText);
    EXPECT_EQ(tag.Album(), "after");
}

TEST_F(ID3v2File, FrameWalkStopsAtPaddingOrGarbage) {
    ASSERT_TRUE(Read(
        Id3v2Tag({TextFrame23("TIT2", "a"), std::string(10, '\0'), TextFrame23("TPE1", "hidden")}) +
        Audio));
    EXPECT_EQ(tag.Title(), "a");
    EXPECT_EQ(tag.Artist(), "");
    ASSERT_TRUE(Read(Id3v2Tag({TextFrame23("TIT2", "a"), TextFrame23("tPE1", "lower"),
                               TextFrame23("TALB", "hidden")}) +
                     Audio));
    EXPECT_EQ(tag.Title(), "a");
    EXPECT_EQ(tag.Album(), "");
}

TEST_F(ID3v2File, HugeFrameSizesEndTheWalkInsteadOfLooping) {
    // A size with its top bit set once turned into a backwards seek and an endless walk.
    for (uint32_t size : {0x80000000u, 0xFFFFFFF6u, 0xFFFFFFFFu}) {
        const std::string frames = TextFrame23("TIT2", "a") +
                                   Frame23("TPE1", std::string("\0x", 2), size) +
                                   TextFrame23("TALB", "hidden");
        ASSERT_TRUE(Read(Id3v2Header(static_cast<uint32_t>(frames.size())) + frames + Audio));
        EXPECT_EQ(tag.Title(), "a");
        // A frame running past the tag is not read: the audio is no artist's name.
        EXPECT_EQ(tag.Artist(), "");
        EXPECT_EQ(tag.Album(), "");
    }
}

TEST_F(ID3v2File, FrameRunningPastTheFileEndsTheWalk) {
    const std::string frames =
        TextFrame23("TIT2", "a") + Frame23("TPE1", std::string("\0x", 2), 100);
    ASSERT_TRUE(Read(Id3v2Header(static_cast<uint32_t>(frames.size())) + frames));
    EXPECT_EQ(tag.Title(), "a");
    EXPECT_EQ(tag.Artist(), "");
}

TEST_F(ID3v2File, SaveReplacesExactlyTheOldTag) {
    const std::string old = Id3v2Tag({TextFrame23("TIT2", "Old"), TextFrame23("APIC", "pic")}, 50);
    path = Make(old + Audio);
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    TID3v2 t;
    t.SetArtist("Artist");
    t.SetTrack(3);
    ASSERT_TRUE(t.SaveToFile(path));
    // The tag holds this object's fields and the other frames; the old title and the padding go.
    const std::string expected =
        Id3v2Tag(
            {TextFrame23("APIC", "pic"), TextFrame23("TPE1", "Artist"), TextFrame23("TRCK", "3")}) +
        Audio;
    EXPECT_EQ(ReadFileBytes(path), expected);
    EXPECT_EQ(FileMode(path), 0640);
    EXPECT_FALSE(::access((path + "~").c_str(), F_OK) == 0);
    ASSERT_TRUE(tag.ReadFromFile(path));
    EXPECT_EQ(tag.Artist(), "Artist");
    EXPECT_EQ(tag.Title(), "");
    EXPECT_EQ(tag.Track(), 3);
}

TEST_F(ID3v2File, SaveOverUntaggedFilePutsTheTagInFront) {
    path = Make(Audio);
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    tag.SetTitle("T");
    ASSERT_TRUE(tag.SaveToFile(path));
    EXPECT_EQ(ReadFileBytes(path), Id3v2Tag({TextFrame23("TIT2", "T")}) + Audio);
    EXPECT_EQ(FileMode(path), 0644); // the owner's write bit is added, the rest kept
    // Empty fields still write a header.
    TID3v2 empty;
    path = Make(Audio, "b.mp3");
    ASSERT_TRUE(empty.SaveToFile(path));
    EXPECT_EQ(ReadFileBytes(path), Id3v2Header(0) + Audio);
}

TEST_F(ID3v2File, RemoveDeletesTheTagOrFailsWithoutOne) {
    path = Make(Id3v2Tag({TextFrame23("TIT2", "x")}, 20) + Audio);
    EXPECT_TRUE(tag.RemoveFromFile(path));
    EXPECT_EQ(ReadFileBytes(path), Audio);
    EXPECT_EQ(tag.LastError(), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0400), 0);
    EXPECT_FALSE(tag.RemoveFromFile(path));
    EXPECT_EQ(tag.LastError(), ENODATA);
    EXPECT_EQ(ReadFileBytes(path), Audio);
    EXPECT_EQ(FileMode(path), 0600); // attributes cleared all the same
}

TEST_F(ID3v2File, ShortFileIsNotSaved) {
    path = Make("ID3");
    tag.SetTitle("x");
    EXPECT_FALSE(tag.SaveToFile(path));
    EXPECT_EQ(ReadFileBytes(path), "ID3");
    EXPECT_NE(::access((path + "~").c_str(), F_OK), 0);
    EXPECT_FALSE(tag.SaveToFile(dir / "missing.mp3"));
}

TEST_F(ID3v2File, ReadOnlyFolderFailsTheSaveAndKeepsTheFile) {
    const std::string folder = dir / "ro";
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    path = folder + "/a.mp3";
    const std::string old = Id3v2Tag({TextFrame23("TIT2", "Old")}) + Audio;
    ASSERT_TRUE(WriteFileBytes(path, old));
    ::chmod(dir.Path().c_str(), 0711);
    GiveToUnprivileged(folder.c_str());
    GiveToUnprivileged(path.c_str());
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
    EXPECT_TRUE(RunWithoutRoot([&] {
        TID3v2 t;
        // The file itself is readable and writable: only the folder refuses the new file.
        const bool readable =
            t.ReadFromFile(path) && t.Title() == "Old" && ::access(path.c_str(), W_OK) == 0;
        t.SetTitle("New");
        return readable && !t.SaveToFile(path) && t.LastError() == EACCES &&
               !t.RemoveFromFile(path) && t.LastError() == EACCES;
    }));
    EXPECT_EQ(ReadFileBytes(path), old);
    EXPECT_NE(::access((path + "~").c_str(), F_OK), 0);
}

TEST_F(ID3v2File, FolderNamedLikeTheTemporaryFileFailsTheSave) {
    const std::string old = Id3v2Tag({TextFrame23("TIT2", "Old")}) + Audio;
    path = Make(old);
    ASSERT_EQ(::mkdir((path + "~").c_str(), 0755), 0);
    tag.SetTitle("New");
    EXPECT_FALSE(tag.SaveToFile(path));
    EXPECT_EQ(ReadFileBytes(path), old);
    struct stat st {};
    ASSERT_EQ(::lstat((path + "~").c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
}

TEST_F(ID3v2File, StaleTemporaryLinkIsReplacedNotFollowed) {
    path = Make(Audio);
    const std::string victim = Make("precious", "victim.txt");
    ASSERT_EQ(::symlink(victim.c_str(), (path + "~").c_str()), 0);
    const std::string staleFile = Make("stale", "b.mp3~");
    tag.SetTitle("T");
    ASSERT_TRUE(tag.SaveToFile(path));
    EXPECT_EQ(ReadFileBytes(victim), "precious");
    EXPECT_EQ(ReadFileBytes(path), Id3v2Tag({TextFrame23("TIT2", "T")}) + Audio);
    struct stat st {};
    EXPECT_NE(::lstat((path + "~").c_str(), &st), 0);
    // A stale regular file of that name goes the same way.
    const std::string other = Make(Audio, "b.mp3");
    ASSERT_TRUE(tag.SaveToFile(other));
    EXPECT_NE(::lstat(staleFile.c_str(), &st), 0);
}

TEST_F(ID3v2File, WriteErrorLeavesTheOriginalAndNoTemporaryFile) {
    // The new file cannot grow past a limit, as on a full disk.
    const std::string old = Id3v2Tag({TextFrame23("TIT2", "Old")}) + Audio;
    path = Make(old);
    bool saved_ok = true, removed = true;
    {
        const FileSizeLimit limit(1000);
        ASSERT_TRUE(limit.Active());
        tag.SetTitle("New");
        saved_ok = tag.SaveToFile(path);
        removed = tag.RemoveFromFile(path);
    }
    EXPECT_FALSE(saved_ok);
    EXPECT_FALSE(removed);
    EXPECT_EQ(ReadFileBytes(path), old);
    EXPECT_NE(::access((path + "~").c_str(), F_OK), 0);
}

TEST_F(ID3v2File, LinkedFileIsRewrittenAndTheLinkKept) {
    const std::string real = Make(Audio, "real.mp3");
    path = dir / "link.mp3";
    ASSERT_EQ(::symlink("real.mp3", path.c_str()), 0);
    tag.SetTitle("T");
    ASSERT_TRUE(tag.SaveToFile(path));
    struct stat st {};
    ASSERT_EQ(::lstat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(ReadFileBytes(real), Id3v2Tag({TextFrame23("TIT2", "T")}) + Audio);
}

TEST_F(ID3v2File, TagAboveTheSizeFieldIsRefused) {
    path = Make(Audio);
    {
        // One byte more than 28 bits can count, header not included.
        std::string big(TID3v2::MaxTagSize - 10, 'x');
        tag.SetTitle(big);
    }
    EXPECT_EQ(tag.BuildTag(), "");
    EXPECT_FALSE(tag.SaveToFile(path));
    EXPECT_EQ(ReadFileBytes(path), Audio);
    EXPECT_NE(::access((path + "~").c_str(), F_OK), 0);
}

TEST_F(ID3v2File, RewriteKeepsOwnerAndGroup) {
    path = Make(Audio);
    struct stat before {};
    if (RunningAsRoot()) {
        ASSERT_EQ(::chown(path.c_str(), NobodyId, NobodyId), 0);
    }
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    tag.SetTitle("T");
    ASSERT_TRUE(tag.SaveToFile(path));
    struct stat after {};
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    EXPECT_NE(after.st_ino, before.st_ino); // a new file took the old one's place
}

TEST_F(ID3v2File, OnlyRegularFilesAreOpened) {
    const std::string fifo = dir / "pipe.mp3";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    EXPECT_FALSE(tag.ReadFromFile(fifo));
    tag.SetTitle("x");
    EXPECT_FALSE(tag.SaveToFile(fifo));
    EXPECT_FALSE(tag.RemoveFromFile(fifo));
    EXPECT_FALSE(tag.SaveToFile(dir.Path()));
    EXPECT_NE(::access((fifo + "~").c_str(), F_OK), 0);
}

// Text in one encoding, as its frame bytes and as read: UTF-8 whole, and in code page 1252.
struct Encoded {
    uint8_t encoding;
    std::string bytes, utf8, codePage;
};

std::string Terminator(uint8_t encoding) {
    return std::string(encoding == 1 || encoding == 2 ? 2 : 1, '\0');
}

std::string TextFrame(uint8_t major, std::string_view id, const Encoded& e) {
    return FrameV(major, id, static_cast<char>(e.encoding) + e.bytes);
}

std::string CommentFrame(uint8_t major, const Encoded& description, const Encoded& text) {
    return FrameV(major, major == 2 ? "COM" : "COMM",
                  static_cast<char>(text.encoding) + std::string("deu") + description.bytes +
                      Terminator(text.encoding) + text.bytes);
}

TEST_F(ID3v2File, EveryVersionAndEncodingIsRead) {
    ASSERT_EQ(CodePage::System().Number(), 1252u);
    const Encoded encodings[] = {
        {0, "Caf\xE9", "Café", "Caf\xE9"},
        {1, Utf16Bytes(u"Καλή"), "Καλή", "????"},
        {1, Utf16Bytes(u"Καλή", true), "Καλή", "????"},
        {2, Utf16Bytes(u"日本", true, false), "日本", "??"},
        {3, "Пётр", "Пётр", "????"},
    };
    const auto ascii = [](uint8_t encoding, const std::string& text) {
        std::u16string wide(text.begin(), text.end());
        return Encoded{encoding,
                       encoding == 1   ? Utf16Bytes(wide)
                       : encoding == 2 ? Utf16Bytes(wide, true, false)
                                       : text,
                       text, text};
    };
    for (uint8_t major : {2, 3, 4}) {
        const bool v22 = major == 2;
        for (const Encoded& e : encodings) {
            const std::string where =
                "version 2." + std::to_string(major) + ", encoding " + std::to_string(e.encoding);
            // The comment is the one without a description, wherever it stands.
            const std::string t = Id3v2Tag(
                {TextFrame(major, v22 ? "TT2" : "TIT2", e),
                 TextFrame(major, v22 ? "TRK" : "TRCK", ascii(0, "5/12")),
                 TextFrame(major,
                           v22          ? "TYE"
                           : major == 4 ? "TDRC"
                                        : "TYER",
                           ascii(0, "1999")),
                 CommentFrame(major, ascii(e.encoding, "iTunNORM"), ascii(e.encoding, " 0000")),
                 CommentFrame(major, ascii(e.encoding, ""), e),
                 FrameV(major, v22 ? "WXX" : "WXXX",
                        static_cast<char>(e.encoding) + ascii(e.encoding, "home").bytes +
                            Terminator(e.encoding) + "http://a.b/")},
                7, major);
            ASSERT_TRUE(Read(t + Audio)) << where;
            EXPECT_EQ(tag.Version(), major) << where;
            EXPECT_EQ(tag.Title(), e.codePage) << where;
            EXPECT_EQ(tag.Text(TID3v2::Field::Title), e.utf8) << where;
            EXPECT_EQ(tag.Track(), 5) << where;
            EXPECT_EQ(tag.Text(TID3v2::Field::Track), "5/12") << where;
            EXPECT_EQ(tag.Year(), "1999") << where;
            EXPECT_EQ(tag.Comment(), e.codePage) << where;
            EXPECT_EQ(tag.Text(TID3v2::Field::Comment), e.utf8) << where;
            EXPECT_EQ(tag.URL(), "http://a.b/") << where;
        }
    }
}

TEST_F(ID3v2File, TagLayoutsOfEveryVersionAreRead) {
    const std::string title = TextFrame23("TIT2", "\xFF\xE0z");
    const std::string artist = TextFrame23("TPE1", "A");
    const std::string title24 = FrameV(4, "TIT2", std::string("\0\xFF\xE0z", 4));
    struct Case {
        const char* name;
        std::string tag;
        std::string title; // in code page 1252
        int64_t extraSize; // beyond the tag's bytes (a footer) or short of them (a size that lies)
    };
    const std::string unsyncBody = Unsynchronised(title + artist);
    const std::string unsync24 =
        FrameV(4, "TIT2", Unsynchronised(std::string("\0\xFF\xE0z", 4)), 0x0002);
    for (const Case& c : {
             Case{"2.3 unsynchronised",
                  Id3v2Header(static_cast<uint32_t>(unsyncBody.size()), 3, 0, 0x80) + unsyncBody,
                  "\xFF\xE0z", 0},
             Case{"2.3 extended header",
                  Id3v2Header(10 + static_cast<uint32_t>(title.size()), 3, 0, 0x40) +
                      std::string("\0\0\0\6\0\0\0\0\0\0", 10) + title,
                  "\xFF\xE0z", 0},
             Case{"2.4 extended header",
                  Id3v2Header(6 + static_cast<uint32_t>(title24.size()), 4, 0, 0x40) +
                      std::string("\0\0\0\6\1\0", 6) + title24,
                  "\xFF\xE0z", 0},
             Case{"2.4 unsynchronised frame", Id3v2Tag({unsync24}, 0, 4), "\xFF\xE0z", 0},
             Case{"2.4 unsynchronised tag",
                  Id3v2Tag({FrameV(4, "TIT2", Unsynchronised(std::string("\0\xFF\xE0z", 4)))}, 0, 4)
                      .replace(5, 1, "\x80"),
                  "\xFF\xE0z", 0},
             Case{"2.4 footer",
                  Id3v2Header(static_cast<uint32_t>(title24.size()), 4, 0, 0x10) + title24 + "3DI" +
                      std::string(7, '\0'),
                  "\xFF\xE0z", 0},
             Case{"2.4 values", Id3v2Tag({FrameV(4, "TIT2", std::string("\3a\0b\0", 5))}, 0, 4),
                  "a/b", 0},
             Case{"2.4 group and length bytes",
                  Id3v2Tag({FrameV(4, "TIT2", std::string("G\0\0\0\4\0abc", 10), 0x0041)}, 0, 4),
                  "abc", 0},
             Case{"2.4 plain sizes",
                  Id3v2Tag({FrameV(3, "TIT2", std::string(1, '\0') + std::string(200, 't'))}, 0, 4),
                  std::string(200, 't'), 0},
             Case{"2.4 plain sizes without a top bit",
                  Id3v2Tag({FrameV(3, "TIT2", std::string(1, '\0') + std::string(299, 'u')),
                            FrameV(4, "TPE1", std::string("\0A", 2))},
                           0, 4),
                  std::string(299, 'u'), 0},
             Case{"2.4 empty frame", Id3v2Tag({FrameV(4, "TIT2", "")}, 0, 4), "", 0},
             Case{"2.4 walk ends at an identifier of other characters",
                  Id3v2Tag({FrameV(4, "TAL=", std::string("\0x", 2)), title24}, 0, 4), "", 0},
             Case{"2.3 compressed frame is not read",
                  Id3v2Tag({FrameV(3, "TIT2", "\0\0\0\4xyz", 0x0080), artist}), "", 0},
         }) {
        ASSERT_TRUE(Read(c.tag + Audio)) << c.name;
        EXPECT_EQ(tag.Title(), c.title) << c.name;
        EXPECT_EQ(tag.Size(), static_cast<int64_t>(c.tag.size()) + c.extraSize) << c.name;
    }
}

// The save sets what changed and keeps every other frame byte for byte, in its order.
TEST_F(ID3v2File, SaveKeepsWhatDidNotChange) {
    ASSERT_EQ(CodePage::System().Number(), 1252u);
    const std::string picture = Frame23("APIC", std::string("\0image/png\0\3\0PNG", 16));
    const std::string txxx = Frame23("TXXX", std::string("\0desc\0text", 10));
    const std::string omega = Utf16TextFrame23("TIT2", u"Ωmega");
    const std::string itunes = Frame23("COMM", std::string("\0engiTunNORM\0 0000", 18));
    const std::string comment = Frame23("COMM", std::string("\0deu\0c", 6));
    const std::string old23 =
        Id3v2Tag({omega, TextFrame23("TRCK", "5/12"), itunes, picture, comment, txxx}, 100);
    const std::string omega24 = FrameV(4, "TIT2", "\3Ωmega");
    const std::string old24 = Id3v2Tag({omega24, FrameV(4, "TRCK", std::string("\0005/12", 5)),
                                        FrameV(4, "PRIV", std::string("owner\0x", 7))},
                                       0, 4);
    const std::string pic22 = FrameV(2, "PIC", std::string("\0PNG\3\0data", 10));
    const std::string old22 =
        Id3v2Tag({FrameV(2, "TT2", std::string("\0T", 2)), pic22, FrameV(2, "CRM", "secret"),
                  FrameV(2, "TP1", std::string("\0A", 2))},
                 0, 2);
    const std::string plain = Id3v2Tag(
        {TextFrame23("TALB", "B"), TextFrame23("TRCK", "5/12"), TextFrame23("TIT2", "T")}, 20);
    const std::string priv = std::string("owner\0", 6) + std::string(299, 'x');
    using F = TID3v2::Field;
    struct Case {
        const char* name;
        std::string old;
        std::function<void(TID3v2&)> edit;
        std::string saved;
    };
    for (const Case& c : {
             // The editor sets every field; the title comes back as "?mega" in 1252.
             Case{"nothing changed", old23,
                  [](TID3v2& t) {
                      t.SetTitle(t.Title());
                      t.SetTrack(5);
                      t.SetComment("c");
                  },
                  Id3v2Tag({omega, TextFrame23("TRCK", "5/12"), itunes, picture, comment, txxx})},
             Case{"new year among the twelve", old23, [](TID3v2& t) { t.SetYear("2001"); },
                  Id3v2Tag({omega, TextFrame23("TRCK", "5/12"), TextFrame23("TYER", "2001"), itunes,
                            picture, comment, txxx})},
             Case{"title in Unicode, comment and track changed in place", old23,
                  [](TID3v2& t) {
                      t.SetText(F::Title, "Ωmega 2");
                      t.SetTrack(6);
                      t.SetComment("new");
                  },
                  Id3v2Tag({Utf16TextFrame23("TIT2", u"Ωmega 2"), TextFrame23("TRCK", "6"), itunes,
                            picture, Frame23("COMM", std::string("\0deu\0new", 8)), txxx})},
             Case{"cleared title", old23, [](TID3v2& t) { t.SetText(F::Title, ""); },
                  Id3v2Tag({TextFrame23("TRCK", "5/12"), itunes, picture, comment, txxx})},
             Case{"a comment beside a described one", Id3v2Tag({itunes, picture}),
                  [](TID3v2& t) { t.SetComment("new"); },
                  Id3v2Tag({itunes, picture, TextFrame23("COMM", std::string("eng\0new", 7))})},
             Case{"a described comment shown and cleared", Id3v2Tag({itunes, picture}),
                  [](TID3v2& t) { t.SetComment(""); }, Id3v2Tag({picture})},
             Case{"cp1252 punctuation becomes Unicode", old23,
                  [](TID3v2& t) { t.SetArtist("\x93x\x94 \x96"); },
                  Id3v2Tag({omega, Utf16TextFrame23("TPE1", u"“x” –"), TextFrame23("TRCK", "5/12"),
                            itunes, picture, comment, txxx})},
             Case{"2.4 stays 2.4 in UTF-8", old24,
                  [](TID3v2& t) {
                      t.SetText(F::Title, "Ωmega 2");
                      t.SetYear("2001");
                  },
                  Id3v2Tag({FrameV(4, "TIT2", "\3Ωmega 2"),
                            FrameV(4, "TRCK", std::string("\0005/12", 5)),
                            FrameV(4, "PRIV", std::string("owner\0x", 7)),
                            FrameV(4, "TDRC", std::string("\0002001", 5))},
                           0, 4)},
             Case{"a tag of the twelve alone is written in field order", plain,
                  [](TID3v2& t) { t.SetArtist("A"); },
                  Id3v2Tag({TextFrame23("TIT2", "T"), TextFrame23("TPE1", "A"),
                            TextFrame23("TALB", "B"), TextFrame23("TRCK", "5/12")})},
             // An object that did not read the file writes its own fields and keeps the rest.
             Case{"unread: the old fields go", old23,
                  [](TID3v2& t) {
                      t.Reset();
                      t.SetTitle("New");
                  },
                  Id3v2Tag({TextFrame23("TIT2", "New"), itunes, picture, txxx})},
             Case{"unread over the twelve alone: its fields in field order", plain,
                  [](TID3v2& t) {
                      t.Reset();
                      t.SetTitle("T");
                      t.SetTrack(5);
                      t.SetYear("2001");
                  },
                  Id3v2Tag({TextFrame23("TIT2", "T"), TextFrame23("TRCK", "5"),
                            TextFrame23("TYER", "2001")})},
             Case{"2.4 sizes written plain become synchsafe",
                  Id3v2Tag({Frame23("PRIV", priv), TextFrame23("TIT2", "T")}, 0, 4),
                  [](TID3v2& t) { t.SetYear("2001"); },
                  Id3v2Tag({FrameV(4, "PRIV", priv), FrameV(4, "TIT2", std::string("\0T", 2)),
                            FrameV(4, "TDRC", std::string("\0002001", 5))},
                           0, 4)},
             Case{"2.2 becomes 2.3", old22, [](TID3v2& t) { t.SetAlbum("B"); },
                  Id3v2Tag({TextFrame23("TIT2", "T"),
                            Frame23("APIC", std::string("\0image/png\0\3\0data", 17)),
                            TextFrame23("TPE1", "A"), TextFrame23("TALB", "B")})},
         }) {
        ASSERT_TRUE(Read(c.old + Audio)) << c.name;
        c.edit(tag);
        EXPECT_EQ(tag.BuildTag(c.old), c.saved) << c.name;
        ASSERT_TRUE(tag.SaveToFile(path)) << c.name;
        EXPECT_EQ(ReadFileBytes(path), c.saved + Audio) << c.name;
    }
}

} // namespace
