#include "toolkit/pictures/picture_file.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QTransform>
#include <cstring>
#include <utility>

#include "toolkit/common/failure.h"
#include "toolkit/pictures/cmyk_jpeg.h"
#include "toolkit/pictures/color_profile.h"
#include "toolkit/pictures/formats/byte_order.h"
#include "toolkit/pictures/os2_bitmap.h"
#include "toolkit/pictures/scaled_jpeg.h"
#include "toolkit/system/file_errors.h"

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace toolkit {

namespace {

[[noreturn]] void refuse(const QString& path, const QString& reason) {
    throw Failure(QStringLiteral("No se puede leer la imagen «%1»: %2")
                      .arg(QFileInfo(path).fileName(), reason),
                  reason);
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
    // The reader's own text is English and names decoder internals: the kind of fault is what
    // the user can act on.
    return reason;
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

// Marker segments carry their length; entropy-coded data does not, but inside it a 0xFF byte is
// always followed by 0x00 or a restart marker, so the next real marker is found by scanning.
// Junk between segments is passed over as decoders do. The picture is whole once its end
// marker comes after a scan; what follows (a second picture, a gain map) does not matter.
bool jpegIsWhole(const uchar* d, qint64 n) {
    if (n < 2 || d[0] != 0xFF || d[1] != 0xD8) return true;
    qint64 i = 2;
    bool scanned = false;
    for (;;) {
        const void* ff = i < n ? std::memchr(d + i, 0xFF, size_t(n - i)) : nullptr;
        if (!ff) return false;
        i = static_cast<const uchar*>(ff) - d;
        while (i < n && d[i] == 0xFF) ++i;
        if (i >= n) return false;
        const uchar marker = d[i++];
        if (marker == 0x00 || marker == 0x01 || marker == 0xD8 ||
            (marker >= 0xD0 && marker <= 0xD7))
            continue;
        if (marker == 0xD9) return scanned;
        if (i + 2 > n) return false;
        const qint64 length = qint64(d[i]) << 8 | d[i + 1];
        if (length < 2 || i + length > n) return false;
        if (marker == 0xDA) scanned = true;
        i += length;
    }
}

// Whether the decoder must hold every coefficient of the picture at once: a progressive JPEG,
// or one whose first scan leaves out some of its colours. Unknown layouts count as such.
bool jpegKeepsWholeCoefficients(const uchar* d, qint64 n) {
    qint64 i = 2;
    int frameComponents = 0;
    bool progressive = false;
    while (i + 4 <= n) {
        if (d[i] != 0xFF) return true;
        const uchar marker = d[i + 1];
        if (marker == 0xFF) {
            ++i;
            continue;
        }
        const qint64 length = qint64(d[i + 2]) << 8 | d[i + 3];
        if (length < 2 || i + 2 + length > n) return true;
        const uchar* segment = d + i + 4;
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
            marker != 0xCC) {
            if (length < 8) return true;
            progressive = marker == 0xC2 || marker == 0xC6 || marker == 0xCA || marker == 0xCE;
            frameComponents = segment[5];
        } else if (marker == 0xDA) {
            return progressive || length < 3 || segment[0] < frameComponents;
        }
        i += 2 + length;
    }
    return true;
}

// Walks the blocks up to the end of the first frame's data (the only frame used).
bool gifIsWhole(const uchar* d, qint64 n) {
    if (n < 13) return false;
    qint64 i = 13;
    if (d[10] & 0x80) i += 3LL << ((d[10] & 7) + 1);
    const auto skipSubBlocks = [&] {
        for (;;) {
            if (i >= n) return false;
            const uchar size = d[i++];
            if (size == 0) return true;
            i += size;
        }
    };
    for (;;) {
        if (i >= n) return false;
        const uchar block = d[i++];
        if (block == 0x21) {  // extension: label, then sub-blocks
            if (++i > n || !skipSubBlocks()) return false;
        } else if (block == 0x2C) {  // image descriptor, local colours, code size, data
            if (i + 9 > n) return false;
            const uchar packed = d[i + 8];
            i += 9;
            if (packed & 0x80) i += 3LL << ((packed & 7) + 1);
            return ++i <= n && skipSubBlocks();
        } else {
            return true;  // the trailer, or something the decoder judges for itself
        }
    }
}

// Run-length data must reach its end code, or at least fill every row.
bool bmpRunsAreWhole(const uchar* d, qint64 n, qint64 at, qint64 rows, bool fourBit) {
    qint64 row = 0;
    while (at + 2 <= n) {
        const uchar count = d[at], value = d[at + 1];
        at += 2;
        if (count > 0) continue;
        if (value == 0) {
            ++row;
        } else if (value == 1) {
            return true;
        } else if (value == 2) {
            if (at + 2 > n) return false;
            row += d[at + 1];
            at += 2;
        } else {
            const qint64 bytes = fourBit ? (value + 1) / 2 : value;
            at += bytes + (bytes & 1);
        }
    }
    return row >= rows;
}

bool bmpIsWhole(const uchar* d, qint64 n) {
    if (n < 2 || d[0] != 'B' || d[1] != 'M') return true;
    if (n < 26) return false;
    const qint64 offset = le32(d + 10);
    const quint32 header = le32(d + 14);
    qint64 width, height;
    quint32 bits, compression;
    if (header == 12) {
        width = le16(d + 18);
        height = le16(d + 20);
        bits = le16(d + 24);
        compression = 0;
    } else if (header >= 40 && n >= 34) {
        width = qint32(le32(d + 18));
        height = qint32(le32(d + 22));
        bits = le16(d + 28);
        compression = le32(d + 30);
    } else {
        return true;
    }
    height = qAbs(height);
    if (width <= 0 || height == 0 || bits == 0) return true;
    switch (compression) {
        case 0:  // plain rows, each padded to 4 bytes; the very last padding may be left out
        case 3:  // bit fields
        case 6: {
            const qint64 rowBytes = (width * bits + 7) / 8;
            const qint64 stride = (width * bits + 31) / 32 * 4;
            // Divided rather than multiplied out: a header may claim sizes whose product
            // overflows.
            const qint64 beforeLastRow = n - offset - rowBytes;
            return beforeLastRow >= 0 && height - 1 <= beforeLastRow / stride;
        }
        case 1:
            return bmpRunsAreWhole(d, n, offset, height, false);
        case 2:
            return bmpRunsAreWhole(d, n, offset, height, true);
        default:
            return true;
    }
}

}  // namespace

QString pictureDamage(const QByteArray& format, const uchar* bytes, qint64 size) {
    const QString cut = QStringLiteral(
        "el archivo está cortado o dañado y solo se ha podido leer "
        "una parte de la imagen");
    if (format == "jpeg" || format == "jpg")
        return jpegIsWhole(bytes, size) ? QString() : cut + QStringLiteral(" (faltan datos JPG)");
    if (format == "gif")
        return gifIsWhole(bytes, size) ? QString() : cut + QStringLiteral(" (faltan datos GIF)");
    if (format == "bmp" || format == "dib")
        return bmpIsWhole(bytes, size) ? QString() : cut + QStringLiteral(" (faltan datos BMP)");
    return {};
}

namespace {

// Opens the file for reading, or refuses it with the reason. Only a regular file is read: a
// pipe or a device, even one that took the file's place after the list was made, must neither
// block the run nor feed it endless bytes.
void openPictureFile(const QString& path, QFile& file) {
    const QFileInfo info(path);
    if (!info.exists()) {
        // Names that are not valid text on this system reach us with replacement characters
        // in place of the bytes that are not, and under that name there is nothing to open.
        if (info.fileName().contains(QChar::ReplacementCharacter))
            refuse(path, QStringLiteral("el nombre del archivo tiene caracteres no válidos y no "
                                        "se puede abrir; cámbielo de nombre"));
        refuse(path, QStringLiteral("el archivo no existe"));
    }
    if (!info.isFile()) refuse(path, QStringLiteral("no es un archivo"));
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        refuse(path, readFailure(errno));
    }
    struct stat status;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        refuse(path, QStringLiteral("no es un archivo"));
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        refuse(path, QStringLiteral("error al leer el archivo"));
    }
#else
    if (!info.isReadable()) refuse(path, QStringLiteral("no hay permiso para leerlo"));
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly)) refuse(path, QStringLiteral("error al leer el archivo"));
#endif
    if (file.size() == 0) refuse(path, QStringLiteral("el archivo está vacío"));
}

