#include "toolkit/system/durable_file.h"

#include <QFile>
#include <cerrno>

#include "toolkit/system/os_calls.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace toolkit {

namespace {

QString flushFailure(int systemError) {
    switch (systemError) {
        case ENOSPC:
#ifdef EDQUOT
        case EDQUOT:
#endif
            return QStringLiteral("no queda espacio en el disco");
        case EIO:
            return QStringLiteral("error del disco al escribir el archivo");
        default:
            return QStringLiteral(
                       "el sistema no ha podido guardar el archivo en el disco (error %1)")
                .arg(systemError);
    }
}

}  // namespace

#ifdef _WIN32

ReplacedFile replacedFileAt(const QString& path) {
    ReplacedFile file;
    const DWORD attributes = ::GetFileAttributesW(fileSystemPath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES ||
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
        return file;
    file.regular = true;
    file.writeProtected = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    return file;
}

QString settleNewFile(const QString& path, const ReplacedFile&) {
    // A new file takes its folder's permissions; only its bytes need flushing.
    const HANDLE file = ::CreateFileW(fileSystemPath(path).c_str(), GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return flushFailure(EIO);
    const bool flushed = ::FlushFileBuffers(file);
    ::CloseHandle(file);
    return flushed ? QString() : flushFailure(EIO);
}

void flushFolder(const QString&) {}

#else

ReplacedFile replacedFileAt(const QString& path) {
    ReplacedFile file;
    struct stat status;
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0 || !S_ISREG(status.st_mode))
        return file;
    file.regular = true;
    file.writeProtected = (status.st_mode & S_IWUSR) == 0;
    file.permissions = status.st_mode & 0777;
    return file;
}

QString settleNewFile(const QString& path, const ReplacedFile& replaced) {
    // The new file is the program's own, just made; a name that is no longer a regular file is
    // not opened through.
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return flushFailure(errno);
    int failed = 0;
    struct stat status;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode))
        failed = EIO;
    else if (replaced.regular && (status.st_mode & 0777) != replaced.permissions &&
             ::fchmod(fd, replaced.permissions) != 0)
        failed = errno;
    // The permissions go to the disk with the bytes: a file must not come back after a power cut
    // readable by others when the one it replaced was not.
    else if (::fsync(fd) != 0 && errno != EINVAL && errno != ENOTSUP)
        failed = errno;
    ::close(fd);
    return failed == 0 ? QString() : flushFailure(failed);
}

void flushFolder(const QString& folder) {
    const int fd = ::open(QFile::encodeName(folder).constData(),
                          O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

#endif

}  // namespace toolkit
