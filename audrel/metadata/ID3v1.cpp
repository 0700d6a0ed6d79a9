#include "ID3v1.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>

#include <fcntl.h>

#include <sys/stat.h>
#include <unistd.h>

#include "FileIO.h"
#include "FileReader.h"

const std::array<std::string_view, GenreCount> GenreNames = {"Blues",
                                                             "Classic Rock",
                                                             "Country",
                                                             "Dance",
                                                             "Disco",
                                                             "Funk",
                                                             "Grunge",
                                                             "Hip-Hop",
                                                             "Jazz",
                                                             "Metal",
                                                             "New Age",
                                                             "Oldies",
                                                             "Other",
                                                             "Pop",
                                                             "R&B",
                                                             "Rap",
                                                             "Reggae",
                                                             "Rock",
                                                             "Techno",
                                                             "Industrial",
                                                             "Alternative",
                                                             "Ska",
                                                             "Death Metal",
                                                             "Pranks",
                                                             "Soundtrack",
                                                             "Euro-Techno",
                                                             "Ambient",
                                                             "Trip-Hop",
                                                             "Vocal",
                                                             "Jazz+Funk",
                                                             "Fusion",
                                                             "Trance",
                                                             "Classical",
                                                             "Instrumental",
                                                             "Acid",
                                                             "House",
                                                             "Game",
                                                             "Sound Clip",
                                                             "Gospel",
                                                             "Noise",
                                                             "AlternRock",
                                                             "Bass",
                                                             "Soul",
                                                             "Punk",
                                                             "Space",
                                                             "Meditative",
                                                             "Instrumental Pop",
                                                             "Instrumental Rock",
                                                             "Ethnic",
                                                             "Gothic",
                                                             "Darkwave",
                                                             "Techno-Industrial",
                                                             "Electronic",
                                                             "Pop-Folk",
                                                             "Eurodance",
                                                             "Dream",
                                                             "Southern Rock",
                                                             "Comedy",
                                                             "Cult",
                                                             "Gangsta",
                                                             "Top 40",
                                                             "Christian Rap",
                                                             "Pop/Funk",
                                                             "Jungle",
                                                             "Native American",
                                                             "Cabaret",
                                                             "New Wave",
                                                             "Psychadelic",
                                                             "Rave",
                                                             "Showtunes",
                                                             "Trailer",
                                                             "Lo-Fi",
                                                             "Tribal",
                                                             "Acid Punk",
                                                             "Acid Jazz",
                                                             "Polka",
                                                             "Retro",
                                                             "Musical",
                                                             "Rock & Roll",
                                                             "Hard Rock",
                                                             "Folk",
                                                             "Folk-Rock",
                                                             "National Folk",
                                                             "Swing",
                                                             "Fast Fusion",
                                                             "Bebob",
                                                             "Latin",
                                                             "Revival",
                                                             "Celtic",
                                                             "Bluegrass",
                                                             "Avantgarde",
                                                             "Gothic Rock",
                                                             "Progessive Rock",
                                                             "Psychedelic Rock",
                                                             "Symphonic Rock",
                                                             "Slow Rock",
                                                             "Big Band",
                                                             "Chorus",
                                                             "Easy Listening",
                                                             "Acoustic",
                                                             "Humour",
                                                             "Speech",
                                                             "Chanson",
                                                             "Opera",
                                                             "Chamber Music",
                                                             "Sonata",
                                                             "Symphony",
                                                             "Booty Bass",
                                                             "Primus",
                                                             "Porn Groove",
                                                             "Satire",
                                                             "Slow Jam",
                                                             "Club",
                                                             "Tango",
                                                             "Samba",
                                                             "Folklore",
                                                             "Ballad",
                                                             "Power Ballad",
                                                             "Rhythmic Soul",
                                                             "Freestyle",
                                                             "Duet",
                                                             "Punk Rock",
                                                             "Drum Solo",
                                                             "A capella",
                                                             "Euro-House",
                                                             "Dance Hall",
                                                             "Goa",
                                                             "Drum & Bass",
                                                             "Club-House",
                                                             "Hardcore",
                                                             "Terror",
                                                             "Indie",
                                                             "BritPop",
                                                             "Negerpunk",
                                                             "Polsk Punk",
                                                             "Beat",
                                                             "Christian Gangsta Rap",
                                                             "Heavy Metal",
                                                             "Black Metal",
                                                             "Crossover",
                                                             "Contemporary Christian",
                                                             "Christian Rock",
                                                             "Merengue",
                                                             "Salsa",
                                                             "Trash Metal",
                                                             "Anime",
                                                             "JPop",
                                                             "Synthpop"};