bool withinWholeDecodeBounds(qint64 w, qint64 h) {
    return w <= kMaxPictureSide && h <= kMaxPictureSide && w * h <= kMaxPicturePixels;
}

// The size a header claims, refused when it is empty or beyond what the program reads.
QSize checkClaimedSize(const QString& path, QSize claimed) {
    const qint64 w = qAbs(qint64(claimed.width()));
    const qint64 h = qAbs(qint64(claimed.height()));
    if (w == 0 || h == 0) refuse(path, QStringLiteral("la cabecera indica un tamaño nulo"));
    if (!withinWholeDecodeBounds(w, h))
        refuse(path, QStringLiteral("la cabecera indica %1 x %2 píxeles, más de lo que se admite")
                         .arg(w)
                         .arg(h));
    return QSize(int(w), int(h));
}

// A JPEG's claimed size beyond what is decoded whole. A dimension bomb is told from a big photo
// by its data: entropy-coded data spends at least about a bit on every 8 x 8 block of the
// brightness, so a file smaller than that cannot hold the picture its header claims, and is
// refused before any decoding. A big photo is then read reduced, if it can be a few rows at a
// time.
void checkLargeJpeg(const QString& path, qint64 w, qint64 h, const uchar* data, qint64 size) {
    const auto tooLarge = [&](const QString& why) {
        refuse(path, QStringLiteral("la cabecera indica %1 x %2 píxeles, más de lo que se admite%3")
                         .arg(w)
                         .arg(h)
                         .arg(why));
    };
    if (w > kMaxJpegSide || h > kMaxJpegSide) tooLarge(QString());
    const qint64 blocks = ((w + 7) / 8) * ((h + 7) / 8);
    if (size < blocks / 8)
        tooLarge(QStringLiteral(" (el archivo es demasiado pequeño para contenerlos)"));
    if (!data || jpegKeepsWholeCoefficients(data, size))
        tooLarge(QStringLiteral(" (a este tamaño solo se leen los JPG no progresivos)"));
}

