#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QImageReader>
#include <QImageWriter>
#include <QTemporaryDir>
#include <vector>

#include "support/picture_files.h"
#include "support/program_folder.h"
#include "toolkit/common/failure.h"
#include "toolkit/pictures/decode_route.h"
#include "toolkit/pictures/drawing.h"
#include "toolkit/pictures/picture_file.h"
#include "toolkit/pictures/resampling.h"
#include "toolkit/pictures/scaled_jpeg.h"
#include "toolkit/system/available_memory.h"

using toolkit::JpegReduction;
using toolkit::jpegReductionFor;

namespace {

const QColor kRed(220, 30, 30), kGreen(30, 200, 30), kBlue(30, 30, 220), kYellow(230, 230, 40);

// The JPEG with an EXIF block saying how to turn it upright (1 as stored ... 8).
QByteArray withOrientation(const QByteArray& jpeg, int orientation) {
    QByteArray exif("Exif\0\0", 6);
    exif += QByteArray("MM\0\x2A\0\0\0\x08", 8);        // big-endian TIFF, IFD at 8
    exif += QByteArray("\0\x01", 2);                    // one entry:
    exif += QByteArray("\x01\x12\0\x03\0\0\0\x01", 8);  // orientation, SHORT, 1 value
    exif += char(0) + QByteArray(1, char(orientation)) + QByteArray(2, '\0');
    exif += QByteArray(4, '\0');  // no next IFD
    QByteArray segment("\xFF\xE1", 2);
    const int length = int(exif.size()) + 2;
    segment += char(length >> 8);
    segment += char(length & 0xFF);
    return jpeg.left(2) + segment + exif + jpeg.mid(2);
}

// The four quadrants' colours, clockwise from the top left.
std::array<QColor, 4> corners(const QImage& picture) {
    const int w = picture.width(), h = picture.height();
    const int qw = w / 4, qh = h / 4;
    return {meanColour(picture, QRect(qw / 2, qh / 2, qw, qh)),
            meanColour(picture, QRect(w - qw - qw / 2, qh / 2, qw, qh)),
            meanColour(picture, QRect(w - qw - qw / 2, h - qh - qh / 2, qw, qh)),
            meanColour(picture, QRect(qw / 2, h - qh - qh / 2, qw, qh))};
}

// A pixel as the picture holds it (premultiplied where it is), not as QImage::pixel gives it.
QRgb stored(const QImage& picture, int x, int y) {
    return reinterpret_cast<const QRgb*>(picture.constScanLine(y))[x];
}

}  // namespace

TEST(ScaledDecoding, ChoosesTheStrongestReductionThatStillCoversTheTarget) {
    const QSize photo(4000, 3000);
    // 1024 wide: 3/8 gives 1500 x 1125; 1/4 would give 1000, short of 1024.
    EXPECT_EQ(jpegReductionFor(photo, QSize(1024, 768)), (JpegReduction{3, 8}));
    EXPECT_EQ(jpegReductionFor(photo, QSize(1000, 750)), (JpegReduction{1, 4}));
    EXPECT_EQ(jpegReductionFor(photo, QSize(500, 375)), (JpegReduction{1, 8}));
    EXPECT_EQ(jpegReductionFor(photo, QSize(1, 1)), (JpegReduction{1, 8}));
    // Stretched out of proportion, the taller side decides.
    EXPECT_EQ(jpegReductionFor(photo, QSize(1024, 2000)), (JpegReduction{3, 4}));
    // Never enlarged, never below the target; no target means the whole picture.
    EXPECT_EQ(jpegReductionFor(photo, QSize(4000, 3000)), (JpegReduction{1, 1}));
    EXPECT_EQ(jpegReductionFor(photo, QSize(5000, 100)), (JpegReduction{1, 1}));
    EXPECT_EQ(jpegReductionFor(photo, QSize()), (JpegReduction{1, 1}));
    // The decoder rounds up: no edge pixel is lost.
    EXPECT_EQ(toolkit::reducedSize(QSize(4001, 9), JpegReduction{1, 8}), QSize(501, 2));
    EXPECT_EQ(toolkit::reducedSize(QSize(4001, 3001), JpegReduction{3, 8}), QSize(1501, 1126));
}

