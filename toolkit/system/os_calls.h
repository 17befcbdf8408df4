#pragma once

#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringList>
#include <filesystem>
#include <system_error>

namespace toolkit {

// The few calls that differ between the systems the program runs on, one small function each
// (os_calls_posix.cpp, os_calls_windows.cpp). Nothing outside toolkit/system knows the system.

// Opens the file at `path` for reading into `file`, only when it is a regular file: a pipe or a
// device, even one that took the file's place after the list was made, must neither block the
// run nor feed it endless bytes. Returns why it could not, in Spanish; empty when it is open.
QString openRegularFile(const QString& path, QFile& file);

// The names of the folder's regular files, not hidden ones, in no particular order. Raises a
// Failure when the folder could be opened but not read to its end; a folder that cannot be
// opened at all gives no names.
QStringList regularFileNames(const QString& folder);

// True unless the process `pid` is known to have ended. Where that cannot be told, true.
bool processMayBeRunning(qint64 pid);

// Whether the file belongs to the user this program runs as.
bool ownedByThisUser(const QFileInfo& file);

// Puts the complete file `temporary` in the place of `path`, replacing whatever stands there,
// a link included, without following it, and only once the data is on the disk.
std::error_code replaceFile(const QString& temporary, const QString& path);

// The path as the standard library's file functions take it, every character kept.
std::filesystem::path fileSystemPath(const QString& path);

}  // namespace toolkit
