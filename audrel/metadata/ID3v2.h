#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

class TFileReader;

// The ID3v2 tag at the start of an audio file. Reads twelve fields from tags of versions 2.2,
// 2.3 and 2.4 in every text encoding; a save rewrites only the fields that changed and keeps
// every other frame as it was (a 2.2 tag becomes a 2.3 one, the others keep their version).
class TID3v2 {
public:
    static constexpr size_t FrameCount = 12;
    // The version 2.3 frames of the fields, in the order in which new frames are written.
    static constexpr std::array<std::string_view, FrameCount> FrameIDs = {
        "TIT2", "TPE1", "TALB", "TRCK", "TYER", "TCON",
        "COMM", "TCOM", "TENC", "TCOP", "TLAN", "WXXX"};
    // The fields, in the order of FrameIDs, and the names the tools give them.
    enum class Field : uint8_t {
        Title,
        Artist,
        Album,
        Track,
        Year,
        Genre,
        Comment,
        Composer,
        EncodedBy,
        Copyright,
        Language,
        URL
    };
    static constexpr std::array<std::string_view, FrameCount> FieldNames = {
        "title",   "artist",   "album",      "track",     "year",     "genre",
        "comment", "composer", "encoded_by", "copyright", "language", "url"};
    // The largest tag size the 28-bit size field holds.
    static constexpr uint32_t MaxTagSize = 0x0FFFFFFF;

    // Reads up to n bytes at an offset of the file; the count read, or -1.
    using ReadAt = std::function<int64_t(int64_t offset, void* dst, size_t n)>;

    TID3v2();
    void Reset();

    bool Exists() const { return m_exists; }
    uint8_t Version() const { return m_version; }
    // Bytes from the file start to the end of the tag, header (and footer) included; 0 when none.
    int64_t Size() const { return m_size; }

    // The fields in the system code page (what it lacks shows as "?").
    const std::string& Title() const { return CodePageText(Field::Title); }
    const std::string& Artist() const { return CodePageText(Field::Artist); }
    const std::string& Album() const { return CodePageText(Field::Album); }
    uint8_t Track() const { return m_track; }
    const std::string& Year() const { return CodePageText(Field::Year); }
    const std::string& Genre() const { return CodePageText(Field::Genre); }
    const std::string& Comment() const { return CodePageText(Field::Comment); }
    const std::string& Composer() const { return CodePageText(Field::Composer); }
    const std::string& EncodedBy() const { return CodePageText(Field::EncodedBy); }
    const std::string& Copyright() const { return CodePageText(Field::Copyright); }
    const std::string& Language() const { return CodePageText(Field::Language); }
    const std::string& URL() const { return CodePageText(Field::URL); }
    // A field whole, in UTF-8: the track as its frame's text ("5/12"), the genre after the
    // genre rule.
    const std::string& Text(Field field) const { return m_text[Index(field)]; }

    // Code-page texts lose their leading and trailing bytes 0..32. Setting the value a field
    // already has changes nothing: its frame is then kept as it is.
    void SetTitle(std::string_view text) { SetCodePageText(Field::Title, text); }
    void SetArtist(std::string_view text) { SetCodePageText(Field::Artist, text); }
    void SetAlbum(std::string_view text) { SetCodePageText(Field::Album, text); }
    void SetTrack(uint8_t track);
    void SetYear(std::string_view text) { SetCodePageText(Field::Year, text); }
    void SetGenre(std::string_view text) { SetCodePageText(Field::Genre, text); }
    void SetComment(std::string_view text) { SetCodePageText(Field::Comment, text); }
    void SetComposer(std::string_view text) { SetCodePageText(Field::Composer, text); }
    void SetEncodedBy(std::string_view text) { SetCodePageText(Field::EncodedBy, text); }
    void SetCopyright(std::string_view text) { SetCodePageText(Field::Copyright, text); }
    void SetLanguage(std::string_view text) { SetCodePageText(Field::Language, text); }
    void SetURL(std::string_view text) { SetCodePageText(Field::URL, text); }
    void SetCodePageText(Field field, std::string_view text);
    // A field from UTF-8 text (malformed bytes become U+FFFD), trimmed like the others; the
    // track takes any text ("5/12").
    void SetText(Field field, std::string_view utf8);

    // True when the first 10 bytes could be read, whether or not they start a tag.
    bool ReadFromFile(const std::string& fileName);
    bool ReadFromFile(TFileReader& file);
    // Replaces the file's tag (or puts one in front of the audio) with one holding the changed
    // fields and everything else of the old tag.
    bool SaveToFile(const std::string& fileName);
    // Deletes the file's tag; false when it has none.
    bool RemoveFromFile(const std::string& fileName);
    // Why the last SaveToFile or RemoveFromFile failed, as an errno value (ENODATA: no tag to
    // remove, EFBIG: fields too large for a tag); 0 after a success.
    int LastError() const { return m_lastError; }

    // The complete tag that SaveToFile writes over a file whose tag is oldTag (its declared
    // bytes, or empty for a file without one), or empty when it would not fit the size field.
    std::string BuildTag(std::string_view oldTag = {}) const;

    // Pure pieces of reading, over bytes.
    // Bytes 0..32 removed at both ends.
    static std::string Trim(std::string_view text);
    // Tag size from the 10 header bytes, header and a 2.4 footer included; 0 when above fileSize.
    static int64_t DeclaredSize(const uint8_t* header, int64_t fileSize);
    static uint8_t ParseTrack(std::string_view text);
    // Integer text: leading blanks, an optional sign, then decimal digits, or hexadecimal ones
    // after "$" or "0x"; its low 8 bits, or nothing when the text is not such a number.
    static std::optional<uint8_t> ParseInteger(std::string_view text);
    static std::string ParseGenre(std::string_view text);
    // A comment frame's single-byte content: encoding, language, description, zero, text.
    static std::string ParseComment(std::string_view text);
    // A link frame's single-byte content: encoding, description, zero, address.
    static std::string ParseURL(std::string_view text);

private:
    static size_t Index(Field field) { return static_cast<size_t>(field); }
    const std::string& CodePageText(Field field) const { return m_codePage[Index(field)]; }
    void ReadFields(const uint8_t* header, const ReadAt& read);
    // Sets both forms of a field (and the track number from its text).
    void Store(Field field, std::string codePage, std::string utf8);

    bool m_exists = false;
    uint8_t m_version = 0;
    int64_t m_size = 0;
    int m_lastError = 0;
    uint8_t m_track = 0;
    std::array<std::string, FrameCount> m_codePage; // the track's is its text, trimmed
    std::array<std::string, FrameCount> m_text;
};