namespace {

constexpr size_t TitleOffset = 3, ArtistOffset = 33, AlbumOffset = 63, YearOffset = 93,
                 CommentOffset = 97;
constexpr size_t TextCapacity = 30, YearCapacity = 4, ShortCommentCapacity = 28;

// Drops trailing bytes 0..32, then keeps at most capacity bytes.
std::string FieldText(std::string_view text, size_t capacity) {
    size_t n = text.size();
    while (n > 0 && static_cast<unsigned char>(text[n - 1]) <= 32)
        --n;
    return std::string(text.substr(0, std::min(n, capacity)));
}

std::string_view Bytes(const TID3v1::Record& r, size_t offset, size_t n) {
    return {reinterpret_cast<const char*>(r.data()) + offset, n};
}

bool HasTag(const TID3v1::Record& r) {
    return r[0] == 'T' && r[1] == 'A' && r[2] == 'G';
}

uint8_t DetectVersion(const TID3v1::Record& r) {
    if ((r[125] == 0 && r[126] != 0) || (r[125] == ' ' && r[126] != ' '))
        return 2;
    return 1;
}

constexpr int64_t RecordBytes = static_cast<int64_t>(TID3v1::RecordSize);
constexpr int64_t ApeFooterSize = 32;

uint32_t LittleEndian32(const uint8_t* p) {
    return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

// Where the file's ID3v1 record sits, or would go. An APEv2 tag may end the file, alone or
// behind an ID3v1 record; its bytes are never taken for the record.
struct Tail {
    int64_t recordAt = -1; // offset of the 128 bytes read as the record; -1 when none fit
    int64_t apeStart = -1, apeEnd = -1; // an APE tag behind the record's place, else -1
    TID3v1::Record record{};
    bool HasTag() const { return recordAt >= 0 && ::HasTag(record); }
};

bool ReadTail(const std::function<int64_t(int64_t, void*, size_t)>& read, int64_t size,
              Tail& tail) {
    if (size < RecordBytes)
        return false;
    // The last 128 bytes hold an APE tag's footer as well, when there is one.
    tail.recordAt = size - RecordBytes;
    if (read(tail.recordAt, tail.record.data(), RecordBytes) != RecordBytes)
        return false;
    const uint8_t* footer = tail.record.data() + RecordBytes - ApeFooterSize;
    if (std::memcmp(footer, "APETAGEX", 8) != 0)
        return true;
    // The size counts the items and the footer; a header, when flagged, comes on top.
    const int64_t length = int64_t{LittleEndian32(footer + 12)} +
                           ((LittleEndian32(footer + 20) & 0x80000000u) ? ApeFooterSize : 0);
    if (length < ApeFooterSize || length > size)
        return true;
    tail.apeStart = size - length;
    tail.apeEnd = size;
    tail.recordAt = tail.apeStart - RecordBytes;
    tail.record = {};
    if (tail.recordAt < 0)
        return true; // no room for a record in front of the APE tag
    return read(tail.recordAt, tail.record.data(), RecordBytes) == RecordBytes;
}

bool ReadTail(int fd, Tail& tail, int64_t& size) {
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return false;
    size = static_cast<int64_t>(st.st_size);
    return ReadTail(
        [fd](int64_t at, void* dst, size_t n) { return fileio::ReadFullyAt(fd, dst, n, at); }, size,
        tail);
}

bool ReadTail(const std::string& fileName, Tail& tail) {
    const fileio::UniqueFd fd = fileio::OpenRegular(fileName, O_RDONLY);
    int64_t size = 0;
    return fd && ReadTail(fd.Get(), tail, size);
}

// Opens the file for writing after adding the owner's write permission, and reads its tail
// again through the same descriptor (the file may have changed meanwhile).
fileio::UniqueFd OpenForWrite(const std::string& fileName, Tail& tail, int64_t& size) {
    if (!fileio::AddOwnerWrite(fileName))
        return {};
    fileio::UniqueFd fd = fileio::OpenRegular(fileName, O_RDWR);
    tail = Tail();
    if (fd && !ReadTail(fd.Get(), tail, size))
        fd.Reset();
    return fd;
}

} // namespace

TID3v1::TID3v1() {
    Reset();
}

void TID3v1::Reset() {
    m_exists = false;
    m_version = 1;
    m_title.clear();
    m_artist.clear();
    m_album.clear();
    m_year.clear();
    m_comment.clear();
    m_track = 0;
    m_genreIndex = 255;
}

std::string TID3v1::Genre() const {
    return m_genreIndex < GenreCount ? std::string(GenreNames[m_genreIndex]) : std::string();
}

void TID3v1::SetTitle(std::string_view text) {
    m_title = FieldText(text, TextCapacity);
}

void TID3v1::SetArtist(std::string_view text) {
    m_artist = FieldText(text, TextCapacity);
}

void TID3v1::SetAlbum(std::string_view text) {
    m_album = FieldText(text, TextCapacity);
}

void TID3v1::SetYear(std::string_view text) {
    m_year = FieldText(text, YearCapacity);
}

void TID3v1::SetComment(std::string_view text) {
    m_comment = FieldText(text, TextCapacity);
}

void TID3v1::ReadFromRecord(const Record& record) {
    Reset();
    if (!HasTag(record))
        return;
    m_exists = true;
    m_version = DetectVersion(record);
    SetTitle(Bytes(record, TitleOffset, TextCapacity));
    SetArtist(Bytes(record, ArtistOffset, TextCapacity));
    SetAlbum(Bytes(record, AlbumOffset, TextCapacity));
    SetYear(Bytes(record, YearOffset, YearCapacity));
    if (m_version == 1) {
        SetComment(Bytes(record, CommentOffset, TextCapacity));
    } else {
        SetComment(Bytes(record, CommentOffset, ShortCommentCapacity));
        m_track = record[126];
    }
    m_genreIndex = record[127];
}

TID3v1::Record TID3v1::BuildRecord() const {
    Record r{};
    std::memcpy(r.data(), "TAG", 3);
    auto put = [&r](size_t offset, const std::string& text) {
        std::memcpy(r.data() + offset, text.data(), text.size());
    };
    put(TitleOffset, m_title);
    put(ArtistOffset, m_artist);
    put(AlbumOffset, m_album);
    put(YearOffset, m_year);
    put(CommentOffset, m_comment);
    if (m_track > 0) {
        r[125] = 0;
        r[126] = m_track;
    }
    r[127] = m_genreIndex;
    return r;
}

bool TID3v1::ReadFromFile(TFileReader& file) {
    Reset();
    if (!file.IsOpen())
        return false;
    Tail tail;
    if (!ReadTail([&file](int64_t at, void* dst, size_t n) { return file.ReadAt(at, dst, n); },
                  file.Size(), tail))
        return false;
    if (tail.HasTag())
        ReadFromRecord(tail.record);
    return true;
}

bool TID3v1::ReadFromFile(const std::string& fileName) {
    return TFileReader::ReadTag(*this, fileName);
}

bool TID3v1::SaveToFile(const std::string& fileName) {
    m_lastError = 0;
    errno = 0;
    const Record record = BuildRecord();
    Tail tail;
    if (!ReadTail(fileName, tail)) {
        m_lastError = fileio::FailureReason(EINVAL);
        return false;
    }
    int64_t size = 0;
    fileio::UniqueFd fd = OpenForWrite(fileName, tail, size);
    if (!fd) {
        m_lastError = fileio::FailureReason(EINVAL);
        return false;
    }
    // An existing record is overwritten where it is, so a failed write never costs the old tag
    // more than its own 128 bytes; otherwise the record is appended.
    const bool replace = tail.HasTag();
    errno = 0;
    bool ok =
        fileio::WriteAll(fd.Get(), record.data(), record.size(), replace ? tail.recordAt : size);
    if (!ok) {
        m_lastError = fileio::FailureReason(EIO);
        // Take back a partly appended record: the file keeps exactly its old bytes.
        if (!replace) {
            [[maybe_unused]] int ignored = ::ftruncate(fd.Get(), static_cast<off_t>(size));
        }
    }
    if (ok && ::fsync(fd.Get()) != 0) {
        ok = false;
        m_lastError = fileio::FailureReason(EIO);
    }
    if (!fd.CloseChecked() && ok) {
        ok = false;
        m_lastError = fileio::FailureReason(EIO);
    }
    return ok;
}

bool TID3v1::RemoveFromFile(const std::string& fileName) {
    m_lastError = 0;
    errno = 0;
    Tail tail;
    if (!ReadTail(fileName, tail)) {
        m_lastError = fileio::FailureReason(EINVAL);
        return false;
    }
    if (!tail.HasTag())
        return true;
    int64_t size = 0;
    fileio::UniqueFd fd = OpenForWrite(fileName, tail, size);
    if (!fd) {
        m_lastError = fileio::FailureReason(EINVAL);
        return false;
    }
    errno = 0;
    bool ok = true;
    if (tail.HasTag()) {
        // An APE tag behind the record moves down over it before the file is cut.
        if (tail.apeStart >= 0) {
            std::string ape(static_cast<size_t>(tail.apeEnd - tail.apeStart), '\0');
            ok = fileio::ReadFullyAt(fd.Get(), ape.data(), ape.size(), tail.apeStart) ==
                     static_cast<int64_t>(ape.size()) &&
                 fileio::WriteAll(fd.Get(), ape.data(), ape.size(), tail.recordAt);
        }
        ok = ok && ::ftruncate(fd.Get(), static_cast<off_t>(size - RecordBytes)) == 0;
    }
    if (!ok)
        m_lastError = fileio::FailureReason(EIO);
    if (!fd.CloseChecked() && ok) {
        ok = false;
        m_lastError = fileio::FailureReason(EIO);
    }
    return ok;
}
