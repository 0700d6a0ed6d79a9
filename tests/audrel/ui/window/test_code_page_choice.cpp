// The window and findmp3 must read a locale the same way, installed or not: both search one
// tag in the code page that the environment names, typed as a user types it.

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "WindowFixture.h"
#include "support/MpegBytes.h"
#include "support/RunTool.h"
#include "support/TagBytes.h"
#include "support/TempDir.h"

using namespace testsupport;

namespace {

constexpr const char* ChildFolder = "AUDREL_CHOICE_FOLDER";
constexpr const char* ChildText = "AUDREL_CHOICE_TEXT";

// In the child: the window, made as the program makes it, searches the folder for the text.
// Disabled in a plain run: TheWindowChoosesTheCodePageAsFindmp3Does runs it.
TEST_F(WindowTest, DISABLED_ChildSearchesForTheTypedText) {
    const char* folder = std::getenv(ChildFolder);
    const char* text = std::getenv(ChildText);
    ASSERT_TRUE(folder && text);
    TAudrelForm& f = Start();
    f.cbFastTag->setEditText(QString::fromUtf8(text));
    Search(QString::fromUtf8(folder));
    EXPECT_EQ(f.ResultCount(), 1);
}

TEST(CodePageChoice, TheWindowChoosesTheCodePageAsFindmp3Does) {
    const struct {
        std::vector<std::string> env;
        const char* typed;  // UTF-8, as typed
        const char* tagged; // the same text in the code page the environment names
    } cases[] = {
        {{"LANG=ru_RU.UTF-8"}, "привет", "\xCF\xD0\xC8\xC2\xC5\xD2"}, // not installed here
        {{"LANG=ru_RU.UTF-8", "LC_ALL=el_GR.UTF-8"}, "Αθήνα", "\xC1\xE8\xDE\xED\xE1"},
        {{"LC_CTYPE=pl_PL.UTF-8"}, "Łódź", "\xA3\xF3\x64\x9F"},
        {{"LANG=C.UTF-8"}, "Ørsted", "\xD8rsted"},
        {{"LANG=el_GR.UTF-8", "AUDREL_CODEPAGE=1251"}, "привет", "\xEF\xF0\xE8\xE2\xE5\xF2"},
    };
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    for (const auto& c : cases) {
        TempDir dir;
        ASSERT_TRUE(WriteFileBytes(dir / "song.mp3",
                                   MpegFrames(MpegHeaderSpec{}, 417, 20) + Id3v1Record(c.tagged)));
        const std::vector<std::string_view> drop = {"LANG=", "LC_", "AUDREL_CODEPAGE="};
        const ToolRun tool = RunTool(FINDMP3_PATH, {"--fast", c.typed, dir.Path()}, dir, c.env,
                                     drop, std::chrono::seconds(30));
        EXPECT_NE(tool.out.find("MP3 result: 1 files."), std::string::npos) << c.env[0];

        std::vector<std::string> env = c.env;
        env.push_back(std::string(ChildFolder) + "=" + dir.Path() + "/");
        env.push_back(std::string(ChildText) + "=" + c.typed);
        const ToolRun window =
            RunTool(self,
                    {"--gtest_also_run_disabled_tests",
                     "--gtest_filter=WindowTest.DISABLED_ChildSearchesForTheTypedText"},
                    dir, env, drop, std::chrono::seconds(60));
        EXPECT_EQ(window.status, 0) << c.env[0] << "\n" << window.out;
    }
}

} // namespace
