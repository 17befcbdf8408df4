#pragma once

#include <QString>

namespace convert {

// True when the name's last three characters, upper-cased, are JPG, GIF or BMP (a shorter name
// is compared whole). No dot is needed: "fotoJPG" is a picture, "foto.jpeg" is not.
bool isPictureName(const QString& name);

// The name without its last three characters; the dot, if any, stays: "FOTO.JPG" -> "FOTO.".
QString outputStem(const QString& name);

// Output folders directly under the program folder. The separator is always added, even after
// a folder that ends in one (a root), which the file system takes as a single one.
QString jpegFolderPath(const QString& programFolder);
QString bmpFolderPath(const QString& programFolder);

// Where an entry's outputs go: the output folder, its stem and the lower-case "jpg" or "bmp",
// whatever the source's extension was ("mapa.gif" -> "mapa.jpg", "fotoJPG" -> "fotojpg").
QString jpegOutputPath(const QString& programFolder, const QString& name);
QString bmpOutputPath(const QString& programFolder, const QString& name);

// The listed folder and an entry's name, with the separator always added.
QString sourcePath(const QString& folder, const QString& name);

}  // namespace convert
