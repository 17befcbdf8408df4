// The two places where outside bytes meet our code, held to their limits: the writer library
// reading its scratch BMP, and the loader reading a picture file. The inputs fuzzing found
// (tests/fuzz_cases/, see scripts/fuzz) are replayed here through the normal code.
#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QLibrary>
#include <QProcess>
#include <QTemporaryDir>
#include <atomic>
#include <cstdio>
#include <thread>
// jpeglib.h wants FILE and size_t declared before it.
#include <jpeglib.h>

#include "convert/batch/outputs.h"
#include "convert/batch/picture_job.h"
#include "dijpg/dijpg.h"
#include "support/fake_system.h"
#include "support/picture_files.h"
#include "support/program_folder.h"
#include "support/qt_printers.h"
#include "toolkit/common/failure.h"
#include "toolkit/pictures/exif_date.h"
#include "toolkit/pictures/memory_need.h"
#include "toolkit/pictures/picture_file.h"
#include "toolkit/system/available_memory.h"
#include "toolkit/pictures/scaled_jpeg.h"
#include "toolkit/system/jpeg_writer.h"

// Makes the next JPEG decoder fail as it is made, as one of another library version would; every
// other is made by the library itself.
namespace {
std::atomic<bool> failNextDecoderMaking{false};
}  // namespace

extern "C" void jpeg_CreateDecompress(j_decompress_ptr info, int version, size_t size) {
    static const auto real = reinterpret_cast<void (*)(j_decompress_ptr, int, size_t)>(
        ::dlsym(RTLD_NEXT, "jpeg_CreateDecompress"));
    if (failNextDecoderMaking.exchange(false))
        info->err->error_exit(reinterpret_cast<j_common_ptr>(info));
    real(info, version, size);
}

namespace {

QString casesOf(const char* target) {
    return QStringLiteral(VELARIA_SOURCE_DIR "/tests/fuzz_cases/") + QString::fromLatin1(target);
}

// The writer library as the program binds it, from a program folder of its own.
struct Writer {
    Writer() {
        folder.addWriterLibrary();
        library.setFileName(folder.file(toolkit::JpegWriter::libraryFileName()));
        if (!library.load()) return;
        setScratchPath = reinterpret_cast<DISetScratchPathFunction>(
            library.resolve(DIJPG_SET_SCRATCH_PATH_NAME));
        writeJpg = reinterpret_cast<DIWriteJpgFunction>(library.resolve(DIJPG_WRITE_JPG_NAME));
    }
    // Encodes the BMP bytes as out.jpg; the writer's result.
    std::int32_t write(const QByteArray& bmp, const QString& name = QStringLiteral("out.jpg")) {
        const QString scratch = out.filePath(QStringLiteral("scratch.bmp"));
        writeBytes(scratch, bmp);
        if (setScratchPath(QFile::encodeName(scratch).constData()) != DIJPG_OK) return -1;
        return writeJpg(QFile::encodeName(out.filePath(name)).constData(), 90, 1);
    }
    QStringList files() const { return QDir(out.path()).entryList(QDir::Files | QDir::Hidden); }

    ProgramFolder folder;
    QTemporaryDir out;
    QLibrary library;
    DISetScratchPathFunction setScratchPath = nullptr;
    DIWriteJpgFunction writeJpg = nullptr;
};

// A 24-bit BMP header claiming width x height, followed by `pixelBytes` bytes of pixels.
QByteArray bmpClaiming(qint32 width, qint32 height, int pixelBytes) {
    QByteArray bmp = bmpBytes(quadrantPicture(4, 4)).left(54);
    const auto put = [&](int at, qint32 value) {
        for (int i = 0; i < 4; ++i) bmp[at + i] = char((quint32(value) >> (8 * i)) & 0xFF);
    };
    put(18, width);
    put(22, height);
    return bmp + QByteArray(pixelBytes, '\x80');
}

}  // namespace

