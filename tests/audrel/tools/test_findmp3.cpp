// Runs the built findmp3 as scripts do, on folder trees made here.

#include <chrono>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "support/JsonLine.h"
#include "support/MpegBytes.h"
#include "support/RunTool.h"
#include "support/TagBytes.h"
#include "support/TempDir.h"

using namespace testsupport;

namespace {

// Runs findmp3 with the arguments under code page 1252 and a C.UTF-8 locale unless `env` says
// otherwise (the caller's locale never reaches it), and a 30 s limit (it must always end).
ToolRun Find(const TempDir& io, const std::vector<std::string>& args,
             std::vector<std::string> env = {}) {
    if (env.empty())
        env = {"AUDREL_CODEPAGE=1252", "LC_ALL=C.UTF-8"};
    return RunTool(FINDMP3_PATH, args, io, std::move(env), {"LANG=", "LC_"},
                   std::chrono::seconds(30));
}

std::string Mp3(const std::string& v2 = {}, const std::string& v1 = {}) {
    return v2 + MpegFrames(MpegHeaderFields{}, 417, 20) + v1; // 8340 bytes of audio: 0.52 s
}

class FindMp3Tool : public ::testing::Test {
protected:
    void Put(const std::string& name, const std::string& bytes) {
        ASSERT_TRUE(WriteFileBytes(tree / name, bytes));
    }

    TempDir io;
    TempDir tree;
};

} // namespace

TEST_F(FindMp3Tool, PrintsOneJsonLinePerHitAndTheSummary) {
    Put("song.mp3", Mp3(Id3v2Tag({TextFrame23("TIT2", "T2"), TextFrame23("TPE1", "A2"),
                                  TextFrame23("TALB", "B2")}),
                        Id3v1Record("T1", "A\"1\\",
                                    "B\xE9"
                                    "1")));
    Put("readme.txt", "text");
    const ToolRun run = Find(io, {tree.Path()});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(
        lines[0],
        "{\"name\": \"song.mp3\", \"full_path\": \"" + tree.Path() +
            "/song.mp3\", \"duration\": 1, \"artist_v1\": \"A\\\"1\\\\\", \"title_v1\": \"T1\", "
            "\"album_v1\": \"B\xC3\xA9"
            "1\", \"artist_v2\": \"A2\", \"title_v2\": \"T2\", "
            "\"album_v2\": \"B2\", \"text\": {\"artist_v1\": \"A\\\"1\\\\\", \"title_v1\": "
            "\"T1\", \"album_v1\": \"B\xC3\xA9"
            "1\", \"artist_v2\": \"A2\", \"title_v2\": \"T2\", \"album_v2\": \"B2\"}}");
    EXPECT_EQ(lines[1], "Processed folders: 0 files: 4. MP3 result: 1 files.");
    EXPECT_TRUE(run.err.empty());
}

TEST_F(FindMp3Tool, NamesAreWrittenAsBytes) {
    Put("new\nline.mp3", Mp3());
    Put("\xFF.mp3", Mp3());
    const ToolRun run = Find(io, {tree.Path() + "/"});
    ASSERT_EQ(run.status, 0);
    const auto lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 3u);
    const std::string all = lines[0] + lines[1];
    EXPECT_NE(all.find("\"name\": \"new\\u000aline.mp3\""), std::string::npos);
    EXPECT_NE(all.find("\"name\": \"\xC3\xBF.mp3\""), std::string::npos);
    EXPECT_NE(all.find("\"full_path\": \"" + tree.Path() + "/\xC3\xBF.mp3\""), std::string::npos);
}

