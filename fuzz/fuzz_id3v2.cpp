// Reads an ID3v2 tag from a file holding the input.

#include <cstdint>
#include <cstring>

#include "FuzzFile.h"
#include "ID3v2.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
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
    if (tag.Size() < 0 || tag.Size() > static_cast<int64_t>(size) || (tag.Size() > 0 && tag.Size() < 10))
        std::abort();
    if (tag.Version() != 3 && !tag.Title().empty())
        std::abort();
    return 0;
}
