#include "dijpg/dijpg.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QImageReader>
#include <QLibrary>
#include <QLibraryInfo>
#include <QTemporaryDir>
#include <QtEndian>
#include <thread>
#include <vector>

#include "support/picture_files.h"
#include "support/program_folder.h"
#include "toolkit/common/failure.h"
#include "toolkit/pictures/drawing.h"
#include "toolkit/system/jpeg_writer.h"

namespace {

// The writer library as the program finds it: a fresh copy in a program folder, so each test
// starts from a library that has been told nothing yet.
struct Writer {
    Writer() {
        folder.addWriterLibrary();
        library.setFileName(folder.file(toolkit::JpegWriter::libraryFileName()));
        if (!library.load()) return;
        setScratchPath = reinterpret_cast<DISetScratchPathFunction>(
            library.resolve(DIJPG_SET_SCRATCH_PATH_NAME));
        writeJpg = reinterpret_cast<DIWriteJpgFunction>(library.resolve(DIJPG_WRITE_JPG_NAME));
    }
    QByteArray path(const QString& name) const { return QFile::encodeName(out.filePath(name)); }

    ProgramFolder folder;
    QTemporaryDir out;
    QLibrary library;
    DISetScratchPathFunction setScratchPath = nullptr;
    DIWriteJpgFunction writeJpg = nullptr;
};

QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden);
}

// The JPEG at `path` shows quadrantPicture(441, 331).
void expectQuadrants(const QString& path) {
    QImage decoded;
    ASSERT_TRUE(QImageReader(path).read(&decoded));
    EXPECT_EQ(decoded.size(), QSize(441, 331));
    EXPECT_TRUE(near(meanColour(decoded, QRect(20, 20, 180, 120)), QColor(220, 30, 30), 6));
    EXPECT_TRUE(near(meanColour(decoded, QRect(240, 20, 180, 120)), QColor(30, 200, 30), 6));
    EXPECT_TRUE(near(meanColour(decoded, QRect(20, 190, 180, 120)), QColor(30, 30, 220), 6));
    EXPECT_TRUE(near(meanColour(decoded, QRect(240, 190, 180, 120)), QColor(230, 230, 40), 6));
}

}  // namespace

