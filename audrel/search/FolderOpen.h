#pragma once

// The two steps of a folder walk that the search and its read-ahead must take alike, so that
// both see the same entries in the same order.

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// "." and "..", which a listing reports and a walk counts but never enters.
inline bool IsDots(const char* name) {
    return name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0));
}

// Opens a folder for listing relative to an open one (AT_FDCWD for the current folder);
// without `follow` a link is never entered. Null when it cannot be listed.
inline DIR* OpenFolderAt(int parentFd, const char* name, bool follow) {
    int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
    if (!follow)
        flags |= O_NOFOLLOW;
    const int fd = ::openat(parentFd, name, flags);
    if (fd < 0)
        return nullptr;
    DIR* dir = ::fdopendir(fd);
    if (!dir)
        ::close(fd);
    return dir;
}

// The entry's DT_* type; a file system that does not tell it is asked about the entry itself
// (a link stays a link).
inline unsigned char EntryType(int dirFd, const char* name, unsigned char type) {
    if (type != DT_UNKNOWN)
        return type;
    struct stat st {};
    if (::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return DT_UNKNOWN;
    return static_cast<unsigned char>(IFTODT(st.st_mode));
}
