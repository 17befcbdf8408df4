#include "toolkit/pictures/drawing.h"

#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <QPainter>

#include "toolkit/common/failure.h"
#include "toolkit/pictures/picture_file.h"
#include "toolkit/system/file_errors.h"
#include "toolkit/system/whole_file.h"

namespace toolkit {

namespace {

// A drawing of this size would take more memory than any picture the program reads: refuse it
// with the reason rather than fail to allocate. The size handles allow a frame of 32767 x 32767
// pixels, which would need 4 GB.
void checkDrawingSize(const QSize& size) {
    if (qint64(size.width()) * size.height() <= kMaxPicturePixels) return;
    const QString reason =
        QStringLiteral(
            "a este tamaño la imagen mediría %1 x %2 píxeles, más de los %3 millones "
            "que se admiten")
            .arg(size.width())
            .arg(size.height())
            .arg(kMaxPicturePixels / 1000000);
    throw Failure(reason.left(1).toUpper() + reason.mid(1), reason);
}

}  // namespace

QImage filledSurface(QSize size, const QColor& colour) {
    size = size.expandedTo(QSize(1, 1));
    checkDrawingSize(size);
    QImage surface(size, QImage::Format_RGB32);
    if (surface.isNull())
        throw Failure(QStringLiteral("No hay memoria para un dibujo de %1 x %2 píxeles")
                          .arg(size.width())
                          .arg(size.height()));
    surface.fill(colour);
    return surface;
}

QImage scaledPicture(const QImage& picture, QSize size) {
    if (picture.size() == size) return picture;
    checkDrawingSize(size);
    // Scaled on its own rather than by the painter, whose filter samples too few source pixels
    // when a large photo shrinks a lot.
    QImage scaled = picture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (scaled.isNull())
        throw Failure(QStringLiteral("No hay memoria para escalar la imagen a %1 x %2 píxeles")
                          .arg(size.width())
                          .arg(size.height()));
    return scaled;
}

void paintScaled(QImage& surface, const QImage& picture, const QRect& target,
                 const EmbeddedProfile& profile) {
    if (target.isEmpty() || picture.isNull()) return;
    const QImage scaled = convertedToSrgb(scaledPicture(picture, target.size()), profile);
    QPainter painter(&surface);
    painter.drawImage(target.topLeft(), scaled);
}

void writeBmp(const QImage& surface, QIODevice& device) {
    QImageWriter writer(&device, "bmp");
    if (writer.write(surface)) return;
    const QString why = writeFailure(device);
    const auto* file = qobject_cast<const QFileDevice*>(&device);
    if (!file || file->fileName().isEmpty()) throw Failure(why);
    const QString where = fileAndFolder(file->fileName());
    throw Failure(QStringLiteral("No se puede escribir %1: %2").arg(where, why),
                  QStringLiteral("no se puede escribir %1: %2").arg(where, why));
}

std::error_code saveBmp(const QImage& surface, const QString& path, const FileTime& time) {
    return writeFileWhole(
        path, [&](QIODevice& file) { return QImageWriter(&file, "bmp").write(surface); }, time);
}

}  // namespace toolkit
