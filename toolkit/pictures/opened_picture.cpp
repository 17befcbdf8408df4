#include "toolkit/pictures/opened_picture.h"

#include <QFileInfo>

#include "toolkit/common/failure.h"
#include "toolkit/pictures/formats/bmp_headers.h"
#include "toolkit/pictures/formats/byte_order.h"
#include "toolkit/pictures/formats/jpeg_segments.h"
#include "toolkit/pictures/memory_need.h"
#include "toolkit/pictures/os2_bitmap.h"
#include "toolkit/pictures/reduced_bmp.h"
#include "toolkit/system/file_errors.h"
#include "toolkit/system/os_calls.h"

namespace toolkit {

void refusePicture(const QString& path, const QString& reason) {
    throw Failure(QStringLiteral("No se puede leer la imagen «%1»: %2")
                      .arg(QFileInfo(path).fileName(), reason),
                  reason);
}

QString readerReason(const QImageReader& reader) {
    // The reader's own text is English and names decoder internals: the kind of fault is what
    // the user can act on.
    switch (reader.error()) {
        case QImageReader::FileNotFoundError:
            return QStringLiteral("el archivo no existe");
        case QImageReader::DeviceError:
            return QStringLiteral("error al leer el archivo");
        case QImageReader::UnsupportedFormatError:
            return QStringLiteral("formato no admitido");
        default:
            return QStringLiteral("los datos de la imagen están dañados o no se admiten");
    }
}

bool withinWholeDecodeBounds(qint64 w, qint64 h) {
    return w <= kMaxPictureSide && h <= kMaxPictureSide;
}

QSize upright(QSize stored, QImageIOHandler::Transformations transformation) {
    return transformation.testFlag(QImageIOHandler::TransformationRotate90) ? stored.transposed()
                                                                            : stored;
}

namespace {

void allowLargePhotos() {
    // Qt's default allocation limit (128 MB) refuses ordinary 40-megapixel photos. What a picture
    // may take is judged by the memory it needs against what the machine has (checkMemoryNeed),
    // before any reader is given it.
    static const bool done = [] {
        QImageReader::setAllocationLimit(0);
        return true;
    }();
    (void)done;
}

// Opens the file for reading, or refuses it with the reason. Only a regular file is read: a
// pipe or a device, even one that took the file's place after the list was made, must neither
// block the run nor feed it endless bytes.
void openPictureFile(const QString& path, QFile& file) {
    const QFileInfo info(path);
    if (!info.exists()) {
        // Names that are not valid text on this system reach us with replacement characters
        // in place of the bytes that are not, and under that name there is nothing to open.
        if (info.fileName().contains(QChar::ReplacementCharacter))
            refusePicture(path, QStringLiteral("el nombre del archivo tiene caracteres no "
                                               "válidos y no se puede abrir; cámbielo de nombre"));
        refusePicture(path, QStringLiteral("el archivo no existe"));
    }
    if (!info.isFile()) refusePicture(path, QStringLiteral("no es un archivo"));
    if (const QString why = openRegularFile(path, file); !why.isEmpty()) refusePicture(path, why);
    if (file.size() == 0) refusePicture(path, QStringLiteral("el archivo está vacío"));
}

// The size a header claims, refused when it is empty or beyond what the program reads.
QSize checkClaimedSize(const QString& path, QSize claimed) {
    const qint64 w = qAbs(qint64(claimed.width()));
    const qint64 h = qAbs(qint64(claimed.height()));
    if (w == 0 || h == 0) refusePicture(path, QStringLiteral("la cabecera indica un tamaño nulo"));
    if (!withinWholeDecodeBounds(w, h))
        refusePicture(path,
                      QStringLiteral("la cabecera indica %1 x %2 píxeles, más de lo que se admite")
                          .arg(w)
                          .arg(h));
    return QSize(int(w), int(h));
}

// A JPEG's claimed size. A dimension bomb is told from a big photo by its data: entropy-coded
// data spends at least a bit on every 8 x 8 block of every colour, so a file smaller than that
// cannot hold the picture its header claims, and is refused before any decoding (which would
// take the memory first). Small claims cost little and are left to the decoders.
void checkJpegClaim(const QString& path, qint64 w, qint64 h, const PictureHeader& header) {
    const auto tooLarge = [&](const QString& why) {
        refusePicture(
            path, QStringLiteral("la cabecera indica %1 x %2 píxeles, más de lo que se admite%3")
                      .arg(w)
                      .arg(h)
                      .arg(why));
    };
    if (w > kMaxJpegSide || h > kMaxJpegSide) tooLarge(QString());
    constexpr qint64 kSmallClaim = 64 * 1024;  // blocks: 4 megapixels of brightness
    const qint64 blocks = ((w + 7) / 8) * ((h + 7) / 8);
    // A progressive decoder's coefficients: 128 bytes for each block of each colour.
    const qint64 allBlocks = header.keepsAllCoefficients ? header.coefficientBytes / 128 : 0;
    if ((blocks >= kSmallClaim && header.fileSize < blocks / 8) ||
        (allBlocks >= kSmallClaim && header.fileSize < allBlocks / 8))
        tooLarge(QStringLiteral(" (el archivo es demasiado pequeño para contenerlos)"));
}

}  // namespace

namespace {

// The first bytes read for a header's checks; more where the header goes on past them.
constexpr qint64 kHeadBytes = 64 * 1024;

// Up to `want` bytes of the file from its start, appended to what `bytes` holds already. A
// file that grows meanwhile is read no further than `want`; one that shrinks ends short.
void readUpTo(QFile& file, QByteArray& bytes, qint64 want) {
    while (bytes.size() < want) {
        const QByteArray more = file.read(want - bytes.size());
        if (more.isEmpty()) return;
        bytes.append(more);
    }
}

}  // namespace

OpenedPicture::OpenedPicture(const QString& path, Reading reading) {
    allowLargePhotos();
    QFile file;
    openPictureFile(path, file);
    header.fileSize = file.size();
    // Its bytes are held whatever the picture: a file larger than the memory there is is
    // refused before it is read.
    if (reading == Reading::Whole) checkMemoryNeed(path, QSize(), header.fileSize);
    readUpTo(file, bytes,
             reading == Reading::Whole ? header.fileSize : std::min(header.fileSize, kHeadBytes));
    readLayout(file, reading);
    // A file cut short since it was opened is read as what it holds now.
    if (reading == Reading::Whole) header.fileSize = bytes.size();
    device.setBuffer(&bytes);
    device.open(QIODevice::ReadOnly);
    reader.setDevice(&device);
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(true);
    header.format = reader.format();
    if (header.format.isEmpty())
        refusePicture(path, QStringLiteral("no es una imagen JPG, GIF ni BMP"));
    readSize(path);
}

// A JPEG's frame, strictly as its segments are laid out; whether a BMP is read as an OS/2 bitmap
// with a short palette. From the file's head, read on as long as the header goes on past it.
void OpenedPicture::readLayout(QFile& file, Reading reading) {
    const bool jpeg = size() >= 2 && data()[0] == 0xFF && data()[1] == 0xD8;
    const bool bmp = size() >= 2 && data()[0] == 'B' && data()[1] == 'M';
    if (jpeg) {
        bool cut = false;
        JpegFrame frame = readJpegFrame(data(), size(), &cut);
        while (cut && reading == Reading::Head && size() < header.fileSize) {
            readUpTo(file, bytes, std::min(header.fileSize, 2 * size()));
            frame = readJpegFrame(data(), size(), &cut);
        }
        header.components = frame.components;
        header.keepsAllCoefficients = frame.keepsAllCoefficients;
        header.coefficientBytes = frame.coefficientBytes;
    } else if (bmp) {
        const qint64 rowsAt = readBmpHeader(data(), size()).rowsAt;
        if (rowsAt > size()) readUpTo(file, bytes, std::min(header.fileSize, rowsAt));
        header.os2ShortPalette = hasShortOs2Palette(data(), size());
        header.plainBmpRows = hasPlainBmpRows(readBmpHeader(data(), size()));
    }
}

// The header's size, before decoding. A top-down BMP reports a negative height. A GIF is
// decoded to the whole logical screen that the file's first bytes claim, whatever the size of
// its first frame (which the reader tells): the screen is the picture's size.
void OpenedPicture::readSize(const QString& path) {
    QSize claimed = reader.size();
    const QByteArray head = bytes.left(10);
    if (header.format == "gif" && head.size() == 10 && head.startsWith("GIF")) {
        const auto* bytes = reinterpret_cast<const uchar*>(head.constData());
        claimed = checkClaimedSize(path, QSize(int(le16(bytes + 6)), int(le16(bytes + 8))));
    }
    if (claimed.width() == -1 && claimed.height() == -1) return;
    const qint64 w = qAbs(qint64(claimed.width())), h = qAbs(qint64(claimed.height()));
    // A JPEG beyond what is decoded whole: it is only ever decoded reduced.
    const bool jpeg = header.format == "jpeg" && w > 0 && h > 0;
    if (jpeg) checkJpegClaim(path, w, h, header);
    const bool large = jpeg && !withinWholeDecodeBounds(w, h);
    const QSize whole = large ? QSize(int(w), int(h)) : checkClaimedSize(path, claimed);
    header.transformation = reader.transformation();
    header.naturalSize = upright(whole, header.transformation);
}

PictureHeader readPictureHeader(const QString& path) {
    return OpenedPicture(path, Reading::Head).header;
}

}  // namespace toolkit
