// The window and findmp3 read a locale the same way, installed or not: each searches a tag
// written in the code page the environment names, for the text as a user types it.

#include <chrono>
#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

#include "WindowFixture.h"
#include "support/MpegBytes.h"
#include "support/RunTool.h"
#include "support/TagBytes.h"

using namespace testsupport;

namespace {

// Run only as the child of the test below, in the environment it chooses.
TEST_F(WindowTest, DISABLED_ChildFindsTheTypedText) {
    TAudrelForm& f = Start();
    f.cbFastTag->setEditText(QString::fromUtf8(std::getenv("CHILD_TEXT")));
    Search(QString::fromUtf8(std::getenv("CHILD_FOLDER")));
    EXPECT_EQ(f.ResultCount(), 1);
}

TEST(CodePageChoice, TheWindowChoosesTheCodePageAsFindmp3Does) {
    const struct {
        std::vector<std::string> env;
        const char *typed, *tagged;
    } cases[] = {
        {{"LANG=ru_RU.UTF-8"}, "привет", "\xCF\xD0\xC8\xC2\xC5\xD2"}, // not installed here
        {{"LANG=ru_RU.UTF-8", "LC_ALL=el_GR.UTF-8"}, "Αθήνα", "\xC1\xE8\xDE\xED\xE1"},
        {{"LC_CTYPE=pl_PL.UTF-8"}, "Łódź", "\xA3\xF3\x64\x9F"},
        {{"LANG=el_GR.UTF-8", "AUDREL_CODEPAGE=1251"}, "привет", "\xEF\xF0\xE8\xE2\xE5\xF2"},
    };
    const std::vector<std::string_view> drop = {"LANG=", "LC_", "AUDREL_CODEPAGE="};
    for (const auto& c : cases) {
        TempDir dir;
        WriteFileBytes(dir / "a.mp3", MpegFrames({}, 417, 20) + Id3v1Record(c.tagged));
        const ToolRun tool = RunTool(FINDMP3_PATH, {"--fast", c.typed, dir.Path()}, dir, c.env,
                                     drop, std::chrono::seconds(30));
        EXPECT_NE(tool.out.find("MP3 result: 1 files."), std::string::npos) << c.env[0];
        auto env = c.env;
        env.push_back("CHILD_FOLDER=" + dir.Path() + "/");
        env.push_back(std::string("CHILD_TEXT=") + c.typed);
        const ToolRun window = RunTool(
            std::filesystem::read_symlink("/proc/self/exe"),
            {"--gtest_also_run_disabled_tests", "--gtest_filter=*DISABLED_ChildFindsTheTypedText"},
            dir, env, drop, std::chrono::seconds(60));
        EXPECT_EQ(window.status, 0) << c.env[0];
    }
}

} // namespace