QSize upright(QSize stored, QImageIOHandler::Transformations transformation) {
    return transformation.testFlag(QImageIOHandler::TransformationRotate90) ? stored.transposed()
                                                                            : stored;
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

// A picture file opened for reading, its header read and checked: every refusal that can be
// made without decoding pixels is made here.
struct OpenedPicture {
    QFile file;
    QImageReader reader;
    PictureHeader header;
    // A JPEG beyond what is decoded whole: it is only ever decoded reduced.
    bool large = false;

    explicit OpenedPicture(const QString& path) {
        allowLargePhotos();
        openPictureFile(path, file);
        reader.setDevice(&file);
        reader.setDecideFormatFromContent(true);
        reader.setAutoTransform(true);
        header.format = reader.format();
        header.fileSize = file.size();
        if (header.format.isEmpty())
            refuse(path, QStringLiteral("no es una imagen JPG, GIF ni BMP"));

        // The header's size, before decoding. A top-down BMP reports a negative height. For a
        // GIF the reader tells the first frame's size, but takes memory for the whole logical
        // screen that the file's first bytes claim: both must be within bounds.
        const QSize claimed = reader.size();
        const QByteArray head = file.peek(10);
        if (header.format == "gif" && head.size() == 10 && head.startsWith("GIF")) {
            const auto* bytes = reinterpret_cast<const uchar*>(head.constData());
            checkClaimedSize(path, QSize(int(le16(bytes + 6)), int(le16(bytes + 8))));
        }
        if (claimed.width() != -1 || claimed.height() != -1) {
            const qint64 w = qAbs(qint64(claimed.width())), h = qAbs(qint64(claimed.height()));
            if (header.format == "jpeg" && w > 0 && h > 0 && !withinWholeDecodeBounds(w, h)) {
                const qint64 size = file.size();
                const uchar* mapped = file.map(0, size);
                checkLargeJpeg(path, w, h, mapped, size);
                if (mapped) file.unmap(const_cast<uchar*>(mapped));
                large = true;
            }
            const QSize whole = large ? QSize(int(w), int(h)) : checkClaimedSize(path, claimed);
            header.transformation = reader.transformation();
            header.naturalSize = upright(whole, header.transformation);
        }
    }

    // What the decoder could not see, from the file's bytes (the mapping, or when the file
    // could not be mapped a copy): whether the file holds its whole picture, and the colour
    // profile it carries. The reader reads the same file, so it is left where the reader was.
    template <typename Look>
    auto lookInto(const uchar* mapped, qint64 size, Look look) {
        if (mapped) return look(header.format, mapped, size);
        const qint64 readerAt = file.pos();
        const QByteArray bytes = file.seek(0) ? file.readAll() : QByteArray();
        file.seek(readerAt);
        return look(header.format, reinterpret_cast<const uchar*>(bytes.constData()),
                    qint64(bytes.size()));
    }
};

// `wanted`, or a stronger reduction where the decoded picture would still be larger than what
// is decoded whole.
JpegReduction fittingReduction(const QString& path, QSize stored, JpegReduction wanted) {
    const auto fits = [&](JpegReduction reduction) {
        const QSize decoded = reducedSize(stored, reduction);
        return withinWholeDecodeBounds(decoded.width(), decoded.height());
    };
    if (fits(wanted)) return wanted;
    for (const JpegReduction stronger : {JpegReduction{1, 2}, {1, 4}, {1, 8}})
        if (stronger.num * wanted.denom < wanted.num * stronger.denom && fits(stronger))
            return stronger;
    refuse(path, QStringLiteral("la imagen mide %1 x %2 píxeles, más de lo que se admite")
                     .arg(stored.width())
                     .arg(stored.height()));
}

}  // namespace

