#pragma once

// The file toolkit of the tag readers and writers: an owning descriptor, opening regular files
// only, and reads and writes that go on until every byte is moved.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

struct stat;

namespace fileio {

// A file descriptor that closes itself.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : m_fd(fd) {}
    ~UniqueFd() { Reset(); }
    UniqueFd(UniqueFd&& other) noexcept : m_fd(other.Release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int Get() const { return m_fd; }
    explicit operator bool() const { return m_fd >= 0; }
    int Release();
    void Reset(int fd = -1);
    // Closes and says whether the close (the last chance to learn of a write error) went well.
    bool CloseChecked();

private:
    int m_fd = -1;
};

// Opens an existing regular file (O_RDONLY, O_RDWR...); an invalid handle for anything else,
// and a FIFO is never waited on. st, when given, receives the file's status.
UniqueFd OpenRegular(const std::string& path, int flags, struct stat* st = nullptr);

// Reads up to n bytes at offset, as many as the file holds; the count read, or -1 on an error.
// calls, when given, counts the reads that went to the file.
int64_t ReadFullyAt(int fd, void* dst, size_t n, int64_t offset, unsigned* calls = nullptr);

// Writes all n bytes at offset (or at the current position when offset is negative).
bool WriteAll(int fd, const void* data, size_t n, int64_t offset = -1);

// Stands in for clearing the read-only attribute before a tag write: the owner's write
// permission is added, and nothing is restored afterwards.
bool AddOwnerWrite(const std::string& path);

// The errno of a step that has just failed (callers clear errno before the step), or the
// fallback when the step set none (a file too short, say).
int FailureReason(int fallback);

// Reads from a byte string as if it were a file: up to n bytes at offset, 0 past its end,
// -1 for a negative offset.
int64_t ReadFromBytes(std::string_view bytes, int64_t offset, void* dst, size_t n);

} // namespace fileio