TEST(WriterLimits, AScratchHeaderClaimingMoreThanTheFileOrAJpegHoldsIsRefusedUpFront) {
    Writer writer;
    ASSERT_TRUE(writer.writeJpg) << writer.library.errorString().toStdString();
    // The reader takes memory for every row a header claims before it reads one: 127 x 16
    // million rows in a 5 KB file (what fuzzing found) would have taken 6 GB.
    EXPECT_EQ(writer.write(bmpClaiming(127, 16777248, 5000)), DIJPG_ERROR_TOO_LARGE);
    EXPECT_EQ(writer.write(bmpClaiming(6000, 6000, 5000)), DIJPG_ERROR_READ);
    EXPECT_EQ(writer.write(bmpClaiming(100, 30, 100 * 3 * 29)), DIJPG_ERROR_READ);
    EXPECT_EQ(writer.write(bmpClaiming(60000, 60000, 5000)), DIJPG_ERROR_TOO_LARGE);
    // Wider than a JPEG may be, though every row is there.
    EXPECT_EQ(writer.write(bmpClaiming(70000, 2, 70000 * 3 * 2)), DIJPG_ERROR_TOO_LARGE);
    EXPECT_EQ(writer.write(bmpClaiming(100, 30, 100 * 3 * 30)), DIJPG_OK);
    EXPECT_EQ(writer.files(), (QStringList{"out.jpg", "scratch.bmp"}));

    toolkit::JpegWriter bound;
    bound.bind(writer.folder.path());
    writeBytes(writer.out.filePath(QStringLiteral("bomba.bmp")), bmpClaiming(60000, 60000, 64));
    try {
        (void)bound.write(writer.out.filePath(QStringLiteral("bomba.bmp")),
                          writer.out.filePath(QStringLiteral("bomba.jpg")), 90, 1);
        FAIL() << "a 60000 x 60000 scratch picture was written";
    } catch (const toolkit::Failure& failure) {
        EXPECT_TRUE(failure.reason().contains(QStringLiteral("demasiado grande para un JPG")))
            << failure.what();
    }
}

TEST(WriterLimits, ANameAsLongAsTheSystemAllowsStillGetsItsJpeg) {
    Writer writer;
    ASSERT_TRUE(writer.writeJpg);
    const QString longest = QString(251, QLatin1Char('x')) + QStringLiteral(".jpg");
    EXPECT_EQ(writer.write(bmpBytes(quadrantPicture(40, 30)), longest), DIJPG_OK);
    EXPECT_EQ(writer.files(), (QStringList{"scratch.bmp", longest}));
}

TEST(WriterLimits, AWriteThatStopsShortLeavesTheEarlierFileAndNoTemporaryOne) {
    Writer writer;
    ASSERT_TRUE(writer.writeJpg);
    const QString scratch = writer.out.filePath(QStringLiteral("scratch.bmp"));
    writeBytes(scratch, bmpBytes(busyPicture(400, 300)));
    ASSERT_EQ(writer.setScratchPath(QFile::encodeName(scratch).constData()), DIJPG_OK);
    const QByteArray earlier("an earlier picture");
    writeBytes(writer.out.filePath(QStringLiteral("foto.jpg")), earlier);

    // As on a full disk: writes past 16 KB fail (the noise compresses to far more).
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    const auto previous = ::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved;
    limit.rlim_cur = 16 * 1024;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    const std::int32_t result = writer.writeJpg(
        QFile::encodeName(writer.out.filePath(QStringLiteral("foto.jpg"))).constData(), 90, 1);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::signal(SIGXFSZ, previous);

    EXPECT_EQ(result, DIJPG_ERROR_WRITE);
    EXPECT_EQ(readBytes(writer.out.filePath(QStringLiteral("foto.jpg"))), earlier);
    EXPECT_EQ(writer.files(), (QStringList{"foto.jpg", "scratch.bmp"}));
}