TEST(ScaledDecoding, AReducedJpegKeepsItsWholeNaturalSizeAndItsPicture) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("foto.jpg"));
    writeBytes(path, jpegBytes(quadrantPicture(800, 600)));

    const toolkit::PictureRead read = toolkit::readPictureFile(path, QSize(100, 75));
    EXPECT_EQ(read.naturalSize, QSize(800, 600));
    EXPECT_EQ(read.image.size(), QSize(100, 75));
    EXPECT_TRUE(read.damage.isEmpty());
    ASSERT_EQ(read.image.format(), QImage::Format_RGB32);
    EXPECT_EQ(qAlpha(read.image.pixel(0, 0)), 255);
    EXPECT_EQ(qAlpha(read.image.pixel(99, 74)), 255);
    const auto colours = corners(read.image);
    EXPECT_TRUE(near(colours[0], kRed, 8));
    EXPECT_TRUE(near(colours[1], kGreen, 8));
    EXPECT_TRUE(near(colours[2], kYellow, 8));
    EXPECT_TRUE(near(colours[3], kBlue, 8));

    // A file cut short is read by the ordinary reader, which says it is damaged.
    const QByteArray busy = jpegBytes(busyPicture(640, 480));
    const QString cut = folder.filePath(QStringLiteral("cortada.jpg"));
    writeBytes(cut, busy.left(busy.size() * 2 / 3));
    const toolkit::PictureRead damaged = toolkit::readPictureFile(cut, QSize(80, 60));
    EXPECT_FALSE(damaged.damage.isEmpty());
    EXPECT_EQ(damaged.naturalSize, QSize(640, 480));
}

// Where the reduced decoder gives up (here on a file cut short) and Qt's reader decodes the
// file whole, what that takes is asked of the run again, and judged against the machine again.
TEST(ScaledDecoding, WhereTheReducedDecoderGivesUpTheWholeDecodeIsWeighedAgain) {
    QTemporaryDir folder;
    const QByteArray busy = jpegBytes(busyPicture(640, 480));
    const QString good = folder.filePath(QStringLiteral("buena.jpg"));
    const QString cut = folder.filePath(QStringLiteral("cortada.jpg"));
    writeBytes(good, busy);
    writeBytes(cut, busy.left(busy.size() * 2 / 3));
    const QSize target(80, 60);
    const toolkit::DecodePlan plan = toolkit::planDecode(toolkit::readPictureHeader(cut), target);
    const qint64 goodNeed =
        toolkit::planDecode(toolkit::readPictureHeader(good), target).memoryBytes;
    std::vector<qint64> asked;
    bool give = true;
    toolkit::DecodeRun run;
    run.moreMemory = [&](qint64 extra) {
        asked.push_back(extra);
        return give;
    };
    const auto read = [&](const QString& path) {
        return toolkit::readPictureFile(path, target, toolkit::Colours::AsStored, run);
    };
    EXPECT_EQ(read(good).image.size(), target);
    EXPECT_TRUE(asked.empty());
    EXPECT_EQ(read(cut).image.size(), QSize(640, 480));
    EXPECT_EQ(asked, std::vector<qint64>{plan.wholeMemoryBytes - plan.memoryBytes});
    // The run was cancelled while the job waited for the memory.
    give = false;
    EXPECT_THROW(read(cut), toolkit::Cancelled);
    // The reduced decode fits beside what the job takes besides; the whole one does not.
    asked.clear();
    toolkit::setAvailableMemoryForTests(512LL * 1024 * 1024);
    run.besides = 256LL * 1024 * 1024 - goodNeed;
    EXPECT_EQ(read(good).image.size(), target);
    try {
        read(cut);
        ADD_FAILURE() << "decoded whole beyond the memory there is";
    } catch (const toolkit::Failure& failure) {
        EXPECT_TRUE(failure.reason().contains(QStringLiteral("mide 640 x 480 píxeles")))
            << failure.reason().toStdString();
    }
    toolkit::setAvailableMemoryForTests(-1);
    EXPECT_TRUE(asked.empty());
}

