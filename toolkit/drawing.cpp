#include "drawing.h"

#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <QPainter>
#include <QSaveFile>

#include "failure.h"

namespace toolkit {

QImage filledSurface(QSize size, const QColor& colour) {
    size = size.expandedTo(QSize(1, 1));
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
    // Scaled on its own rather than by the painter, whose filter samples too few source pixels
    // when a large photo shrinks a lot.
    QImage scaled = picture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (scaled.isNull())
        throw Failure(QStringLiteral("No hay memoria para escalar la imagen a %1 x %2 píxeles")
                          .arg(size.width())
                          .arg(size.height()));
    return scaled;
}

void paintScaled(QImage& surface, const QImage& picture, const QRect& target) {
    if (target.isEmpty() || picture.isNull()) return;
    const QImage scaled = scaledPicture(picture, target.size());
    QPainter painter(&surface);
    painter.drawImage(target.topLeft(), scaled);
}

void writeBmp(const QImage& surface, QIODevice& device) {
    QImageWriter writer(&device, "bmp");
    if (!writer.write(surface)) throw Failure(writer.errorString());
}

void saveBmp(const QImage& surface, const QString& path) {
    const QFileInfo info(path);
    const QString where = QStringLiteral("«%1» en la carpeta «%2»")
                              .arg(info.fileName(), info.absoluteDir().dirName());
    const auto failed = [&](const QString& why) {
        const QString reason = QStringLiteral("no se puede guardar %1: %2").arg(where, why);
        return Failure(QStringLiteral("No se puede guardar %1: %2").arg(where, why), reason);
    };
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) throw failed(file.errorString());
    try {
        writeBmp(surface, file);
    } catch (const Failure& failure) {
        file.cancelWriting();
        throw failed(failure.message());
    }
    if (!file.commit()) throw failed(file.errorString());
}

}  // namespace toolkit
