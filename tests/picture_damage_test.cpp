#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QImageWriter>
#include <QTemporaryDir>

#include "support/picture_files.h"
#include "support/program_folder.h"
#include "toolkit/common/failure.h"
#include "toolkit/pictures/picture_file.h"

using toolkit::pictureDamage;

namespace {

QString damageOf(const QByteArray& format, const QByteArray& bytes) {
    return pictureDamage(format, reinterpret_cast<const uchar*>(bytes.constData()), bytes.size());
}

// An 8-bit run-length BMP, black and white: by default 4 x 2, each row one white run and an end
// of line.
QByteArray rleBmp(int width = 4, int height = 2,
                  const QByteArray& runs = QByteArray("\x04\x01\x00\x00\x04\x01\x00\x00\x00\x01",
                                                      10)) {
    QByteArray bytes("BM");
    const auto le = [&](quint32 value, int size) {
        for (int i = 0; i < size; ++i) bytes.append(char((value >> (8 * i)) & 0xFF));
    };
    le(62 + runs.size(), 4);
    le(0, 4);
    le(62, 4);
    le(40, 4);
    le(width, 4);
    le(height, 4);
    le(1, 2);
    le(8, 2);
    le(1, 4);  // run-length, 8 bits
    le(runs.size(), 4);
    le(0, 4);
    le(0, 4);
    le(2, 4);
    le(0, 4);
    bytes.append("\0\0\0\0\xFF\xFF\xFF\0", 8);
    bytes.append(runs);
    return bytes;
}

}  // namespace

TEST(PictureDamage, JpegCutBeforeItsEndIsDamagedButStillShows) {
    const QImage picture = busyPicture(256, 192);
    for (const QByteArray& whole : {jpegBytes(picture), progressiveJpegBytes(picture)}) {
        EXPECT_TRUE(damageOf("jpeg", whole).isEmpty());
        // Whatever follows the end marker (a second picture, padding) is not the picture's.
        EXPECT_TRUE(damageOf("jpeg", whole + QByteArray(100, '\x55')).isEmpty());
        EXPECT_FALSE(damageOf("jpeg", whole.left(whole.size() - 2)).isEmpty());
        EXPECT_FALSE(damageOf("jpeg", whole.left(whole.size() * 2 / 3)).isEmpty());

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("cortada.jpg"));
        writeBytes(path, whole.left(whole.size() * 2 / 3));
        const toolkit::PictureRead read = toolkit::readPictureFile(path);
        EXPECT_EQ(read.image.size(), QSize(256, 192));
        EXPECT_TRUE(read.damage.contains(QStringLiteral("cortado")));
        EXPECT_EQ(toolkit::loadPictureFile(path).size(), QSize(256, 192));
        try {
            toolkit::loadWholePictureFile(path);
            ADD_FAILURE() << "a cut JPEG was taken as whole";
        } catch (const toolkit::Failure& failure) {
            EXPECT_TRUE(failure.message().contains(QStringLiteral("cortada.jpg")));
            EXPECT_EQ(failure.reason(), read.damage);
        }
    }
}

