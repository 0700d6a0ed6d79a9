#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

class CodePage;

// Raised by TFastTAGSearch::FileContains when the file cannot be opened for reading
// (missing, unreadable, or not a regular file: FIFOs, devices and sockets are never read).
class EFOpenError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Looks for one text anywhere in the raw bytes of a file's ID3v2 tag and ID3v1 record,
// letter case folded by the system code page. Prepared once per search, asked once per file;
// the 64 KiB buffer and the shift tables are reused for every file.
//
// The text is looked for in the code page's bytes (ID3v2 region and ID3v1 record) and, in the
// ID3v2 tag only, as UTF-8 and as UTF-16 of either byte order, each character in both case
// forms where the code page has it. A text with characters the code page lacks is looked for
// in its Unicode forms only: its code-page bytes would hold a "?" for each of them. Beyond the
// first 64 KiB the tag is read on frame by frame, over the frames of pictures and other binary
// data.
class TFastTAGSearch {
public:
    static constexpr size_t BufferSize = 65536;

    // Case forms and conversions by the given code page (the system's one by default).
    explicit TFastTAGSearch(const CodePage& codePage);
    TFastTAGSearch();
    ~TFastTAGSearch();
    TFastTAGSearch(const TFastTAGSearch&) = delete;
    TFastTAGSearch& operator=(const TFastTAGSearch&) = delete;

    // Called with a non-empty text: the code page's bytes, or `unicode`, the text as typed in
    // UTF-8, which then stands for them.
    void Prepare(const std::string& text, const std::string& unicode = {});

    // True when the prepared text occurs in the file's ID3v2 tag or ID3v1 record.
    // Throws EFOpenError when the file cannot be opened.
    bool FileContains(const std::string& path);
    // The same for a name relative to an open folder (AT_FDCWD for the current folder).
    bool FileContainsAt(int dirFd, const char* name, const std::string& pathForErrors);

    // The code-page form; all empty when the code page cannot hold the text.
    const std::string& Text() const { return m_text; }
    const std::string& UpperText() const { return m_codePage.upper; }
    const std::string& LowerText() const { return m_codePage.lower; }
    int32_t TextLength() const { return static_cast<int32_t>(m_codePage.upper.size()); }
    int32_t Skip(unsigned char byte) const { return m_codePage.skip[byte]; }
    // How many Unicode forms are looked for besides the code-page one.
    size_t UnicodeForms() const { return m_unicode.size(); }

    // The Boyer-Moore-Horspool scan of n bytes against both case forms of the code page (n >= 0).
    bool ScanRegion(const unsigned char* region, int64_t n) const;

private:
    // One byte form of the text: its upper- and lower-case bytes (of equal length) and the
    // shift table over both.
    struct Form {
        std::string upper, lower;
        std::array<int32_t, 256> skip{};
        // The byte length of each character where one has more than one byte: a match takes
        // each character whole in one case form. Empty when every byte stands alone.
        std::vector<uint8_t> charLengths;
        // A UTF-16 form of both byte orders at once, when every unit has this high byte: the
        // low bytes with the high byte between them, which must also stand right before the
        // match (big-endian) or right after it (little-endian). -1 otherwise.
        int16_t around = -1;
        // Zero bytes at the end of the form: how far into a tag's padding a match can reach.
        int64_t trailingZeros = 0;

        void Build();
        bool Find(const unsigned char* region, int64_t n, int64_t whole) const;
        bool Whole(const unsigned char* at) const;
    };

    // The Unicode forms over n bytes less the zero bytes at their end; `whole` bytes may be read.
    bool ScanUnicode(const unsigned char* region, int64_t n, int64_t whole) const;
    // Reads the file's bytes [from, to) a buffer at a time and scans them in every form.
    bool ScanRange(int fd, int64_t from, int64_t to);
    // Scans the tag's bytes [from, to) in every form, those the buffer holds in place (the first
    // buffer in the Unicode forms only: the code page's was looked for there already).
    bool ScanPart(int fd, int64_t from, int64_t to);
    // Walks the tag's frames and scans them all but the data of binary ones.
    bool ScanFrames(int fd, const unsigned char* header, int64_t tagSize);
    void AddUnicodeForm(Form form);

    const CodePage& m_cp;
    std::unique_ptr<unsigned char[]> m_buffer;
    std::string m_text;
    bool m_hasCodePage = false;
    Form m_codePage;
    std::vector<Form> m_unicode;
    // The longest form less one byte: how far a buffer's scan overlaps the one before it.
    int64_t m_overlap = 0;
    // The file bytes the buffer holds, for the frame walk's reads.
    int64_t m_bufferStart = 0, m_bufferLength = 0;
    bool m_firstInBuffer = false; // the buffer holds the region scanned in the code page
    // How many bytes of the tag's first buffer the current file gave, and where its tag ends.
    int64_t m_firstLength = 0, m_tagEnd = 0;
};
