#pragma once

#include <QString>

namespace toolkit {

// Temporary files carry the id of the process that made them, right after a prefix of the
// program's own: "<prefix><process id>-<random>...". A later start removes those whose process
// has ended (a run that was killed), and only those: not another user's, not a running
// process's, not a link, not a name of another pattern.

// The process id in a name that starts with `prefix` and goes on "<digits>-"; -1 otherwise.
qint64 processIdInName(const QString& name, const QString& prefix);

// Removes, in `folder`, the regular files named `prefix`<id>-* whose process has ended and
// that this user owns. Returns how many went.
int removeLeftovers(const QString& folder, const QString& prefix);

}  // namespace toolkit
