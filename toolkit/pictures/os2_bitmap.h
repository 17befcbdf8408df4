#pragma once

#include <QImage>

#include "toolkit/pictures/formats/bmp_headers.h"

namespace toolkit {

// An OS/2 bitmap (1.x or 2.x header) whose palette has fewer colours than its depth allows is
// valid, its rows beginning where the header's pixel-data offset says; Qt's reader takes the
// palette as full and starts the rows too late, shifting the picture sideways. Such a file is
// read here with its header rewritten as the Windows header that says the same. A null image
// for every other file, and for one the reader refuses all the same.
QImage readOs2BitmapWithShortPalette(const uchar* bytes, qint64 size);

// Whether the file is such a bitmap, from its headers: what readOs2BitmapWithShortPalette reads
// rather than leaves to Qt's reader.
bool hasShortOs2Palette(const uchar* bytes, qint64 size);

}  // namespace toolkit
