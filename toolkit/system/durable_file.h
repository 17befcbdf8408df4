#pragma once

#include <QString>

namespace toolkit {

// What makes a new file fit to take an output's name: it keeps what the user gave the file it
// replaces, and its bytes are on the disk before the name is.

// What stands at an output's name before it is replaced. A link is not followed: it is replaced
// by a new file of the usual permissions.
struct ReplacedFile {
    bool regular = false;         // a regular file stands there
    bool writeProtected = false;  // one that the user has made read-only: it is not replaced
    unsigned permissions = 0;     // its permission bits, where the system has them
};
ReplacedFile replacedFileAt(const QString& path);

// Gives the complete new file at `path` the permissions of the file it replaces and flushes it
// to the disk, so that a power cut after the rename leaves either the whole new file or the old
// one, never an empty or partial one. Says why that could not be done; empty when it was.
QString settleNewFile(const QString& path, const ReplacedFile& replaced);

// Flushes the folder's entries (the rename that put an output in place) to the disk where the
// system can; does nothing where it cannot.
void flushFolder(const QString& folder);

}  // namespace toolkit
