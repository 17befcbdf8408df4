#pragma once

#include <QIODevice>
#include <QImage>
#include <QRect>
#include <QString>

#include "toolkit/pictures/color_profile.h"
#include "toolkit/system/file_times.h"

namespace toolkit {

// Drawing a picture into a surface and saving a surface, without any window: the preview
// frame's persistent surface uses these, and so do pictures converted off the window's thread,
// so that both make the very same pixels and files.

// A surface of this size in pixels (at least 1 x 1), filled with one colour. Raises a Failure
// when there is no memory for it.
QImage filledSurface(QSize size, const QColor& colour);

// The picture scaled to exactly `size` with an area-averaging filter (the picture itself when it
// has that size already). Raises a Failure when there is no memory for it.
QImage scaledPicture(const QImage& picture, QSize size);

// Paints the picture into the surface over `target`, scaled to it, its colours turned into sRGB
// through `profile` once scaled (the fewest pixels to convert).
void paintScaled(QImage& surface, const QImage& picture, const QRect& target,
                 const EmbeddedProfile& profile = {});

// Writes the surface as a 24-bit BMP into an open device. Raises a Failure with the reason.
void writeBmp(const QImage& surface, QIODevice& device);

// Saves the surface as a 24-bit BMP file, replacing any file there only once the new one is
// complete and given `time`, if there is one (why it could not be is returned). Raises a Failure
// naming the file, its folder and the reason.
[[nodiscard]] std::error_code saveBmp(const QImage& surface, const QString& path,
                                      const FileTime& time);

}  // namespace toolkit
