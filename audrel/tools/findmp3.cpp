// findmp3: runs the search engine the window uses over one folder tree and prints one JSON line
// per hit, in the order the engine reports them, then the window's summary line.

#include <array>
#include <cerrno>
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

#include <dirent.h>
#include <fcntl.h>
#include <langinfo.h>

#include "CodePage.h"
#include "CommandLine.h"
#include "FindMP3.h"
#include "FolderOpen.h"
#include "JsonOut.h"

namespace {

// A typed text in the locale's encoding, as UTF-8. Nullopt when the text is not valid in the
// locale's encoding. The plain C locale is taken as UTF-8, the encoding of every Linux
// terminal today.
std::optional<std::string> LocaleToUtf8(const char* text) {
    const char* codeset = ::nl_langinfo(CODESET);
    if (!codeset || std::strcmp(codeset, "UTF-8") == 0 ||
        std::strcmp(codeset, "ANSI_X3.4-1968") == 0)
        return std::string(text);
    std::mbstate_t state{};
    const char* src = text;
    const size_t n = std::mbsrtowcs(nullptr, &src, 0, &state);
    if (n == static_cast<size_t>(-1))
        return std::nullopt;
    std::wstring wide(n, L'\0');
    src = text;
    state = std::mbstate_t{};
    std::mbsrtowcs(wide.data(), &src, n, &state);
    std::string utf8;
    for (const wchar_t w : wide)
        CodePage::AppendUtf8(utf8, static_cast<char32_t>(w));
    return utf8;
}

struct Options {
    bool detail = false;
    bool fastGiven = false;
    bool subFolders = true;
    std::string fast, title, artist, album;
    // The texts as typed, in UTF-8: what the code page lacks is looked for in their Unicode.
    std::string fastUnicode, titleUnicode, artistUnicode, albumUnicode;
    std::string mask = "*.mp3";
    TReadAheadMode readAhead = TReadAheadMode::Auto;
    std::optional<std::string> folder;
};

// One line per hit, built in a buffer kept for the whole run: a tree can hold many thousand hits.
void PrintHit(const TFindMP3Info& info) {
    static std::string line;
    line.clear();
    // Each member's separator and key are one literal.
    auto member = [](std::string_view separatorAndKey, const std::string& bytes) {
        line += separatorAndKey;
        JsonOut::AppendString(line, bytes);
    };
    member("{\"name\": ", info.Entry.Name);
    member(", \"full_path\": ", info.FullPath);
    line += ", \"duration\": ";
    line += std::to_string(info.Duration);
    // The six tag fields as code-page bytes, then whole as Unicode text in "text".
    static constexpr std::array<std::string_view, 6> Keys = {
        ", \"artist_v1\": ", ", \"title_v1\": ", ", \"album_v1\": ",
        ", \"artist_v2\": ", ", \"title_v2\": ", ", \"album_v2\": "};
    const std::array<const std::string*, 6> bytes = {&info.ArtistV1, &info.TitleV1, &info.AlbumV1,
                                                     &info.ArtistV2, &info.TitleV2, &info.AlbumV2};
    const std::array<const std::string*, 6> texts = {&info.ArtistV1Text, &info.TitleV1Text,
                                                     &info.AlbumV1Text,  &info.ArtistV2Text,
                                                     &info.TitleV2Text,  &info.AlbumV2Text};
    for (size_t i = 0; i < Keys.size(); ++i)
        member(Keys[i], *bytes[i]);
    line += ", \"text\": {";
    for (size_t i = 0; i < Keys.size(); ++i) {
        line += Keys[i].substr(i == 0 ? 2 : 0); // the object's first member has no separator
        JsonOut::AppendUtf8(line, *texts[i]);
    }
    line += "}}\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
}

// The command line: every option, its --help line and what it sets.
ToolCommandLine MakeCommandLine(Options& o, bool& detailOnly) {
    // A typed text goes to the engine as the code page's bytes and whole.
    auto text = [](std::string& into, std::string refusal, std::string* unicode = nullptr) {
        return [&into, refusal, unicode](const char* argument) -> std::string {
            const auto utf8 = argument ? LocaleToUtf8(argument) : std::nullopt;
            if (!utf8)
                return refusal;
            into = CodePage::System().FromUtf8(*utf8);
            if (unicode)
                *unicode = *utf8;
            return {};
        };
    };
    auto criterion = [&](std::string& into, std::string& unicode, const char* option) {
        auto take =
            text(into, std::string(option) + " needs a text in the locale's encoding", &unicode);
        return [&detailOnly, take](const char* argument) {
            detailOnly = true;
            return take(argument);
        };
    };
    auto flag = [](bool& into, bool value) {
        return [&into, value](const char*) -> std::string {
            into = value;
            return {};
        };
    };
    return {
        "findmp3",
        "usage: findmp3 [--fast TEXT | --detail [--title T] [--artist A] [--album B]] "
        "[--no-subfolders] [--mask M] [--read-ahead auto|always|never] FOLDER",
        "Searches FOLDER and its subfolders for MP3 files as Audrel's window does and prints\n"
        "one JSON line per hit, then the summary line. Texts are taken in the locale's\n"
        "encoding; the fast search looks for them in the tags' code page (AUDREL_CODEPAGE\n"
        "overrides it) and in UTF-8 and UTF-16, the detail search in ID3v2 fields as Unicode.\n"
        "Exit status: 0 done, 1 the folder could not be listed or the search ended early,\n"
        "2 a usage error.",
        "unknown option %s",
        {
            {"fast", "TEXT", "fast search (the default): TEXT anywhere in the raw tags",
             [&o, take = text(o.fast, "--fast needs a TEXT in the locale's encoding",
                              &o.fastUnicode)](const char* argument) {
                 o.fastGiven = true;
                 return take(argument);
             }},
            {"detail", nullptr, "detail search in the tag fields of both tag versions",
             flag(o.detail, true)},
            {"title", "T", "with --detail: a title containing T",
             criterion(o.title, o.titleUnicode, "--title")},
            {"artist", "A", "with --detail: an artist containing A",
             criterion(o.artist, o.artistUnicode, "--artist")},
            {"album", "B", "with --detail: an album containing B",
             criterion(o.album, o.albumUnicode, "--album")},
            {"no-subfolders", nullptr, "search FOLDER only", flag(o.subFolders, false)},
            // Masks are matched against file names, which are bytes as the disk holds them.
            {"mask", "M", "file-name mask ending in .mp3 (default *.mp3)",
             [&o](const char* argument) -> std::string {
                 if (!argument)
                     return "--mask needs a mask";
                 o.mask = argument;
                 return {};
             }},
            {"read-ahead", "MODE", "auto, always or never: read the next files ahead",
             [&o](const char* argument) -> std::string {
                 const std::string mode = argument ? argument : "";
                 if (mode == "auto")
                     o.readAhead = TReadAheadMode::Auto;
                 else if (mode == "always")
                     o.readAhead = TReadAheadMode::Always;
                 else if (mode == "never")
                     o.readAhead = TReadAheadMode::Never;
                 else
                     return "--read-ahead takes auto, always or never";
                 return {};
             }},
        },
    };
}

// Why the engine's first folder cannot be listed, or empty text when it can.
std::string FolderProblem(const std::string& folder) {
    DIR* dir = OpenFolderAt(AT_FDCWD, folder.c_str(), true);
    if (!dir)
        return std::strerror(errno);
    ::closedir(dir);
    return {};
}

} // namespace

