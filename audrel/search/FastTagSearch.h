#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

// Raised by TFastTAGSearch::FileContains when the file cannot be opened for reading
// (missing, unreadable, or not a regular file: FIFOs, devices and sockets are never read).
class EFOpenError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Looks for one text anywhere in the raw bytes of a file's ID3v2 region and ID3v1 record,
// letter case folded by the system code page. Prepared once per search, asked once per file;
// the 64 KiB buffer and the shift table are reused for every file.
class TFastTAGSearch {
public:
    static constexpr size_t BufferSize = 65536;

    TFastTAGSearch();
    ~TFastTAGSearch();
    TFastTAGSearch(const TFastTAGSearch&) = delete;
    TFastTAGSearch& operator=(const TFastTAGSearch&) = delete;

    // Called with a non-empty text only.
    void Prepare(const std::string& text);

    // True when the prepared text occurs in the file's ID3v2 region or ID3v1 record.
    // Throws EFOpenError when the file cannot be opened.
    bool FileContains(const std::string& path);
    // The same for a name relative to an open folder (AT_FDCWD for the current folder).
    bool FileContainsAt(int dirFd, const char* name, const std::string& pathForErrors);

    const std::string& Text() const { return m_text; }
    const std::string& UpperText() const { return m_upperText; }
    const std::string& LowerText() const { return m_lowerText; }
    int32_t TextLength() const { return m_textLength; }
    int32_t Skip(unsigned char byte) const { return m_skip[byte]; }

    // The Boyer-Moore-Horspool scan of n bytes against both case forms (n >= 0).
    bool ScanRegion(const unsigned char* region, int64_t n) const;

private:
    std::array<int32_t, 256> m_skip{};
    std::unique_ptr<unsigned char[]> m_buffer;
    std::string m_text;
    std::string m_upperText;
    std::string m_lowerText;
    int32_t m_textLength = 0;
};
