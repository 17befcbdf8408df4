#include "toolkit/pictures/scaled_jpeg.h"

#include <turbojpeg.h>

#include <limits>

namespace toolkit {

namespace {

struct Decompressor {
    tjhandle handle = tjInitDecompress();
    ~Decompressor() {
        if (handle) tjDestroy(handle);
    }
};

}  // namespace

QSize reducedSize(QSize stored, JpegReduction reduction) {
    // The decoder's own rounding (TJSCALED): up, so that no edge pixel is lost.
    const auto side = [&](int length) {
        return int((qint64(length) * reduction.num + reduction.denom - 1) / reduction.denom);
    };
    return {side(stored.width()), side(stored.height())};
}

JpegReduction jpegReductionFor(QSize stored, QSize atLeast) {
    JpegReduction best;
    if (!atLeast.isValid() || atLeast.isEmpty()) return best;
    int count = 0;
    const tjscalingfactor* factors = tjGetScalingFactors(&count);
    for (int i = 0; factors && i < count; ++i) {
        const JpegReduction candidate{factors[i].num, factors[i].denom};
        if (candidate.num >= candidate.denom) continue;
        const QSize size = reducedSize(stored, candidate);
        if (size.width() < atLeast.width() || size.height() < atLeast.height()) continue;
        if (qint64(candidate.num) * best.denom < qint64(best.num) * candidate.denom)
            best = candidate;
    }
    return best;
}

namespace {

// The JPEG decoded at the reduction into 32-bit pixels: colours for a YCbCr, RGB or grey one,
// the four inks of a CMYK or YCCK one as they are stored (`inks`). Null for the other kind.
QImage decodeReduced(const uchar* data, qint64 size, JpegReduction reduction, bool inks) {
    if (!data || size <= 0 || quint64(size) > std::numeric_limits<unsigned long>::max()) return {};
    Decompressor decoder;
    if (!decoder.handle) return {};
    int width = 0, height = 0, subsampling = 0, colourSpace = 0;
    if (tjDecompressHeader3(decoder.handle, data, static_cast<unsigned long>(size), &width, &height,
                            &subsampling, &colourSpace) != 0)
        return {};
    // The decoder turns no CMYK or YCCK into RGB: those it gives as inks only.
    if (inks != (colourSpace == TJCS_CMYK || colourSpace == TJCS_YCCK)) return {};
    const QSize reduced = reducedSize(QSize(width, height), reduction);
    QImage picture(reduced, QImage::Format_RGB32);
    if (picture.isNull()) return {};
    // Format_RGB32 holds 0xffRRGGBB words: B, G, R, X in memory on a little-endian machine. Inks
    // take the same four bytes a pixel (YCCK comes as CMYK).
    const int pixelFormat = inks                                            ? TJPF_CMYK
                            : QSysInfo::ByteOrder == QSysInfo::LittleEndian ? TJPF_BGRX
                                                                            : TJPF_XRGB;
    // The decoder sets the padding byte to 0xff, as the format wants. Any complaint, even a mere
    // warning about damaged data, is left to the ordinary reader, which judges it as always.
    if (tjDecompress2(decoder.handle, data, static_cast<unsigned long>(size), picture.bits(),
                      reduced.width(), int(picture.bytesPerLine()), reduced.height(), pixelFormat,
                      0) != 0)
        return {};
    return picture;
}

}  // namespace

QImage decodeJpegReduced(const uchar* data, qint64 size, JpegReduction reduction) {
    return decodeReduced(data, size, reduction, false);
}

QImage decodeJpegInksReduced(const uchar* data, qint64 size, JpegReduction reduction) {
    return decodeReduced(data, size, reduction, true);
}

}  // namespace toolkit