TEST(DIjpg, WritesAProgressiveQuality90JpegOfTheScratchPicture) {
    Writer writer;
    ASSERT_TRUE(writer.writeJpg && writer.setScratchPath)
        << qPrintable(writer.library.errorString());
    const QString scratch = writer.out.filePath(QStringLiteral("dibujo.bmp"));
    // The scratch picture as the program writes it, in one buffer: what Qt's writer would write.
    const QImage picture = quadrantPicture(441, 331).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(toolkit::bmpFileBytes(picture), bmpBytes(picture));
    writeBytes(scratch, toolkit::bmpFileBytes(picture));
    ASSERT_EQ(writer.setScratchPath(QFile::encodeName(scratch).constData()), DIJPG_OK);

    for (const int progressive : {1, 0}) {
        SCOPED_TRACE(progressive);
        const QString name = QStringLiteral("salida%1.jpg").arg(progressive);
        ASSERT_EQ(writer.writeJpg(writer.path(name).constData(), 90, progressive), DIJPG_OK);
        const QByteArray jpeg = readBytes(writer.out.filePath(name));
        const JpegMarkers markers = jpegMarkers(jpeg);
        EXPECT_EQ(markers.progressive, progressive == 1);
        EXPECT_EQ(markers.baseline, progressive == 0);
        ASSERT_EQ(markers.tables.size(), 2u);
        EXPECT_EQ(markers.tables.at(0), libjpegQuantTable(0, 90));
        EXPECT_EQ(markers.tables.at(1), libjpegQuantTable(1, 90));

        expectQuadrants(writer.out.filePath(name));
    }
    // Nothing but the outputs and the scratch picture: no temporary file stays behind.
    EXPECT_EQ(filesIn(writer.out.path()),
              (QStringList{"dibujo.bmp", "salida0.jpg", "salida1.jpg"}));

    // The other forms a scratch BMP may take: 8 bits a pixel with a palette, rows top-down.
    const qsizetype stride = (441 * 3 + 3) / 4 * 4;
    const QByteArray bottomUp = toolkit::bmpFileBytes(picture);
    QByteArray topDown = bottomUp.left(54);
    for (int y = 330; y >= 0; --y) topDown += bottomUp.mid(54 + y * stride, stride);
    qToLittleEndian(qint32(-331), topDown.data() + 22);
    QImage indexed = picture.convertToFormat(QImage::Format_Indexed8);
    QList<QRgb> palette = indexed.colorTable();
    palette.resize(20);  // more than 16 colours: Qt writes 8 bits a pixel, not 4
    indexed.setColorTable(palette);
    for (const QByteArray& form : {bmpBytes(indexed), topDown}) {
        writeBytes(scratch, form);
        ASSERT_EQ(writer.writeJpg(writer.path(QStringLiteral("otra.jpg")).constData(), 90, 1),
                  DIJPG_OK);
        expectQuadrants(writer.out.filePath(QStringLiteral("otra.jpg")));
    }

    // Fine detail at a size of whole and partial blocks: the progressive file, whole, decodes to
    // the very pixels of the baseline one; none of its coefficients is left coarser.
    writeBytes(scratch, toolkit::bmpFileBytes(busyPicture(203, 101)));
    QImage decoded[2];
    for (const int progressive : {1, 0}) {
        const QString name = QStringLiteral("detalle%1.jpg").arg(progressive);
        ASSERT_EQ(writer.writeJpg(writer.path(name).constData(), 90, progressive), DIJPG_OK);
        ASSERT_TRUE(QImageReader(writer.out.filePath(name)).read(&decoded[progressive]));
    }
    EXPECT_EQ(decoded[1].size(), QSize(203, 101));
    EXPECT_EQ(decoded[1], decoded[0]);
}

TEST(DIjpg, ReplacesAFileOnlyWithACompleteOne) {
    Writer writer;
    ASSERT_TRUE(writer.writeJpg) << qPrintable(writer.library.errorString());
    const QByteArray destination = writer.path(QStringLiteral("foto.jpg"));
    const QByteArray before("a picture written earlier");
    writeBytes(writer.out.filePath(QStringLiteral("foto.jpg")), before);

    // Not told where the picture is yet, then told a file that is not a picture.
    EXPECT_EQ(writer.writeJpg(destination.constData(), 90, 1), DIJPG_ERROR_NO_SCRATCH);
    const QString notAPicture = writer.out.filePath(QStringLiteral("texto.bmp"));
    writeBytes(notAPicture, "not a bitmap");
    ASSERT_EQ(writer.setScratchPath(QFile::encodeName(notAPicture).constData()), DIJPG_OK);
    EXPECT_EQ(writer.writeJpg(destination.constData(), 90, 1), DIJPG_ERROR_READ);
    EXPECT_EQ(readBytes(writer.out.filePath(QStringLiteral("foto.jpg"))), before);

    const QString scratch = writer.out.filePath(QStringLiteral("dibujo.bmp"));
    writeBytes(scratch, bmpBytes(quadrantPicture(40, 30)));
    ASSERT_EQ(writer.setScratchPath(QFile::encodeName(scratch).constData()), DIJPG_OK);
    EXPECT_EQ(writer.writeJpg(destination.constData(), 0, 1), DIJPG_ERROR_ARGUMENT);
    EXPECT_EQ(writer.writeJpg(destination.constData(), 101, 1), DIJPG_ERROR_ARGUMENT);
    EXPECT_EQ(writer.writeJpg(nullptr, 90, 1), DIJPG_ERROR_ARGUMENT);
    EXPECT_EQ(writer.setScratchPath(""), DIJPG_ERROR_ARGUMENT);
    EXPECT_EQ(writer.writeJpg(writer.path(QStringLiteral("no/existe/foto.jpg")).constData(), 90, 1),
              DIJPG_ERROR_WRITE);
    // A folder standing where the file should go cannot be replaced.
    QDir(writer.out.path()).mkpath(QStringLiteral("carpeta.jpg/dentro"));
    EXPECT_EQ(writer.writeJpg(writer.path(QStringLiteral("carpeta.jpg")).constData(), 90, 1),
              DIJPG_ERROR_REPLACE);
    EXPECT_EQ(readBytes(writer.out.filePath(QStringLiteral("foto.jpg"))), before);

    ASSERT_EQ(writer.writeJpg(destination.constData(), 90, 1), DIJPG_OK);
    QImage decoded;
    ASSERT_TRUE(QImageReader(writer.out.filePath(QStringLiteral("foto.jpg"))).read(&decoded));
    EXPECT_EQ(decoded.size(), QSize(40, 30));
    EXPECT_EQ(filesIn(writer.out.path()), (QStringList{"dibujo.bmp", "foto.jpg", "texto.bmp"}));

    // A folder and a name with accents and blanks, as users' are: the file there is replaced.
    const QString folder = writer.out.filePath(QStringLiteral("Fotos de Begoña"));
    QDir().mkdir(folder);
    const QString accented = folder + QStringLiteral("/año nuevo.jpg");
    writeBytes(accented, before);
    ASSERT_EQ(writer.writeJpg(QFile::encodeName(accented).constData(), 90, 1), DIJPG_OK);
    ASSERT_TRUE(QImageReader(accented).read(&decoded));
    EXPECT_EQ(decoded.size(), QSize(40, 30));
    EXPECT_EQ(filesIn(folder), QStringList{QStringLiteral("año nuevo.jpg")});
}

