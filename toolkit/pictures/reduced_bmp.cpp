#include "toolkit/pictures/reduced_bmp.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "toolkit/pictures/formats/byte_order.h"

namespace toolkit {

namespace {

constexpr qint64 kPlainRowsFrom = 4'000'000;  // pixels

// One block row of the reduced picture: the sums of blue, green and red of each block.
class BlockRow {
  public:
    BlockRow(qint64 width, int factor)
        : factor_(factor), sums_(size_t((width + factor - 1) / factor) * 3, 0) {}

    // Adds one row of the picture, its pixels given as blue, green, red.
    template <class Pixel>
    void add(qint64 width, Pixel pixel) {
        quint64* sum = sums_.data();
        for (qint64 x = 0; x < width; sum += 3) {
            for (const qint64 end = std::min(width, x + factor_); x < end; ++x) {
                const uchar* bgr = pixel(x);
                sum[0] += bgr[0];
                sum[1] += bgr[1];
                sum[2] += bgr[2];
            }
        }
    }

    // Writes the blocks' means into `line` and starts over; `rows` rows were added.
    void flush(QRgb* line, qint64 width, qint64 rows) {
        const qint64 blocks = qint64(sums_.size() / 3);
        for (qint64 b = 0; b < blocks; ++b) {
            const qint64 count = rows * (std::min(width, (b + 1) * factor_) - b * factor_);
            quint64* sum = &sums_[size_t(b) * 3];
            const auto mean = [&](int c) { return int((sum[c] + quint64(count) / 2) / count); };
            line[b] = qRgb(mean(2), mean(1), mean(0));
            sum[0] = sum[1] = sum[2] = 0;
        }
    }

  private:
    qint64 factor_;
    std::vector<quint64> sums_;
};

struct Layout {
    qint64 width = 0, height = 0, stride = 0, rowsAt = 0;
    int bytesPerPixel = 0;
    bool bottomUp = true;
    std::vector<uchar> palette;  // blue, green, red of each index, 8-bit files only
};

bool readLayout(const uchar* d, qint64 n, Layout& layout) {
    const BmpHeader header = readBmpHeader(d, n);
    if (!hasPlainBmpRows(header)) return false;
    layout.width = header.width;
    layout.height = std::abs(header.height);
    layout.bottomUp = header.height > 0;
    layout.bytesPerPixel = int(header.bits / 8);
    layout.stride = (layout.width * header.bits + 31) / 32 * 4;
    layout.rowsAt = header.rowsAt;
    if (header.bits != 8) return true;
    const qint64 colours = header.coloursUsed == 0 ? 256 : header.coloursUsed;
    const qint64 at = BmpHeader::kFileHeader + header.headerSize;
    if (colours > 256 || at + colours * 4 > n) return false;
    for (qint64 i = 0; i < colours; ++i)
        layout.palette.insert(layout.palette.end(), d + at + i * 4, d + at + i * 4 + 3);
    return true;
}

// Whether every index of an 8-bit file's rows is in its palette.
bool indexesInPalette(const uchar* d, qint64 n, const Layout& layout) {
    const qint64 colours = qint64(layout.palette.size() / 3);
    if (layout.bytesPerPixel != 1 || colours == 256) return true;
    for (qint64 y = 0; y < layout.height; ++y) {
        const qint64 at = layout.rowsAt + y * layout.stride;
        const qint64 held = std::clamp<qint64>(n - at, 0, layout.width);
        for (qint64 x = 0; x < held; ++x)
            if (d[at + x] >= colours) return false;
    }
    return true;
}

}  // namespace

bool hasPlainBmpRows(const BmpHeader& header) {
    const bool plainBits =
        header.bits == 8 || header.bits == 24 || (header.bits == 32 && header.headerSize == 40);
    return header.sized && header.headerSize >= 40 && header.compression == 0 && plainBits &&
           header.width > 0 && header.height != 0 && header.rowsAt > 0 &&
           header.width * std::abs(header.height) >= kPlainRowsFrom;
}

QImage readBmpReduced(const uchar* d, qint64 n, int factor) {
    Layout layout;
    if (factor < 1 || !readLayout(d, n, layout) || !indexesInPalette(d, n, layout)) return {};
    const qint64 w = layout.width, h = layout.height;
    QImage reduced(int((w + factor - 1) / factor), int((h + factor - 1) / factor),
                   QImage::Format_RGB32);
    if (reduced.isNull()) return {};
    static const uchar kBlack[3] = {0, 0, 0};
    BlockRow blocks(w, factor);
    for (qint64 y = 0; y < h; ++y) {
        const qint64 stored = layout.bottomUp ? h - 1 - y : y;
        const qint64 at = layout.rowsAt + stored * layout.stride;
        const qint64 held = std::clamp<qint64>((n - at) / layout.bytesPerPixel, 0, w);
        const uchar* row = d + std::min(at, n);
        if (layout.bytesPerPixel == 1)
            blocks.add(w, [&](qint64 x) {
                return x < held ? &layout.palette[size_t(row[x]) * 3] : kBlack;
            });
        else
            blocks.add(
                w, [&](qint64 x) { return x < held ? row + x * layout.bytesPerPixel : kBlack; });
        const qint64 inBlock = y % factor + 1;
        if (inBlock == factor || y == h - 1)
            blocks.flush(reinterpret_cast<QRgb*>(reduced.scanLine(int(y / factor))), w, inBlock);
    }
    return reduced;
}

}  // namespace toolkit
