#include "ID3v2Loss.h"

#include <string>

#include <gtest/gtest.h>

#include "support/TagBytes.h"

using namespace testsupport;
using namespace std::string_literals;

namespace {

const std::string Audio = std::string(600, '\xFF');

TEST(ID3v2Loss, CountsWhatASaveCannotKeep) {
    const std::string title = TextFrame23("TIT2", "T");
    const std::string picture = Frame23("APIC", "\0image/png\0\3\0PNG"s);
    struct Case {
        const char* name;
        std::string file;
        int version, dropped;
        bool whole;
    };
    for (const Case& c : {
             Case{"no tag", Audio, 0, 0, false},
             // Every frame of these is kept, repeats and pictures included.
             Case{"2.3 with a picture, a private frame and a repeat",
                  Id3v2Tag({title, picture, Frame23("PRIV", "x"), TextFrame23("TIT2", "U")}, 30) +
                      Audio,
                  3, 0, false},
             Case{"2.4", Id3v2Tag({FrameV(4, "TIT2", "\0T"s), picture}, 0, 4) + Audio, 4, 0, false},
             // A 2.2 picture becomes a 2.3 one; frames without a 2.3 form go.
             Case{"2.2",
                  Id3v2Tag({FrameV(2, "TT2", "\0T"s), FrameV(2, "PIC", "\0PNG\3\0d"s),
                            FrameV(2, "CRM", "x"), FrameV(2, "XYZ", "y")},
                           0, 2) +
                      Audio,
                  2, 2, false},
             Case{"compressed 2.2", Id3v2Header(10, 2, 0, 0x40) + std::string(10, 'z') + Audio, 2,
                  0, true},
             Case{"version 2.5", Id3v2Tag({title}, 0, 5) + Audio, 5, 0, true},
             // The save keeps such a file whole behind the new tag.
             Case{"size beyond the file", Id3v2Header(100000) + title, 0, 0, false},
         }) {
        const TID3v2Loss loss = SurveyID3v2Loss(c.file, static_cast<int64_t>(c.file.size()));
        EXPECT_EQ(loss.Version, c.version) << c.name;
        EXPECT_EQ(loss.DroppedFrames, c.dropped) << c.name;
        EXPECT_EQ(loss.ReplacedWhole, c.whole) << c.name;
        EXPECT_EQ(loss.LosesData(), c.whole || c.dropped > 0) << c.name;
    }
}

} // namespace
