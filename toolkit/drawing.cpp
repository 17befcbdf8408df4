#include "drawing.h"

#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <QPainter>
#include <QSaveFile>

#include "failure.h"
#include "file_errors.h"
#include "folders.h"
#include "picture_file.h"

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

// The file, and the folder it is in, as a message names them.
QString fileAndFolder(const QString& path) {
    const QFileInfo info(path);
    return QStringLiteral("«%1» en la carpeta «%2»")
        .arg(info.fileName(), info.absoluteDir().dirName());
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

void saveBmp(const QImage& surface, const QString& path) {
    const QString where = fileAndFolder(path);
    const auto failed = [&](const QString& why) {
        const QString reason = QStringLiteral("no se puede guardar %1: %2").arg(where, why);
        return Failure(QStringLiteral("No se puede guardar %1: %2").arg(where, why), reason);
    };
    if (const QString tooLong = pathTooLong(path); !tooLong.isEmpty()) throw failed(tooLong);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) throw failed(writeFailure(file));
    QImageWriter writer(&file, "bmp");
    if (!writer.write(surface)) {
        const QString why = writeFailure(file);
        file.cancelWriting();
        throw failed(why);
    }
    if (!file.commit()) throw failed(writeFailure(file));
}

}  // namespace toolkit
