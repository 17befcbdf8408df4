#pragma once

#include <QString>

namespace toolkit {

// Makes sure the folder exists (creating it, and missing parents, when it does not) and that
// files can be written into it. Raises a Failure naming the folder and the reason.
void makeWritableFolder(const QString& path);

// Why a file cannot be made at this path whatever the disk holds, because its name or the whole
// path is longer than the system takes; empty when it is not.
QString pathTooLong(const QString& path);

}  // namespace toolkit
