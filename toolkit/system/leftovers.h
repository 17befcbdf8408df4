#pragma once

#include <QString>

namespace toolkit {

// Temporary files carry the id of the process that made them and where that process ran, right
// after a prefix of the program's own: "<prefix><process id>-<origin>-<random><suffix>". A later
// start removes those of a run that was killed, and only those: not another user's, not a
// running process's, not a link, not a name of any other shape. A process id says whether the
// process has ended only where it was made: a file from another machine sharing the folder, or
// from another process namespace on this one, is taken for a live run's until it is a day old.

// Where this process runs, as its temporary names say it: 8 hex digits, the same for every
// process of one boot and one process namespace (on Windows, of one computer).
QString originMark();

// One shape of temporary name that the program makes.
struct TemporaryShape {
    QString prefix;
    // Whether the name says where it was made (its origin follows the process id).
    bool saysOrigin = true;
    // The random part: exactly `randomLength` characters of the class `alphabet` ("0-9a-f").
    QString alphabet;
    int randomLength = 0;
    QString suffix;

    // A name of this shape for this process, with `random` (or a template's placeholders) as
    // its random part.
    QString nameFor(const QString& random) const;
};

// The shapes the program makes: outputs' new files beside them, the writer library's own (which
// do not say where they were made), and scratch files.
extern const TemporaryShape kOutputTemporary;
extern const TemporaryShape kWriterTemporary;
extern const TemporaryShape kScratchTemporary;

// Removes, in `folder`, the regular files of this user named exactly in `shape` that a killed
// run left: made here by a process that has ended, or made elsewhere (or not saying where) and
// untouched for a day. Returns how many went.
int removeLeftovers(const QString& folder, const TemporaryShape& shape);

}  // namespace toolkit