TEST(LoaderLimits, APipeInPlaceOfAPictureIsRefusedWithoutWaiting) {
    QTemporaryDir folder;
    const QString pipe = folder.filePath(QStringLiteral("tubo.jpg"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    std::atomic<bool> done{false}, fired{false};
    // Should the loader block on the pipe, this lets it go after a while and the test fails.
    std::thread watchdog([&] {
        for (int i = 0; i < 200 && !done; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (done) return;
        const int fd = ::open(QFile::encodeName(pipe).constData(), O_WRONLY | O_NONBLOCK);
        fired = fd >= 0;
        if (fd >= 0) ::close(fd);
    });
    const auto refused = [](const QString& reason) {
        EXPECT_TRUE(reason.contains(QStringLiteral("no es un archivo"))) << reason.toStdString();
    };
    try {
        toolkit::loadPictureFile(pipe);
        ADD_FAILURE() << "a pipe was read as a picture";
    } catch (const toolkit::Failure& failure) {
        refused(failure.reason());
    }
    // Nor does converting a listed picture that has become a pipe since its header was read,
    // the photo's date included.
    ProgramFolder program;
    FakeSystem system(program.path());
    toolkit::JpegWriter writer;
    convert::Outputs outputs(program.path(), writer, system);
    convert::PictureJob job;
    job.entry = QStringLiteral("tubo.jpg");
    job.source = pipe;
    job.surface = QSize(40, 30);
    job.target = QRect(0, 0, 40, 30);
    job.jpegPath = program.file(QStringLiteral("DestinoJPG/tubo.jpg"));
    const convert::PictureOutcome outcome = convert::convertPicture(job, outputs, [] {}).outcome;
    EXPECT_FALSE(outcome.loaded);
    ASSERT_EQ(outcome.failures.size(), 1);
    refused(outcome.failures.front());
    done = true;
    watchdog.join();
    EXPECT_FALSE(fired) << "blocked on the pipe";
}

// A decoder that fails as it is made (another library version, no memory) refuses the picture;
// its failure never jumps into a decode that has not begun.
TEST(LoaderLimits, AJpegDecoderThatCannotBeMadeRefusesThePicture) {
    const QByteArray jpeg = jpegBytes(quadrantPicture(64, 48));
    const auto* data = reinterpret_cast<const uchar*>(jpeg.constData());
    failNextDecoderMaking = true;
    const toolkit::JpegDecode failed = toolkit::decodeJpeg(data, jpeg.size(), {1, 2}, false);
    EXPECT_FALSE(failNextDecoderMaking) << "the decoder was not made through the library";
    EXPECT_EQ(failed.end, toolkit::JpegDecodeEnd::Refused);
    EXPECT_TRUE(failed.picture.isNull());
    const toolkit::JpegDecode next = toolkit::decodeJpeg(data, jpeg.size(), {1, 2}, false);
    EXPECT_EQ(next.end, toolkit::JpegDecodeEnd::Done);
    EXPECT_EQ(next.picture.size(), QSize(32, 24));
}

// A source cut short while it is read (a sync client rewriting it, a card pulled) is a cut
// picture or a refusal, never a fault of the process, whichever moment the cut comes.
TEST(LoaderLimits, ASourceCutShortWhileItIsReadIsACutPictureNotAFault) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("cambia.jpg"));
    const QByteArray whole = jpegBytes(busyPicture(1600, 1200));
    writeBytes(path, whole);
    std::atomic<bool> done{false};
    std::thread cutter([&] {
        // Cut in place, as a rewrite does: the file the reader opened shrinks under it.
        const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY);
        for (int round = 0; !done; ++round) {
            if (::ftruncate(fd, round % 2 ? whole.size() / (2 + round % 5) : 0) != 0) break;
            if (::pwrite(fd, whole.constData(), size_t(whole.size()), 0) != whole.size()) break;
        }
        ::close(fd);
    });
    int read = 0, refused = 0;
    for (int i = 0; i < 150; ++i) {
        try {
            toolkit::readPictureFile(path, QSize(400, 300));
            ++read;
        } catch (const toolkit::Failure&) {
            ++refused;
        }
    }
    done = true;
    cutter.join();
    EXPECT_EQ(read + refused, 150);
}

