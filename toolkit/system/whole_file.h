#pragma once

#include <QIODevice>
#include <QString>
#include <functional>

namespace toolkit {

// Writes a file whole or not at all: `write` fills a new file and says whether it could, and the
// new file takes the place of any file at `path` only once it is complete. Raises a Failure
// naming the file, its folder and the reason.
void writeFileWhole(const QString& path, const std::function<bool(QIODevice&)>& write);

// The file, and the folder it is in, as a message names them: «foto.bmp» en la carpeta
// «DestinoBMP».
QString fileAndFolder(const QString& path);

}  // namespace toolkit
