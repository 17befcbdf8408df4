#include "toolkit/pictures/formats/bmp_headers.h"
#include "toolkit/pictures/formats/gif_blocks.h"
#include "toolkit/pictures/formats/jpeg_segments.h"
#include "toolkit/pictures/picture_file.h"

namespace toolkit {

namespace {

// Junk between segments is passed over as decoders do, and so is the entropy-coded data. The
// picture is whole once its end marker comes after a scan; what follows (a second picture, a
// gain map) does not matter.
bool jpegIsWhole(const uchar* d, qint64 n) {
    if (n < 2 || d[0] != 0xFF || d[1] != 0xD8) return true;
    JpegSegments segments(d, n);
    JpegSegment segment;
    bool scanned = false;
    while (segments.next(segment)) scanned = scanned || segment.marker == 0xDA;
    return segments.stop() == JpegStop::EndOfImage && scanned;
}

// Walks the blocks up to the end of the first frame's data (the only frame used).
bool gifIsWhole(const uchar* d, qint64 n) {
    GifBlocks blocks(d, n);
    for (;;) {
        switch (blocks.next()) {
            case GifBlocks::Block::Extension:
                if (!blocks.skipSubBlocks()) return false;
                break;
            case GifBlocks::Block::Image:
                return blocks.skipSubBlocks();
            case GifBlocks::Block::Other:
                return true;  // the trailer, or something the decoder judges for itself
            case GifBlocks::Block::Cut:
                return false;
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
    if (!isBmp(d, n)) return true;
    if (n < 26) return false;
    const BmpHeader header = readBmpHeader(d, n);
    if (!header.sized) return true;
    const qint64 width = header.width, height = qAbs(header.height), bits = header.bits;
    if (width <= 0 || height == 0 || bits == 0) return true;
    switch (header.compression) {
        case 0:  // plain rows, each padded to 4 bytes; the very last padding may be left out
        case 3:  // bit fields
        case 6: {
            const qint64 rowBytes = (width * bits + 7) / 8;
            const qint64 stride = (width * bits + 31) / 32 * 4;
            // Divided rather than multiplied out: a header may claim sizes whose product
            // overflows.
            const qint64 beforeLastRow = n - header.rowsAt - rowBytes;
            return beforeLastRow >= 0 && height - 1 <= beforeLastRow / stride;
        }
        case 1:
            return bmpRunsAreWhole(d, n, header.rowsAt, height, false);
        case 2:
            return bmpRunsAreWhole(d, n, header.rowsAt, height, true);
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

}  // namespace toolkit
