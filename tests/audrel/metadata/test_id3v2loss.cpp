#include "ID3v2Loss.h"

#include <string>

#include <gtest/gtest.h>

#include "support/TagBytes.h"

using namespace testsupport;
using namespace std::string_literals;

namespace {

const std::string Audio = std::string(600, '\xFF');

TEST(ID3v2Loss, CountsWhatASaveOfTheTwelveFieldsDrops) {
    const std::string title = TextFrame23("TIT2", "T");
    const std::string picture = Frame23("APIC", "\0image/png\0\3\0PNG"s);
    // An extended header hides every frame from the reader.
    const std::string extended = Id3v2Header(10 + static_cast<uint32_t>(title.size()), 3, 0, 0x40) +
                                 "\0\0\0\6\0\0\0\0\0\0"s + title;
    struct Case {
        const char* name;
        std::string file;
        int version, dropped;
        bool picture;
    };
    for (const Case& c : {
             Case{"no tag", Audio, 0, 0, false},
             Case{"only the twelve", Id3v2Tag({title, TextFrame23("TPE1", "A")}, 30) + Audio, 3, 0,
                  false},
             Case{"picture and a private frame",
                  Id3v2Tag({title, picture, Frame23("PRIV", "x")}) + Audio, 3, 2, true},
             Case{"repeated title", Id3v2Tag({title, TextFrame23("TIT2", "U")}) + Audio, 3, 1,
                  false},
             Case{"extended header", extended + Audio, 3, 1, false},
             Case{"version 2.4", Id3v2Tag({title}, 0, 4) + Audio, 4, 0, false},
             Case{"version 2.2", Id3v2Tag({"TT2\0\0\2\0T"s}, 0, 2) + Audio, 2, 0, false},
             // The save keeps such a file whole behind the new tag.
             Case{"size beyond the file", Id3v2Header(100000) + title, 0, 0, false},
         }) {
        const TID3v2Loss loss = SurveyID3v2Loss(c.file, static_cast<int64_t>(c.file.size()));
        EXPECT_EQ(loss.Version, c.version) << c.name;
        EXPECT_EQ(loss.DroppedFrames, c.dropped) << c.name;
        EXPECT_EQ(loss.DroppedPicture, c.picture) << c.name;
        EXPECT_EQ(loss.LosesData(), c.version > 3 || c.version == 2 || c.dropped > 0) << c.name;
    }
}

} // namespace