int main(int argc, char** argv) {
    // Chosen from the environment before the process locale is set up, as the window does.
    CodePage::System();
    std::setlocale(LC_ALL, "");
    Options o;
    bool detailOnly = false;
    const ToolCommandLine commandLine = MakeCommandLine(o, detailOnly);
    std::vector<std::string> operands;
    if (const int status = commandLine.Parse(argc, argv, operands); status >= 0)
        return status;
    if (operands.size() > 1)
        return commandLine.UsageError("only one FOLDER may be given");
    if (operands.empty())
        return commandLine.UsageError("a FOLDER is needed");
    o.folder = operands.front();
    if (o.detail && o.fastGiven)
        return commandLine.UsageError("--fast and --detail exclude each other");
    if (detailOnly && !o.detail)
        return commandLine.UsageError("--title, --artist and --album belong to --detail");

    static char outBuffer[1 << 16];
    std::setvbuf(stdout, outBuffer, _IOFBF, sizeof outBuffer);

    auto engine = std::make_unique<TFindMP3>();
    engine->FastSearch = !o.detail;
    engine->TitleText = o.title;
    engine->AlbumText = o.album;
    engine->ArtistText = o.artist;
    engine->TitleUnicode = o.titleUnicode;
    engine->AlbumUnicode = o.albumUnicode;
    engine->ArtistUnicode = o.artistUnicode;
    engine->SetMask(o.mask);
    engine->FastText = o.fast;
    engine->FastUnicode = o.fastUnicode;
    engine->SetFolder(*o.folder);
    engine->SetSubFolders(o.subFolders);
    engine->ReadAhead = o.readAhead;
    int32_t resultCount = 0;
    engine->OnFound = [&](TFindMP3&, const TFindMP3Info& info) {
        ++resultCount;
        PrintHit(info);
    };
    // A folder that cannot be listed is an empty result to the engine, as to the window; the
    // tool says so after the summary.
    const std::string folderProblem = FolderProblem(engine->Folder());
    engine->Start();
    engine->WaitUntilFinished();

    std::printf("Processed folders: %d files: %d. MP3 result: %d files.\n", engine->FolderCount(),
                engine->FileCount(), resultCount);
    std::fflush(stdout);
    if (!folderProblem.empty()) {
        const std::string& named = o.folder->empty() ? engine->Folder() : *o.folder;
        std::fprintf(stderr, "findmp3: cannot open folder '%s': %s\n", named.c_str(),
                     folderProblem.c_str());
        return 1;
    }
    if (!engine->ErrorText().empty()) {
        std::fprintf(stderr, "findmp3: the search ended early: %s\n", engine->ErrorText().c_str());
        return 1;
    }
    return std::ferror(stdout) ? 1 : 0;
}