TEST(JpegWriter, SaysInSpanishWhatIsMissingOrWhyTheWriterFailed) {
    ProgramFolder folder;  // without the library
    toolkit::JpegWriter writer;
    try {
        writer.bind(folder.path());
        FAIL() << "bound a library that is not there";
    } catch (const toolkit::Failure& failure) {
        EXPECT_TRUE(failure.reason().contains(QStringLiteral("no se encuentra la biblioteca «%1»")
                                                  .arg(toolkit::JpegWriter::libraryFileName())))
            << failure.what();
    }
    EXPECT_FALSE(writer.isBound());

    // Some other library under the writer's name: found, but without the writer's functions.
    const QDir plugins(QLibraryInfo::path(QLibraryInfo::PluginsPath) +
                       QStringLiteral("/imageformats"));
    const QStringList other = plugins.entryList(QDir::Files);
    if (!other.isEmpty()) {
        QFile::copy(plugins.filePath(other.first()),
                    folder.file(toolkit::JpegWriter::libraryFileName()));
        try {
            writer.bind(folder.path());
            ADD_FAILURE() << "bound a library without the writer's functions";
        } catch (const toolkit::Failure& failure) {
            EXPECT_TRUE(failure.reason().contains(QStringLiteral("no tiene la función")))
                << failure.what();
        }
        EXPECT_FALSE(writer.isBound());
    }

    Writer real;
    toolkit::JpegWriter bound;
    bound.bind(real.folder.path());
    ASSERT_TRUE(bound.isBound());
    try {
        (void)bound.write(real.out.filePath(QStringLiteral("no-hay.bmp")),
                          real.out.filePath(QStringLiteral("foto.jpg")), 90, 1);
        FAIL() << "a JPEG the writer did not produce was taken for written";
    } catch (const toolkit::Failure& failure) {
        EXPECT_TRUE(failure.reason().contains(QStringLiteral("«foto.jpg»"))) << failure.what();
        EXPECT_TRUE(failure.reason().contains(QStringLiteral("no ha podido leer")))
            << failure.what();
    }
    EXPECT_FALSE(QFile::exists(real.out.filePath(QStringLiteral("foto.jpg"))));
}

