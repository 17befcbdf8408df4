#pragma once

#include <QString>

#include "toolkit/system/photo_date.h"

namespace toolkit {

// The moment a JPEG photo was taken, from its EXIF as libexif reads it: DateTimeOriginal, with
// SubSecTimeOriginal and OffsetTimeOriginal where it has them. Nothing for a file that is no
// JPEG, cannot be read, or has no EXIF, no such date or a damaged block: a photo's metadata
// never makes its conversion fail. A field not in its form is left out (a date not in its form
// is no date). Only the head of the file is read, up to the EXIF block.
PhotoDate readPhotoDate(const QString& path) noexcept;

}  // namespace toolkit
