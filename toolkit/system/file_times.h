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

// Gives the file at `path` that modification time, so that an output sorts with its original in
// galleries and file managers; an empty FileTime leaves the file as it is. Says why the time is
// unknown or could not be given. Outputs are given it under their temporary name, before they
// take the output's name, so a link planted at that name never passes the time on.
std::error_code giveModificationTime(const QString& path, const FileTime& time) noexcept;

// What to tell the user of `target` written but dated today, when `undated` says why; empty
// otherwise. The file is written all the same: this is a note, not a failure.
QString undatedNote(const QString& target, std::error_code undated);

}  // namespace toolkit
