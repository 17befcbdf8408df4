#include "toolkit/pictures/drawing.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QtEndian>
#include <cstring>

#include "toolkit/common/failure.h"
#include "toolkit/pictures/picture_file.h"
#include "toolkit/pictures/resampling.h"
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

// A surface of this size, its pixels not set yet.
QImage newSurface(QSize size) {
    checkDrawingSize(size);
    QImage surface(size, QImage::Format_RGB32);
    if (surface.isNull())
        throw Failure(QStringLiteral("No hay memoria para un dibujo de %1 x %2 píxeles")
                          .arg(size.width())
                          .arg(size.height()));
    return surface;
}

}  // namespace

QImage filledSurface(QSize size, const QColor& colour) {
    QImage surface = newSurface(size.expandedTo(QSize(1, 1)));
    surface.fill(colour);
    return surface;
}

QImage scaledPicture(const QImage& picture, QSize size, ResamplingFilter filter) {
    if (picture.size() == size) return picture;
    checkDrawingSize(size);
    // Scaled on its own rather than by the painter, whose filter samples too few source pixels
    // when a large photo shrinks a lot; with a cubic rather than an average over each pixel's
    // area, which leaves a photo reduced at the decoder's limit a little soft.
    QImage scaled = resampled(picture, size, filter);
    if (scaled.isNull())
        throw Failure(QStringLiteral("No hay memoria para escalar la imagen a %1 x %2 píxeles")
                          .arg(size.width())
                          .arg(size.height()));
    return scaled;
}

void paintScaled(QImage& surface, const QImage& picture, const QRect& target,
                 const EmbeddedProfile& profile, ResamplingFilter filter) {
    if (target.isEmpty() || picture.isNull()) return;
    const QImage scaled = convertedToSrgb(scaledPicture(picture, target.size(), filter), profile);
    QPainter painter(&surface);
    painter.drawImage(target.topLeft(), scaled);
}

QImage drawnOnWhite(QSize size, const QImage& picture, const QRect& target,
                    const EmbeddedProfile& profile, ResamplingFilter filter) {
    size = size.expandedTo(QSize(1, 1));
    const QRect whole(QPoint(0, 0), size);
    if (picture.isNull() || picture.hasAlphaChannel() || !target.contains(whole)) {
        QImage surface = filledSurface(size, Qt::white);
        paintScaled(surface, picture, target, profile, filter);
        return surface;
    }
    // Nothing of the white would show: the opaque picture covers every pixel.
    checkDrawingSize(size);
    QImage scaled = convertedToSrgb(scaledPicture(picture, target.size(), filter), profile);
    if (target == whole && scaled.format() == QImage::Format_RGB32) return scaled;
    QImage surface = newSurface(size);
    QPainter painter(&surface);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(target.topLeft(), scaled);
    return surface;
}

QByteArray bmpFileBytes(const QImage& surface) {
    const QImage image = surface.format() == QImage::Format_RGB32
                             ? surface
                             : surface.convertToFormat(QImage::Format_RGB32);
    const qint64 width = image.width(), height = image.height();
    const qint64 stride = (width * 24 + 31) / 32 * 4;
    constexpr qint64 kHeaders = 14 + 40;
    QByteArray bytes(kHeaders + stride * height, Qt::Uninitialized);
    auto* out = reinterpret_cast<uchar*>(bytes.data());
    std::memset(out, 0, kHeaders);
    const auto put32 = [&](int at, qint64 value) { qToLittleEndian(quint32(value), out + at); };
    out[0] = 'B';
    out[1] = 'M';
    put32(2, bytes.size());
    put32(10, kHeaders);
    put32(14, 40);
    put32(18, width);
    put32(22, height);
    qToLittleEndian(quint16(1), out + 26);   // planes
    qToLittleEndian(quint16(24), out + 28);  // bits a pixel
    put32(34, stride * height);
    // What Qt's own writer puts there: the image's resolution, 72 dpi when it has none.
    put32(38, image.dotsPerMeterX() ? image.dotsPerMeterX() : 2834);
    put32(42, image.dotsPerMeterY() ? image.dotsPerMeterY() : 2834);
    for (qint64 y = 0; y < height; ++y) {
        const uchar* in = image.constScanLine(int(y));
        uchar* row = out + kHeaders + (height - 1 - y) * stride;  // the bottom row first
        // Blue, green and red are the first three bytes of each pixel in memory (QRgb on a
        // little-endian machine): four copied, the fourth overwritten by the next pixel's.
        qint64 x = 0;
        if constexpr (QSysInfo::ByteOrder == QSysInfo::LittleEndian)
            for (; x + 1 < width; ++x) std::memcpy(row + 3 * x, in + 4 * x, 4);
        const auto* pixels = reinterpret_cast<const QRgb*>(in);
        for (; x < width; ++x) {
            row[3 * x] = uchar(qBlue(pixels[x]));
            row[3 * x + 1] = uchar(qGreen(pixels[x]));
            row[3 * x + 2] = uchar(qRed(pixels[x]));
        }
        std::memset(row + 3 * width, 0, std::size_t(stride - 3 * width));
    }
    return bytes;
}

void writeBmp(const QImage& surface, QIODevice& device) {
    const QByteArray bytes = bmpFileBytes(surface);
    if (device.write(bytes) == bytes.size()) return;
    const QString why = writeFailure(device);
    const auto* file = qobject_cast<const QFileDevice*>(&device);
    if (!file || file->fileName().isEmpty()) throw Failure(why);
    const QString where = fileAndFolder(file->fileName());
    throw Failure(QStringLiteral("No se puede escribir %1: %2").arg(where, why),
                  QStringLiteral("no se puede escribir %1: %2").arg(where, why));
}

std::error_code saveBmp(const QImage& surface, const QString& path, const FileTime& time) {
    return writeFileWhole(
        path,
        [&](QIODevice& file) {
            const QByteArray bytes = bmpFileBytes(surface);
            return file.write(bytes) == bytes.size();
        },
        time);
}

}  // namespace toolkit