TEST(ScaledDecoding, EveryExifOrientationComesOutUprightAtAReducedScale) {
    QTemporaryDir folder;
    // Stored 160 x 80; the reader's own upright picture is what every reduction must show.
    const QByteArray stored = jpegBytes(quadrantPicture(160, 80));
    for (int orientation = 1; orientation <= 8; ++orientation) {
        SCOPED_TRACE(orientation);
        const QString path = folder.filePath(QStringLiteral("girada%1.jpg").arg(orientation));
        writeBytes(path, withOrientation(stored, orientation));
        QImageReader reader(path);
        reader.setAutoTransform(true);
        const QImage expected = reader.read();
        ASSERT_FALSE(expected.isNull());
        const QSize upright = expected.size();
        EXPECT_EQ(upright, orientation >= 5 ? QSize(80, 160) : QSize(160, 80));

        EXPECT_EQ(toolkit::readPictureHeader(path).naturalSize, upright);
        const toolkit::PictureRead read =
            toolkit::readPictureFile(path, upright.scaled(20, 20, Qt::KeepAspectRatio));
        EXPECT_EQ(read.naturalSize, upright);
        EXPECT_EQ(read.image.size(), upright / 8);
        const auto got = corners(read.image), want = corners(expected);
        for (int corner = 0; corner < 4; ++corner)
            EXPECT_TRUE(near(got[corner], want[corner], 10)) << "corner " << corner;
    }
}

TEST(ScaledDecoding, HeadersTellTheSizeThePicturesDecodeToAcrossTheCorpus) {
    const QString corpus = corpusDir();
    if (corpus.isEmpty()) GTEST_SKIP() << "no shared corpus in this checkout";
    int checked = 0;
    for (const char* kind : {"good", "odd"}) {
        const QDir dir(QDir(corpus).filePath(QString::fromLatin1(kind)));
        for (const QString& name : dir.entryList(QDir::Files)) {
            SCOPED_TRACE(name.toStdString());
            toolkit::PictureRead whole;
            try {
                whole = toolkit::readPictureFile(dir.filePath(name));
            } catch (const std::exception&) {
                continue;
            }
            const toolkit::PictureHeader header = toolkit::readPictureHeader(dir.filePath(name));
            if (header.naturalSize.isValid()) {
                EXPECT_EQ(header.naturalSize, whole.image.size());
            }
            EXPECT_EQ(whole.naturalSize, whole.image.size());
            const toolkit::PictureRead reduced = toolkit::readPictureFile(
                dir.filePath(name), whole.image.size().scaled(8, 8, Qt::KeepAspectRatio));
            EXPECT_EQ(reduced.naturalSize, whole.naturalSize);
            EXPECT_EQ(reduced.damage, whole.damage);
            ++checked;
        }
    }
    EXPECT_GT(checked, 10);
}

// A BMP of the picture stored top-down: its rows in reading order, its height negative.
QByteArray topDownBmpBytes(const QImage& picture) {
    QByteArray bytes = bmpBytes(picture.mirrored());
    const qint32 height = -picture.height();
    for (int i = 0; i < 4; ++i) bytes[22 + i] = char((quint32(height) >> (8 * i)) & 0xFF);
    return bytes;
}

