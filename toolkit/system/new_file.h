#pragma once

// Creates a file that did not exist, for writing, never opening one that stands there (a file or
// a planted link). Header-only, like process_id.h: the JPEG writer library, which links nothing
// of the program, creates its temporary files with it. fopen's "x" mode is not enough: the
// C library that Windows programs are built against takes the letter and ignores it.
#include <fcntl.h>

#include <cstdio>
#if defined(_WIN32)
#include <io.h>
#include <sys/stat.h>
#else
#include <unistd.h>
#endif

namespace toolkit {

// The file open for binary writing, or null with errno set (EEXIST when the name is taken).
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

}  // namespace toolkit
