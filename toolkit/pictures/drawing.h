#pragma once

#include <QIODevice>
#include <QImage>
#include <QRect>
#include <QString>

#include "toolkit/pictures/color_profile.h"
#include "toolkit/pictures/resampling.h"
#include "toolkit/system/file_times.h"

namespace toolkit {

// Drawing a picture into a surface and saving a surface, without any window: the preview
// frame's persistent surface uses these, and so do pictures converted off the window's thread,
// so that both make the very same pixels and files.

// A surface of this size in pixels (at least 1 x 1), filled with one colour. Raises a Failure
// when there is no memory for it.
QImage filledSurface(QSize size, const QColor& colour);

// The picture scaled to exactly `size` with the cubic `filter` (the picture itself when it has
// that size already). Every picture on its way to a surface is scaled here, whatever route
// decoded it; the route says which filter finishes it best (PictureRead::finalFilter). Raises a
// Failure when there is no memory for it.
QImage scaledPicture(const QImage& picture, QSize size,
                     ResamplingFilter filter = ResamplingFilter::Soft);

// Paints the picture into the surface over `target`, scaled to it, its colours turned into sRGB
// through `profile` once scaled (the fewest pixels to convert).
void paintScaled(QImage& surface, const QImage& picture, const QRect& target,
                 const EmbeddedProfile& profile = {},
                 ResamplingFilter filter = ResamplingFilter::Soft);

// A surface of this size holding the picture painted over `target` as paintScaled paints it, on
// white where the picture leaves anything uncovered or lets it show through; an opaque picture
// that covers the whole surface is not painted over a white fill that nothing would show.
QImage drawnOnWhite(QSize size, const QImage& picture, const QRect& target,
                    const EmbeddedProfile& profile = {},
                    ResamplingFilter filter = ResamplingFilter::Soft);

// The surface as a 24-bit BMP file, bottom row first, the same bytes as Qt's BMP writer gives.
QByteArray bmpFileBytes(const QImage& surface);

// Writes the surface as a 24-bit BMP into an open device, in one write. Raises a Failure with
// the reason.
void writeBmp(const QImage& surface, QIODevice& device);

// Saves the surface as a 24-bit BMP file, replacing any file there only once the new one is
// complete and given `time`, if there is one (why it could not be is returned). Raises a Failure
// naming the file, its folder and the reason.
[[nodiscard]] std::error_code saveBmp(const QImage& surface, const QString& path,
                                      const FileTime& time);

}  // namespace toolkit