// What the batch weighs a picture by must be what reading it takes: the route planned from the
// header is the one read, its memory is that of the route, and where Qt's reader may take over
// what that takes is known too (asked for again then).
TEST(ScaledDecoding, ThePlannedRouteIsTheOneTakenAndItsMemoryIsThatRoutes) {
    using toolkit::DecodeRoute;
    constexpr auto kSoft = toolkit::ResamplingFilter::Soft,
                   kSharp = toolkit::ResamplingFilter::Sharp;
    const QByteArray progressive = progressiveJpegBytes(quadrantPicture(800, 600));
    // GIFs whose logical screen is far larger, or smaller, than their one frame: the reader
    // decodes the screen.
    const QByteArray gif = gifBytes(quadrantPicture(8, 6), {kRed, kGreen, kBlue, kYellow});
    QByteArray screen = gif;
    screen.replace(6, 4, QByteArray("\xA0\x0F\xB8\x0B", 4));  // 4000 x 3000
    QByteArray small = gif;
    small.replace(6, 4, QByteArray("\x04\x00\x03\x00", 4));  // 4 x 3
    // Large BMPs of plain rows are averaged as they are read, by a whole factor: 2400 / 300.
    const QImage scan = quadrantPicture(2400, 1800);
    QImage indexed = scan.convertToFormat(QImage::Format_Indexed8);
    indexed.setColorCount(256);  // Qt writes 16 colours or fewer at 4 bits
    const struct {
        const char* name;
        QByteArray bytes;
        QSize atLeast;
        DecodeRoute route;
        QSize decoded;
        // The softer cubic only after a JPEG decoder's reduction to more than a quarter.
        toolkit::ResamplingFilter filter = kSharp;
    } rows[] = {
        {"foto.jpg", jpegBytes(quadrantPicture(800, 600)), QSize(100, 75), DecodeRoute::ReducedJpeg,
         QSize(100, 75)},
        {"progresiva.jpg", progressive, QSize(100, 75), DecodeRoute::ReducedJpeg, QSize(100, 75)},
        {"girada.jpg", withOrientation(jpegBytes(quadrantPicture(160, 80)), 6), QSize(10, 20),
         DecodeRoute::ReducedJpeg, QSize(10, 20)},
        {"panorama.jpg", jpegBytes(quadrantPicture(33000, 8)), QSize(),
         DecodeRoute::ReducedJpegOnly, QSize(16500, 4), kSoft},
        {"dibujo.gif", gif, QSize(2, 2), DecodeRoute::Whole, QSize(8, 6)},
        {"pantalla.gif", screen, QSize(2, 2), DecodeRoute::Whole, QSize(4000, 3000)},
        {"chica.gif", small, QSize(2, 2), DecodeRoute::Whole, QSize(4, 3)},
        {"escaneo.bmp", bmpBytes(scan), QSize(300, 200), DecodeRoute::ReducedBmp, QSize(300, 225)},
        {"invertido.bmp", topDownBmpBytes(scan), QSize(350, 200), DecodeRoute::ReducedBmp,
         QSize(400, 300)},
        {"paleta.bmp", bmpBytes(indexed), QSize(300, 200), DecodeRoute::ReducedBmp,
         QSize(300, 225)},
        // Not smaller by a whole factor, or too small to be worth it: Qt's reader, whole.
        {"casi.bmp", bmpBytes(scan), QSize(1300, 200), DecodeRoute::Whole, QSize(2400, 1800)},
        {"mapa.bmp", bmpBytes(quadrantPicture(800, 600)), QSize(100, 75), DecodeRoute::Whole,
         QSize(800, 600)},
        {"media.jpg", jpegBytes(quadrantPicture(800, 600)), QSize(300, 225),
         DecodeRoute::ReducedJpeg, QSize(300, 225), kSoft},
    };
    QTemporaryDir folder;
    std::vector<toolkit::DecodePlan> plans;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QString path = folder.filePath(QString::fromLatin1(row.name));
        writeBytes(path, row.bytes);
        const toolkit::DecodePlan plan =
            toolkit::planDecode(toolkit::readPictureHeader(path), row.atLeast);
        EXPECT_EQ(plan.route, row.route);
        EXPECT_EQ(plan.decodedSize, row.decoded);
        const toolkit::PictureRead picture = toolkit::readPictureFile(path, row.atLeast);
        const QImage& read = picture.image;
        EXPECT_EQ(read.size(), plan.decodedSize);
        EXPECT_EQ(picture.finalFilter, row.filter);
        // Averaged blocks of one colour keep it; top-down and palette files come out upright.
        if (row.route == DecodeRoute::ReducedBmp) {
            EXPECT_EQ(corners(read), corners(scan));
        }
        plans.push_back(plan);
    }
    const auto pixels = [](qint64 w, qint64 h) { return w * h * 4; };
    // A reduced decode takes the reduced pixels; Qt's reader, where it takes over, the whole.
    EXPECT_GE(plans[0].memoryBytes, pixels(100, 75));
    EXPECT_LT(plans[0].memoryBytes, pixels(800, 600));
    EXPECT_GE(plans[0].wholeMemoryBytes, pixels(800, 600));
    // A progressive decoder keeps every coefficient of the whole picture, however reduced.
    EXPECT_GE(plans[1].memoryBytes - plans[0].memoryBytes, 800 * 600 * 2);
    // A picture turned a quarter is copied while it turns.
    EXPECT_GE(plans[2].memoryBytes, 2 * pixels(10, 20));
    EXPECT_GE(plans[2].wholeMemoryBytes, 2 * pixels(160, 80));
    // A JPEG too large to be read whole never is.
    EXPECT_LT(plans[3].memoryBytes, pixels(33000, 8));
    EXPECT_EQ(plans[3].wholeMemoryBytes, 0);
    // A GIF or BMP read by Qt's reader is read into memory whole, then decoded whole; a
    // reduced BMP holds its bytes and the reduced picture only.
    EXPECT_EQ(plans[4].memoryBytes, rows[4].bytes.size() + pixels(8, 6));
    EXPECT_EQ(plans[5].memoryBytes, rows[5].bytes.size() + pixels(4000, 3000));
    EXPECT_EQ(plans[7].memoryBytes, rows[7].bytes.size() + pixels(300, 225));
    EXPECT_EQ(plans[7].wholeMemoryBytes, rows[7].bytes.size() + pixels(2400, 1800));
}

