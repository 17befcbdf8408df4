#include "toolkit/pictures/decode_route.h"

#include <algorithm>

#include "toolkit/pictures/opened_picture.h"

namespace toolkit {

namespace {

qint64 pixelBytes(QSize size) {
    return size.isValid() ? qint64(size.width()) * size.height() * 4 : 0;
}

// `wanted`, or a stronger reduction where the decoded picture would still be larger than what
// is decoded whole; `wanted` when none is small enough, for the reading to refuse.
JpegReduction fittingReduction(QSize stored, JpegReduction wanted) {
    const auto fits = [&](JpegReduction reduction) {
        const QSize decoded = reducedSize(stored, reduction);
        return withinWholeDecodeBounds(decoded.width(), decoded.height());
    };
    if (fits(wanted)) return wanted;
    for (const JpegReduction stronger : {JpegReduction{1, 2}, {1, 4}, {1, 8}})
        if (stronger.num * wanted.denom < wanted.num * stronger.denom && fits(stronger))
            return stronger;
    return wanted;
}

// A JPEG's peak at `decoded` pixels: its file, the coefficients a progressive decoder keeps (at
// full size, each a 16-bit number) and the decoded picture. Inks are decoded and then turned
// into colours, and a picture turned a quarter is copied: either holds the decoded pixels twice.
qint64 jpegMemory(const PictureHeader& header, QSize decoded) {
    const QSize stored = upright(header.naturalSize, header.transformation);
    const bool quarterTurn =
        header.transformation.testFlag(QImageIOHandler::TransformationRotate90);
    // Unknown counts as what most photos have.
    const qint64 components = header.components > 0 ? header.components : 3;
    const qint64 unknown = qint64(stored.width()) * stored.height() * components * 2;
    const qint64 coefficients = !header.keepsAllCoefficients  ? 0
                                : header.coefficientBytes > 0 ? header.coefficientBytes
                                                              : unknown;
    return header.fileSize + coefficients +
           pixelBytes(decoded) * (quarterTurn || components == 4 ? 2 : 1);
}

void planJpeg(const PictureHeader& header, QSize atLeast, DecodePlan& plan) {
    const QSize natural = header.naturalSize;
    const bool large = !withinWholeDecodeBounds(natural.width(), natural.height());
    plan.route = large ? DecodeRoute::ReducedJpegOnly : DecodeRoute::ReducedJpeg;
    const QImageIOHandler::Transformations turn = header.transformation;
    const QSize stored = upright(natural, turn);
    plan.reduction = jpegReductionFor(stored, upright(atLeast, turn));
    if (large) plan.reduction = fittingReduction(stored, plan.reduction);
    plan.decodedSize = upright(reducedSize(stored, plan.reduction), turn);
    plan.memoryBytes = jpegMemory(header, plan.decodedSize);
    if (!large) plan.wholeMemoryBytes = jpegMemory(header, natural);
}

// The whole factor by which a BMP's rows may be averaged and still keep `atLeast` pixels each
// way; 1 when the picture is not twice as large.
int bmpFactor(QSize natural, QSize atLeast) {
    if (!atLeast.isValid() || atLeast.isEmpty()) return 1;
    const qint64 across = natural.width() / std::max(atLeast.width(), 1);
    const qint64 down = natural.height() / std::max(atLeast.height(), 1);
    return int(std::clamp<qint64>(std::min(across, down), 1, 1 << 15));
}

}  // namespace

DecodePlan planDecode(const PictureHeader& header, QSize atLeast) {
    DecodePlan plan;
    plan.decodedSize = header.naturalSize;
    const QSize natural = header.naturalSize;
    // What Qt's reader takes: the file's bytes, read into memory whole, and the picture.
    const qint64 whole = header.fileSize + pixelBytes(natural);
    if (header.format == "jpeg" && natural.isValid()) {
        planJpeg(header, atLeast, plan);
    } else if (header.format == "jpeg") {
        plan.memoryBytes = header.fileSize;
    } else if (header.format == "bmp" && header.os2ShortPalette) {
        // The file's bytes and the rewritten copy of them, then the picture.
        plan.route = DecodeRoute::Os2Bitmap;
        plan.memoryBytes = 2 * header.fileSize + pixelBytes(natural);
        plan.wholeMemoryBytes = whole;
    } else if (const int factor = bmpFactor(natural, atLeast);
               header.format == "bmp" && header.plainBmpRows && factor > 1) {
        plan.route = DecodeRoute::ReducedBmp;
        plan.reduction = {1, factor};
        plan.decodedSize = reducedSize(natural, plan.reduction);
        plan.memoryBytes = header.fileSize + pixelBytes(plan.decodedSize);
        plan.wholeMemoryBytes = whole;
    } else {
        plan.memoryBytes = whole;
    }
    return plan;
}

}  // namespace toolkit