TEST_F(FindMp3Tool, OptionsReachTheEngine) {
    ASSERT_EQ(::mkdir((tree / "sub").c_str(), 0755), 0);
    Put("sub/deep.mp3", Mp3(Id3v2Tag({TextFrame23("TPE1", "Kino")})));
    Put("top.mp3", Mp3({}, Id3v1Record("Blood Type")));
    Put("track01.mp3", Mp3());

    auto names = [&](const std::vector<std::string>& args) {
        const ToolRun run = Find(io, args);
        EXPECT_EQ(run.status, 0) << run.err;
        auto lines = Lines(run.out);
        if (!lines.empty())
            lines.pop_back();
        std::set<std::string> found; // readdir decides the order
        for (auto& l : lines)
            found.insert(JsonReader(l).Parse()["name"]);
        std::string joined;
        for (const auto& n : found)
            joined += n + " ";
        return joined;
    };
    EXPECT_EQ(names({"--fast", "KINO", tree.Path()}), "deep.mp3 ");
    EXPECT_EQ(names({tree.Path(), "--fast=KINO", "--read-ahead=never"}), "deep.mp3 ");
    EXPECT_EQ(names({"--fast", "kino", "--no-subfolders", tree.Path()}), "");
    EXPECT_EQ(names({"--detail", "--title", "Blood", tree.Path()}), "top.mp3 ");
    EXPECT_EQ(names({"--detail", "--title", "blood", tree.Path()}), "");
    EXPECT_EQ(names({"--detail", "--artist", "Kin", "--album", "zzz", tree.Path()}), "deep.mp3 ");
    EXPECT_EQ(names({"--detail", tree.Path()}), "");
    EXPECT_EQ(names({"--mask", "track??.mp3", tree.Path()}), "track01.mp3 ");
    // A mask that does not end in .mp3 is replaced by *.mp3.
    EXPECT_EQ(names({"--mask", "*.txt", "--no-subfolders", "--", tree.Path()}),
              "top.mp3 track01.mp3 ");

    const ToolRun flat = Find(io, {"--no-subfolders", tree.Path()});
    EXPECT_EQ(Lines(flat.out).back(), "Processed folders: 0 files: 5. MP3 result: 2 files.");
}

TEST_F(FindMp3Tool, TypedTextsAreConvertedToTheCodePage) {
    // "КИНО" in Windows-1251 in the tag; "кино" typed in a UTF-8 terminal.
    Put("ru.mp3", Mp3(Id3v2Tag({TextFrame23("TPE1", "\xCA\xC8\xCD\xCE")})));
    const ToolRun run = Find(io, {"--fast", "\xD0\xBA\xD0\xB8\xD0\xBD\xD0\xBE", tree.Path()},
                             {"AUDREL_CODEPAGE=1251", "LC_ALL=C.UTF-8"});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 2u);
    // Tag texts come out as their bytes.
    EXPECT_NE(lines[0].find("\"artist_v2\": \"\xC3\x8A\xC3\x88\xC3\x8D\xC3\x8E\""),
              std::string::npos);
}

TEST_F(FindMp3Tool, AFastTextTheCodePageLacksIsLookedForInUnicode) {
    // Code page 1252 has no Cyrillic: "Кино" is found in UTF-16, not as the "????" of a tag.
    Put("utf16.mp3", Mp3(Id3v2Tag({Utf16TextFrame23("TIT2", u"Кино")})));
    Put("question.mp3", Mp3(Id3v2Tag({TextFrame23("TIT2", "????")})));
    const ToolRun run =
        Find(io, {"--fast", "Кино", tree.Path()}, {"AUDREL_CODEPAGE=1252", "LC_ALL=C.UTF-8"});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(JsonReader(lines[0]).Parse()["name"], "utf16.mp3");
}

