#include "toolkit/system/file_times.h"

#include <cerrno>

#include "toolkit/system/jpeg_writer.h"
#include "toolkit/system/os_calls.h"
#include "toolkit/system/whole_file.h"

namespace toolkit {

namespace {

QString timeFailure(const std::error_code& failed) {
    switch (failed.value()) {
        case ENOENT:
            return QStringLiteral("el archivo o su original ya no existe");
        case EACCES:
        case EPERM:
        case EROFS:
            return QStringLiteral("no hay permiso para cambiar su fecha");
        default:
            return QStringLiteral("el sistema no deja leer o cambiar la fecha (error %1)")
                .arg(failed.value());
    }
}

}  // namespace

FileTime modificationTime(const QString& path) noexcept {
    FileTime time;
    try {
        const auto modified = std::filesystem::last_write_time(fileSystemPath(path), time.failure);
        if (!time.failure) time.modified = modified;
    } catch (...) {
        time.failure = std::make_error_code(std::errc::invalid_argument);
    }
    return time;
}

std::error_code giveModificationTime(const QString& path, const FileTime& time) noexcept {
    std::error_code failed = time.failure;
    if (!time.modified) return failed;
    try {
        std::filesystem::last_write_time(fileSystemPath(path), *time.modified, failed);
    } catch (...) {
        failed = std::make_error_code(std::errc::invalid_argument);
    }
    return failed;
}

QString undatedNote(const QString& target, std::error_code undated) {
    if (!undated) return {};
    return QStringLiteral("%1 se ha escrito, pero con la fecha de hoy: %2")
        .arg(fileAndFolder(target), timeFailure(undated));
}

}  // namespace toolkit
