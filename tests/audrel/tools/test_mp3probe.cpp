// Runs the built mp3probe as scripts do, on the fixtures and on files made here.

#include <chrono>
#include <cstdlib>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "support/JsonLine.h"
#include "support/RunTool.h"
#include "support/TempDir.h"

using namespace testsupport;

namespace {

// Runs mp3probe with the arguments and the ANSI code page 1252, killing it after 20 s.
ToolRun Probe(const TempDir& dir, const std::vector<std::string>& args) {
    return RunTool(MP3PROBE_PATH, args, dir, {"AUDREL_CODEPAGE=1252"}, {},
                   std::chrono::seconds(20));
}

Json ParseLine(const std::string& line) {
    Json json = JsonReader(line, "id3v2.text.").Parse();
    EXPECT_TRUE(json.ok) << line;
    return json;
}

std::string Fixture(const char* name) {
    const char* root = std::getenv("TEST_FIXTURES");
    return std::string(root ? root : "tests/fixtures") + "/" + name;
}

std::string CopyFixture(const TempDir& dir, const char* name, const std::string& as = "") {
    const std::string path = dir / (as.empty() ? std::string(name) : as);
    EXPECT_TRUE(WriteFileBytes(path, ReadFileBytes(Fixture(name))));
    return path;
}

// The keys in the order of the output, grouped by object.
// clang-format off
const std::vector<std::string> ProbeKeys = {
    "file", "read_ok", "valid", "file_length", "version", "layer", "channel_mode", "emphasis",
    "bit_rate", "sample_rate", "duration", "encoder_id", "encoder", "tail_vendor",
    "frame", "frame.found", "frame.offset", "frame.frame_size", "frame.zero_side_info",
    "frame.version_index", "frame.layer_index", "frame.has_crc", "frame.bit_rate_index",
    "frame.sample_rate_index", "frame.padded", "frame.private", "frame.mode_index",
    "frame.mode_extension", "frame.copyright", "frame.original", "frame.emphasis_index",
    "vbr", "vbr.found", "vbr.kind", "vbr.frame_count", "vbr.byte_count", "vbr.quality",
    "vbr.vendor",
    "id3v1", "id3v1.exists", "id3v1.version", "id3v1.title", "id3v1.artist", "id3v1.album",
    "id3v1.year", "id3v1.comment", "id3v1.track", "id3v1.genre_index", "id3v1.genre",
    "id3v2", "id3v2.exists", "id3v2.version", "id3v2.size", "id3v2.title", "id3v2.artist",
    "id3v2.album", "id3v2.track", "id3v2.year", "id3v2.genre", "id3v2.comment", "id3v2.composer",
    "id3v2.encoded_by", "id3v2.copyright", "id3v2.language", "id3v2.url", "id3v2.text",
    "id3v2.text.title", "id3v2.text.artist", "id3v2.text.album", "id3v2.text.track",
    "id3v2.text.year", "id3v2.text.genre", "id3v2.text.comment", "id3v2.text.composer",
    "id3v2.text.encoded_by", "id3v2.text.copyright", "id3v2.text.language", "id3v2.text.url",
};
// clang-format on

TEST(Mp3Probe, PrintsOneLineOfEveryFieldPerFileInOrder) {
    TempDir dir;
    const std::vector<std::string> files = {Fixture("lame_vbr.mp3"), dir / "missing.mp3",
                                            Fixture("no_frame.mp3")};
    const ToolRun run = Probe(dir, files);
    // The missing file still has its line; stderr names it and the status tells.
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "mp3probe: cannot read '" + files[1] + "': No such file or directory\n");
    const auto lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 3u);
    for (size_t i = 0; i < lines.size(); ++i) {
        const Json json = ParseLine(lines[i]);
        EXPECT_EQ(json.keys, ProbeKeys);
        EXPECT_EQ(json["file"], files[i]);
    }
    // Keys and values spaced as ", " and ": ", and the duration with 17 significant digits.
    EXPECT_EQ(lines[0].rfind("{\"file\": \"", 0), 0u);
    EXPECT_NE(lines[0].find("\"duration\": 0.5485714285714286, \"encoder_id\": 3, "),
              std::string::npos);
    const Json missing = ParseLine(lines[1]);
    EXPECT_EQ(missing["read_ok"], "false");
    EXPECT_EQ(missing["valid"], "false");
    EXPECT_EQ(missing["version"], "MPEG ?");
    EXPECT_EQ(missing["duration"], "0");
    EXPECT_EQ(missing["vbr.kind"], "");
    EXPECT_TRUE(missing.isString.at("vbr.kind"));
}

