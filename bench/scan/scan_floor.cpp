// The I/O floor of a scan that follows the search rules: the same folder walk as the engine,
// and per file named *.mp3 only the system calls the rules need (open, fstat, one read of the
// head, a second one when the ID3v2 tag is larger than the head read, one read of the tail,
// close). It parses nothing beyond the tag size and prints the number of files it read.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr size_t HeadRead = 16 * 1024;
constexpr size_t TailRead = 4 * 1024;
constexpr size_t FrameSearch = 3458;

std::vector<unsigned char> head(HeadRead), tail(TailRead), big;
long files = 0;
uint64_t checksum = 0;

bool IsMp3Name(const char* name) {
    const std::string n(name);
    if (n.size() < 4)
        return false;
    std::string ext = n.substr(n.size() - 4);
    for (auto& c : ext)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return ext == ".mp3";
}

void ReadFile(int dirFd, const char* name) {
    const int fd = ::openat(dirFd, name, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        const ssize_t got = ::pread(fd, head.data(), HeadRead, 0);
        if (got >= 10 && head[0] == 'I' && head[1] == 'D' && head[2] == '3') {
            const size_t tag = 10 + ((head[6] & 0x7Fu) << 21 | (head[7] & 0x7Fu) << 14 |
                                     (head[8] & 0x7Fu) << 7 | (head[9] & 0x7Fu));
            if (tag + FrameSearch > HeadRead && tag < static_cast<size_t>(st.st_size)) {
                big.resize(tag + FrameSearch - HeadRead);
                checksum += static_cast<uint64_t>(::pread(fd, big.data(), big.size(), HeadRead));
            }
        }
        const off_t at = st.st_size > static_cast<off_t>(TailRead)
                             ? st.st_size - static_cast<off_t>(TailRead)
                             : 0;
        checksum += static_cast<uint64_t>(::pread(fd, tail.data(), TailRead, at)) + head[0];
        ++files;
    }
    ::close(fd);
}

void Walk(int fd) {
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return;
    }
    while (dirent* d = ::readdir(dir)) {
        if (d->d_name[0] == '.' &&
            (d->d_name[1] == 0 || (d->d_name[1] == '.' && d->d_name[2] == 0)))
            continue;
        unsigned char type = d->d_type;
        if (type == DT_UNKNOWN) {
            struct stat st {};
            if (::fstatat(::dirfd(dir), d->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0)
                type = static_cast<unsigned char>(IFTODT(st.st_mode));
        }
        if (type == DT_DIR) {
            const int child =
                ::openat(::dirfd(dir), d->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (child >= 0)
                Walk(child);
        } else if (IsMp3Name(d->d_name)) {
            ReadFile(::dirfd(dir), d->d_name);
        }
    }
    ::closedir(dir);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: scan_floor FOLDER\n");
        return 2;
    }
    const int fd = ::open(argv[1], O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return 1;
    Walk(fd);
    std::printf("%ld files read (%llu)\n", files, static_cast<unsigned long long>(checksum));
    return 0;
}
