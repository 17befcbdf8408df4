#include "toolkit/pictures/picture_file.h"

#include <QFileInfo>
#include <QTransform>
#include <utility>

#include "toolkit/common/failure.h"
#include "toolkit/pictures/cmyk_jpeg.h"
#include "toolkit/pictures/color_profile.h"
#include "toolkit/pictures/decode_route.h"
#include "toolkit/pictures/exif_date.h"
#include "toolkit/pictures/formats/bmp_headers.h"
#include "toolkit/pictures/formats/jpeg_segments.h"
#include "toolkit/pictures/memory_need.h"
#include "toolkit/pictures/opened_picture.h"
#include "toolkit/pictures/os2_bitmap.h"
#include "toolkit/pictures/reduced_bmp.h"
#include "toolkit/pictures/scaled_jpeg.h"

namespace toolkit {

namespace {

[[noreturn]] void refuseTooManyScans(const QString& path) {
    refusePicture(path, QStringLiteral("el JPG repite sus pasadas (scans) más de %1 veces y "
                                       "leerlo llevaría demasiado tiempo")
                            .arg(kMaxJpegScans));
}

// As the reader applies an EXIF orientation: mirror and flip first, then a quarter turn.
QImage turnedUpright(QImage picture, QImageIOHandler::Transformations transformation) {
    if (transformation == QImageIOHandler::TransformationNone) return picture;
    if (transformation == QImageIOHandler::TransformationRotate270)
        return picture.transformed(QTransform().rotate(270));
    picture =
        std::move(picture).mirrored(transformation.testFlag(QImageIOHandler::TransformationMirror),
                                    transformation.testFlag(QImageIOHandler::TransformationFlip));
    if (transformation.testFlag(QImageIOHandler::TransformationRotate90))
        picture = picture.transformed(QTransform().rotate(90));
    return picture;
}

// What the decoders' ends mean for the file: a refusal with the reason, or stopping the read.
void refuseOnEnd(const QString& path, JpegDecodeEnd end) {
    if (end == JpegDecodeEnd::TooManyScans) refuseTooManyScans(path);
    if (end == JpegDecodeEnd::Cancelled) {
        const QString reason = QStringLiteral("no se ha convertido: se ha cancelado la conversión");
        throw Cancelled(QStringLiteral("«%1»: %2").arg(QFileInfo(path).fileName(), reason), reason);
    }
}

// A picture as decoded, and whether its decoder has shown that the file holds all of it.
struct Decoded {
    QImage picture;
    // libjpeg warns of data that ends early, of bytes where a marker should be and of a scan
    // cut off by a marker: a decode it finished without a word read every scan to the end
    // marker, which is all the walk over the file's segments would check.
    bool readToTheEnd = false;
    ResamplingFilter finalFilter = ResamplingFilter::Sharp;
};

// Reduced to more than a quarter, a JPEG keeps its blocks' edges faintly; at a quarter or less
// each block is little more than its average.
ResamplingFilter filterAfter(JpegReduction reduction) {
    const bool blocky = reduction.num < reduction.denom && 4 * reduction.num > reduction.denom;
    return blocky ? ResamplingFilter::Soft : ResamplingFilter::Sharp;
}

// The decoder at the plan's reduction, upright; null where it does not take the file.
Decoded decodedReduced(const QString& path, const OpenedPicture& opened, const DecodePlan& plan,
                       const EmbeddedProfile& profile, const std::atomic<bool>* cancelled) {
    const QImageIOHandler::Transformations turn = opened.header.transformation;
    if (plan.route == DecodeRoute::ReducedJpegOnly &&
        !withinWholeDecodeBounds(plan.decodedSize.width(), plan.decodedSize.height())) {
        const QSize stored = upright(opened.header.naturalSize, turn);
        refusePicture(path,
                      QStringLiteral("la imagen mide %1 x %2 píxeles, más de lo que se admite")
                          .arg(stored.width())
                          .arg(stored.height()));
    }
    JpegDecode decoded = decodeJpeg(opened.data(), opened.size(), plan.reduction, false, cancelled);
    if (decoded.end == JpegDecodeEnd::Refused)
        decoded = decodeCmykJpeg(opened.data(), opened.size(), plan.reduction, profile, cancelled);
    refuseOnEnd(path, decoded.end);
    return {turnedUpright(std::move(decoded.picture), turn), decoded.end == JpegDecodeEnd::Done,
            filterAfter(plan.reduction)};
}

// Run-length BMP data may leave pixels out (a jump, an early end), which the reader leaves as
// the memory held them: it is handed a picture of the size and kind it makes, cleared to the
// first colour, to fill in. Null for any other picture.
QImage clearedForRunLengths(const OpenedPicture& opened) {
    if (opened.header.format != "bmp") return {};
    const BmpHeader bmp = readBmpHeader(opened.data(), opened.size());
    if (!bmp.sized || (bmp.compression != 1 && bmp.compression != 2)) return {};
    QImage cleared(opened.header.naturalSize, QImage::Format_Indexed8);
    cleared.fill(0);
    return cleared;
}

// Qt's reader decodes whole and cannot be stopped once it has begun, so what it is given is
// bounded first: no JPEG with more scans than any decoder here takes.
QImage decodedByReader(const QString& path, OpenedPicture& opened,
                       const std::atomic<bool>* cancelled) {
    if (cancelled && cancelled->load()) refuseOnEnd(path, JpegDecodeEnd::Cancelled);
    if (opened.header.format == "jpeg" &&
        countJpegScans(opened.data(), opened.size(), kMaxJpegScans) > kMaxJpegScans)
        refuseTooManyScans(path);
    QImage picture = clearedForRunLengths(opened);
    if (!opened.reader.read(&picture) || picture.isNull())
        refusePicture(path, readerReason(opened.reader));
    return picture;
}

// Where the planned route gave up, Qt's reader decodes the file whole: what that takes is judged
// against the machine, and asked of the run, again.
void weighWholeAgain(const QString& path, const OpenedPicture& opened, const DecodePlan& plan,
                     const DecodeRun& run) {
    checkMemoryNeed(path, opened.header.naturalSize, plan.wholeMemoryBytes + run.besides);
    const qint64 extra = plan.wholeMemoryBytes - plan.memoryBytes;
    if (extra > 0 && run.moreMemory && !run.moreMemory(extra))
        refuseOnEnd(path, JpegDecodeEnd::Cancelled);
}

// The picture by the plan's route, or by Qt's reader whole where the route ends there.
Decoded decoded(const QString& path, OpenedPicture& opened, const DecodePlan& plan,
                const EmbeddedProfile& profile, const DecodeRun& run) {
    const bool jpeg =
        plan.route == DecodeRoute::ReducedJpeg || plan.route == DecodeRoute::ReducedJpegOnly;
    if (jpeg) {
        Decoded reduced = decodedReduced(path, opened, plan, profile, run.cancelled);
        if (!reduced.picture.isNull()) return reduced;
    }
    QImage picture;
    if (plan.route == DecodeRoute::ReducedBmp)
        picture = readBmpReduced(opened.data(), opened.size(), plan.reduction.denom);
    if (plan.route == DecodeRoute::Os2Bitmap)
        picture = readOs2BitmapWithShortPalette(opened.data(), opened.size());
    // A large JPEG is never decoded whole: what the reduced decoder refuses stays refused.
    if (picture.isNull() && plan.route == DecodeRoute::ReducedJpegOnly)
        refusePicture(path, QStringLiteral("los datos de la imagen están dañados o no se admiten"));
    if (picture.isNull() && plan.route != DecodeRoute::Whole)
        weighWholeAgain(path, opened, plan, run);
    if (picture.isNull()) picture = decodedByReader(path, opened, run.cancelled);
    return {std::move(picture)};
}

}  // namespace

PictureRead readPictureFile(const QString& path) {
    return readPictureFile(path, QSize());
}

PictureRead readPictureFile(const QString& path, QSize atLeast, Colours colours,
                            const std::atomic<bool>* cancelled) {
    DecodeRun run;
    run.cancelled = cancelled;
    return readPictureFile(path, atLeast, colours, run);
}

PictureRead readPictureFile(const QString& path, QSize atLeast, Colours colours,
                            const DecodeRun& run) {
    OpenedPicture opened(path, Reading::Whole);
    const DecodePlan plan = planDecode(opened.header, atLeast);
    checkMemoryNeed(path, opened.header.naturalSize, plan.memoryBytes + run.besides);
    PictureRead read;
    read.naturalSize = opened.header.naturalSize;
    const EmbeddedProfile profile = opened.lookInto(embeddedProfile);
    Decoded picture = decoded(path, opened, plan, profile, run);
    read.image = std::move(picture.picture);
    read.finalFilter = picture.finalFilter;
    if (!read.naturalSize.isValid()) read.naturalSize = read.image.size();

    // Colours as the file means them, at the size decoded (no finer than the target needs).
    read.unconverted = profile;
    if (colours == Colours::Srgb)
        read.image = convertedToSrgb(std::move(read.image), std::exchange(read.unconverted, {}));
    // The decoder read what it could; the file's own structure says whether that was all.
    if (!picture.readToTheEnd) read.damage = opened.lookInto(pictureDamage);
    read.photoDate = opened.lookInto(readPhotoDate);
    return read;
}

QImage loadPictureFile(const QString& path) {
    return readPictureFile(path).image;
}

PictureRead readWholePictureFile(const QString& path, QSize atLeast) {
    PictureRead read = readPictureFile(path, atLeast);
    if (!read.damage.isEmpty()) refusePicture(path, read.damage);
    return read;
}

QImage loadWholePictureFile(const QString& path) {
    return readWholePictureFile(path).image;
}

}  // namespace toolkit
