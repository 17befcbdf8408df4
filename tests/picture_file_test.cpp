#include "toolkit/pictures/picture_file.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QTemporaryDir>
#include <tuple>

#include "support/picture_files.h"
#include "support/program_folder.h"
#include "toolkit/common/failure.h"

using toolkit::Failure;
using toolkit::loadPictureFile;

namespace {

// The corpus's own table: which files load, and at what upright size.
struct Expected {
    const char* file;
    int width;
    int height;
};

const Expected kLoads[] = {
    {"good/hopper.jpg", 128, 128},
    {"good/xmp_test.jpg", 2000, 1072},
    {"good/test.colors.gif", 807, 606},
    {"good/vgl_6434_0018a.bmp", 119, 96},
    {"good/hopper.bmp", 128, 128},
    {"odd/pil_sample_cmyk.jpg", 100, 100},
    {"odd/hopper_gray.jpg", 128, 128},
    {"odd/testimgari.jpg", 227, 149},
    {"odd/orientation_rectangle.jpg", 1, 2},  // EXIF orientation 8: upright is 1 x 2
    {"odd/grayscale_long.jpg", 1, 1000},
    {"odd/chi.gif", 320, 240},
    {"odd/pal4rle.bmp", 127, 64},
    {"odd/pal8topdown.bmp", 127, 64},
    {"odd/pal8os2.bmp", 127, 64},
    {"odd/rgb16-565.bmp", 127, 64},
    {"odd/rgba32.bmp", 127, 64},
    {"odd/fotoJPG", 72, 54},
    {"odd/ultrahdr.jpg", 1512, 2688},
    {"odd/grande_8000x6000.jpg", 8000, 6000},
};

const char* const kRefused[] = {
    "bad/foo.jpg",
    "bad/bomba_60000x60000.jpg",
    "bad/decompression_bomb.gif",
    "bad/zero_width.gif",
    "bad/x.gif",
    "bad/missing-sof.jpg",
    "bad/null_height.jpg",
    "bad/monkey12.jpg",
    "bad/l2rgb_read.bmp",
    "bad/badpalettesize.bmp",
    "bad/pal2.bmp",
    "bad/no-data.gif",
};

}  // namespace

TEST(PictureFile, CorpusPicturesLoadUprightAtTheirSize) {
    const QString corpus = corpusDir();
    if (corpus.isEmpty()) GTEST_SKIP() << "no shared corpus in this checkout";
    for (const Expected& row : kLoads) {
        SCOPED_TRACE(row.file);
        const QImage image = loadPictureFile(QDir(corpus).filePath(QString::fromUtf8(row.file)));
        EXPECT_EQ(image.size(), QSize(row.width, row.height));
    }
}

TEST(PictureFile, EveryFileOfTheCorpusLoadsOrFailsWithAReason) {
    const QString corpus = corpusDir();
    if (corpus.isEmpty()) GTEST_SKIP() << "no shared corpus in this checkout";
    for (const char* folder : {"good", "odd", "bad"}) {
        const QDir dir(QDir(corpus).filePath(QString::fromLatin1(folder)));
        for (const QString& name : dir.entryList(QDir::Files)) {
            SCOPED_TRACE(name.toStdString());
            try {
                const QImage image = loadPictureFile(dir.filePath(name));
                EXPECT_FALSE(image.isNull());
                EXPECT_LE(qint64(image.width()) * image.height(), toolkit::kMaxPicturePixels);
            } catch (const Failure& failure) {
                EXPECT_TRUE(failure.message().contains(name)) << failure.what();
                EXPECT_NE(QString::fromLatin1(folder), QStringLiteral("good")) << failure.what();
            }
        }
    }
}

TEST(PictureFile, BadFilesAreRefusedWithAReason) {
    const QString corpus = corpusDir();
    if (corpus.isEmpty()) GTEST_SKIP() << "no shared corpus in this checkout";
    for (const char* file : kRefused) {
        SCOPED_TRACE(file);
        EXPECT_THROW(loadPictureFile(QDir(corpus).filePath(QString::fromUtf8(file))), Failure);
    }
}

