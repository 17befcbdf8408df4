#include "picture_files.h"

#include <QBuffer>
#include <QFile>
#include <QImageWriter>

namespace {

void le16(QByteArray& out, int value) {
    out.append(char(value & 0xFF));
    out.append(char((value >> 8) & 0xFF));
}

int nearestIndex(QRgb pixel, const QList<QColor>& palette) {
    int best = 0, bestDistance = INT_MAX;
    for (int i = 0; i < palette.size(); ++i) {
        const int dr = qRed(pixel) - palette[i].red(), dg = qGreen(pixel) - palette[i].green(),
                  db = qBlue(pixel) - palette[i].blue();
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) best = i, bestDistance = distance;
    }
    return best;
}

const int kNaturalOrder[64] = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
                               12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
                               35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
                               58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

const int kLuminance[64] = {16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
                            14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
                            18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
                            49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
const int kChrominance[64] = {17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99,
                              24, 26, 56, 99, 99, 99, 99, 99, 47, 66, 99, 99, 99, 99, 99, 99,
                              99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
                              99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};

}  // namespace

QByteArray gifBytes(const QImage& picture, const QList<QColor>& palette, int transparent) {
    QByteArray out("GIF89a");
    le16(out, picture.width());
    le16(out, picture.height());
    out.append(char(0x91));  // a global table of 4 colours
    out.append(char(0));
    out.append(char(0));
    for (int i = 0; i < 4; ++i) {
        const QColor colour = i < palette.size() ? palette[i] : QColor(Qt::black);
        out.append(char(colour.red()));
        out.append(char(colour.green()));
        out.append(char(colour.blue()));
    }
    if (transparent >= 0) {
        out.append("\x21\xF9\x04\x01\x00\x00", 6);
        out.append(char(transparent));
        out.append(char(0));
    }
    out.append(char(0x2C));
    le16(out, 0);
    le16(out, 0);
    le16(out, picture.width());
    le16(out, picture.height());
    out.append(char(0));
    out.append(char(2));  // 2-bit pixels: clear code 4, end code 5, 3-bit codes

    // A clear code before every pixel keeps the code table from growing, so every code stays
    // three bits wide: large but valid LZW data.
    QByteArray data;
    quint32 bits = 0;
    int count = 0;
    const auto put = [&](int code) {
        bits |= quint32(code) << count;
        count += 3;
        while (count >= 8) {
            data.append(char(bits & 0xFF));
            bits >>= 8;
            count -= 8;
        }
    };
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x) {
            put(4);
            put(nearestIndex(rgb.pixel(x, y), palette));
        }
    put(5);
    if (count > 0) data.append(char(bits & 0xFF));
    for (qsizetype at = 0; at < data.size(); at += 255) {
        const QByteArray block = data.mid(at, 255);
        out.append(char(block.size()));
        out.append(block);
    }
    out.append(char(0));
    out.append(char(0x3B));
    return out;
}

QImage busyPicture(int width, int height) {
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.setPixel(x, y, qRgb((x * 7 + y * 13) % 256, (x * x + y) % 256, (x ^ y) % 256));
    return picture;
}

QByteArray jpegBytes(const QImage& picture, int quality) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "JPG", quality);
    return bytes;
}

QByteArray progressiveJpegBytes(const QImage& picture, int repeats) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setProgressiveScanWrite(true);
    writer.write(picture);
    // The last scan runs from its SOS marker to the end-of-image marker.
    const qsizetype lastScan = bytes.lastIndexOf(QByteArray("\xff\xda", 2));
    const qsizetype end = bytes.lastIndexOf(QByteArray("\xff\xd9", 2));
    if (lastScan < 0 || end < lastScan) return bytes;
    const QByteArray scan = bytes.mid(lastScan, end - lastScan);
    return bytes.left(end) + scan.repeated(repeats) + bytes.mid(end);
}

QByteArray bmpBytes(const QImage& picture) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "BMP");
    return bytes;
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) file.write(bytes);
}

QByteArray readBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QColor meanColour(const QImage& picture, const QRect& region) {
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    qint64 r = 0, g = 0, b = 0, n = 0;
    for (int y = region.top(); y <= region.bottom(); ++y)
        for (int x = region.left(); x <= region.right(); ++x) {
            const QRgb pixel = rgb.pixel(x, y);
            r += qRed(pixel);
            g += qGreen(pixel);
            b += qBlue(pixel);
            ++n;
        }
    if (n == 0) return {};
    return QColor(int(r / n), int(g / n), int(b / n));
}

bool near(const QColor& a, const QColor& b, int tolerance) {
    return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance &&
           qAbs(a.blue() - b.blue()) <= tolerance;
}

JpegMarkers jpegMarkers(const QByteArray& jpeg) {
    JpegMarkers markers;
    const auto byte = [&](qsizetype at) { return at < jpeg.size() ? uchar(jpeg[at]) : 0; };
    qsizetype at = 2;
    while (at + 4 <= jpeg.size() && byte(at) == 0xFF) {
        const uchar marker = byte(at + 1);
        const int length = byte(at + 2) << 8 | byte(at + 3);
        if (marker == 0xC0) markers.baseline = true;
        if (marker == 0xC2) markers.progressive = true;
        if (marker == 0xDB) {
            for (qsizetype t = at + 4; t < at + 2 + length;) {
                const int precision = byte(t) >> 4, number = byte(t) & 0x0F;
                std::array<int, 64> table{};
                for (int k = 0; k < 64; ++k)
                    table[kNaturalOrder[k]] = precision
                                                  ? byte(t + 1 + 2 * k) << 8 | byte(t + 2 + 2 * k)
                                                  : byte(t + 1 + k);
                markers.tables[number] = table;
                t += 1 + (precision ? 128 : 64);
            }
        }
        if (marker == 0xDA) break;  // the frame and its tables come before the first scan
        at += 2 + length;
    }
    return markers;
}

std::array<int, 64> libjpegQuantTable(int which, int quality) {
    const int scale = quality < 50 ? 5000 / quality : 200 - 2 * quality;
    std::array<int, 64> table{};
    for (int i = 0; i < 64; ++i)
        table[i] = qBound(1, ((which == 0 ? kLuminance : kChrominance)[i] * scale + 50) / 100, 255);
    return table;
}