TEST_F(FindMp3Tool, TheTextMemberHoldsTheFieldsWholeAsUnicode) {
    // Code page 1252 lacks the Cyrillic and Japanese letters: the byte members show "?".
    Put("utf16.mp3",
        Mp3(Id3v2Tag({Utf16TextFrame23("TIT2", u"Кино"), Utf16TextFrame23("TPE1", u"桜", true)})));
    Put("utf8.mp3",
        Mp3(Id3v2Tag({FrameV(4, "TALB", "\x03Ελλάδα")}, 0, 4), Id3v1Record("J\xF3ga \x80")));
    struct Case {
        std::vector<std::string> args;
        std::string name, key, bytes, text;
    };
    const Case cases[] = {
        {{}, "utf16.mp3", "title_v2", "????", "Кино"},
        {{}, "utf16.mp3", "artist_v2", "?", "桜"},
        {{}, "utf8.mp3", "album_v2", "??????", "Ελλάδα"},
        {{}, "utf8.mp3", "title_v1", "J\xF3ga \x80", "Jóga €"},
        // A typed criterion the code page cannot hold meets the fields whole.
        {{"--detail", "--title", "Кино"}, "utf16.mp3", "title_v2", "????", "Кино"},
        {{"--detail", "--album", "λλ"}, "utf8.mp3", "album_v2", "??????", "Ελλάδα"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = c.args;
        args.push_back(tree.Path());
        const ToolRun run = Find(io, args);
        ASSERT_EQ(run.status, 0) << run.err;
        bool seen = false;
        for (const std::string& line : Lines(run.out)) {
            const Json hit = JsonReader(line, "text.").Parse();
            if (hit["name"] != c.name)
                continue;
            seen = true;
            EXPECT_EQ(hit[c.key], c.bytes) << c.name << " " << c.key;
            EXPECT_EQ(hit["text." + c.key], c.text) << c.name << " " << c.key;
        }
        EXPECT_TRUE(seen) << c.name;
        if (!c.args.empty()) {
            EXPECT_EQ(Lines(run.out).back(), "Processed folders: 0 files: 4. MP3 result: 1 files.");
        }
    }
}

TEST_F(FindMp3Tool, HostileTreesEndNormally) {
    ASSERT_EQ(::mkdir((tree / "loop").c_str(), 0755), 0);
    ASSERT_EQ(::symlink("..", (tree / "loop/back").c_str()), 0);
    ASSERT_EQ(::mkfifo((tree / "loop/pipe.mp3").c_str(), 0600), 0);
    ASSERT_EQ(::symlink("/dev/zero", (tree / "zero.mp3").c_str()), 0);
    Put("loop/ok.mp3", Mp3({}, Id3v1Record("needle")));
    for (const auto& mode :
         {std::vector<std::string>{}, std::vector<std::string>{"--fast", "needle"}}) {
        auto args = mode;
        args.push_back(tree.Path());
        const ToolRun run = Find(io, args);
        ASSERT_EQ(run.status, 0) << run.err;
        const auto lines = Lines(run.out);
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(lines[1], "Processed folders: 1 files: 9. MP3 result: 1 files.");
    }
}

TEST_F(FindMp3Tool, AFolderThatCannotBeListedIsNamedAfterTheEmptySummary) {
    Put("a.mp3", Mp3());
    const std::vector<std::pair<std::string, std::string>> cases = {
        {tree / "missing", "No such file or directory"},
        {tree / "a.mp3", "Not a directory"},
    };
    for (const auto& [folder, reason] : cases) {
        const ToolRun run = Find(io, {folder});
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, "Processed folders: 0 files: 0. MP3 result: 0 files.\n");
        EXPECT_EQ(run.err, "findmp3: cannot open folder '" + folder + "': " + reason + "\n");
    }
}

TEST_F(FindMp3Tool, ErrorsAreReported) {
    Put("a.mp3", Mp3());
    const std::vector<std::vector<std::string>> usage = {
        {},
        {"--fast"},
        {"--fast", "x", "--detail", tree.Path()},
        {"--title", "x", tree.Path()},
        {"--bogus", tree.Path()},
        {"-x", tree.Path()},
        {"--detail=yes", tree.Path()},
        {"--read-ahead=sometimes", tree.Path()},
        {tree.Path(), tree.Path()},
    };
    for (const auto& args : usage) {
        const ToolRun run = Find(io, args);
        EXPECT_EQ(run.status, 2);
        EXPECT_TRUE(run.out.empty());
        EXPECT_EQ(Lines(run.err).size(), 1u) << run.err;
        EXPECT_EQ(run.err.rfind("findmp3: ", 0), 0u);
    }
    // An invalid mask ends the search: the summary shows how far it got, the reason goes to
    // stderr and the exit status says it failed.
    const ToolRun bad = Find(io, {"--mask", "[.mp3", tree.Path()});
    EXPECT_EQ(bad.status, 1);
    // How far depends on where readdir puts "." and "..".
    EXPECT_EQ(bad.out.rfind("Processed folders: 0 files: ", 0), 0u);
    EXPECT_NE(bad.out.find(". MP3 result: 0 files.\n"), std::string::npos);
    EXPECT_NE(bad.err.find("'[.mp3' is an invalid mask at (6)"), std::string::npos);
}