// Decoders pass over junk, fill bytes and stray markers between segments; an end marker counts
// only after a scan.
TEST(PictureDamage, JpegJunkBetweenSegmentsIsPassedOverButAnEarlyEndIsNot) {
    const QByteArray whole = jpegBytes(quadrantPicture(16, 16));
    const QByteArray start = whole.left(2), rest = whole.mid(2);
    const struct {
        const char* name;
        QByteArray bytes;
        bool whole;
    } rows[] = {
        {"junk", start + "junk" + rest, true},
        {"fill bytes and a stuffed zero", start + QByteArray("\xFF\xFF\xFF\x00", 4) + rest, true},
        {"a restart marker", start + QByteArray("\xFF\xD0", 2) + rest, true},
        {"an end before the scan", start + QByteArray("\xFF\xD9", 2) + rest, false},
        {"a length below its own", start + QByteArray("\xFF\xE1\x00\x01", 4) + rest, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(damageOf("jpeg", row.bytes).isEmpty(), row.whole);
    }
}

TEST(PictureDamage, GifNeedsItsFirstFrameWholeButNotItsTrailer) {
    const QByteArray whole =
        gifBytes(quadrantPicture(8, 6), {Qt::red, Qt::green, Qt::blue, Qt::yellow});
    EXPECT_TRUE(damageOf("gif", whole).isEmpty());
    EXPECT_TRUE(damageOf("gif", whole.chopped(1)).isEmpty());   // no trailer
    EXPECT_FALSE(damageOf("gif", whole.chopped(2)).isEmpty());  // no end of the frame's data
    EXPECT_FALSE(damageOf("gif", whole.left(40)).isEmpty());
    EXPECT_FALSE(damageOf("gif", whole.left(10)).isEmpty());
    // A second frame cut short does not matter: only the first is used.
    const QByteArray secondFrameCut = whole.chopped(1) + whole.mid(13 + 12, 20);
    EXPECT_TRUE(damageOf("gif", secondFrameCut).isEmpty());
}

TEST(PictureDamage, BmpNeedsAllItsRows) {
    const QByteArray whole = bmpBytes(quadrantPicture(5, 4));  // 15 bytes a row, 1 of padding
    ASSERT_EQ(whole.size(), 54 + 16 * 4);
    EXPECT_TRUE(damageOf("bmp", whole).isEmpty());
    EXPECT_TRUE(damageOf("bmp", whole.chopped(1)).isEmpty());  // only the last padding missing
    EXPECT_FALSE(damageOf("bmp", whole.chopped(2)).isEmpty());
    EXPECT_FALSE(damageOf("bmp", whole.left(54 + 16)).isEmpty());

    const QByteArray runs = rleBmp();
    EXPECT_TRUE(damageOf("bmp", runs).isEmpty());
    EXPECT_TRUE(damageOf("bmp", runs.chopped(2)).isEmpty());  // every row there, no end code
    EXPECT_FALSE(damageOf("bmp", runs.chopped(6)).isEmpty());

    // Runs may end the picture early, as they may jump over pixels: those are the first colour,
    // never whatever the memory held before.
    const QByteArray early = rleBmp(256, 256, QByteArray("\x02\x01\x00\x01", 4));
    EXPECT_TRUE(damageOf("bmp", early).isEmpty());
    QTemporaryDir folder;
    writeBytes(folder.filePath(QStringLiteral("corta.bmp")), early);
    for (int round = 0; round < 5; ++round) {
        for (int i = 0; i < 16; ++i) QByteArray(256 * 256, '\x5A').detach();
        const QImage read =
            toolkit::loadWholePictureFile(folder.filePath(QStringLiteral("corta.bmp")))
                .convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(read.size(), QSize(256, 256));
        int white = 0, black = 0;
        for (int y = 0; y < read.height(); ++y)
            for (int x = 0; x < read.width(); ++x) {
                white += read.pixel(x, y) == qRgb(255, 255, 255);
                black += read.pixel(x, y) == qRgb(0, 0, 0);
            }
        EXPECT_EQ(white, 2) << round;
        EXPECT_EQ(black, 256 * 256 - 2) << round;
    }
}

TEST(PictureDamage, CorpusTruncatedFilesAreDamagedAndGoodOnesWhole) {
    const QString corpus = corpusDir();
    if (corpus.isEmpty()) GTEST_SKIP() << "no shared corpus in this checkout";
    const QDir root(corpus);
    for (const char* cut :
         {"bad/truncated_jpeg.jpg", "bad/hopper_truncado.gif", "bad/shortfile.bmp",
          // Its frame header is followed by no picture data at all.
          "odd/ultrahdr.jpg"}) {
        SCOPED_TRACE(cut);
        EXPECT_FALSE(
            toolkit::readPictureFile(root.filePath(QString::fromUtf8(cut))).damage.isEmpty());
    }
    for (const char* folder : {"good", "odd"}) {
        const QDir dir(root.filePath(QString::fromLatin1(folder)));
        for (const QString& name : dir.entryList(QDir::Files)) {
            if (name == QStringLiteral("ultrahdr.jpg")) continue;
            SCOPED_TRACE(name.toStdString());
            EXPECT_TRUE(toolkit::readPictureFile(dir.filePath(name)).damage.isEmpty());
        }
    }
}
