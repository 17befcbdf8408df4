#pragma once

#include <QString>

namespace convert {

// True when the name's last three characters, upper-cased, are JPG, GIF or BMP (a shorter name
// is compared whole). No dot is needed: "fotoJPG" is a picture, "foto.jpeg" is not.
bool isPictureName(const QString& name);

}  // namespace convert
