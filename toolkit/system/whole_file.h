#pragma once

#include <QIODevice>
#include <QString>
#include <functional>

#include "toolkit/common/failure.h"
#include "toolkit/system/file_times.h"

namespace toolkit {

// Every output is written whole or not at all, the same way for every format: into a new file
// of a short name of its own beside the output (".velaria-<process id>-<origin>-<random>.tmp",
// created exclusively, so never an existing file or a planted link), which is then renamed over
// the output's name. An existing output that is a link is replaced by the new file; the link's
// target is never opened. A run that is killed leaves at most such a temporary file, which a
// later run removes (removeStaleTemporaries). Before it takes the output's name, the new file is
// given `time`, if there is one, and the permissions of the file it replaces, and is flushed to
// the disk (durable_file.h); why the time could not be given is returned, the file being written
// all the same. An output the user has made read-only is not replaced: the Failure says it is
// write-protected.

// Fills the new file through `write`, which says whether it could. Raises a Failure naming the
// file, its folder and the reason.
[[nodiscard]] std::error_code writeFileWhole(const QString& path,
                                             const std::function<bool(QIODevice&)>& write,
                                             const FileTime& time);

// The same for a writer that makes the file itself: `write` is handed the temporary file's path
// (the file exists, empty) and replaces it with a complete file, or raises a Failure, which
// goes on as it is. The writer's own words for a failure of ours: `failed` makes the Failure
// from the reason.
using FailureWithReason = std::function<Failure(const QString& why)>;
[[nodiscard]] std::error_code writeFileWholeAt(const QString& path,
                                               const std::function<void(const QString&)>& write,
                                               const FailureWithReason& failed,
                                               const FileTime& time);

// Removes the temporary files that killed runs of this program left in an output folder (see
// leftovers.h). Returns how many went.
int removeStaleTemporaries(const QString& folder);

// The file, and the folder it is in, as a message names them: «foto.bmp» en la carpeta
// «DestinoBMP».
QString fileAndFolder(const QString& path);

}  // namespace toolkit