TEST(LoaderLimits, HeadersClaimingHugePicturesAreRefusedBeforeAnyPixelMemoryIsTaken) {
    const auto le16 = [](QByteArray& bytes, int at, int value) {
        bytes[at] = char(value & 0xFF);
        bytes[at + 1] = char((value >> 8) & 0xFF);
    };
    const auto be16 = [](QByteArray& bytes, int at, int value) {
        bytes[at] = char((value >> 8) & 0xFF);
        bytes[at + 1] = char(value & 0xFF);
    };
    // Real 8 x 8 pictures whose headers were made to claim other sizes. A GIF's is the logical
    // screen, which the decoder takes whole while it reports the first frame's size.
    const auto gif = [&](int width, int height) {
        QByteArray bytes = gifBytes(quadrantPicture(8, 8), {Qt::red, Qt::blue});
        le16(bytes, 6, width);
        le16(bytes, 8, height);
        return bytes;
    };
    const auto bmp = [&](int width, int height) {
        QByteArray bytes = bmpBytes(quadrantPicture(8, 8));
        le16(bytes, 18, width);
        le16(bytes, 22, height);
        return bytes;
    };
    // A baseline JPEG's frame header (SOF0), or a progressive one's (SOF2).
    const auto framed = [&](QByteArray bytes, char frameMarker, int width, int height) {
        const qsizetype frame = bytes.indexOf(QByteArray("\xFF", 1) + frameMarker);
        be16(bytes, int(frame) + 5, height);
        be16(bytes, int(frame) + 7, width);
        return bytes;
    };
    const auto jpeg = [&](int width, int height) {
        return framed(jpegBytes(quadrantPicture(8, 8)), '\xC0', width, height);
    };
    const auto progressive = [&](int width, int height) {
        return framed(progressiveJpegBytes(quadrantPicture(8, 8)), '\xC2', width, height);
    };
    // A progressive photo's data, 700 KB, under a header claiming the largest picture a JPEG
    // can be: 24 GiB of coefficients.
    QByteArray padded = progressive(65500, 65500);
    padded.insert(padded.indexOf(QByteArray("\xFF\xC2", 2)),
                  QByteArray("\xFF\xFE\xFF\xFF", 4) + QByteArray(65533, 'x'));
    while (padded.size() < 700'000)
        padded.insert(2, QByteArray("\xFF\xFE\xFF\xFF", 4) + QByteArray(65533, 'x'));
    constexpr qint64 kGiB = 1024LL * 1024 * 1024;
    QTemporaryDir folder;
    const struct {
        const char* name;
        QByteArray bytes;
        qint64 available;  // the memory the machine has free
        const char* reason;
    } bombs[] = {
        {"bomba.gif", gif(40000, 40000), 64 * kGiB, "la cabecera indica 40000 x 40000 píxeles"},
        // Qt's own reader refuses BMP headers over 16384 x 16384 before reading on.
        {"bomba.bmp", bmp(40000, 40000), 64 * kGiB, "los datos de la imagen están dañados"},
        {"bomba.jpg", jpeg(40000, 40000), 64 * kGiB, "la cabecera indica 40000 x 40000 píxeles"},
        // Data that cannot hold the picture claimed is refused whatever memory there is.
        {"ancha.jpg", jpeg(30000, 4100), 64 * kGiB,
         "4100 píxeles, más de lo que se admite (el archivo es demasiado pequeño"},
        {"progresiva.jpg", padded, 64 * kGiB,
         "65500 x 65500 píxeles, más de lo que se admite (el archivo es demasiado pequeño"},
        // Each side allowed, 123 million pixels in all (492 MB): refused where that is more
        // than the machine can give, with what it needs and what is free.
        {"ancha.gif", gif(30000, 4100), kGiB / 2,
         "mide 30000 x 4100 píxeles y convertirla necesita unos 470 MiB de memoria, pero ahora "
         "hay 512 MiB libres y 256 MiB deben quedar para el sistema. Cierre otros programas"},
        {"ancha.bmp", bmp(30000, 4100), kGiB / 2, "mide 30000 x 4100 píxeles y convertirla "},
        // A file larger than that is refused before it is read (1 MiB may be taken here).
        {"grande.bmp", bmpBytes(quadrantPicture(1000, 700)), kGiB / 4 + (1 << 20),
         "convertirla necesita unos 3 MiB de memoria, pero ahora hay 257 MiB libres"},
    };
    for (const auto& bomb : bombs) {
        SCOPED_TRACE(bomb.name);
        toolkit::setAvailableMemoryForTests(bomb.available);
        const QString path = folder.filePath(QString::fromLatin1(bomb.name));
        writeBytes(path, bomb.bytes);
        try {
            toolkit::loadPictureFile(path);
            ADD_FAILURE() << "accepted";
        } catch (const toolkit::Failure& failure) {
            EXPECT_TRUE(failure.reason().contains(QString::fromUtf8(bomb.reason)))
                << failure.what();
        }
    }
    toolkit::setAvailableMemoryForTests(-1);
    EXPECT_GE(padded.size(), 700'000);
}

// A panorama wider than Qt's reader takes is read reduced, progressive or not.
TEST(LoaderLimits, AJpegWiderThanIsDecodedWholeIsReadReduced) {
    QTemporaryDir folder;
    for (const bool progressive : {false, true}) {
        SCOPED_TRACE(progressive);
        const QString path = folder.filePath(QStringLiteral("panorama%1.jpg").arg(progressive));
        QImageWriter writer(path, "jpeg");
        writer.setProgressiveScanWrite(progressive);
        ASSERT_TRUE(writer.write(quadrantPicture(33000, 64)));
        const toolkit::PictureRead read = toolkit::readPictureFile(path, QSize(1024, 2));
        EXPECT_EQ(read.naturalSize, QSize(33000, 64));
        EXPECT_EQ(read.image.size(), QSize(4125, 8));
        // Even where the whole picture is asked for, only a reduction of it is decoded.
        EXPECT_EQ(toolkit::readPictureFile(path).image.size(), QSize(16500, 32));
    }
}

// What a picture is weighed by is what reading it takes, measured in a process of its own: not
// less (pictures at once would take more than the budget), nor much more (cores left idle).
TEST(LoaderLimits, TheMemoryEachRouteIsWeighedByIsWhatReadingTakes) {
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "the sanitizer's shadow and quarantine would be counted as the decoder's";
#endif
    const QImage photo = busyPicture(4000, 3000);
    QTemporaryDir folder;
    const struct {
        const char* name;
        QByteArray bytes;
        QSize atLeast;
    } rows[] = {
        {"camara.jpg", jpegBytes(photo, 92), QSize(1000, 750)},
        {"progresiva.jpg", progressiveJpegBytes(photo), QSize(1000, 750)},
        {"escaneo.bmp", bmpBytes(photo), QSize(500, 375)},
        {"entera.bmp", bmpBytes(photo), QSize()},
    };
    constexpr qint64 kSlack = 6 * 1024 * 1024;  // the decoders' own buffers, the allocator's
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QString path = folder.filePath(QString::fromLatin1(row.name));
        writeBytes(path, row.bytes);
        QProcess process;
        QStringList arguments{path};
        if (row.atLeast.isValid())
            arguments << QString::number(row.atLeast.width())
                      << QString::number(row.atLeast.height());
        process.start(QCoreApplication::applicationDirPath() + QStringLiteral("/decode_peak"),
                      arguments);
        ASSERT_TRUE(process.waitForFinished(60000));
        ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
        const QList<QByteArray> figures = process.readAllStandardOutput().trimmed().split(' ');
        ASSERT_EQ(figures.size(), 2);
        const qint64 planned = figures[0].toLongLong(), measured = figures[1].toLongLong();
        EXPECT_LE(measured, planned + kSlack) << planned << " planned";
        EXPECT_LE(planned, measured * 5 / 4 + kSlack) << measured << " measured";
    }
}

TEST(FuzzCases, PictureFilesFoundByFuzzingLoadOrAreRefusedWithAReason) {
    // The colour profile and photo date fuzzers' inputs are pictures too, read the same way, on
    // the machine the fuzzer stands in.
    constexpr qint64 kAvailable = 1024LL * 1024 * 1024;
    toolkit::setAvailableMemoryForTests(kAvailable);
    QTemporaryDir folder;
    int replayed = 0;
    for (const char* target : {"fuzz_picture_file", "fuzz_color_profile", "fuzz_photo_date"}) {
        const QDir cases(casesOf(target));
        const QStringList names = cases.entryList(QDir::Files);
        replayed += int(names.size());
        for (const QString& name : names) {
            SCOPED_TRACE(name.toStdString());
            const QByteArray bytes = readBytes(cases.filePath(name));
            const auto* data = reinterpret_cast<const uchar*>(bytes.constData());
            for (const char* format : {"jpeg", "gif", "bmp"})
                toolkit::pictureDamage(format, data, bytes.size());
            const QString path = folder.filePath(QStringLiteral("foto.jpg"));
            writeBytes(path, bytes);
            toolkit::readPhotoDate("jpeg", data, bytes.size());
            try {
                const toolkit::PictureRead read = toolkit::readPictureFile(path);
                EXPECT_FALSE(read.image.isNull());
                EXPECT_LE(read.image.sizeInBytes(), toolkit::memoryForOnePicture(kAvailable));
            } catch (const toolkit::Failure& failure) {
                EXPECT_FALSE(failure.reason().isEmpty());
            }
        }
    }
    toolkit::setAvailableMemoryForTests(-1);
    EXPECT_GE(replayed, 2);
}

TEST(FuzzCases, ScratchPicturesFoundByFuzzingGiveTheWriterAnErrorNotACrash) {
    const QDir cases(casesOf("fuzz_scratch_bmp"));
    const QStringList names = cases.entryList(QDir::Files);
    ASSERT_FALSE(names.isEmpty());
    Writer writer;
    ASSERT_TRUE(writer.writeJpg);
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        const std::int32_t result = writer.write(readBytes(cases.filePath(name)));
        EXPECT_TRUE(result == DIJPG_OK || result == DIJPG_ERROR_READ ||
                    result == DIJPG_ERROR_TOO_LARGE)
            << result;
        QFile::remove(writer.out.filePath(QStringLiteral("out.jpg")));
        EXPECT_EQ(writer.files(), (QStringList{"scratch.bmp"}));
    }
}