// Values worked out by hand from each file's bytes.
TEST(Mp3Probe, FixturesGiveTheirCheckedValues) {
    struct Expect {
        const char* file;
        std::map<std::string, std::string> values;
    };
    const Expect expects[] = {
        {"lame_cbr128_tags.mp3",
         {{"read_ok", "true"},
          {"valid", "true"},
          {"file_length", "10368"},
          {"version", "MPEG 1"},
          {"layer", "Layer III"},
          {"channel_mode", "Joint Stereo"},
          {"bit_rate", "128"},
          // (10368 - 1046) * 8 / 128 / 1000: the ID3v1 record is counted as audio
          {"duration", "0.58262499999999995"},
          {"encoder", "LAME 3.10"},
          {"tail_vendor", "LAME3.10"},
          {"frame.offset", "0"},
          {"frame.frame_size", "417"},
          {"frame.original", "true"},
          {"vbr.found", "false"},
          {"id3v1.version", "2"},
          {"id3v1.title", "Test Title"},
          {"id3v1.track", "5"},
          {"id3v1.genre", "Rock"},
          {"id3v2.version", "3"},
          {"id3v2.size", "1046"},
          {"id3v2.artist", "Test Artist"},
          {"id3v2.genre", ""},
          {"id3v2.track", "5"},
          {"id3v2.comment", "a comment"}}},
        {"lame_vbr.mp3",
         {{"valid", "true"},
          {"bit_rate", "87"},
          {"vbr.kind", "Xing"},
          {"vbr.frame_count", "21"},
          {"vbr.byte_count", "5988"},
          {"vbr.quality", "80"},
          {"vbr.vendor", "LAME3.10"},
          {"encoder_id", "3"},
          {"encoder", "LAME 3.10"},
          {"tail_vendor", ""}}},
        {"lame_mpeg2_layer3.mp3",
         {{"version", "MPEG 2"},
          {"sample_rate", "22050"},
          {"bit_rate", "64"},
          {"frame.frame_size", "208"},
          {"duration", "0.67900000000000005"}}},
        {"lame_mono.mp3",
         {{"channel_mode", "Mono"},
          {"frame.frame_size", "208"},
          {"frame.zero_side_info", "true"},
          {"encoder", "Xing"}}},
        {"ffmpeg_mp2_22k.mp3",
         {{"valid", "true"},
          {"version", "MPEG 2"},
          {"layer", "Layer II"},
          {"frame.frame_size", "417"},
          {"duration", "0.62687499999999996"}}},
        {"junk_before_frame.mp3",
         {{"read_ok", "true"},
          {"valid", "true"},
          {"frame.offset", "40"},
          {"sample_rate", "24000"},
          {"duration", "0.82099999999999995"}}},
        {"eyed3_v24.mp3",
         {{"read_ok", "true"},
          {"id3v2.exists", "true"},
          {"id3v2.version", "4"},
          {"id3v2.title", "Vier"},
          {"id3v2.track", "3"},
          {"id3v2.text.track", "03"}}},
        {"utf16_v23.mp3",
         {{"id3v2.version", "3"},
          {"id3v2.title", "Gr\xFC\xDF"
                          "e ?"},
          {"id3v2.artist", "\xC4rtist"},
          {"id3v2.album", "Plain"},
          {"id3v2.text.title", "Gr\xC3\xBC\xC3\x9F"
                               "e \xE2\x98\x83"}}},
        {"no_frame.mp3",
         {{"read_ok", "true"},
          {"valid", "false"},
          {"file_length", "0"},
          {"id3v2.exists", "false"},
          {"id3v1.exists", "false"},
          {"encoder", "Unknown"}}},
    };
    TempDir dir;
    for (const Expect& e : expects) {
        SCOPED_TRACE(e.file);
        const ToolRun run = Probe(dir, {Fixture(e.file)});
        ASSERT_EQ(run.status, 0);
        const Json json = ParseLine(Lines(run.out).at(0));
        for (const auto& [key, value] : e.values)
            EXPECT_EQ(json[key], value) << key;
    }
}

