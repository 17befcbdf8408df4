#include "toolkit/pictures/os2_bitmap.h"

#include <QBuffer>
#include <QImageReader>
#include <optional>

namespace toolkit {

namespace {

constexpr qint64 kFileHeader = BmpHeader::kFileHeader;
constexpr qint64 kWindowsHeader = 40;
constexpr qint64 kOs2v2Header = 64;

struct ShortPalette {
    BmpHeader header;
    qint64 start = 0;  // of the palette
    qint64 entrySize = 0;
    qint64 colours = 0;
};

std::optional<ShortPalette> shortPalette(const uchar* d, qint64 n) {
    if (!d || n < kFileHeader + 16 || !isBmp(d, n)) return {};
    ShortPalette palette{readBmpHeader(d, n)};
    const BmpHeader& header = palette.header;
    if (header.headerSize == 12) {  // OS/2 1.x: 16-bit sizes, 3-byte colours, as many as fit
        palette.entrySize = 3;
    } else if (header.headerSize == kOs2v2Header && n >= kFileHeader + kOs2v2Header) {
        palette.entrySize = 4;  // OS/2 2.x: Windows' first 40 bytes
    } else {
        return {};
    }
    // Run lengths mean the same in both; OS/2's other compressions are not read at all.
    const quint32 bits = header.bits;
    if ((bits != 1 && bits != 4 && bits != 8) || header.compression > 2) return {};
    palette.start = kFileHeader + header.headerSize;
    if (header.rowsAt < palette.start || header.rowsAt > n) return {};
    const qint64 full = 1LL << bits;
    qint64 colours = std::min<qint64>((header.rowsAt - palette.start) / palette.entrySize, full);
    if (header.coloursUsed > 0) colours = std::min<qint64>(colours, header.coloursUsed);
    if (colours >= full || colours < 1) return {};
    palette.colours = colours;
    return palette;
}

}  // namespace

bool hasShortOs2Palette(const uchar* bytes, qint64 size) {
    return shortPalette(bytes, size).has_value();
}

QImage readOs2BitmapWithShortPalette(const uchar* d, qint64 n) {
    const std::optional<ShortPalette> palette = shortPalette(d, n);
    if (!palette) return {};
    const BmpHeader& header = palette->header;
    const qint64 offset = header.rowsAt, colours = palette->colours;

    QByteArray rewritten;
    rewritten.reserve(kFileHeader + kWindowsHeader + colours * 4 + (n - offset));
    const auto put16 = [&](quint32 v) { rewritten.append(char(v & 0xff)).append(char(v >> 8)); };
    const auto put32 = [&](quint32 v) {
        put16(v & 0xffff);
        put16(v >> 16);
    };
    const qint64 newOffset = kFileHeader + kWindowsHeader + colours * 4;
    rewritten.append("BM");
    put32(quint32(newOffset + (n - offset)));
    put32(0);
    put32(quint32(newOffset));
    for (const quint32 value :
         {quint32(kWindowsHeader), quint32(header.width), quint32(header.height)})
        put32(value);
    put16(1);
    put16(header.bits);
    for (const quint32 value : {header.compression, 0u, 0u, 0u, quint32(colours), 0u}) put32(value);
    for (qint64 i = 0; i < colours; ++i) {
        const uchar* entry = d + palette->start + i * palette->entrySize;
        rewritten.append(reinterpret_cast<const char*>(entry), 3).append('\0');
    }
    rewritten.append(reinterpret_cast<const char*>(d + offset), n - offset);

    QBuffer buffer(&rewritten);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "bmp");
    QImage picture;
    return reader.read(&picture) ? picture : QImage();
}

}  // namespace toolkit
