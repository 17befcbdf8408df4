#include "toolkit/pictures/picture_file.h"

#include <QTransform>
#include <utility>

#include "toolkit/pictures/cmyk_jpeg.h"
#include "toolkit/pictures/color_profile.h"
#include "toolkit/pictures/decode_route.h"
#include "toolkit/pictures/opened_picture.h"
#include "toolkit/pictures/os2_bitmap.h"
#include "toolkit/pictures/scaled_jpeg.h"

namespace toolkit {

namespace {

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

// TurboJPEG at the plan's reduction, upright; null where it does not take the file.
QImage decodedReduced(const QString& path, const OpenedPicture& opened, const DecodePlan& plan,
                      const EmbeddedProfile& profile) {
    const QImageIOHandler::Transformations turn = opened.header.transformation;
    if (plan.route == DecodeRoute::ReducedJpegOnly &&
        !withinWholeDecodeBounds(plan.decodedSize.width(), plan.decodedSize.height())) {
        const QSize stored = upright(opened.header.naturalSize, turn);
        refusePicture(path,
                      QStringLiteral("la imagen mide %1 x %2 píxeles, más de lo que se admite")
                          .arg(stored.width())
                          .arg(stored.height()));
    }
    const qint64 size = opened.header.fileSize;
    QImage picture = turnedUpright(decodeJpegReduced(opened.mapped, size, plan.reduction), turn);
    if (picture.isNull())
        picture = turnedUpright(decodeCmykJpeg(opened.mapped, size, plan.reduction, profile), turn);
    return picture;
}

// The picture by the plan's route, or by Qt's reader whole where the route ends there.
QImage decoded(const QString& path, OpenedPicture& opened, const DecodePlan& plan,
               const EmbeddedProfile& profile) {
    QImage picture;
    const bool jpeg =
        plan.route == DecodeRoute::ReducedJpeg || plan.route == DecodeRoute::ReducedJpegOnly;
    if (opened.mapped && jpeg) picture = decodedReduced(path, opened, plan, profile);
    if (opened.mapped && plan.route == DecodeRoute::Os2Bitmap)
        picture = readOs2BitmapWithShortPalette(opened.mapped, opened.header.fileSize);
    // A large JPEG is never decoded whole: what the reduced decoder refuses stays refused.
    if (picture.isNull() && plan.route == DecodeRoute::ReducedJpegOnly)
        refusePicture(path, QStringLiteral("los datos de la imagen están dañados o no se admiten"));
    if (picture.isNull() && (!opened.reader.read(&picture) || picture.isNull()))
        refusePicture(path, readerReason(opened.reader));
    return picture;
}

}  // namespace

PictureRead readPictureFile(const QString& path) {
    return readPictureFile(path, QSize());
}

PictureRead readPictureFile(const QString& path, QSize atLeast, Colours colours) {
    OpenedPicture opened(path);
    const DecodePlan plan = planDecode(opened.header, atLeast);
    PictureRead read;
    read.naturalSize = opened.header.naturalSize;
    const EmbeddedProfile profile = opened.lookInto(embeddedProfile);
    read.image = decoded(path, opened, plan, profile);
    if (!read.naturalSize.isValid()) read.naturalSize = read.image.size();

    // Colours as the file means them, at the size decoded (no finer than the target needs).
    read.unconverted = profile;
    if (colours == Colours::Srgb)
        read.image = convertedToSrgb(std::move(read.image), std::exchange(read.unconverted, {}));
    // The decoder read what it could; the file's own structure says whether that was all.
    read.damage = opened.lookInto(pictureDamage);
    return read;
}

QImage loadPictureFile(const QString& path) {
    return readPictureFile(path).image;
}

QImage loadWholePictureFile(const QString& path) {
    PictureRead read = readPictureFile(path);
    if (!read.damage.isEmpty()) refusePicture(path, read.damage);
    return std::move(read.image);
}

}  // namespace toolkit
