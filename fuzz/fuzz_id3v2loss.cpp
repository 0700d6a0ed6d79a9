// Surveys what a save would drop from an ID3v2 tag held in the input's bytes.

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "ID3v2Loss.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const TID3v2Loss loss = SurveyID3v2Loss(bytes, static_cast<int64_t>(size));
    // Only 2.2 frames can be dropped one by one; other tags are kept or replaced whole.
    if (loss.DroppedFrames < 0 || (loss.Version != 2 && loss.DroppedFrames != 0) ||
        (loss.ReplacedWhole && loss.DroppedFrames != 0))
        std::abort();
    // Only a tag can lose anything.
    if (loss.LosesData() && (size < 10 || bytes.substr(0, 3) != "ID3"))
        std::abort();
    return 0;
}
