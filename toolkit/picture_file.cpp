#include "picture_file.h"

#include <QFileInfo>
#include <QImageReader>

#include "failure.h"

namespace toolkit {

namespace {

QString describe(const QString& path, const QString& reason) {
    return QStringLiteral("No se puede leer la imagen «%1»: %2")
        .arg(QFileInfo(path).fileName(), reason);
}

QString readerReason(const QImageReader& reader) {
    QString reason;
    switch (reader.error()) {
        case QImageReader::FileNotFoundError:
            reason = QStringLiteral("el archivo no existe");
            break;
        case QImageReader::DeviceError:
            reason = QStringLiteral("error al leer el archivo");
            break;
        case QImageReader::UnsupportedFormatError:
            reason = QStringLiteral("formato no admitido");
            break;
        default:
            reason = QStringLiteral("los datos de la imagen están dañados o no se admiten");
            break;
    }
    const QString detail = reader.errorString();
    return detail.isEmpty() ? reason : reason + QStringLiteral(" (") + detail + QLatin1Char(')');
}

void allowLargePhotos() {
    // Qt's default allocation limit (128 MB) refuses ordinary 40-megapixel photos. The header
    // check below is what keeps dimension bombs out; this limit only backs it up.
    static const bool done = [] {
        QImageReader::setAllocationLimit(int(kMaxPicturePixels * 4 / (1024 * 1024)) + 16);
        return true;
    }();
    (void)done;
}

}  // namespace

QImage loadPictureFile(const QString& path) {
    allowLargePhotos();
    const QFileInfo info(path);
    if (!info.exists()) throw Failure(describe(path, QStringLiteral("el archivo no existe")));
    if (!info.isFile()) throw Failure(describe(path, QStringLiteral("no es un archivo")));
    if (!info.isReadable())
        throw Failure(describe(path, QStringLiteral("no hay permiso para leerlo")));
    if (info.size() == 0) throw Failure(describe(path, QStringLiteral("el archivo está vacío")));

    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(true);
    const QByteArray format = reader.format();
    if (format.isEmpty())
        throw Failure(describe(path, QStringLiteral("no es una imagen JPG, GIF ni BMP")));

    // The header's size, before decoding. A top-down BMP reports a negative height.
    const QSize claimed = reader.size();
    if (claimed.width() != -1 || claimed.height() != -1) {
        const qint64 w = qAbs(qint64(claimed.width()));
        const qint64 h = qAbs(qint64(claimed.height()));
        if (w == 0 || h == 0)
            throw Failure(describe(path, QStringLiteral("la cabecera indica un tamaño nulo")));
        if (w > kMaxPictureSide || h > kMaxPictureSide || w * h > kMaxPicturePixels)
            throw Failure(describe(path, QStringLiteral("la cabecera indica %1 x %2 píxeles, "
                                                        "más de lo que se admite")
                                             .arg(w)
                                             .arg(h)));
    }

    QImage image;
    if (!reader.read(&image) || image.isNull()) throw Failure(describe(path, readerReason(reader)));
    return image;
}

}  // namespace toolkit