TEST(DIjpg, WritesFromItsOwnScratchFileOnSeveralThreadsAtOnce) {
    Writer writer;
    const auto writeFrom =
        reinterpret_cast<DIWriteJpgFromFunction>(writer.library.resolve(DIJPG_WRITE_JPG_FROM_NAME));
    ASSERT_TRUE(writeFrom && writer.setScratchPath) << qPrintable(writer.library.errorString());
    // The path remembered for DIWriteJpg is neither used nor changed by the other call.
    const QString remembered = writer.out.filePath(QStringLiteral("recordado.bmp"));
    writeBytes(remembered, bmpBytes(quadrantPicture(16, 16)));
    ASSERT_EQ(writer.setScratchPath(QFile::encodeName(remembered).constData()), DIJPG_OK);

    // Each thread its own picture, of its own size, written again and again.
    constexpr int kThreads = 4;
    std::vector<std::thread> threads;
    std::vector<int> failures(kThreads, 0);
    for (int t = 0; t < kThreads; ++t) {
        const QString scratch = writer.out.filePath(QStringLiteral("dibujo%1.bmp").arg(t));
        writeBytes(scratch, bmpBytes(quadrantPicture(40 + 10 * t, 30)));
        threads.emplace_back([&, t, scratch = QFile::encodeName(scratch)] {
            const QByteArray destination = writer.path(QStringLiteral("salida%1.jpg").arg(t));
            for (int i = 0; i < 20; ++i)
                if (writeFrom(scratch.constData(), destination.constData(), 90, 1) != DIJPG_OK)
                    ++failures[t];
        });
    }
    for (std::thread& thread : threads) thread.join();
    for (int t = 0; t < kThreads; ++t) {
        SCOPED_TRACE(t);
        EXPECT_EQ(failures[t], 0);
        EXPECT_EQ(QImageReader(writer.out.filePath(QStringLiteral("salida%1.jpg").arg(t))).size(),
                  QSize(40 + 10 * t, 30));
    }
    EXPECT_EQ(writeFrom("", writer.path(QStringLiteral("x.jpg")).constData(), 90, 1),
              DIJPG_ERROR_ARGUMENT);
    ASSERT_EQ(writer.writeJpg(writer.path(QStringLiteral("recordado.jpg")).constData(), 90, 1),
              DIJPG_OK);
    EXPECT_EQ(QImageReader(writer.out.filePath(QStringLiteral("recordado.jpg"))).size(),
              QSize(16, 16));
}

// A date not in its form is refused before anything is written: no JPEG carries a garbled date,
// and the file already there stays as it was.
TEST(DIjpg, RefusesADateNotInItsFormAndLeavesTheDestinationAsItWas) {
    Writer writer;
    const auto writeDated = reinterpret_cast<DIWriteJpgDatedFunction>(
        writer.library.resolve(DIJPG_WRITE_JPG_DATED_NAME));
    ASSERT_TRUE(writeDated) << qPrintable(writer.library.errorString());
    const QByteArray scratch = writer.path(QStringLiteral("dibujo.bmp"));
    writeBytes(QFile::decodeName(scratch), bmpBytes(quadrantPicture(16, 16)));
    writeBytes(writer.out.filePath(QStringLiteral("foto.jpg")), "antes");
    const DIPhotoDate wrong[] = {{nullptr, "5", "+01:00"},
                                 {"2023:07:14 18:30", nullptr, nullptr},
                                 {"0000:00:00 00:00:00", nullptr, nullptr},
                                 {"2023:07:14 18:30:05", "12a", nullptr},
                                 {"2023:07:14 18:30:05", nullptr, "+0200"}};
    for (const DIPhotoDate& date : wrong) {
        SCOPED_TRACE(date.taken ? date.taken : "(null)");
        EXPECT_EQ(writeDated(scratch.constData(),
                             writer.path(QStringLiteral("foto.jpg")).constData(), 90, 1, &date),
                  DIJPG_ERROR_ARGUMENT);
    }
    EXPECT_EQ(readBytes(writer.out.filePath(QStringLiteral("foto.jpg"))), "antes");
    EXPECT_EQ(filesIn(writer.out.path()), (QStringList{"dibujo.bmp", "foto.jpg"}));
}
