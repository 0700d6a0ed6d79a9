#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "FileIO.h"

// One open audio file, shared by the tag readers and the analyser within one analysis, so
// that a file is opened once and its head and tail are each fetched with one read.
// Only regular files are opened: a FIFO, device or socket is refused at once, never waited on.
class TFileReader {
public:
    // The first read near the start fetches this much; a read in the last TailWindow bytes
    // fetches the last TailWindow bytes (or more when the request is larger).
    static constexpr size_t HeadWindow = 16 * 1024;
    static constexpr size_t TailWindow = 4 * 1024;

    TFileReader() = default;
    ~TFileReader();
    TFileReader(const TFileReader&) = delete;
    TFileReader& operator=(const TFileReader&) = delete;

    // Opens the file read-only; false when it is missing, unreadable or not a regular file.
    bool Open(const std::string& path);
    void Close();
    bool IsOpen() const { return static_cast<bool>(m_fd); }
    // The file's size in bytes as it was when opened.
    int64_t Size() const { return m_size; }

    // Reads up to n bytes at offset into dst. Returns the number of bytes read (fewer at the
    // end of the file, 0 at or past it), or -1 on an I/O error or a negative offset.
    // Served from cached windows of the file where possible.
    int64_t ReadAt(int64_t offset, void* dst, size_t n);

    // Number of reads that went to the file since it was opened (for tests and benchmarks).
    unsigned ReadCalls() const { return m_readCalls; }

    // A tag's ReadFromFile by name: the file is opened for this one read; a file that cannot
    // be opened leaves the tag empty and gives false.
    template <class Tag> static bool ReadTag(Tag& tag, const std::string& path) {
        TFileReader file;
        if (!file.Open(path)) {
            tag.Reset();
            return false;
        }
        return tag.ReadFromFile(file);
    }

private:
    // A cached stretch of the file. Its storage outlives Close, so a reader that is reused
    // for file after file (the search analyses thousands) allocates it once.
    struct Window {
        int64_t offset = 0;
        size_t size = 0;
        size_t capacity = 0;
        std::unique_ptr<uint8_t[]> bytes;
        bool Holds(int64_t offset, size_t n) const;
    };
    const Window* Cached(int64_t offset, size_t n) const;
    bool Fill(Window& window, int64_t offset, size_t n);
    int64_t ReadFully(int64_t offset, void* dst, size_t n);

    fileio::UniqueFd m_fd;
    int64_t m_size = 0;
    unsigned m_readCalls = 0;
    Window m_head;
    Window m_tail;
    // The last window fetched elsewhere (the frames behind a large picture, the audio start).
    Window m_middle;
};