TEST(Mp3Probe, TextsAreWrittenAsEscapedByteStrings) {
    TempDir dir;
    const std::string name = "a\"b\\c\x01\xE9.mp3";
    const std::string path = CopyFixture(dir, "lame_cbr128_tags.mp3", name);
    ToolRun run = Probe(dir, {"--write", path, "--v2", "title=tab\there \"q\" \\ \xFF"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("a\\\"b\\\\c\\u0001\xC3\xA9.mp3\""), std::string::npos) << run.out;

    run = Probe(dir, {path});
    ASSERT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("\"title\": \"tab\\u0009here \\\"q\\\" \\\\ \xC3\xBF\""),
              std::string::npos)
        << run.out;
    const Json json = ParseLine(Lines(run.out).at(0));
    EXPECT_EQ(json["file"], path);
    EXPECT_EQ(json["id3v2.title"], "tab\there \"q\" \\ \xFF");
}

TEST(Mp3Probe, WriteSetsFieldsAndKeepsTheAudio) {
    TempDir dir;
    const std::string path = CopyFixture(dir, "lame_cbr128_tags.mp3");
    const std::string before = ReadFileBytes(path);
    // The fixture's tags: ID3v2 of 1046 bytes in front, ID3v1 at the end.
    const std::string audio = before.substr(1046, before.size() - 1046 - 128);

    ToolRun run = Probe(dir, {"--write", path, "--v1", "title=New One", "--v1", "track=9", "--v1",
                              "genre_index=147", "--v2", "artist=Someone", "--v2", "comment=hello",
                              "--v2", "url=http://x.example/"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "{\"file\": \"" + path +
                           "\", \"v1_saved\": true, \"v2_saved\": true, "
                           "\"v1_removed\": null, \"v2_removed\": null}\n");

    run = Probe(dir, {path});
    const Json json = ParseLine(Lines(run.out).at(0));
    EXPECT_EQ(json["valid"], "true");
    EXPECT_EQ(json["id3v1.title"], "New One");
    EXPECT_EQ(json["id3v1.artist"], "Test Artist"); // fields not named keep what was read
    EXPECT_EQ(json["id3v1.track"], "9");
    EXPECT_EQ(json["id3v1.genre"], "Synthpop");
    EXPECT_EQ(json["id3v2.artist"], "Someone");
    EXPECT_EQ(json["id3v2.title"], "Test Title");
    EXPECT_EQ(json["id3v2.comment"], "hello");
    EXPECT_EQ(json["id3v2.url"], "http://x.example/");
    const std::string after = ReadFileBytes(path);
    const int64_t tagSize = std::stoll(json["id3v2.size"]);
    ASSERT_GT(after.size(), static_cast<size_t>(tagSize) + 128);
    EXPECT_EQ(after.substr(tagSize, after.size() - tagSize - 128), audio);

    run = Probe(dir, {"--write", path, "--remove-v1", "--remove-v2"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("\"v1_saved\": null, \"v2_saved\": null, \"v1_removed\": true, "
                           "\"v2_removed\": true}"),
              std::string::npos);
    EXPECT_EQ(ReadFileBytes(path), audio);

    // Nothing left to remove: ID3v2 reports false, and so does the exit status.
    run = Probe(dir, {"--write", path, "--remove-v2", "--remove-v1"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("\"v1_removed\": true, \"v2_removed\": false}"), std::string::npos);
    EXPECT_EQ(ReadFileBytes(path), audio);
}

TEST(Mp3Probe, UsageErrorsExitWithOneLineAndTouchNothing) {
    TempDir dir;
    const std::string path = CopyFixture(dir, "lame_cbr128_tags.mp3");
    const std::string before = ReadFileBytes(path);
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"--write"},
        {"--write", path, "--v1"},
        {"--write", path, "--v1", "title"},
        {"--write", path, "--v1", "=x"},
        {"--write", path, "--v1", "url=x"},
        {"--write", path, "--v2", "genre_index=1"},
        {"--write", path, "--v2", "track=256"},
        {"--write", path, "--v1", "track=-1"},
        {"--write", path, "--v1", "title=x", path},
        {"--write", path, "--bogus"},
        {"--write", path, "--remove-v1=yes"},
        {"--bogus", path},
        {"-x", path},
        {"--v1", "title=x", path},
    };
    for (const auto& args : bad) {
        std::string joined;
        for (const auto& a : args)
            joined += a + " ";
        SCOPED_TRACE(joined);
        const ToolRun run = Probe(dir, args);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        ASSERT_FALSE(run.err.empty());
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
    }
    EXPECT_EQ(ReadFileBytes(path), before);
}

TEST(Mp3Probe, FifoNamedLikeAnMp3IsAnsweredAtOnce) {
    TempDir dir;
    const std::string fifo = dir / "pipe.mp3";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const ToolRun run = Probe(dir, {fifo, Fixture("lame_vbr.mp3")});
    // The FIFO is named as a file it cannot read, and the status says so.
    ASSERT_EQ(run.status, 1) << "killed after " << run.seconds << " s";
    EXPECT_EQ(run.err, "mp3probe: cannot read '" + fifo + "': not a regular file\n");
    EXPECT_LT(run.seconds, 10);
    const auto lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(ParseLine(lines[0])["read_ok"], "false");
    EXPECT_EQ(ParseLine(lines[1])["valid"], "true");

    const ToolRun write = Probe(dir, {"--write", fifo, "--v1", "title=x", "--v2", "title=y"});
    EXPECT_EQ(write.status, 1);
    EXPECT_NE(write.out.find("\"v1_saved\": false, \"v2_saved\": false"), std::string::npos);
}

TEST(Mp3Probe, OnlyAFileThatCannotBeReadIsNamedAndFailsTheRun) {
    TempDir dir;
    const std::string folder = dir / "folder.mp3", shortFile = dir / "short.mp3";
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    ASSERT_TRUE(WriteFileBytes(shortFile, "abc")); // read, but too short for an ID3v1 record
    const struct {
        std::vector<std::string> args;
        int status;
        std::string err;
    } cases[] = {
        {{folder}, 1, "mp3probe: cannot read '" + folder + "': not a regular file\n"},
        {{shortFile}, 0, ""},
        {{"--write", dir / "gone.mp3", "--remove-v2"},
         1,
         "mp3probe: cannot read '" + dir / "gone.mp3" + "': No such file or directory\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.back());
        const ToolRun run = Probe(dir, c.args);
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.err, c.err);
        EXPECT_EQ(Lines(run.out).size(), 1u);
    }
}

// Both tools: --help lists every option, and the manual page describes each of them.
TEST(ToolCommandLines, HelpAndVersionAnswerAndTheManualPageNamesEveryOption) {
    TempDir dir;
    for (const auto& [tool, name] :
         {std::pair{MP3PROBE_PATH, "mp3probe"}, std::pair{FINDMP3_PATH, "findmp3"}}) {
        SCOPED_TRACE(name);
        const ToolRun version = RunTool(tool, {"--version"}, dir, {}, {}, std::chrono::seconds(20));
        EXPECT_EQ(version.status, 0);
        EXPECT_EQ(version.out, std::string(name) + " " + PROJECT_VERSION_TEXT + "\n");
        for (const char* help : {"--help", "-h"}) {
            const ToolRun run = RunTool(tool, {help}, dir, {}, {}, std::chrono::seconds(20));
            EXPECT_EQ(run.status, 0);
            EXPECT_EQ(run.out.rfind(std::string("usage: ") + name + " ", 0), 0u) << run.out;
        }
        const ToolRun help = RunTool(tool, {"--help"}, dir, {}, {}, std::chrono::seconds(20));
        const std::string page = ReadFileBytes(std::string(MAN_DIR) + "/" + name + ".1");
        size_t options = 0;
        for (size_t at = help.out.find("\n  --"); at != std::string::npos;
             at = help.out.find("\n  --", at + 1), ++options) {
            const size_t start = at + 5;
            const std::string option =
                help.out.substr(start, help.out.find_first_of(" \n", start) - start);
            std::string roff = "\\-\\-"; // the page's hyphens are "\-"
            for (const char c : option)
                roff += c == '-' ? std::string("\\-") : std::string(1, c);
            EXPECT_NE(page.find(roff + "\\fR"), std::string::npos) << option;
        }
        EXPECT_GE(options, 5u);
    }
}

} // namespace
