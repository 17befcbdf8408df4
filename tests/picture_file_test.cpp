#include "toolkit/picture_file.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QTemporaryDir>

#include "support/program_folder.h"
#include "toolkit/failure.h"

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
