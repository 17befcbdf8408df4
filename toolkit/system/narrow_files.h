#pragma once

// The file calls of the JPEG writer library, on 8-bit paths as its interface takes them (in the
// system's 8-bit encoding; UTF-8 where the program's manifest asks Windows for it). Header-only,
// like process_id.h: the library links nothing of the program. The standard library's paths are
// no help here: on Windows they read an 8-bit path in one encoding and write it back in another,
// and fopen there ignores the "x" that makes a creation exclusive.
#include <fcntl.h>

#include <cstdio>
#include <string>
#if defined(_WIN32)
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace toolkit {

// Creates a file that did not exist, for binary writing, never opening one that stands there (a
// file or a planted link). Null with errno set (EEXIST when the name is taken) when it cannot.
inline std::FILE* createNewFile(const char* path) {
#if defined(_WIN32)
    const int fd = ::_open(path, _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                           _S_IREAD | _S_IWRITE);
    std::FILE* file = fd < 0 ? nullptr : ::_fdopen(fd, "wb");
    if (fd >= 0 && !file) ::_close(fd);
#else
    const int fd = ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    std::FILE* file = fd < 0 ? nullptr : ::fdopen(fd, "wb");
    if (fd >= 0 && !file) ::close(fd);
#endif
    return file;
}

// The folder part of a path with its last separator ("" for a bare name), to put another name
// beside the file.
inline std::string folderWithSeparator(const std::string& path) {
#if defined(_WIN32)
    const std::size_t last = path.find_last_of("/\\:");
#else
    const std::size_t last = path.find_last_of('/');
#endif
    return last == std::string::npos ? std::string() : path.substr(0, last + 1);
}

// Puts the complete file `from` in the place of `to`, replacing whatever stands there, a link
// included, without following it. False when it could not.
inline bool replaceFileWith(const char* from, const char* to) {
#if defined(_WIN32)
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
#else
    return std::rename(from, to) == 0;
#endif
}

}  // namespace toolkit
