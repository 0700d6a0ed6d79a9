// mp3probe: runs the MPEG analyser over files and prints one JSON line per file, or writes
// and removes tags of one file (--write). Scripts, tests and benchmarks drive the core with it.

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "CommandLine.h"
#include "JsonOut.h"
#include "MPEGaudio.h"

namespace {

void PrintLine(const JsonOut& json) {
    std::fwrite(json.Text().data(), 1, json.Text().size(), stdout);
    std::fputc('\n', stdout);
}

void AddFrame(JsonOut& j, const FrameInfo& f) {
    j.Key("frame").BeginObject();
    j.Member("found", f.Found).Member("offset", f.Offset).Member("frame_size", f.FrameSize);
    j.Member("zero_side_info", f.ZeroSideInfo).Member("version_index", f.VersionIndex);
    j.Member("layer_index", f.LayerIndex).Member("has_crc", f.HasCRC);
    j.Member("bit_rate_index", f.BitRateIndex).Member("sample_rate_index", f.SampleRateIndex);
    j.Member("padded", f.Padded).Member("private", f.PrivateFlag);
    j.Member("mode_index", f.ModeIndex).Member("mode_extension", f.ModeExtension);
    j.Member("copyright", f.CopyrightFlag).Member("original", f.OriginalFlag);
    j.Member("emphasis_index", f.EmphasisIndex);
    j.EndObject();
}

void AddVBR(JsonOut& j, const VBRData& v) {
    j.Key("vbr").BeginObject();
    j.Member("found", v.Found).Member("kind", v.Kind).Member("frame_count", v.FrameCount);
    j.Member("byte_count", v.ByteCount).Member("quality", v.Quality);
    j.Member("vendor", v.VendorText);
    j.EndObject();
}

void AddID3v1(JsonOut& j, const TID3v1& t) {
    j.Key("id3v1").BeginObject();
    j.Member("exists", t.Exists()).Member("version", t.Version());
    j.Member("title", t.Title()).Member("artist", t.Artist()).Member("album", t.Album());
    j.Member("year", t.Year()).Member("comment", t.Comment()).Member("track", t.Track());
    j.Member("genre_index", t.GenreIndex()).Member("genre", t.Genre());
    j.EndObject();
}

void AddID3v2(JsonOut& j, const TID3v2& t) {
    j.Key("id3v2").BeginObject();
    j.Member("exists", t.Exists()).Member("version", t.Version()).Member("size", t.Size());
    j.Member("title", t.Title()).Member("artist", t.Artist()).Member("album", t.Album());
    j.Member("track", t.Track()).Member("year", t.Year()).Member("genre", t.Genre());
    j.Member("comment", t.Comment()).Member("composer", t.Composer());
    j.Member("encoded_by", t.EncodedBy()).Member("copyright", t.Copyright());
    j.Member("language", t.Language()).Member("url", t.URL());
    // The same fields whole, as Unicode text.
    j.Key("text").BeginObject();
    for (size_t i = 0; i < TID3v2::FrameCount; ++i)
        j.MemberUtf8(TID3v2::FieldNames[i], t.Text(static_cast<TID3v2::Field>(i)));
    j.EndObject();
    j.EndObject();
}

bool Probe(TMPEGaudio& audio, const std::string& file) {
    const bool ok = audio.ReadFromFile(file);
    JsonOut j;
    j.BeginObject();
    j.Member("file", file).Member("read_ok", ok).Member("valid", audio.Valid());
    j.Member("file_length", audio.FileLength()).Member("version", audio.Version());
    j.Member("layer", audio.Layer()).Member("channel_mode", audio.ChannelMode());
    j.Member("emphasis", audio.Emphasis()).Member("bit_rate", audio.BitRate());
    j.Member("sample_rate", audio.SampleRate()).Member("duration", audio.Duration());
    j.Member("encoder_id", audio.EncoderID()).Member("encoder", audio.Encoder());
    j.Member("tail_vendor", audio.TailVendor());
    AddFrame(j, audio.Frame());
    AddVBR(j, audio.VBR());
    AddID3v1(j, audio.ID3v1());
    AddID3v2(j, audio.ID3v2());
    j.EndObject();
    PrintLine(j);
    return ok;
}

// After the analyser gave up on a file: why the file cannot be read, or empty text when it
// can (a file shorter than an ID3v1 record is read and gives up too; that is no error).
std::string UnreadableReason(const std::string& file) {
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0)
        return std::strerror(errno);
    if (!S_ISREG(st.st_mode))
        return "not a regular file";
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::strerror(errno);
    ::close(fd);
    return st.st_size < static_cast<off_t>(TID3v1::RecordSize) ? std::string() : "read error";
}