TEST(PictureFile, DimensionBombIsRefusedFromItsHeader) {
    // A real 16 x 16 JPEG whose frame header claims 60000 x 60000.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(quadrantPicture(16, 16).save(&buffer, "JPG"));
    const qsizetype sof = bytes.indexOf(QByteArray("\xFF\xC0", 2));
    ASSERT_GT(sof, 0);
    for (int at : {5, 7}) {  // height, then width, big-endian
        bytes[sof + at] = char(0xEA);
        bytes[sof + at + 1] = char(0x60);
    }
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("bomba.jpg")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    try {
        loadPictureFile(file.fileName());
        FAIL() << "a 60000 x 60000 header was accepted";
    } catch (const Failure& failure) {
        EXPECT_TRUE(failure.message().contains(QStringLiteral("60000 x 60000"))) << failure.what();
    }
}

TEST(PictureFile, MissingAndEmptyFilesSayWhy) {
    QTemporaryDir dir;
    try {
        loadPictureFile(dir.filePath(QStringLiteral("no.jpg")));
        FAIL();
    } catch (const Failure& failure) {
        EXPECT_TRUE(failure.message().contains(QStringLiteral("no existe")));
    }
    QFile empty(dir.filePath(QStringLiteral("vacio.jpg")));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    try {
        loadPictureFile(empty.fileName());
        FAIL();
    } catch (const Failure& failure) {
        EXPECT_TRUE(failure.message().contains(QStringLiteral("vacío")));
    }
}

namespace {

QByteArray sharedProfile(const char* name) {
    const QString corpus = corpusDir();
    if (corpus.isEmpty()) return {};
    QFile file(QDir(corpus).filePath(QStringLiteral("../icc/") + QLatin1String(name)));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The JPEG with APP2 profile pieces inserted after its start marker: each piece is
// (sequence number, count, bytes).
QByteArray withProfilePieces(const QByteArray& jpeg,
                             const QList<std::tuple<int, int, QByteArray>>& pieces) {
    QByteArray segments;
    for (const auto& [index, count, data] : pieces) {
        const int length = 2 + 14 + int(data.size());
        segments += QByteArray("\xFF\xE2", 2) + char(length >> 8) + char(length & 0xFF) +
                    QByteArray("ICC_PROFILE\0", 12) + char(index) + char(count) + data;
    }
    return jpeg.left(2) + segments + jpeg.mid(2);
}

QImage readAsFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    const QString path = dir.filePath(name);
    writeBytes(path, bytes);
    return toolkit::readPictureFile(path).image.convertToFormat(QImage::Format_RGB32);
}

}  // namespace

