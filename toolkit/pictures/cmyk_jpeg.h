#pragma once

#include <QImage>

#include "toolkit/pictures/color_profile.h"
#include "toolkit/pictures/scaled_jpeg.h"

namespace toolkit {

// A CMYK or YCCK JPEG that carries a CMYK profile, decoded at the reduction and turned into sRGB
// through that profile, as 32-bit RGB in the orientation it is stored in. A null image for any
// other JPEG, or one this decoder cannot take whole and clean: the ordinary reader then judges
// it, and its colours are taken as they are.
// Stops as decodeJpeg does.
JpegDecode decodeCmykJpeg(const uchar* data, qint64 size, JpegReduction reduction,
                          const EmbeddedProfile& profile,
                          const std::atomic<bool>* cancelled = nullptr);

}  // namespace toolkit