// Names a file that cannot be read on stderr; false for it.
bool Readable(const std::string& file) {
    const std::string why = UnreadableReason(file);
    if (why.empty())
        return true;
    std::fprintf(stderr, "mp3probe: cannot read '%s': %s\n", file.c_str(), why.c_str());
    return false;
}

// A byte value 0..255 in decimal.
std::optional<uint8_t> ParseByte(std::string_view text) {
    if (text.empty() || text.size() > 3)
        return std::nullopt;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value > 255)
        return std::nullopt;
    return static_cast<uint8_t>(value);
}

// Sets one field; an empty result names the error.
std::string SetV1(TID3v1& t, std::string_view field, std::string_view value) {
    if (field == "title")
        t.SetTitle(value);
    else if (field == "artist")
        t.SetArtist(value);
    else if (field == "album")
        t.SetAlbum(value);
    else if (field == "year")
        t.SetYear(value);
    else if (field == "comment")
        t.SetComment(value);
    else if (field == "track" || field == "genre_index") {
        const auto byte = ParseByte(value);
        if (!byte)
            return std::string(field) + " must be a number from 0 to 255";
        if (field == "track")
            t.SetTrack(*byte);
        else
            t.SetGenreIndex(*byte);
    } else
        return "unknown --v1 field '" + std::string(field) + "'";
    return {};
}

std::string SetV2(TID3v2& t, std::string_view field, std::string_view value) {
    using Setter = void (TID3v2::*)(std::string_view);
    static constexpr std::pair<std::string_view, Setter> setters[] = {
        {"title", &TID3v2::SetTitle},
        {"artist", &TID3v2::SetArtist},
        {"album", &TID3v2::SetAlbum},
        {"year", &TID3v2::SetYear},
        {"genre", &TID3v2::SetGenre},
        {"comment", &TID3v2::SetComment},
        {"composer", &TID3v2::SetComposer},
        {"encoded_by", &TID3v2::SetEncodedBy},
        {"copyright", &TID3v2::SetCopyright},
        {"language", &TID3v2::SetLanguage},
        {"url", &TID3v2::SetURL},
    };
    for (const auto& [name, setter] : setters) {
        if (field == name) {
            (t.*setter)(value);
            return {};
        }
    }
    if (field == "track") {
        const auto byte = ParseByte(value);
        if (!byte)
            return "track must be a number from 0 to 255";
        t.SetTrack(*byte);
        return {};
    }
    return "unknown --v2 field '" + std::string(field) + "'";
}

// A field from UTF-8 text (--v2-text); the track takes any text ("5/12").
std::string SetV2Text(TID3v2& t, std::string_view field, std::string_view utf8) {
    for (size_t i = 0; i < TID3v2::FrameCount; ++i) {
        if (field == TID3v2::FieldNames[i]) {
            t.SetText(static_cast<TID3v2::Field>(i), utf8);
            return {};
        }
    }
    return "unknown --v2-text field '" + std::string(field) + "'";
}

// One field to set: the setter's result names an error, empty when the value is taken.
struct Assignment {
    using Setter = std::string (*)(TMPEGaudio&, std::string_view field, std::string_view value);
    Setter set;
    int tag; // 1 or 2: the tag that is saved afterwards
    std::string field, value;
};

std::string SetV1Field(TMPEGaudio& audio, std::string_view field, std::string_view value) {
    return SetV1(audio.ID3v1(), field, value);
}

std::string SetV2Field(TMPEGaudio& audio, std::string_view field, std::string_view value) {
    return SetV2(audio.ID3v2(), field, value);
}

std::string SetV2TextField(TMPEGaudio& audio, std::string_view field, std::string_view value) {
    return SetV2Text(audio.ID3v2(), field, value);
}

struct Request {
    bool write = false, removeV1 = false, removeV2 = false;
    std::vector<Assignment> assignments;
    bool modifies() const { return removeV1 || removeV2 || !assignments.empty(); }
};