// A usable profile changes the colours, however it is split; anything else leaves the picture
// as if it had none, without crashing or taking the memory a damaged profile claims.
TEST(PictureFile, EmbeddedProfilesConvertOnlyWhenWholeAndFittingThePicture) {
    const QByteArray p3 = sharedProfile("DisplayP3-v4.icc"), srgb = sharedProfile("sRGB-v4.icc");
    if (p3.isEmpty() || srgb.isEmpty()) GTEST_SKIP() << "no shared profiles in this checkout";
    QTemporaryDir dir;
    const QByteArray colour = jpegBytes(quadrantPicture(64, 48));
    QImage grey = quadrantPicture(64, 48).convertToFormat(QImage::Format_Grayscale8);
    const QByteArray greyJpeg = jpegBytes(grey);
    const QImage untagged = readAsFile(dir, QStringLiteral("plain.jpg"), colour);
    const QImage whole =
        readAsFile(dir, QStringLiteral("p3.jpg"), withProfilePieces(colour, {{1, 1, p3}}));
    // Display P3's red is redder than sRGB can show: taken as sRGB it loses its saturation.
    EXPECT_GT(qRed(whole.pixel(5, 5)) - qRed(untagged.pixel(5, 5)), 15);
    QByteArray claimsHuge = p3;
    claimsHuge[0] = char(0x7F);  // the header's own size: 2 GB

    const struct {
        const char* name;
        QByteArray source;
        QList<std::tuple<int, int, QByteArray>> pieces;
        bool converted;
    } rows[] = {
        {"three pieces out of order",
         colour,
         {{2, 3, p3.mid(100, 200)}, {3, 3, p3.mid(300)}, {1, 3, p3.left(100)}},
         true},
        {"a piece missing", colour, {{1, 3, p3.left(100)}, {3, 3, p3.mid(300)}}, false},
        {"a piece twice", colour, {{1, 2, p3.left(100)}, {1, 2, p3.left(100)}}, false},
        {"counts that differ", colour, {{1, 2, p3.left(100)}, {2, 3, p3.mid(100)}}, false},
        {"one of 255 pieces", colour, {{1, 255, p3}}, false},
        {"piece number 0", colour, {{0, 1, p3}}, false},
        {"cut short", colour, {{1, 1, p3.left(200)}}, false},
        {"not a profile", colour, {{1, 1, QByteArray(480, 'x')}}, false},
        {"claiming 2 GB", colour, {{1, 1, claimsHuge}}, true},
        {"sRGB itself", colour, {{1, 1, srgb}}, false},
        {"an RGB profile on a grey picture", greyJpeg, {{1, 1, p3}}, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QImage read = readAsFile(dir, QStringLiteral("tagged.jpg"),
                                       withProfilePieces(row.source, row.pieces));
        if (row.converted)
            EXPECT_EQ(read, whole);
        else
            EXPECT_EQ(read, row.source == colour
                                ? untagged
                                : readAsFile(dir, QStringLiteral("grey.jpg"), greyJpeg));
    }
}

namespace {

// An OS/2 1.x bitmap of the picture (its colours no more than the palette's) with a palette of
// just those colours, rows starting right after it.
QByteArray os2Bitmap(const QImage& picture, const QList<QRgb>& palette, int bits) {
    const int stride = (picture.width() * bits + 31) / 32 * 4;
    QByteArray rows;
    for (int y = picture.height() - 1; y >= 0; --y) {
        QByteArray row(stride, '\0');
        for (int x = 0; x < picture.width(); ++x) {
            const int index = int(palette.indexOf(picture.pixel(x, y) | 0xff000000));
            const int bit = x * bits;
            row[bit / 8] = char(uchar(row[bit / 8]) | index << (8 - bits - bit % 8));
        }
        rows += row;
    }
    QByteArray file("BM");
    const auto put = [&](quint32 value, int bytes) {
        for (int i = 0; i < bytes; ++i) file += char(value >> (8 * i) & 0xFF);
    };
    const int offset = 14 + 12 + 3 * int(palette.size());
    put(quint32(offset + rows.size()), 4);
    put(0, 4);
    put(quint32(offset), 4);
    for (const int value : {12, picture.width(), picture.height(), 1, bits})
        put(quint32(value), value == 12 ? 4 : 2);
    for (const QRgb colour : palette)
        file += char(qBlue(colour)) + QByteArray(1, char(qGreen(colour))) + char(qRed(colour));
    return file + rows;
}

}  // namespace

// The palette says how many colours it has by where the rows begin; rows read from anywhere else
// come out shifted sideways and wrapped.
TEST(PictureFile, Os2BitmapsWithShortPalettesReadFromWhereTheirRowsBegin) {
    const QImage picture = quadrantPicture(37, 21);
    const QList<QRgb> colours = {qRgb(220, 30, 30), qRgb(30, 200, 30), qRgb(30, 30, 220),
                                 qRgb(230, 230, 40), qRgb(0, 0, 0)};
    QTemporaryDir dir;
    for (const int bits : {4, 8}) {
        SCOPED_TRACE(bits);
        EXPECT_EQ(readAsFile(dir, QStringLiteral("os2.bmp"), os2Bitmap(picture, colours, bits)),
                  picture.convertToFormat(QImage::Format_RGB32));
    }
}
