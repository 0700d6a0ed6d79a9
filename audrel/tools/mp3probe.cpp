// mp3probe: runs the MPEG analyser over files and prints one JSON line per file, or writes
// and removes tags of one file (--write). Scripts, tests and benchmarks drive the core with it.

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "JsonOut.h"
#include "MPEGaudio.h"

namespace {

constexpr const char* Usage =
    "usage: mp3probe FILE... | mp3probe --write FILE [--v1 FIELD=VALUE]... "
    "[--v2 FIELD=VALUE]... [--v2-text FIELD=VALUE]... [--remove-v1] [--remove-v2]";

int UsageError(const std::string& why)
{
    std::fprintf(stderr, "mp3probe: %s; %s\n", why.c_str(), Usage);
    return 2;
}

void PrintLine(const JsonOut& json)
{
    std::fwrite(json.Text().data(), 1, json.Text().size(), stdout);
    std::fputc('\n', stdout);
}

void AddFrame(JsonOut& j, const FrameInfo& f)
{
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

void AddVBR(JsonOut& j, const VBRData& v)
{
    j.Key("vbr").BeginObject();
    j.Member("found", v.Found).Member("kind", v.Kind).Member("frame_count", v.FrameCount);
    j.Member("byte_count", v.ByteCount).Member("quality", v.Quality);
    j.Member("vendor", v.VendorText);
    j.EndObject();
}

void AddID3v1(JsonOut& j, const TID3v1& t)
{
    j.Key("id3v1").BeginObject();
    j.Member("exists", t.Exists()).Member("version", t.Version());
    j.Member("title", t.Title()).Member("artist", t.Artist()).Member("album", t.Album());
    j.Member("year", t.Year()).Member("comment", t.Comment()).Member("track", t.Track());
    j.Member("genre_index", t.GenreIndex()).Member("genre", t.Genre());
    j.EndObject();
}

void AddID3v2(JsonOut& j, const TID3v2& t)
{
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

void Probe(TMPEGaudio& audio, const std::string& file)
{
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
}

// A byte value 0..255 in decimal.
std::optional<uint8_t> ParseByte(std::string_view text)
{
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
std::string SetV1(TID3v1& t, std::string_view field, std::string_view value)
{
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

std::string SetV2(TID3v2& t, std::string_view field, std::string_view value)
{
    using Setter = void (TID3v2::*)(std::string_view);
    static constexpr std::pair<std::string_view, Setter> setters[] = {
        {"title", &TID3v2::SetTitle},         {"artist", &TID3v2::SetArtist},
        {"album", &TID3v2::SetAlbum},         {"year", &TID3v2::SetYear},
        {"genre", &TID3v2::SetGenre},         {"comment", &TID3v2::SetComment},
        {"composer", &TID3v2::SetComposer},   {"encoded_by", &TID3v2::SetEncodedBy},
        {"copyright", &TID3v2::SetCopyright}, {"language", &TID3v2::SetLanguage},
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
std::string SetV2Text(TID3v2& t, std::string_view field, std::string_view utf8)
{
    for (size_t i = 0; i < TID3v2::FrameCount; ++i) {
        if (field == TID3v2::FieldNames[i]) {
            t.SetText(static_cast<TID3v2::Field>(i), utf8);
            return {};
        }
    }
    return "unknown --v2-text field '" + std::string(field) + "'";
}

struct Assignment {
    int tag;  // 1, 2, or 3 for the ID3v2 fields as Unicode text
    std::string field, value;
};

int Write(int argc, char** argv)
{
    std::string file;
    bool haveFile = false, removeV1 = false, removeV2 = false, optionsEnded = false;
    std::vector<Assignment> assignments;
    for (int i = 2; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (!optionsEnded && (arg == "--v1" || arg == "--v2" || arg == "--v2-text")) {
            if (i + 1 >= argc)
                return UsageError(std::string(arg) + " needs FIELD=VALUE");
            const std::string_view pair = argv[++i];
            const size_t eq = pair.find('=');
            if (eq == std::string_view::npos || eq == 0)
                return UsageError(std::string(arg) + " needs FIELD=VALUE, got '" + std::string(pair) + "'");
            assignments.push_back({arg == "--v1" ? 1 : arg == "--v2" ? 2 : 3, std::string(pair.substr(0, eq)),
                                   std::string(pair.substr(eq + 1))});
        } else if (!optionsEnded && arg == "--remove-v1") {
            removeV1 = true;
        } else if (!optionsEnded && arg == "--remove-v2") {
            removeV2 = true;
        } else if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            return UsageError("unknown option '" + std::string(arg) + "'");
        } else if (haveFile) {
            return UsageError("--write takes one FILE");
        } else {
            file = arg;
            haveFile = true;
        }
    }
    if (!haveFile)
        return UsageError("--write needs a FILE");

    TMPEGaudio audio;
    audio.ReadFromFile(file);
    bool setV1 = false, setV2 = false;
    for (const Assignment& a : assignments) {
        const std::string error = a.tag == 1   ? SetV1(audio.ID3v1(), a.field, a.value)
                                  : a.tag == 2 ? SetV2(audio.ID3v2(), a.field, a.value)
                                               : SetV2Text(audio.ID3v2(), a.field, a.value);
        if (!error.empty())
            return UsageError(error);
        (a.tag == 1 ? setV1 : setV2) = true;
    }

    std::optional<bool> v1Saved, v2Saved, v1Removed, v2Removed;
    if (setV1)
        v1Saved = audio.ID3v1().SaveToFile(file);
    if (setV2)
        v2Saved = audio.ID3v2().SaveToFile(file);
    if (removeV1)
        v1Removed = audio.ID3v1().RemoveFromFile(file);
    if (removeV2)
        v2Removed = audio.ID3v2().RemoveFromFile(file);

    JsonOut j;
    j.BeginObject().Member("file", file);
    bool allDone = true;
    for (const auto& [key, result] : {std::pair{"v1_saved", v1Saved}, std::pair{"v2_saved", v2Saved},
                                      std::pair{"v1_removed", v1Removed},
                                      std::pair{"v2_removed", v2Removed}}) {
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

int main(int argc, char** argv)
{
    if (argc < 2)
        return UsageError("no FILE given");
    if (std::strcmp(argv[1], "--write") == 0) {
        const int status = Write(argc, argv);
        std::fflush(stdout);
        return status;
    }

    std::vector<std::string> files;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (!optionsEnded && arg == "--")
            optionsEnded = true;
        else if (!optionsEnded && arg.size() > 2 && arg.substr(0, 2) == "--")
            return UsageError("unknown option '" + std::string(arg) + "'");
        else
            files.emplace_back(arg);
    }
    if (files.empty())
        return UsageError("no FILE given");

    // One write per many lines when probing thousands of files.
    static char outBuffer[1 << 16];
    std::setvbuf(stdout, outBuffer, _IOFBF, sizeof outBuffer);
    TMPEGaudio audio;
    for (const std::string& file : files)
        Probe(audio, file);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
