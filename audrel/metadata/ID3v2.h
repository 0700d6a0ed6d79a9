#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

class CodePage;
class TFileReader;

// The ID3v2 tag at the start of an audio file: reads the twelve frames below from version
// 2.3 tags and always writes a version 2.3.0 tag holding just those frames.
class TID3v2 {
public:
    static constexpr size_t FrameCount = 12;
    // The frames handled, in the order in which they are written.
    static constexpr std::array<std::string_view, FrameCount> FrameIDs = {
        "TIT2", "TPE1", "TALB", "TRCK", "TYER", "TCON",
        "COMM", "TCOM", "TENC", "TCOP", "TLAN", "WXXX"};
    // Content bytes read of each frame.
    static constexpr size_t FrameBufferSize = 250;
    // The largest tag size the 28-bit size field holds.
    static constexpr uint32_t MaxTagSize = 0x0FFFFFFF;

    using Slots = std::array<std::string, FrameCount>;
    // Reads up to n bytes at an offset of the file; the count read, or -1.
    using ReadAt = std::function<int64_t(int64_t offset, void* dst, size_t n)>;
    // One frame met by the walk: identifier, offset of its header, the first (at most 250)
    // content bytes.
    using FrameVisit =
        std::function<void(std::string_view id, int64_t offset, std::string_view content)>;

    TID3v2();
    void Reset();

    bool Exists() const { return m_exists; }
    uint8_t Version() const { return m_version; }
    // Bytes from the file start to the end of the tag, header included; 0 when none.
    int64_t Size() const { return m_size; }

    const std::string& Title() const { return m_title; }
    const std::string& Artist() const { return m_artist; }
    const std::string& Album() const { return m_album; }
    uint8_t Track() const { return m_track; }
    const std::string& Year() const { return m_year; }
    const std::string& Genre() const { return m_genre; }
    const std::string& Comment() const { return m_comment; }
    const std::string& Composer() const { return m_composer; }
    const std::string& EncodedBy() const { return m_encodedBy; }
    const std::string& Copyright() const { return m_copyright; }
    const std::string& Language() const { return m_language; }
    const std::string& URL() const { return m_url; }

    // Texts lose their leading and trailing bytes 0..32.
    void SetTitle(std::string_view text);
    void SetArtist(std::string_view text);
    void SetAlbum(std::string_view text);
    void SetTrack(uint8_t track) { m_track = track; }
    void SetYear(std::string_view text);
    void SetGenre(std::string_view text);
    void SetComment(std::string_view text);
    void SetComposer(std::string_view text);
    void SetEncodedBy(std::string_view text);
    void SetCopyright(std::string_view text);
    void SetLanguage(std::string_view text);
    void SetURL(std::string_view text);

    // True when the first 10 bytes could be read, whether or not they start a tag.
    bool ReadFromFile(const std::string& fileName);
    bool ReadFromFile(TFileReader& file);
    // Replaces the file's tag (or puts one in front of the audio) with one built from the fields.
    bool SaveToFile(const std::string& fileName);
    // Deletes the file's tag; false when it has none.
    bool RemoveFromFile(const std::string& fileName);
    // Why the last SaveToFile or RemoveFromFile failed, as an errno value (ENODATA: no tag to
    // remove, EFBIG: fields too large for a tag); 0 after a success.
    int LastError() const { return m_lastError; }

    // The complete tag that SaveToFile writes (header and frames), or empty when the frames
    // would not fit the 28-bit size field.
    std::string BuildTag() const;

    // Pure pieces of reading and writing, over bytes.
    // Bytes 0..32 removed at both ends.
    static std::string Trim(std::string_view text);
    // Tag size from the 10 header bytes, header included; 0 when above fileSize.
    static int64_t DeclaredSize(const uint8_t* header, int64_t fileSize);
    // The texts of the twelve frames, each the first 250 content bytes zero-padded to 250;
    // Unicode frames come converted to the system code page.
    static Slots ReadFrames(const ReadAt& read, int64_t fileSize, int64_t declaredSize);
    // The frame walk of ReadFrames: from offset 10 while below the declared size, up to the
    // first identifier that does not start with a letter A to Z or the first failed read.
    static void WalkFrames(const ReadAt& read, int64_t fileSize, int64_t declaredSize,
                           const FrameVisit& visit);
    // A frame in UTF-16 as the single-byte form with encoding byte 0; other
    // content is returned unchanged.
    static std::string SingleByteFrame(std::string_view id, std::string_view content,
                                       const CodePage& codePage);
    static uint8_t ParseTrack(std::string_view text);
    // Integer text: leading blanks, an optional sign, then decimal digits, or hexadecimal ones
    // after "$" or "0x"; its low 8 bits, or nothing when the text is not such a number.
    static std::optional<uint8_t> ParseInteger(std::string_view text);
    static std::string ParseGenre(std::string_view text);
    static std::string ParseComment(std::string_view text);
    static std::string ParseURL(std::string_view text);
    // The tag for the given slot texts, or empty when it would not fit the size field.
    static std::string BuildTag(const Slots& slots);

    // The fields from slot texts as read (with the parse rules), and the slot texts a save writes.
    void SetFromSlots(const Slots& slots);
    Slots ToSlots() const;

private:
    bool m_exists = false;
    uint8_t m_version = 0;
    int64_t m_size = 0;
    int m_lastError = 0;
    std::string m_title, m_artist, m_album;
    uint8_t m_track = 0;
    std::string m_year, m_genre, m_comment, m_composer, m_encodedBy, m_copyright, m_language, m_url;
};
