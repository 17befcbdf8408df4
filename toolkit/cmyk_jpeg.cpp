#include "cmyk_jpeg.h"

#include <turbojpeg.h>

#include <limits>
#include <memory>

namespace toolkit {

QImage decodeCmykJpeg(const uchar* data, qint64 size, JpegReduction reduction,
                      const EmbeddedProfile& profile) {
    if (!data || size <= 0 || quint64(size) > std::numeric_limits<unsigned long>::max() ||
        profile.channels != 4 || !profileChangesColours(profile))
        return {};
    const std::unique_ptr<void, int (*)(tjhandle)> decoder(tjInitDecompress(), tjDestroy);
    if (!decoder) return {};
    const auto length = static_cast<unsigned long>(size);
    int width = 0, height = 0, subsampling = 0, colourSpace = 0;
    if (tjDecompressHeader3(decoder.get(), data, length, &width, &height, &subsampling,
                            &colourSpace) != 0 ||
        (colourSpace != TJCS_CMYK && colourSpace != TJCS_YCCK))
        return {};
    const QSize reduced = reducedSize(QSize(width, height), reduction);
    // The decoder hands YCCK over as CMYK; the inks are turned into colours here, four bytes a
    // pixel in the memory of a 32-bit picture that is then read through the profile.
    QImage inks(reduced, QImage::Format_RGB32);
    if (inks.isNull() ||
        tjDecompress2(decoder.get(), data, length, inks.bits(), reduced.width(),
                      int(inks.bytesPerLine()), reduced.height(), TJPF_CMYK, 0) != 0)
        return {};
    return cmykToSrgb(inks.bits(), reduced, inks.bytesPerLine(), profile);
}

}  // namespace toolkit