PictureHeader readPictureHeader(const QString& path) {
    return OpenedPicture(path).header;
}

PictureRead readPictureFile(const QString& path) {
    return readPictureFile(path, QSize());
}

PictureRead readPictureFile(const QString& path, QSize atLeast, Colours colours) {
    OpenedPicture opened(path);
    PictureRead read;
    read.naturalSize = opened.header.naturalSize;
    const qint64 size = opened.file.size();
    const uchar* mapped = opened.file.map(0, size);
    const EmbeddedProfile profile = opened.lookInto(mapped, size, embeddedProfile);

    if (mapped && opened.header.format == "jpeg" && read.naturalSize.isValid()) {
        const QImageIOHandler::Transformations turn = opened.header.transformation;
        const QSize stored = upright(read.naturalSize, turn);
        JpegReduction reduction = jpegReductionFor(stored, upright(atLeast, turn));
        if (opened.large) reduction = fittingReduction(path, stored, reduction);
        read.image = turnedUpright(decodeJpegReduced(mapped, size, reduction), turn);
        if (read.image.isNull())
            read.image = turnedUpright(decodeCmykJpeg(mapped, size, reduction, profile), turn);
    }
    if (read.image.isNull() && mapped && opened.header.format == "bmp")
        read.image = readOs2BitmapWithShortPalette(mapped, size);
    // A large JPEG is never decoded whole: what the reduced decoder refuses stays refused.
    if (read.image.isNull() && opened.large)
        refuse(path, QStringLiteral("los datos de la imagen están dañados o no se admiten"));
    if (read.image.isNull() && (!opened.reader.read(&read.image) || read.image.isNull()))
        refuse(path, readerReason(opened.reader));
    if (!read.naturalSize.isValid()) read.naturalSize = read.image.size();

    // Colours as the file means them, at the size decoded (no finer than the target needs).
    read.unconverted = profile;
    if (colours == Colours::Srgb)
        read.image = convertedToSrgb(std::move(read.image), std::exchange(read.unconverted, {}));
    // The decoder read what it could; the file's own structure says whether that was all.
    read.damage = opened.lookInto(mapped, size, pictureDamage);
    if (mapped) opened.file.unmap(const_cast<uchar*>(mapped));
    return read;
}

QImage loadPictureFile(const QString& path) {
    return readPictureFile(path).image;
}

QImage loadWholePictureFile(const QString& path) {
    PictureRead read = readPictureFile(path);
    if (!read.damage.isEmpty()) refuse(path, read.damage);
    return std::move(read.image);
}

}  // namespace toolkit
