#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class TFileReader;

// The ID3v2 tag at the start of an audio file: reads the twelve frames below from version
// 2.3 tags and always writes a version 2.3.0 tag holding just those frames.
class TID3v2 {
public:
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

    // The complete tag that SaveToFile writes (header and frames), or empty when the frames
    // would not fit the 28-bit size field.
    std::string BuildTag() const;

private:
    bool m_exists = false;
    uint8_t m_version = 0;
    int64_t m_size = 0;
    std::string m_title, m_artist, m_album;
    uint8_t m_track = 0;
    std::string m_year, m_genre, m_comment, m_composer, m_encodedBy, m_copyright, m_language,
        m_url;
};