// A progressive file that repeats its scans is stopped at the scan limit by every decoder that
// may read it, with its reason; a decode under way stops once it is asked to.
TEST(ScaledDecoding, ScanBombsAreRefusedAndADecodeStopsWhenCancelled) {
    const QImage picture = busyPicture(640, 480);
    const QByteArray few = progressiveJpegBytes(picture, 20);
    const QByteArray bomb = progressiveJpegBytes(picture, 2 * toolkit::kMaxJpegScans);
    const auto data = [](const QByteArray& bytes) {
        return reinterpret_cast<const uchar*>(bytes.constData());
    };
    EXPECT_EQ(toolkit::decodeJpeg(data(bomb), bomb.size(), {1, 2}, false).end,
              toolkit::JpegDecodeEnd::TooManyScans);
    const std::atomic<bool> cancelled = true;
    EXPECT_EQ(toolkit::decodeJpeg(data(few), few.size(), {1, 2}, false, &cancelled).end,
              toolkit::JpegDecodeEnd::Cancelled);

    QTemporaryDir folder;
    const QString fewPath = folder.filePath(QStringLiteral("pocas.jpg"));
    const QString bombPath = folder.filePath(QStringLiteral("bomba.jpg"));
    writeBytes(fewPath, few);
    writeBytes(bombPath, bomb);
    EXPECT_EQ(toolkit::readPictureFile(fewPath).image.size(), picture.size());
    // Whatever decoder reads it: the reduced one, or Qt's reader whole.
    for (const QSize atLeast : {QSize(320, 240), QSize()}) {
        try {
            toolkit::readPictureFile(bombPath, atLeast);
            ADD_FAILURE() << "a scan bomb was read";
        } catch (const toolkit::Failure& failure) {
            EXPECT_TRUE(failure.reason().contains(QStringLiteral("pasadas")))
                << failure.reason().toStdString();
        }
    }
    EXPECT_THROW(
        toolkit::readPictureFile(fewPath, QSize(320, 240), toolkit::Colours::Srgb, &cancelled),
        toolkit::Cancelled);
}

