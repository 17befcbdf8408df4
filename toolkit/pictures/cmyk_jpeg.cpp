#include "toolkit/pictures/cmyk_jpeg.h"

namespace toolkit {

JpegDecode decodeCmykJpeg(const uchar* data, qint64 size, JpegReduction reduction,
                          const EmbeddedProfile& profile, const std::atomic<bool>* cancelled) {
    if (profile.channels != 4 || !profileChangesColours(profile)) return {};
    JpegDecode inks = decodeJpeg(data, size, reduction, true, cancelled);
    if (inks.end != JpegDecodeEnd::Done) return inks;
    QImage& picture = inks.picture;
    picture = cmykToSrgb(picture.bits(), picture.size(), picture.bytesPerLine(), profile);
    if (picture.isNull()) inks.end = JpegDecodeEnd::Refused;
    return inks;
}

}  // namespace toolkit
