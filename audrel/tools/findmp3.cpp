// findmp3: runs the search engine the window uses over one folder tree and prints one JSON line
// per hit, in the order the engine reports them, then the window's summary line.

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <langinfo.h>

#include "CodePage.h"
#include "FindMP3.h"
#include "JsonOut.h"

namespace {

constexpr const char* Usage =
    "usage: findmp3 [--fast TEXT | --detail [--title T] [--artist A] [--album B]] "
    "[--no-subfolders] [--mask M] [--read-ahead auto|always|never] FOLDER";

int UsageError(const std::string& why) {
    std::fprintf(stderr, "findmp3: %s; %s\n", why.c_str(), Usage);
    return 2;
}

// A typed text in the locale's encoding, as the code page's bytes (what the window does with
// the text of an edit box). Nullopt when the text is not valid in the locale's encoding.
// The plain C locale is taken as UTF-8, the encoding of every Linux terminal today.
std::optional<std::string> ToCodePage(const char* text) {
    const CodePage& codePage = CodePage::System();
    const char* codeset = ::nl_langinfo(CODESET);
    if (!codeset || std::strcmp(codeset, "UTF-8") == 0 ||
        std::strcmp(codeset, "ANSI_X3.4-1968") == 0)
        return codePage.FromUtf8(text);
    std::mbstate_t state{};
    const char* src = text;
    const size_t n = std::mbsrtowcs(nullptr, &src, 0, &state);
    if (n == static_cast<size_t>(-1))
        return std::nullopt;
    std::wstring wide(n, L'\0');
    src = text;
    state = std::mbstate_t{};
    std::mbsrtowcs(wide.data(), &src, n, &state);
    std::u16string utf16;
    for (const wchar_t w : wide) {
        const auto c = static_cast<char32_t>(w);
        if (c >= 0x10000) {
            utf16 += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            utf16 += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            utf16 += static_cast<char16_t>(c);
        }
    }
    return codePage.FromUtf16(utf16);
}

struct Options {
    bool detail = false;
    bool fastGiven = false;
    bool subFolders = true;
    std::string fast, title, artist, album;
    std::string mask = "*.mp3";
    TReadAheadMode readAhead = TReadAheadMode::Auto;
    std::optional<std::string> folder;
};

// One line per hit, built in a buffer kept for the whole run: a tree can hold many thousand hits.
void PrintHit(const TFindMP3Info& info) {
    static std::string line;
    line.clear();
    // Each member's separator and key are one literal: eight of them per hit.
    auto member = [](std::string_view separatorAndKey, const std::string& bytes) {
        line += separatorAndKey;
        JsonOut::AppendString(line, bytes);
    };
    member("{\"name\": ", info.Entry.Name);
    member(", \"full_path\": ", info.FullPath);
    line += ", \"duration\": ";
    line += std::to_string(info.Duration);
    member(", \"artist_v1\": ", info.ArtistV1);
    member(", \"title_v1\": ", info.TitleV1);
    member(", \"album_v1\": ", info.AlbumV1);
    member(", \"artist_v2\": ", info.ArtistV2);
    member(", \"title_v2\": ", info.TitleV2);
    member(", \"album_v2\": ", info.AlbumV2);
    line += "}\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
}

} // namespace

int main(int argc, char** argv) {
    // Chosen from the environment before the process locale is set up, as the window does.
    CodePage::System();
    std::setlocale(LC_ALL, "");
    Options o;
    bool detailOnly = false;
    bool optionsEnd = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto text = [&](std::string& into) -> bool {
            if (i + 1 >= argc)
                return false;
            const auto converted = ToCodePage(argv[++i]);
            if (!converted)
                return false;
            into = *converted;
            return true;
        };
        if (optionsEnd || arg.empty() || arg[0] != '-' || arg == "-") {
            if (o.folder)
                return UsageError("only one FOLDER may be given");
            o.folder = arg;
        } else if (arg == "--") {
            optionsEnd = true;
        } else if (arg == "--fast") {
            o.fastGiven = true;
            if (!text(o.fast))
                return UsageError("--fast needs a TEXT in the locale's encoding");
        } else if (arg == "--detail") {
            o.detail = true;
        } else if (arg == "--title" || arg == "--artist" || arg == "--album") {
            detailOnly = true;
            std::string& into = arg == "--title" ? o.title : arg == "--artist" ? o.artist : o.album;
            if (!text(into))
                return UsageError(arg + " needs a text in the locale's encoding");
        } else if (arg == "--no-subfolders") {
            o.subFolders = false;
        } else if (arg == "--mask") {
            // Masks are matched against file names, which are bytes as the disk holds them.
            if (i + 1 >= argc)
                return UsageError("--mask needs a mask");
            o.mask = argv[++i];
        } else if (arg == "--read-ahead") {
            const std::string mode = i + 1 < argc ? argv[++i] : "";
            if (mode == "auto")
                o.readAhead = TReadAheadMode::Auto;
            else if (mode == "always")
                o.readAhead = TReadAheadMode::Always;
            else if (mode == "never")
                o.readAhead = TReadAheadMode::Never;
            else
                return UsageError("--read-ahead takes auto, always or never");
        } else if (arg == "--help" || arg == "-h") {
            std::printf("%s\n", Usage);
            return 0;
        } else {
            return UsageError("unknown option " + arg);
        }
    }
    if (!o.folder)
        return UsageError("a FOLDER is needed");
    if (o.detail && o.fastGiven)
        return UsageError("--fast and --detail exclude each other");
    if (detailOnly && !o.detail)
        return UsageError("--title, --artist and --album belong to --detail");

    static char outBuffer[1 << 16];
    std::setvbuf(stdout, outBuffer, _IOFBF, sizeof outBuffer);

    auto engine = std::make_unique<TFindMP3>();
    engine->FastSearch = !o.detail;
    engine->TitleText = o.title;
    engine->AlbumText = o.album;
    engine->ArtistText = o.artist;
    engine->SetMask(o.mask);
    engine->FastText = o.fast;
    engine->SetFolder(*o.folder);
    engine->SetSubFolders(o.subFolders);
    engine->ReadAhead = o.readAhead;
    int32_t resultCount = 0;
    engine->OnFound = [&](TFindMP3&, const TFindMP3Info& info) {
        ++resultCount;
        PrintHit(info);
    };
    engine->Start();
    engine->WaitUntilFinished();

    std::printf("Processed folders: %d files: %d. MP3 result: %d files.\n", engine->FolderCount(),
                engine->FileCount(), resultCount);
    std::fflush(stdout);
    if (!engine->ErrorText().empty()) {
        std::fprintf(stderr, "findmp3: the search ended early: %s\n", engine->ErrorText().c_str());
        return 1;
    }
    return std::ferror(stdout) ? 1 : 0;
}
