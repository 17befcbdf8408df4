#pragma once

#include <QString>
#include <QStringList>

namespace convert {

// The folders the run writes into, directly under the program folder.
inline const QStringList kOutputFolders = {QStringLiteral("DestinoJPG"),
                                           QStringLiteral("DestinoBMP")};

// Asks the file system, by really creating (and removing at once) a file in each output folder,
// or a folder in the program folder where an output folder is missing, whether the run can
// write its pictures. Permission bits alone would not tell: the owner of a read-only mount,
// or an administrator, would be told yes and then fail.
// Returns an empty string when it can; otherwise one Spanish message naming the folder and
// what the user can do, to be shown before anything is written.
QString outputFoldersProblem(const QString& programFolder,
                             const QStringList& outputFolders = kOutputFolders);

}  // namespace convert
