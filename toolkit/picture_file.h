#pragma once

#include <QImage>
#include <QSize>
#include <QString>

namespace toolkit {

// Pictures larger than this are refused from their header, before any pixel memory is taken:
// a damaged or hostile file must not be able to claim gigabytes.
inline constexpr int kMaxPictureSide = 32767;
inline constexpr qint64 kMaxPicturePixels = 120'000'000;

// Reads a JPG, GIF or BMP file (recognised by its content), upright as its EXIF orientation
// says, first frame only. Raises a Failure whose message names the file and the reason.
QImage loadPictureFile(const QString& path);

}  // namespace toolkit