// The final scaling on pictures whose right answer is known: each comes out at the size asked,
// opaque or premultiplied as it came in; a flat area stays exactly flat, and an edge rings by a
// few levels at most (the cubic's small lobes), both ways, shrunk or enlarged, with either filter.
TEST(ScaledDecoding, TheFinalScalingKeepsFlatAreasExactAndEdgesWithinTheirBounds) {
    using toolkit::ResamplingFilter;
    const ResamplingFilter filters[] = {ResamplingFilter::Soft, ResamplingFilter::Sharp};
    const auto filled = [](QSize size, QImage::Format format, QRgb colour) {
        QImage picture(size, format);
        picture.fill(colour);
        return picture;
    };
    QImage indexed(40, 30, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(12, 200, 99)});
    indexed.fill(0);
    const struct {
        QImage picture;
        QSize size;
        QRgb expected;  // every pixel, premultiplied where there is an alpha channel
    } flat[] = {
        {filled({300, 200}, QImage::Format_RGB32, qRgb(97, 140, 3)), {123, 77}, qRgb(97, 140, 3)},
        {filled({4000, 12}, QImage::Format_RGB32, qRgb(255, 0, 255)), {9, 3}, qRgb(255, 0, 255)},
        {filled({7, 5}, QImage::Format_RGB32, qRgb(1, 254, 128)), {64, 40}, qRgb(1, 254, 128)},
        {filled({1, 1}, QImage::Format_RGB32, qRgb(50, 60, 70)), {5, 3}, qRgb(50, 60, 70)},
        {filled({3000, 2}, QImage::Format_RGB32, qRgb(9, 9, 9)), {7, 1}, qRgb(9, 9, 9)},
        {filled({90, 60}, QImage::Format_Grayscale8, qRgb(77, 77, 77)), {31, 20}, qRgb(77, 77, 77)},
        {indexed, {17, 13}, qRgb(12, 200, 99)},
        {filled({80, 60}, QImage::Format_ARGB32, qRgba(200, 40, 10, 128)),
         {33, 25},
         qPremultiply(qRgba(200, 40, 10, 128))},
        {filled({80, 60}, QImage::Format_ARGB32, qRgba(200, 40, 10, 0)), {33, 90}, 0},
    };
    for (const auto filter : filters)
        for (const auto& c : flat) {
            SCOPED_TRACE(QStringLiteral("%1 x %2 (format %3) to %4 x %5, filter %6")
                             .arg(c.picture.width())
                             .arg(c.picture.height())
                             .arg(int(c.picture.format()))
                             .arg(c.size.width())
                             .arg(c.size.height())
                             .arg(int(filter))
                             .toStdString());
            const QImage scaled = toolkit::scaledPicture(c.picture, c.size, filter);
            ASSERT_EQ(scaled.size(), c.size);
            EXPECT_EQ(scaled.format(), c.picture.hasAlphaChannel()
                                           ? QImage::Format_ARGB32_Premultiplied
                                           : QImage::Format_RGB32);
            int wrong = 0;
            for (int y = 0; y < scaled.height(); ++y)
                for (int x = 0; x < scaled.width(); ++x)
                    wrong += stored(scaled, x, y) != c.expected;
            EXPECT_EQ(wrong, 0);
        }

    // A grey step from 64 to 192 across (then, turned, down) the middle of the picture. The
    // sharp cubic's lobes are deeper.
    constexpr int kLow = 64, kHigh = 192;
    for (const auto& [filter, ring] : {std::pair{ResamplingFilter::Soft, (kHigh - kLow) / 20},
                                       {ResamplingFilter::Sharp, (kHigh - kLow) / 12}})
        for (const auto& [length, scaledTo] : {std::pair{300, 100}, {300, 211}, {60, 250}}) {
            for (const bool across : {true, false}) {
                SCOPED_TRACE(QStringLiteral("%1 to %2 %3, filter %4")
                                 .arg(length)
                                 .arg(scaledTo)
                                 .arg(across ? "across" : "down")
                                 .arg(int(filter))
                                 .toStdString());
                QImage step(across ? QSize(length, 8) : QSize(8, length), QImage::Format_RGB32);
                step.fill(qRgb(kLow, kLow, kLow));
                for (int i = length / 2; i < length; ++i)
                    for (int j = 0; j < 8; ++j)
                        step.setPixel(across ? i : j, across ? j : i, qRgb(kHigh, kHigh, kHigh));
                const QImage scaled = toolkit::scaledPicture(
                    step, across ? QSize(scaledTo, 5) : QSize(5, scaledTo), filter);
                // Beyond the filter's reach on either side, the flat levels exactly.
                const int reach = 3 * std::max((length + scaledTo - 1) / scaledTo,
                                               (scaledTo + length - 1) / length) +
                                  1;
                for (int i = 0; i < scaledTo; ++i) {
                    const int level = qGreen(scaled.pixel(across ? i : 2, across ? 2 : i));
                    EXPECT_GE(level, kLow - ring) << i;
                    EXPECT_LE(level, kHigh + ring) << i;
                    if (i < scaledTo / 2 - reach) {
                        EXPECT_EQ(level, kLow) << i;
                    } else if (i >= scaledTo / 2 + reach) {
                        EXPECT_EQ(level, kHigh) << i;
                    }
                }
            }
        }

    // Transparent red beside opaque blue: the red, unseen, lends no colour, and no colour is
    // brighter than its pixel's alpha.
    QImage half = filled({120, 40}, QImage::Format_ARGB32, qRgba(255, 0, 0, 0));
    for (int y = 0; y < 40; ++y)
        for (int x = 60; x < 120; ++x) half.setPixel(x, y, qRgba(0, 0, 255, 255));
    for (const auto filter : filters) {
        const QImage scaled = toolkit::scaledPicture(half, {37, 13}, filter);
        for (int y = 0; y < scaled.height(); ++y)
            for (int x = 0; x < scaled.width(); ++x) {
                const QRgb pixel = stored(scaled, x, y);
                EXPECT_EQ(qRed(pixel) + qGreen(pixel), 0) << x << "," << y;
                EXPECT_LE(qBlue(pixel), qAlpha(pixel)) << x << "," << y;
            }
    }

    // The widest vector code, the 128-bit one and the plain one give the very same pixels:
    // shrunk (up to past the unrolled reductions) and enlarged, widths that leave values over,
    // sources narrower or shorter than the filter's taps, with and without alpha.
    QImage translucent = busyPicture(333, 251).convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < translucent.height(); ++y)
        for (int x = 0; x < translucent.width(); ++x)
            translucent.setPixel(x, y,
                                 (translucent.pixel(x, y) & 0xFFFFFF) | uint(x * y % 256) << 24);
    for (const auto filter : filters)
        for (const QImage& source : {busyPicture(333, 251), translucent, busyPicture(5, 4)})
            for (const QSize size : {QSize(129, 97), QSize(37, 250), QSize(333, 19),
                                     QSize(500, 400), QSize(31, 3), QSize(11, 8), QSize(2, 2)}) {
                const QImage plain =
                    toolkit::resampled(source, size, filter, toolkit::ResamplingCode::Plain);
                for (const auto code :
                     {toolkit::ResamplingCode::Vector128, toolkit::ResamplingCode::Widest})
                    EXPECT_EQ(toolkit::resampled(source, size, filter, code), plain)
                        << source.width() << "x" << source.height() << " to " << size.width() << "x"
                        << size.height() << ", code " << int(code);
            }

    // A surface drawn without its white fill, where nothing of it would show, holds the very
    // pixels of one painted over white: the picture covering it exactly or beyond its edges,
    // and (filled) leaving some of it uncovered or letting it show through.
    const QImage photo = busyPicture(150, 100);
    for (const auto& [picture, target] : {std::pair{photo, QRect(0, 0, 61, 40)},
                                          {photo, QRect(-3, -2, 70, 47)},
                                          {photo, QRect(5, 4, 50, 30)},
                                          {half, QRect(0, 0, 61, 40)}}) {
        QImage painted = toolkit::filledSurface({61, 40}, Qt::white);
        toolkit::paintScaled(painted, picture, target);
        EXPECT_EQ(toolkit::drawnOnWhite({61, 40}, picture, target), painted)
            << target.x() << "," << target.y() << " " << target.width() << "x" << target.height();
    }
}
