#include <windows.h>
// After windows.h, which it needs.
#include <aclapi.h>
#include <fcntl.h>
#include <io.h>

#include <QDir>
#include <cerrno>
#include <memory>

#include "toolkit/system/file_errors.h"
#include "toolkit/system/os_calls.h"

namespace toolkit {

namespace {

// The wide-character path the system's own calls take: native separators, and the prefix that
// lifts the 260-character limit where the path is that long.
std::wstring widePath(const QString& path) {
    QString native = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
    if (native.size() >= MAX_PATH - 12 && !native.startsWith(QStringLiteral("\\\\?\\"))) {
        native = native.startsWith(QStringLiteral("\\\\"))
                     ? QStringLiteral("\\\\?\\UNC\\") + native.mid(2)
                     : QStringLiteral("\\\\?\\") + native;
    }
    return native.toStdWString();
}

// The system's error as the C library's error number, which the messages go by.
int errnoFrom(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
            return ENOENT;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return EACCES;
        case ERROR_FILENAME_EXCED_RANGE:
            return ENAMETOOLONG;
        case ERROR_TOO_MANY_OPEN_FILES:
            return EMFILE;
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY:
            return ENOMEM;
        default:
            return int(error);
    }
}

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using Handle = std::unique_ptr<void, HandleCloser>;

}  // namespace

QString openRegularFile(const QString& path, QFile& file) {
    // Shared for deleting and renaming too: a picture being read must not stop another program
    // from moving it.
    HANDLE opened = CreateFileW(widePath(path).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened == INVALID_HANDLE_VALUE) return readFailure(errnoFrom(GetLastError()));
    Handle handle(opened);
    // A device (a name such as "CON.jpg" is one) or a pipe is not a file on a disk.
    BY_HANDLE_FILE_INFORMATION information;
    if (GetFileType(opened) != FILE_TYPE_DISK ||
        !GetFileInformationByHandle(opened, &information) ||
        (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return QStringLiteral("no es un archivo");
    const int fd = _open_osfhandle(intptr_t(opened), _O_RDONLY | _O_BINARY);
    if (fd < 0) return QStringLiteral("error al leer el archivo");
    handle.release();  // the descriptor owns it now
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        _close(fd);
        return QStringLiteral("error al leer el archivo");
    }
    return {};
}

QStringList regularFileNames(const QString& folder) {
    // The system's listing gives each entry's kind with its name; names are always valid text.
    // Names that begin with a dot are the program's own temporary files, as on other systems.
    QStringList names;
    for (const QString& name : QDir(folder).entryList(QDir::Files, QDir::Unsorted))
        if (!name.startsWith(QLatin1Char('.'))) names << name;
    return names;
}

bool processMayBeRunning(qint64 pid) {
    if (pid <= 0 || pid > qint64(MAXDWORD)) return true;
    HANDLE opened = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, DWORD(pid));
    if (!opened) return GetLastError() != ERROR_INVALID_PARAMETER;  // no such process
    Handle process(opened);
    DWORD exitCode = 0;
    if (!GetExitCodeProcess(opened, &exitCode)) return true;
    return exitCode == STILL_ACTIVE;
}

bool ownedByThisUser(const QFileInfo& file) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
    Handle tokenHandle(token);
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::unique_ptr<char[]> userBuffer(new char[size ? size : 1]);
    if (!GetTokenInformation(token, TokenUser, userBuffer.get(), size, &size)) return false;
    const auto* user = reinterpret_cast<const TOKEN_USER*>(userBuffer.get());

    std::wstring path = widePath(file.absoluteFilePath());
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoW(path.data(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner,
                              nullptr, nullptr, nullptr, &descriptor) != ERROR_SUCCESS)
        return false;
    const bool same = owner && EqualSid(owner, user->User.Sid);
    LocalFree(descriptor);
    return same;
}

std::error_code replaceFile(const QString& temporary, const QString& path) {
    // Replacing renames over the name itself: a link or junction standing there is replaced,
    // never followed. Write-through: the call returns once the move is on the disk.
    if (MoveFileExW(widePath(temporary).c_str(), widePath(path).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return {};
    return std::error_code(errnoFrom(GetLastError()), std::generic_category());
}

std::filesystem::path fileSystemPath(const QString& path) {
    return std::filesystem::path(widePath(path));
}

}  // namespace toolkit
