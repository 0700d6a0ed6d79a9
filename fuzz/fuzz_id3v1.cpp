// Reads an ID3v1 record from a file holding the input.

#include <algorithm>
#include <cstdint>

#include "FuzzFile.h"
#include "ID3v1.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = fuzzfile::Path("v1.mp3");
    fuzzfile::Write(path, data, size);
    TID3v1 tag;
    const bool ok = tag.ReadFromFile(path);
    if (ok != (size >= TID3v1::RecordSize))
        std::abort();
    if (tag.Title().size() > 30 || tag.Artist().size() > 30 || tag.Album().size() > 30 ||
        tag.Comment().size() > 30 || tag.Year().size() > 4)
        std::abort();
    // The file path and the record form agree, unless an APE tag ends the file (its bytes are
    // no record; the record, if any, stands in front of it).
    const bool apeAtEnd = size >= 32 && std::equal(data + size - 32, data + size - 24, "APETAGEX");
    if (ok && !apeAtEnd) {
        TID3v1::Record record{};
        std::copy(data + size - TID3v1::RecordSize, data + size, record.begin());
        TID3v1 fromRecord;
        fromRecord.ReadFromRecord(record);
        if (fromRecord.Exists() != tag.Exists() || fromRecord.Title() != tag.Title() ||
            fromRecord.Comment() != tag.Comment() || fromRecord.Track() != tag.Track())
            std::abort();
    }
    (void)tag.Genre();
    return 0;
}
