#include "toolkit/pictures/cmyk_jpeg.h"

namespace toolkit {

QImage decodeCmykJpeg(const uchar* data, qint64 size, JpegReduction reduction,
                      const EmbeddedProfile& profile) {
    if (profile.channels != 4 || !profileChangesColours(profile)) return {};
    QImage inks = decodeJpegInksReduced(data, size, reduction);
    if (inks.isNull()) return {};
    return cmykToSrgb(inks.bits(), inks.size(), inks.bytesPerLine(), profile);
}

}  // namespace toolkit
