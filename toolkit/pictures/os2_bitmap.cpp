#include "os2_bitmap.h"

#include <QBuffer>
#include <QImageReader>

#include "toolkit/pictures/formats/byte_order.h"

namespace toolkit {

namespace {

constexpr qint64 kFileHeader = 14;
constexpr qint64 kWindowsHeader = 40;

}  // namespace

QImage readOs2BitmapWithShortPalette(const uchar* d, qint64 n) {
    if (!d || n < kFileHeader + 16 || d[0] != 'B' || d[1] != 'M') return {};
    const qint64 offset = le32(d + 10);
    const quint32 header = le32(d + kFileHeader);
    const uchar* info = d + kFileHeader;
    qint32 width, height;
    quint32 bits, compression = 0, entrySize, claimed = 0;
    if (header == 12) {  // OS/2 1.x: 16-bit sizes, 3-byte colours, as many as fit before the rows
        width = qint32(le16(info + 4));
        height = qint32(le16(info + 6));
        bits = le16(info + 10);
        entrySize = 3;
    } else if (header == 64 && n >= kFileHeader + 64) {  // OS/2 2.x: Windows' first 40 bytes
        width = qint32(le32(info + 4));
        height = qint32(le32(info + 8));
        bits = le16(info + 14);
        compression = le32(info + 16);
        claimed = le32(info + 32);
        entrySize = 4;
    } else {
        return {};
    }
    // Run lengths mean the same in both; OS/2's other compressions are not read at all.
    if ((bits != 1 && bits != 4 && bits != 8) || compression > 2) return {};
    const qint64 paletteStart = kFileHeader + header;
    if (offset < paletteStart || offset > n) return {};
    const qint64 full = 1LL << bits;
    qint64 colours = std::min<qint64>((offset - paletteStart) / entrySize, full);
    if (claimed > 0) colours = std::min<qint64>(colours, claimed);
    if (colours >= full || colours < 1) return {};

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
    for (const quint32 value : {quint32(kWindowsHeader), quint32(width), quint32(height)})
        put32(value);
    put16(1);
    put16(bits);
    for (const quint32 value : {compression, 0u, 0u, 0u, quint32(colours), 0u}) put32(value);
    for (qint64 i = 0; i < colours; ++i) {
        const uchar* entry = d + paletteStart + i * entrySize;
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
