#pragma once

#include <QString>
#include <filesystem>
#include <optional>
#include <system_error>

namespace toolkit {

// A file's modification time as finely as the file system keeps it, or why it could not be read.
struct FileTime {
    std::optional<std::filesystem::file_time_type> modified;
    std::error_code failure;
};

// The modification time of the file at `path`. Never raises: what cannot be read is said when
// the time is to be given to another file.
FileTime modificationTime(const QString& path) noexcept;

// Gives `target` that modification time, so that an output sorts with its original in galleries
// and file managers. Raises a Failure naming the target when the time is unknown or cannot be
// set; the file itself stays as it is.
void setModificationTime(const QString& target, const FileTime& time);

}  // namespace toolkit