// The command line: every option, its --help line and what it records.
ToolCommandLine MakeCommandLine(Request& r) {
    // "--v1 FIELD=VALUE" and its kin: one assignment through `set`, saved to `tag`.
    auto assignment = [&r](const char* option, Assignment::Setter set, int tag) {
        return [&r, option, set, tag](const char* argument) -> std::string {
            const std::string name = std::string("--") + option;
            if (!argument)
                return name + " needs FIELD=VALUE";
            const std::string_view pair = argument;
            const size_t eq = pair.find('=');
            if (eq == std::string_view::npos || eq == 0)
                return name + " needs FIELD=VALUE, got '" + std::string(pair) + "'";
            r.assignments.push_back(
                {set, tag, std::string(pair.substr(0, eq)), std::string(pair.substr(eq + 1))});
            return {};
        };
    };
    auto flag = [](bool& into) {
        return [&into](const char*) -> std::string {
            into = true;
            return {};
        };
    };
    return {
        "mp3probe",
        "usage: mp3probe FILE... | mp3probe --write FILE [--v1 FIELD=VALUE]... "
        "[--v2 FIELD=VALUE]... [--v2-text FIELD=VALUE]... [--remove-v1] [--remove-v2]",
        "Prints one JSON line per FILE: its MPEG audio data and both tags, as Audrel reads\n"
        "them. With --write it sets fields of FILE's tags, saves the tags it changed, removes\n"
        "the tags asked for, and prints one JSON line of the results.\n"
        "Exit status: 0 done, 1 a file could not be read or a tag not saved or removed,\n"
        "2 a usage error.",
        "unknown option '%s'",
        {
            {"write", nullptr, "write the tags of one FILE instead of probing", flag(r.write)},
            {"v1", "FIELD=VALUE",
             "set an ID3v1 field: title, artist, album, year, comment, track, genre_index",
             assignment("v1", SetV1Field, 1)},
            {"v2", "FIELD=VALUE",
             "set an ID3v2 field: title, artist, album, track, year, genre, comment, "
             "composer, encoded_by, copyright, language, url",
             assignment("v2", SetV2Field, 2)},
            {"v2-text", "FIELD=VALUE", "set an ID3v2 field from UTF-8 text, saved as Unicode",
             assignment("v2-text", SetV2TextField, 2)},
            {"remove-v1", nullptr, "remove the ID3v1 tag", flag(r.removeV1)},
            {"remove-v2", nullptr, "remove the ID3v2 tag", flag(r.removeV2)},
        },
    };
}

int Write(const ToolCommandLine& commandLine, const Request& r,
          const std::vector<std::string>& files) {
    if (files.empty())
        return commandLine.UsageError("--write needs a FILE");
    if (files.size() > 1)
        return commandLine.UsageError("--write takes one FILE");
    const std::string& file = files.front();

    TMPEGaudio audio;
    const bool readOk = audio.ReadFromFile(file);
    bool setV1 = false, setV2 = false;
    for (const Assignment& a : r.assignments) {
        const std::string error = a.set(audio, a.field, a.value);
        if (!error.empty())
            return commandLine.UsageError(error);
        (a.tag == 1 ? setV1 : setV2) = true;
    }
    const bool readable = readOk || Readable(file);

    std::optional<bool> v1Saved, v2Saved, v1Removed, v2Removed;
    if (setV1)
        v1Saved = audio.ID3v1().SaveToFile(file);
    if (setV2)
        v2Saved = audio.ID3v2().SaveToFile(file);
    if (r.removeV1)
        v1Removed = audio.ID3v1().RemoveFromFile(file);
    if (r.removeV2)
        v2Removed = audio.ID3v2().RemoveFromFile(file);

    JsonOut j;
    j.BeginObject().Member("file", file);
    bool allDone = readable;
    for (const auto& [key, result] :
         {std::pair{"v1_saved", v1Saved}, std::pair{"v2_saved", v2Saved},
          std::pair{"v1_removed", v1Removed}, std::pair{"v2_removed", v2Removed}}) {
        if (result) {
            j.Member(key, *result);
            allDone = allDone && *result;
        } else {
            j.Member(key, nullptr);
        }
    }
    j.EndObject();
    PrintLine(j);
    return allDone ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    Request request;
    const ToolCommandLine commandLine = MakeCommandLine(request);
    std::vector<std::string> files;
    if (const int status = commandLine.Parse(argc, argv, files); status >= 0)
        return status;
    if (request.write) {
        const int status = Write(commandLine, request, files);
        std::fflush(stdout);
        return status;
    }
    if (request.modifies())
        return commandLine.UsageError("--v1, --v2, --remove-v1 and --remove-v2 need --write");
    if (files.empty())
        return commandLine.UsageError("no FILE given");

    // One write per many lines when probing thousands of files.
    static char outBuffer[1 << 16];
    std::setvbuf(stdout, outBuffer, _IOFBF, sizeof outBuffer);
    TMPEGaudio audio;
    bool allRead = true;
    for (const std::string& file : files) {
        if (!Probe(audio, file) && !Readable(file))
            allRead = false;
    }
    return std::fflush(stdout) == 0 && allRead ? 0 : 1;
}
