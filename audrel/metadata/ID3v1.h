#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

class TFileReader;

inline constexpr int GenreCount = 148;
// The genre names indexed by the ID3v1 genre byte, read-only.
extern const std::array<std::string_view, GenreCount> GenreNames;

// The 128-byte ID3v1 / ID3v1.1 record at the end of an audio file.
class TID3v1 {
public:
    static constexpr size_t RecordSize = 128;
    using Record = std::array<uint8_t, RecordSize>;

    TID3v1();
    void Reset();

    bool Exists() const { return m_exists; }
    uint8_t Version() const { return m_version; }
    const std::string& Title() const { return m_title; }
    const std::string& Artist() const { return m_artist; }
    const std::string& Album() const { return m_album; }
    const std::string& Year() const { return m_year; }
    const std::string& Comment() const { return m_comment; }
    uint8_t Track() const { return m_track; }
    uint8_t GenreIndex() const { return m_genreIndex; }
    // The name of GenreIndex, or empty text for 148 and above.
    std::string Genre() const;

    // Texts lose their trailing bytes 0..32 and are cut to 30 (year: 4) bytes.
    void SetTitle(std::string_view text);
    void SetArtist(std::string_view text);
    void SetAlbum(std::string_view text);
    void SetYear(std::string_view text);
    void SetComment(std::string_view text);
    void SetTrack(uint8_t track) { m_track = track; }
    void SetGenreIndex(uint8_t index) { m_genreIndex = index; }

    // True when the last 128 bytes could be read; Exists tells whether they hold a tag.
    bool ReadFromFile(const std::string& fileName);
    bool ReadFromFile(TFileReader& file);
    bool SaveToFile(const std::string& fileName);
    bool RemoveFromFile(const std::string& fileName);
    // Why the last SaveToFile or RemoveFromFile failed, as an errno value; 0 after a success.
    int LastError() const { return m_lastError; }

    // Pure forms over a record, for the file operations above and for tests.
    void ReadFromRecord(const Record& record);
    Record BuildRecord() const;

private:
    bool m_exists = false;
    uint8_t m_version = 1;
    std::string m_title, m_artist, m_album, m_year, m_comment;
    uint8_t m_track = 0;
    uint8_t m_genreIndex = 255;
    int m_lastError = 0;
};
