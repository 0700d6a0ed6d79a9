// The fast tag search over a file holding the input. The first bytes choose a code page and a
// text, the rest is the file. The text prepared as code-page bytes and as its UTF-8 must find
// the same files, and its UTF-16 in a title frame before the input is always found, also
// behind a large cover.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "CodePage.h"
#include "FastTagSearch.h"
#include "FuzzFile.h"

namespace {

std::string SyncSafe(uint32_t v) {
    std::string s;
    for (int shift : {21, 14, 7, 0})
        s += static_cast<char>((v >> shift) & 0x7F);
    return s;
}

std::string BigEndian32(uint32_t v) {
    std::string s;
    for (int shift : {24, 16, 8, 0})
        s += static_cast<char>((v >> shift) & 0xFF);
    return s;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    static const CodePage pages[] = {CodePage(1251), CodePage(1252), CodePage(932)};
    const CodePage& cp = pages[data[0] % 3];
    const size_t length = 1 + data[1] % 12;
    if (size < 2 + length)
        return 0;
    const std::string text(reinterpret_cast<const char*>(data + 2), length);
    const std::string file(reinterpret_cast<const char*>(data + 2 + length), size - 2 - length);
    if (text.find('\0') != std::string::npos)
        return 0;
    static const std::string path = fuzzfile::Path("fast.mp3");
    fuzzfile::Write(path, file);

    TFastTAGSearch bytes(cp), unicode(cp);
    bytes.Prepare(text);
    const bool found = bytes.FileContains(path);
    const std::string utf8 = cp.ToUtf8(text);
    if (cp.FromUtf8(utf8) == text) {
        unicode.Prepare(text, utf8);
        if (unicode.FileContains(path) != found)
            std::abort();
    }

    // The text in a UTF-16 title frame at the start of a tag that then holds the input.
    std::string planted = "\x01";
    for (const char32_t ch : CodePage::Utf8ToCodePoints(utf8)) {
        if (ch >= 0x10000)
            return 0;
        planted += static_cast<char>(ch & 0xFF);
        planted += static_cast<char>(ch >> 8);
    }
    const auto frame = [](const char* id, const std::string& content) {
        return id + BigEndian32(static_cast<uint32_t>(content.size())) + std::string(2, '\0') +
               content;
    };
    const auto tag = [](const std::string& body) {
        return "ID3\x03" + std::string(2, '\0') + SyncSafe(static_cast<uint32_t>(body.size())) +
               body;
    };
    fuzzfile::Write(path, tag(frame("TIT2", planted) + file.substr(0, 60000)));
    if (!bytes.FileContains(path))
        std::abort();
    // The same behind a cover that takes the whole first buffer, the input's frames after it.
    static const std::string cover(70000, '\xAB');
    fuzzfile::Write(path, tag(frame("APIC", cover) + frame("TIT2", planted) + file));
    if (!bytes.FileContains(path))
        std::abort();
    return 0;
}
