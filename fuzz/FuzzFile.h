#pragma once

// A scratch folder per fuzzing process (in memory where the system has one: the write paths
// sync every file they write) and a helper to put an input into a file there.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

#include <sys/stat.h>
#include <unistd.h>

namespace fuzzfile {

class ScratchFolder {
public:
    ScratchFolder() {
        std::string pattern = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm/audrel-fuzz-XXXXXX"
                                                              : "/tmp/audrel-fuzz-XXXXXX";
        if (!::mkdtemp(pattern.data()))
            std::abort();
        path = pattern;
    }
    ~ScratchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    std::string path;
};

inline const std::string& Folder() {
    static const ScratchFolder folder;
    return folder.path;
}

inline std::string Path(const char* name) {
    return Folder() + "/" + name;
}

inline void Write(const std::string& path, const uint8_t* data, size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!out)
        std::abort();
}

inline void Write(const std::string& path, const std::string& bytes) {
    Write(path, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

inline std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

} // namespace fuzzfile
