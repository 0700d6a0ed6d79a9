// Reads an ID3v2 tag from a file holding the input.

#include <cstdint>
#include <cstring>
#include <string>

#include "FuzzFile.h"
#include "ID3v2.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = fuzzfile::Path("v2.mp3");
    fuzzfile::Write(path, data, size);
    TID3v2 tag;
    const bool ok = tag.ReadFromFile(path);
    if (ok != (size >= 10))
        std::abort();
    const bool starts = size >= 3 && std::memcmp(data, "ID3", 3) == 0;
    if (tag.Exists() != (ok && starts))
        std::abort();
    // The tag never claims more than the file holds.
    if (tag.Size() < 0 || tag.Size() > static_cast<int64_t>(size) ||
        (tag.Size() > 0 && tag.Size() < 10))
        std::abort();
    if ((tag.Version() < 2 || tag.Version() > 4) && !tag.Title().empty())
        std::abort();
    // A save that changes nothing keeps every field as it was read, in any version.
    const std::string old(reinterpret_cast<const char*>(data), static_cast<size_t>(tag.Size()));
    const std::string rebuilt = tag.BuildTag(old);
    if (rebuilt.empty())
        return 0;
    static const std::string again = fuzzfile::Path("v2again.mp3");
    fuzzfile::Write(again, rebuilt + std::string(16, '\0'));
    TID3v2 back;
    if (!back.ReadFromFile(again) || back.Track() != tag.Track())
        std::abort();
    for (size_t i = 0; i < TID3v2::FrameCount; ++i) {
        const auto field = static_cast<TID3v2::Field>(i);
        if (back.Text(field) != tag.Text(field))
            std::abort();
    }
    return 0;
}
