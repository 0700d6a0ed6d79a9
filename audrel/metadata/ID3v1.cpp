#include "ID3v1.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

#include "FileOps.h"
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

// Reads the last 128 bytes of a regular file of at least that size.
bool ReadTagRecord(int fd, TID3v1::Record& record, int64_t& size) {
    struct stat st {};
    if (::fstat(fd, &st) != 0 || st.st_size < static_cast<off_t>(TID3v1::RecordSize))
        return false;
    size = static_cast<int64_t>(st.st_size);
    return fileops::ReadAll(fd, record.data(), record.size(), size - TID3v1::RecordSize) ==
           static_cast<int64_t>(TID3v1::RecordSize);
}

bool ReadTagRecord(const std::string& fileName, TID3v1::Record& record) {
    const int fd = fileops::OpenRegular(fileName, O_RDONLY);
    if (fd < 0)
        return false;
    int64_t size = 0;
    const bool ok = ReadTagRecord(fd, record, size);
    ::close(fd);
    return ok;
}

// Opens the file for writing after adding the owner's write permission, and reads its
// current record again through the same descriptor (the file may have changed meanwhile).
int OpenForWrite(const std::string& fileName, TID3v1::Record& record, int64_t& size) {
    if (!fileops::AddOwnerWrite(fileName))
        return -1;
    const int fd = fileops::OpenRegular(fileName, O_RDWR);
    if (fd < 0)
        return -1;
    if (!ReadTagRecord(fd, record, size)) {
        ::close(fd);
        return -1;
    }
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
    if (!file.IsOpen() || file.Size() < static_cast<int64_t>(RecordSize))
        return false;
    Record record{};
    if (file.ReadAt(file.Size() - static_cast<int64_t>(RecordSize), record.data(), RecordSize) !=
        static_cast<int64_t>(RecordSize))
        return false;
    ReadFromRecord(record);
    return true;
}

bool TID3v1::ReadFromFile(const std::string& fileName) {
    return TFileReader::ReadTag(*this, fileName);
}

bool TID3v1::SaveToFile(const std::string& fileName) {
    m_lastError = 0;
    errno = 0;
    const Record record = BuildRecord();
    Record old{};
    if (!ReadTagRecord(fileName, old)) {
        m_lastError = fileops::FailureReason(EINVAL);
        return false;
    }
    int64_t size = 0;
    const int fd = OpenForWrite(fileName, old, size);
    if (fd < 0) {
        m_lastError = fileops::FailureReason(EINVAL);
        return false;
    }
    // An existing record is overwritten where it is, so a failed write never costs the old tag
    // more than its own 128 bytes; otherwise the record is appended.
    const bool replace = HasTag(old);
    const int64_t at = replace ? size - static_cast<int64_t>(RecordSize) : size;
    errno = 0;
    bool ok = fileops::WriteAll(fd, record.data(), record.size(), at);
    if (!ok) {
        m_lastError = fileops::FailureReason(EIO);
        // Take back a partly appended record: the file keeps exactly its old bytes.
        if (!replace) {
            [[maybe_unused]] int ignored = ::ftruncate(fd, static_cast<off_t>(size));
        }
    }
    if (ok && ::fsync(fd) != 0) {
        ok = false;
        m_lastError = fileops::FailureReason(EIO);
    }
    if (!fileops::CloseChecked(fd) && ok) {
        ok = false;
        m_lastError = fileops::FailureReason(EIO);
    }
    return ok;
}

bool TID3v1::RemoveFromFile(const std::string& fileName) {
    m_lastError = 0;
    errno = 0;
    Record old{};
    if (!ReadTagRecord(fileName, old)) {
        m_lastError = fileops::FailureReason(EINVAL);
        return false;
    }
    if (!HasTag(old))
        return true;
    int64_t size = 0;
    const int fd = OpenForWrite(fileName, old, size);
    if (fd < 0) {
        m_lastError = fileops::FailureReason(EINVAL);
        return false;
    }
    errno = 0;
    bool ok = true;
    if (HasTag(old))
        ok = ::ftruncate(fd, static_cast<off_t>(size - static_cast<int64_t>(RecordSize))) == 0;
    if (!ok)
        m_lastError = fileops::FailureReason(EIO);
    if (!fileops::CloseChecked(fd) && ok) {
        ok = false;
        m_lastError = fileops::FailureReason(EIO);
    }
    return ok;
}
