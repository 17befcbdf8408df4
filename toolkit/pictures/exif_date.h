#pragma once

#include <QByteArray>

#include "toolkit/system/photo_date.h"

namespace toolkit {

// The moment a JPEG photo was taken, from its EXIF as libexif reads it: DateTimeOriginal, with
// SubSecTimeOriginal and OffsetTimeOriginal where it has them. Nothing for a file that is no
// JPEG, cannot be read, or has no EXIF, no such date or a damaged block: a photo's metadata
// never makes its conversion fail. A field not in its form is left out (a date not in its form
// is no date). Read from the file's bytes as the picture is read (`format` is the reader's name
// for it), never from the file again: only the head is looked at, up to the EXIF block.
PhotoDate readPhotoDate(const QByteArray& format, const uchar* bytes, qint64 size) noexcept;

}  // namespace toolkit
