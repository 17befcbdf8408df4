// Faults that strike while a batch run is going on: sources that change or cannot be read,
// output folders that go away or refuse files, a full disk, and the process killed halfway.
// Every one ends with the run finished (or, when killed, with nothing damaged left behind).
#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "support/conversion_run.h"
#include "support/picture_files.h"
#include "support/qt_printers.h"
#include "toolkit/common/failure.h"
#include "toolkit/pictures/picture_file.h"
#include "toolkit/system/leftovers.h"
#include "toolkit/system/scratch_file.h"
#include "toolkit/system/whole_file.h"

// Every file this process flushes to the disk, as the name it had then and the file it was: the
// flush itself is the system's own.
namespace {
struct Flushed {
    QString path;
    ino_t file;
};
std::mutex flushedLock;
std::vector<Flushed> flushedFiles;
}  // namespace

extern "C" int fsync(int fd) {
    static const auto real = reinterpret_cast<int (*)(int)>(::dlsym(RTLD_NEXT, "fsync"));
    struct stat status;
    if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode)) {
        const QString path = QFile::symLinkTarget(QStringLiteral("/proc/self/fd/%1").arg(fd));
        const std::lock_guard lock(flushedLock);
        flushedFiles.push_back({path, status.st_ino});
    }
    return real(fd);
}

namespace {

std::string text(const QString& value) {
    return value.toStdString();
}

// Should the loader ever block opening a pipe, this opens the other end after a while, so that
// the test fails instead of hanging.
class PipeWatchdog {
  public:
    explicit PipeWatchdog(QString pipe) : pipe_(std::move(pipe)) {
        thread_ = std::thread([this] {
            std::unique_lock<std::mutex> lock(mutex_);
            if (done_.wait_for(lock, std::chrono::seconds(20), [this] { return stop_; })) return;
            const int fd = ::open(QFile::encodeName(pipe_).constData(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) {
                fired_ = true;
                ::close(fd);
            }
        });
    }
    ~PipeWatchdog() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        done_.notify_all();
        thread_.join();
    }
    bool fired() const { return fired_; }

  private:
    QString pipe_;
    std::mutex mutex_;
    std::condition_variable done_;
    bool stop_ = false;
    std::atomic<bool> fired_{false};
    std::thread thread_;
};

// Runs the enclosed code as an ordinary user, for whom permission bits bind. As root (tests run
// as root in CI) the real and effective user become "nobody" until this ends; the saved user
// stays root, which is what allows going back. Folders the code needs must let others in.
class AsOrdinaryUser {
  public:
    static constexpr uid_t kNobody = 65534;
    AsOrdinaryUser() {
        if (::geteuid() != 0) {
            active_ = true;
            return;
        }
        active_ = ::setresuid(kNobody, kNobody, 0) == 0;
        dropped_ = active_;
    }
    ~AsOrdinaryUser() {
        if (dropped_ && ::setresuid(0, 0, 0) != 0) std::abort();
    }
    bool active() const { return active_; }

  private:
    bool active_ = false;
    bool dropped_ = false;
};

void letEveryoneIn(const QString& folder) {
    QFile::setPermissions(folder, QFileDevice::Permissions(0x7777));
}

// A file system of `kilobytes` mounted over `folder` for as long as this lives, where root may
// mount one here.
class SmallDisk {
  public:
    SmallDisk(const QString& folder, int kilobytes) : folder_(folder) {
        if (::geteuid() != 0) return;
        mounted_ =
            QProcess::execute(QStringLiteral("mount"),
                              {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                               QStringLiteral("size=%1k,mode=0777").arg(kilobytes),
                               QStringLiteral("velaria-test"), folder}) == 0;
    }
    ~SmallDisk() {
        if (mounted_ && QProcess::execute(QStringLiteral("umount"), {folder_}) != 0)
            QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), folder_});
    }
    bool mounted() const { return mounted_; }

  private:
    QString folder_;
    bool mounted_ = false;
};

// Writes past `bytes` into any file fail, as on a full disk, for as long as this lives.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        ::signal(SIGXFSZ, previous_);
    }

  private:
    rlimit saved_{};
    sighandler_t previous_ = nullptr;
};

// Whether the file now at `path` was flushed to the disk while it still had another name.
bool flushedBeforeNamed(const QString& path) {
    struct stat status;
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0) return false;
    const std::lock_guard lock(flushedLock);
    return std::any_of(flushedFiles.begin(), flushedFiles.end(), [&](const Flushed& flushed) {
        return flushed.file == status.st_ino && flushed.path != QFileInfo(path).absoluteFilePath();
    });
}

// The files of a folder that are not finished outputs: temporary files of a write under way.
QStringList unfinished(const QString& folder, const QString& extension) {
    QStringList names;
    for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden))
        if (!name.endsWith(QLatin1Char('.') + extension)) names << name;
    return names;
}

}  // namespace

TEST(RunFaults, SourcesThatChangeAfterTheListWasFilledAreReportedAndTheRunGoesOn) {
    ConversionRun run;
    // One picture at a time, so that the fault lands between two pictures.
    run.form.conversionThreads = 1;
    const QByteArray picture = jpegBytes(quadrantPicture(80, 60));
    // In list order. Each hostile entry is a good picture when the list is filled.
    const struct {
        const char* name;
        const char* reason;  // empty: converted
    } entries[] = {
        {"a.jpg", ""},
        {"borrada.jpg", "el archivo no existe"},   // deleted while the run goes on
        {"bucle.jpg", "el archivo no existe"},     // a link that points at itself
        {"carpeta.jpg", "no es un archivo"},       // a folder now
        {"colgado.bmp", "el archivo no existe"},   // a link to nothing
        {"dispositivo.gif", "no es un archivo"},   // a link to an endless device
        {"proceso.jpg", "el archivo está vacío"},  // a link into /proc
        {"tubo.gif", "no es un archivo"},          // a pipe nobody writes to
        {"z.jpg", ""},
    };
    QStringList names;
    for (const auto& entry : entries) {
        names << QString::fromLatin1(entry.name);
        run.add(names.back(), picture);
    }
    run.form.File1->refresh();
    ASSERT_EQ(run.form.File1->listCount(), std::int16_t(std::size(entries)));

    const QString source = run.source.path() + QLatin1Char('/');
    const auto replace = [&](const char* name) {
        const QString path = source + QString::fromLatin1(name);
        EXPECT_TRUE(QFile::remove(path));
        return QFile::encodeName(path);
    };
    ASSERT_EQ(::symlink("bucle.jpg", replace("bucle.jpg").constData()), 0);
    ASSERT_TRUE(QDir().mkdir(QString::fromUtf8(replace("carpeta.jpg"))));
    ASSERT_EQ(::symlink("no-existe/nada.bmp", replace("colgado.bmp").constData()), 0);
    ASSERT_EQ(::symlink("/dev/zero", replace("dispositivo.gif").constData()), 0);
    ASSERT_EQ(::symlink("/proc/self/status", replace("proceso.jpg").constData()), 0);
    ASSERT_EQ(::mkfifo(replace("tubo.gif").constData(), 0600), 0);
    // Deleted once the first picture's JPEG is written.
    run.system.beforeDelete = [&](const QString&) { QFile::remove(source + "borrada.jpg"); };

    PipeWatchdog watchdog(source + QStringLiteral("tubo.gif"));
    run.press();
    EXPECT_FALSE(watchdog.fired()) << "the run blocked on a pipe";

    const auto reported = run.reported(names);
    for (const auto& entry : entries) {
        SCOPED_TRACE(entry.name);
        const auto listed = reported.find(QString::fromLatin1(entry.name));
        if (*entry.reason == 0) {
            EXPECT_EQ(listed, reported.end());
        } else {
            ASSERT_NE(listed, reported.end()) << text(run.message());
            EXPECT_TRUE(listed->second.contains(QString::fromUtf8(entry.reason)))
                << text(listed->second);
        }
    }
    EXPECT_EQ(run.jpegs(), (QStringList{"a.jpg", "z.jpg"}));
    EXPECT_EQ(run.bmps(), (QStringList{"a.bmp", "z.bmp"}));
    EXPECT_TRUE(run.message().contains(QStringLiteral("Se han escrito 4 archivos.")));
    EXPECT_FALSE(run.system.endStatus.has_value());
    EXPECT_TRUE(run.temporary.files().isEmpty());
}

TEST(RunFaults, ASourceFolderThatGoesAwayDuringTheRunFailsTheRestWithTheirNames) {
    ConversionRun run;
    // One picture at a time, so that the fault lands between two pictures.
    run.form.conversionThreads = 1;
    for (const char* name : {"a.jpg", "b.jpg", "c.gif"})
        run.add(QString::fromLatin1(name), jpegBytes(quadrantPicture(40, 30)));
    bool removed = false;
    run.system.beforeDelete = [&](const QString&) {
        if (!removed) removed = QDir(run.source.path()).removeRecursively();
    };
    run.convert();

    ASSERT_TRUE(removed);
    EXPECT_EQ(run.jpegs(), (QStringList{"a.jpg"}));
    const auto reported = run.reported({"a.jpg", "b.jpg", "c.gif"});
    ASSERT_EQ(reported.size(), 2u) << text(run.message());
    EXPECT_TRUE(reported.at("b.jpg").contains(QStringLiteral("no existe")));
    EXPECT_TRUE(reported.at("c.gif").contains(QStringLiteral("no existe")));
    EXPECT_FALSE(run.system.endStatus.has_value());
}

TEST(RunFaults, FilesAndFoldersWithoutPermissionAreReportedAndEarlierOutputsStayWhole) {
    ConversionRun run;
    run.add(QStringLiteral("a.jpg"), jpegBytes(quadrantPicture(80, 60)));
    run.add(QStringLiteral("b.jpg"), jpegBytes(quadrantPicture(80, 60)));
    run.add(QStringLiteral("cerrada.jpg"), jpegBytes(quadrantPicture(80, 60)));
    // b.bmp from an earlier run, in a BMP folder that no longer takes files.
    const QByteArray earlier = bmpBytes(quadrantPicture(20, 10));
    writeBytes(run.bmpFolder() + QStringLiteral("/b.bmp"), earlier);
    for (const QString& folder :
         {run.program.path(), run.source.path(), run.temporary.path(), run.jpegFolder()})
        letEveryoneIn(folder);
    QFile::setPermissions(run.source.filePath(QStringLiteral("cerrada.jpg")), {});
    QFile::setPermissions(run.bmpFolder(), QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                               QFileDevice::ReadOther | QFileDevice::ExeOther |
                                               QFileDevice::ReadGroup | QFileDevice::ExeGroup);
    {
        AsOrdinaryUser user;
        if (!user.active()) GTEST_SKIP() << "cannot run as an ordinary user here";
        run.convert();
    }

    EXPECT_EQ(run.jpegs(), (QStringList{"a.jpg", "b.jpg"}));
    EXPECT_EQ(run.bmps(), (QStringList{"b.bmp"}));
    EXPECT_EQ(readBytes(run.bmpFolder() + QStringLiteral("/b.bmp")), earlier);
    const QString message = run.message();
    const auto reported = run.reported({"a.jpg", "b.jpg", "cerrada.jpg"});
    ASSERT_TRUE(reported.count("cerrada.jpg")) << text(message);
    EXPECT_TRUE(reported.at("cerrada.jpg").contains(QStringLiteral("no hay permiso para leerlo")));
    // The BMP folder is named once, not once per picture.
    EXPECT_TRUE(message.contains(QStringLiteral("No se ha escrito ningún archivo BMP")))
        << text(message);
    EXPECT_EQ(reported.count("a.jpg") + reported.count("b.jpg"), 0u) << text(message);
    EXPECT_FALSE(run.system.endStatus.has_value());
    EXPECT_TRUE(run.temporary.files().isEmpty());
}

TEST(RunFaults, OutputFoldersReplacedByFilesDuringTheRunFailOnlyWhatGoesThere) {
    ConversionRun run;
    // One picture at a time, so that the fault lands between two pictures.
    run.form.conversionThreads = 1;
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
        run.add(QString::fromLatin1(name), jpegBytes(quadrantPicture(40, 30)));
    const QString jpegFolder = run.jpegFolder(), bmpFolder = run.bmpFolder();
    int scratches = 0;
    // The output folders are ready once a's outputs are written. After b's JPEG both turn into
    // files, their contents moved aside, where they must stay whole.
    run.system.beforeDelete = [&](const QString&) {
        if (++scratches != 2) return;
        for (const QString& folder : {jpegFolder, bmpFolder}) {
            QDir().rename(folder, folder + QStringLiteral("-aparte"));
            writeBytes(folder, "ya no es una carpeta");
        }
    };
    run.convert();

    for (const QString& folder : {jpegFolder, bmpFolder}) {
        const QStringList moved = QDir(folder + QStringLiteral("-aparte")).entryList(QDir::Files);
        EXPECT_EQ(moved.size(), folder == jpegFolder ? 2 : 1) << text(moved.join(u' '));
        for (const QString& name : moved)
            EXPECT_NO_THROW(
                toolkit::loadWholePictureFile(folder + QStringLiteral("-aparte/") + name));
    }
    const auto reported = run.reported({"a.jpg", "b.jpg", "c.jpg"});
    ASSERT_EQ(reported.size(), 2u) << text(run.message());
    EXPECT_TRUE(reported.at("b.jpg").contains(QStringLiteral("no se puede guardar «b.bmp»")))
        << text(reported.at("b.jpg"));
    EXPECT_TRUE(reported.at("c.jpg").contains(QStringLiteral("no se puede escribir «c.jpg»")))
        << text(reported.at("c.jpg"));
    EXPECT_TRUE(reported.at("c.jpg").contains(QStringLiteral("no se puede guardar «c.bmp»")))
        << text(reported.at("c.jpg"));
    EXPECT_TRUE(run.message().contains(QStringLiteral("Se han escrito 3 archivos.")));
    EXPECT_EQ(readBytes(bmpFolder), "ya no es una carpeta");
    EXPECT_EQ(readBytes(jpegFolder), "ya no es una carpeta");
    EXPECT_FALSE(run.system.endStatus.has_value());
    EXPECT_TRUE(run.temporary.files().isEmpty());
}

// What the user had at an output's name is kept: a replaced output's permissions, and one they
// made read-only, which is named instead. Every output is on the disk before it takes its name,
// and a source whose time cannot be copied is converted all the same.
TEST(RunFaults, OutputsAreFlushedKeepTheReplacedPermissionsAndSpareReadOnlyOnes) {
    ConversionRun run;
    const QByteArray picture = jpegBytes(quadrantPicture(80, 60));
    for (const char* name : {"a.jpg", "privada.jpg", "protegida.jpg"})
        run.add(QString::fromLatin1(name), picture);
    const auto modeOf = [](const QString& path) {
        struct stat status;
        return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_mode & 0777
                                                                         : 0u;
    };
    constexpr mode_t privately = 0600, readOnly = 0444;
    for (const QString& folder : {run.jpegFolder(), run.bmpFolder()}) {
        const QString extension = folder == run.jpegFolder() ? "jpg" : "bmp";
        for (const auto& [stem, mode] :
             {std::pair{"/privada.", privately}, {"/protegida.", readOnly}}) {
            const QString path = folder + stem + extension;
            writeBytes(path, "del usuario");
            ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), mode), 0);
        }
    }
    // A source dated past what a file time can hold here, from a file system that keeps it.
    QTemporaryDir memory(QStringLiteral("/dev/shm/velaria-test-XXXXXX"));
    const QString old = memory.filePath(QStringLiteral("antigua.jpg"));
    const timespec times[2] = {{0, UTIME_OMIT}, {20'000'000'000LL, 0}};  // 2603
    writeBytes(old, picture);
    const bool oldDated =
        memory.isValid() &&
        ::utimensat(AT_FDCWD, QFile::encodeName(old).constData(), times, 0) == 0 &&
        QFileInfo(old).lastModified().date().year() > 2600;
    if (oldDated) {
        ASSERT_EQ(::symlink(QFile::encodeName(old).constData(),
                            QFile::encodeName(run.source.filePath("antigua.jpg")).constData()),
                  0);
    }
    run.convert();

    for (const char* stem : {"a", "privada", "antigua"}) {
        if (!oldDated && QByteArray(stem) == "antigua") continue;
        for (const QString& output :
             {run.jpegFolder() + "/" + stem + ".jpg", run.bmpFolder() + "/" + stem + ".bmp"}) {
            SCOPED_TRACE(text(output));
            EXPECT_NO_THROW(toolkit::loadWholePictureFile(output));
            EXPECT_TRUE(flushedBeforeNamed(output));
            if (QByteArray(stem) == "privada") {
                EXPECT_EQ(modeOf(output), privately);
            }
        }
    }
    for (const QString& kept :
         {run.jpegFolder() + "/protegida.jpg", run.bmpFolder() + "/protegida.bmp"}) {
        EXPECT_EQ(readBytes(kept), "del usuario");
        EXPECT_EQ(modeOf(kept), readOnly);
    }
    const QString message = run.message();
    const auto reported = run.reported({"a.jpg", "privada.jpg", "protegida.jpg", "antigua.jpg"});
    ASSERT_EQ(reported.count("protegida.jpg"), 1u) << text(message);
    const QString refused = reported.at("protegida.jpg");
    EXPECT_TRUE(refused.contains(QStringLiteral("«protegida.jpg»"))) << text(refused);
    EXPECT_TRUE(refused.contains(QStringLiteral("«protegida.bmp»"))) << text(refused);
    EXPECT_EQ(refused.count(QStringLiteral("está protegido contra escritura")), 2) << text(refused);
    EXPECT_TRUE(message.contains(QStringLiteral("No se ha podido convertir este archivo:")))
        << text(message);
    EXPECT_TRUE(
        message.contains(QStringLiteral("Se han escrito %1 archivos.").arg(oldDated ? 6 : 4)));
    if (!oldDated) GTEST_SKIP() << "no file system here keeps a time the outputs cannot take";
    // Converted, with a note below the pictures that were not.
    EXPECT_GT(message.indexOf(QStringLiteral("antigua.jpg: ")),
              message.indexOf(QStringLiteral("Este archivo se ha convertido, con un aviso:")))
        << text(message);
    EXPECT_TRUE(reported.at("antigua.jpg").contains(QStringLiteral("con la fecha de hoy")))
        << text(message);
}

TEST(RunFaults, AFullDiskFailsTheOutputsAndLeavesTheEarlierOnesWhole) {
    ConversionRun run;
    // Noise compresses badly: the JPEG outgrows the small disk as surely as the BMP does.
    run.add(QStringLiteral("a.jpg"), jpegBytes(busyPicture(400, 300)));
    // The width drives: a's outputs are 441 x 331 (a 438 KB BMP), b's 441 x 110 (146 KB).
    run.add(QStringLiteral("b.gif"), gifBytes(quadrantPicture(40, 10), {Qt::red, Qt::blue}));
    run.setSizing(ConversionRun::Sizing::WidthDrives);
    const QByteArray earlierJpeg = jpegBytes(quadrantPicture(40, 30));
    const QByteArray earlierBmp = bmpBytes(quadrantPicture(40, 30));
    SmallDisk jpegDisk(run.jpegFolder(), 48), bmpDisk(run.bmpFolder(), 300);
    if (!jpegDisk.mounted() || !bmpDisk.mounted())
        GTEST_SKIP() << "no small file system can be mounted here (root and mount needed); "
                        "FileSizeLimitFailsWritesAsAFullDiskDoes simulates it";
    writeBytes(run.jpegFolder() + QStringLiteral("/a.jpg"), earlierJpeg);
    writeBytes(run.bmpFolder() + QStringLiteral("/a.bmp"), earlierBmp);
    run.convert();

    // b's small outputs fit; a's do not, and what stood there before is untouched.
    EXPECT_EQ(readBytes(run.jpegFolder() + QStringLiteral("/a.jpg")), earlierJpeg);
    EXPECT_EQ(readBytes(run.bmpFolder() + QStringLiteral("/a.bmp")), earlierBmp);
    EXPECT_EQ(run.jpegs(), (QStringList{"a.jpg", "b.jpg"}));
    EXPECT_EQ(run.bmps(), (QStringList{"a.bmp", "b.bmp"}));
    const auto reported = run.reported({"a.jpg", "b.gif"});
    ASSERT_EQ(reported.size(), 1u) << text(run.message());
    EXPECT_TRUE(reported.at("a.jpg").contains(QStringLiteral("disco lleno")))
        << text(reported.at("a.jpg"));
    EXPECT_TRUE(reported.at("a.jpg").contains(
        QStringLiteral("no se puede guardar «a.bmp» en la carpeta «DestinoBMP»: no se ha podido "
                       "escribir el archivo entero (disco lleno")))
        << text(reported.at("a.jpg"));
    // Nothing half-written stays on the full disks.
    EXPECT_TRUE(unfinished(run.jpegFolder(), QStringLiteral("jpg")).isEmpty());
    EXPECT_TRUE(unfinished(run.bmpFolder(), QStringLiteral("bmp")).isEmpty());
    EXPECT_TRUE(run.temporary.files().isEmpty());
    EXPECT_FALSE(run.system.endStatus.has_value());
}

TEST(RunFaults, FileSizeLimitFailsWritesAsAFullDiskDoes) {
    ConversionRun run;
    run.add(QStringLiteral("a.jpg"), jpegBytes(busyPicture(400, 300)));
    const QByteArray earlier = bmpBytes(quadrantPicture(40, 30));
    writeBytes(run.bmpFolder() + QStringLiteral("/a.bmp"), earlier);
    run.form.File1->refresh();
    {
        // The 441 x 331 drawing takes 438 KB as a BMP: its scratch copy for the JPEG and the
        // BMP output both stop short.
        FileSizeLimit limit(100 * 1024);
        run.press();
    }
    EXPECT_EQ(readBytes(run.bmpFolder() + QStringLiteral("/a.bmp")), earlier);
    EXPECT_TRUE(run.jpegs().isEmpty());
    EXPECT_EQ(run.bmps(), (QStringList{"a.bmp"}));
    const auto reported = run.reported({"a.jpg"});
    ASSERT_EQ(reported.size(), 1u) << text(run.message());
    // The scratch copy for the JPEG, in the temporary folder, is the first to stop short.
    EXPECT_TRUE(reported.at("a.jpg").contains(QStringLiteral("no se puede escribir «velaria-")))
        << text(reported.at("a.jpg"));
    EXPECT_TRUE(reported.at("a.jpg").contains(QStringLiteral("disco lleno")))
        << text(reported.at("a.jpg"));
    EXPECT_TRUE(reported.at("a.jpg").contains(QStringLiteral("no se puede guardar «a.bmp»")))
        << text(reported.at("a.jpg"));
    EXPECT_TRUE(run.temporary.files().isEmpty());

    // Once there is room again the same run writes both.
    run.press();
    EXPECT_EQ(run.jpegs(), (QStringList{"a.jpg"}));
    EXPECT_EQ(toolkit::loadWholePictureFile(run.bmpFolder() + QStringLiteral("/a.bmp")).size(),
              QSize(441, 331));
}

TEST(RunFaults, AFrameTooLargeForMemoryIsReportedPerPictureNotAllocated) {
    ConversionRun run;
    run.add(QStringLiteral("a.jpg"), jpegBytes(quadrantPicture(40, 40)));
    run.add(QStringLiteral("b.bmp"), bmpBytes(quadrantPicture(40, 40)));
    run.setSizing(ConversionRun::Sizing::Stretched);
    // As far as the size handles go: 32767 x 32767 pixels would take 4 GB.
    run.form.Picture1->setWidth(32767 * 15);
    run.form.Picture1->setHeight(32767 * 15);
    run.convert();

    const auto reported = run.reported({"a.jpg", "b.bmp"});
    ASSERT_EQ(reported.size(), 2u) << text(run.message());
    for (const auto& [name, reason] : reported)
        EXPECT_TRUE(reason.contains(QStringLiteral("mediría 32767 x 32767 píxeles")))
            << text(reason);
    EXPECT_LT(qint64(run.form.Picture1->surface().width()) * run.form.Picture1->surface().height(),
              toolkit::kMaxPicturePixels);
    EXPECT_TRUE(run.jpegs().isEmpty());
    EXPECT_FALSE(run.system.endStatus.has_value());

    // The same frame width with the width driving: a square picture would be as large.
    run.setSizing(ConversionRun::Sizing::WidthDrives);
    run.form.Picture1->setWidth(32767 * 15);
    run.press();
    EXPECT_EQ(run.reported({"a.jpg", "b.bmp"}).size(), 2u) << text(run.message());

    // And a frame that fits is written as usual.
    run.form.Picture1->setWidth(441 * 15);
    run.press();
    EXPECT_EQ(run.jpegs(), (QStringList{"a.jpg", "b.jpg"}));
}

TEST(RunFaults, AKilledRunLeavesOnlyWholeOutputsAndTheNextStartClearsItsScratch) {
    const QString runner =
        QCoreApplication::applicationDirPath() + QStringLiteral("/velaria_headless_run");
    ASSERT_TRUE(QFile::exists(runner));
    ProgramFolder program;
    program.addWriterLibrary();
    program.addSample(80, 60);
    QTemporaryDir source, temporary;
    constexpr int kPictures = 24;
    const QByteArray picture = jpegBytes(busyPicture(1200, 900), 90);
    for (int i = 0; i < kPictures; ++i)
        writeBytes(source.filePath(QStringLiteral("foto%1.jpg").arg(i, 2, 10, QLatin1Char('0'))),
                   picture);
    const QString jpegFolder = program.file(QStringLiteral("DestinoJPG"));
    const QString bmpFolder = program.file(QStringLiteral("DestinoBMP"));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TMPDIR"), temporary.path());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    const QStringList arguments{program.path(), source.path(), QStringLiteral("2400")};
    const QSize outputSize(2400, 1800);

    // Every output present decodes whole at its size; what else is there is a temporary file
    // of a write that the kill cut short, never under an output's name: a hidden
    // .velaria-<process>-<origin>-<random>.tmp, or the writer library's
    // .dijpg-<process>-<random>.tmp.
    static const QRegularExpression kTemporaryName(
        QStringLiteral("^\\.(velaria-[0-9]+-[0-9a-f]{8}|dijpg-[0-9]+)-[0-9a-f]{16}\\.tmp$"));
    // The writer library's names do not say where they were made: those stay for a day.
    static const QRegularExpression kWriterName(QStringLiteral("^\\.dijpg-"));
    const auto checkOutputs = [&] {
        for (const auto& [folder, extension] : {std::pair{jpegFolder, QStringLiteral("jpg")},
                                                std::pair{bmpFolder, QStringLiteral("bmp")}}) {
            for (const QString& name :
                 QDir(folder).entryList({QStringLiteral("*.") + extension}, QDir::Files)) {
                SCOPED_TRACE(text(name));
                try {
                    EXPECT_EQ(
                        toolkit::loadWholePictureFile(folder + QLatin1Char('/') + name).size(),
                        outputSize);
                } catch (const std::exception& failure) {
                    ADD_FAILURE() << "a damaged output: " << failure.what();
                }
            }
            for (const QString& name : unfinished(folder, extension))
                EXPECT_TRUE(kTemporaryName.match(name).hasMatch()) << text(name);
        }
    };

    int scratchLeft = 0;
    for (int round = 0; round < 6; ++round) {
        SCOPED_TRACE(round);
        QProcess child;
        child.setProcessEnvironment(environment);
        const QDateTime started = QDateTime::currentDateTime().addSecs(-1);
        child.start(runner, arguments);
        ASSERT_TRUE(child.waitForStarted());
        const qint64 pid = child.processId();
        // Kill it a little after it has written its first outputs of this round. Outputs carry
        // their sources' modification time: when a file came to be shows in its change time.
        const auto writtenThisRound = [&] {
            int written = 0;
            for (const QFileInfo& file : QDir(jpegFolder).entryInfoList(QDir::Files))
                if (file.metadataChangeTime() > started) ++written;
            return written;
        };
        QElapsedTimer waited;
        waited.start();
        while (writtenThisRound() <= round % 3 && child.state() == QProcess::Running &&
               waited.elapsed() < 60000)
            QThread::msleep(5);
        QThread::msleep(QRandomGenerator::global()->bounded(400));
        ASSERT_EQ(child.state(), QProcess::Running) << "the run ended before it could be killed";
        child.kill();  // SIGKILL
        ASSERT_TRUE(child.waitForFinished());
        checkOutputs();
        // A killed run's scratch file is private to the user and the process, nowhere shared.
        for (const QString& name : QDir(temporary.path()).entryList(QDir::Files | QDir::Hidden)) {
            if (!name.startsWith(QStringLiteral("velaria-%1-").arg(pid))) continue;
            ++scratchLeft;
            EXPECT_EQ(QFile::permissions(temporary.filePath(name)).toInt() & 0x0077, 0);
        }
    }
    const int leftInOutputs = int(unfinished(jpegFolder, QStringLiteral("jpg")).size() +
                                  unfinished(bmpFolder, QStringLiteral("bmp")).size());
    std::printf(
        "of 6 kills, %d left a scratch file and the output folders hold %d unfinished "
        "temporary files\n",
        scratchLeft, leftInOutputs);

    // The next start runs to its end and clears what the killed ones left in the temporary
    // folder and the output folders.
    QProcess last;
    last.setProcessEnvironment(environment);
    last.start(runner, arguments);
    ASSERT_TRUE(last.waitForFinished(120000));
    EXPECT_EQ(last.exitCode(), 0) << last.readAllStandardError().toStdString();
    checkOutputs();
    EXPECT_EQ(QDir(jpegFolder).entryList({QStringLiteral("*.jpg")}, QDir::Files).size(), kPictures);
    EXPECT_EQ(QDir(bmpFolder).entryList({QStringLiteral("*.bmp")}, QDir::Files).size(), kPictures);
    EXPECT_TRUE(QDir(temporary.path()).entryList(QDir::Files | QDir::Hidden).isEmpty())
        << text(QDir(temporary.path()).entryList(QDir::Files | QDir::Hidden).join(u' '));
    const QStringList leftInJpegs = unfinished(jpegFolder, QStringLiteral("jpg"));
    EXPECT_EQ(leftInJpegs.filter(kWriterName), leftInJpegs);
    EXPECT_TRUE(unfinished(bmpFolder, QStringLiteral("bmp")).isEmpty());
}

// Only names of exactly the program's own shapes go, and of those only this user's files of runs
// known to have ended: made here by a process that is gone, or made elsewhere (another machine
// sharing the folder, another process namespace) and untouched for a day.
TEST(ScratchFiles, OnlyThisUsersFilesOfTheProgramsShapesFromEndedRunsAreCleared) {
    TemporaryFolder temporary;
    QTemporaryDir outputs;
    QProcess ended;
    ended.start(QStringLiteral("true"), {});
    ASSERT_TRUE(ended.waitForStarted());
    const QString gone = QString::number(ended.processId());
    ASSERT_TRUE(ended.waitForFinished());
    const QString own = QString::number(QCoreApplication::applicationPid());
    const QString here = toolkit::originMark();
    const QString elsewhere = here == QStringLiteral("0badf00d") ? "0badf00e" : "0badf00d";
    const QString hex = QStringLiteral("0123456789abcdef");
    enum Fate { Stays, Goes };
    const struct {
        QString folder;
        QString name;
        bool dayOld;
        Fate fate;
    } files[] = {
        {temporary.path(), "velaria-" + gone + "-" + here + "-aBcDeF.bmp", false, Goes},
        {temporary.path(), "velaria-" + own + "-" + here + "-zZyYxX.bmp", true, Stays},
        {temporary.path(), "velaria-1-" + here + "-qQwWeE.bmp", true, Stays},  // running
        {temporary.path(), "velaria-" + gone + "-" + elsewhere + "-aBcDeF.bmp", false, Stays},
        {temporary.path(), "velaria-" + gone + "-" + elsewhere + "-gHiJkL.bmp", true, Goes},
        {temporary.path(), "velaria-" + gone + "-informe.odt", true, Stays},
        {temporary.path(), "velaria-" + gone + "-" + here + "-aBcDeF.bmp.odt", true, Stays},
        {temporary.path(), "velaria-" + gone + "-" + here + "-aBcDe.bmp", true, Stays},
        {temporary.path(), "velaria-" + gone + "-aB3dE9.bmp", true, Stays},
        {temporary.path(), "otro-" + gone + ".bmp", true, Stays},
        {outputs.path(), ".velaria-" + gone + "-" + here + "-" + hex + ".tmp", false, Goes},
        {outputs.path(), ".velaria-" + gone + "-" + elsewhere + "-" + hex + ".tmp", false, Stays},
        {outputs.path(), ".velaria-" + gone + "-notas.txt", true, Stays},
        {outputs.path(), ".velaria-" + gone + "-" + here + "-" + hex.toUpper() + ".tmp", true,
         Stays},
        {outputs.path(), ".dijpg-" + gone + "-" + hex + ".tmp", false, Stays},
        {outputs.path(), ".dijpg-" + gone + "-" + hex.left(15) + "0.tmp", true, Goes},
        {outputs.path(), ".dijpg-" + gone + "-" + here + "-" + hex + ".tmp", true, Stays},
    };
    const QDateTime dayAgo = QDateTime::currentDateTime().addSecs(-25 * 60 * 60);
    for (const auto& file : files) {
        const QString path = file.folder + QLatin1Char('/') + file.name;
        writeBytes(path, "BM");
        if (file.dayOld) {
            QFile opened(path);
            ASSERT_TRUE(opened.open(QIODevice::ReadWrite));
            ASSERT_TRUE(opened.setFileTime(dayAgo, QFileDevice::FileModificationTime));
        }
    }
    // Another user's file of an ended run is not ours to remove.
    const QString othersName = "velaria-" + gone + "-" + here + "-oThErS.bmp";
    writeBytes(temporary.path() + QLatin1Char('/') + othersName, "BM");
    const bool otherOwner =
        ::geteuid() == 0 &&
        ::chown(QFile::encodeName(temporary.path() + QLatin1Char('/') + othersName).constData(),
                AsOrdinaryUser::kNobody, AsOrdinaryUser::kNobody) == 0;

    EXPECT_EQ(toolkit::removeStaleScratchFiles(), otherOwner ? 2 : 3);
    EXPECT_EQ(toolkit::removeStaleTemporaries(outputs.path()), 2);
    for (const auto& file : files)
        EXPECT_EQ(QFile::exists(file.folder + QLatin1Char('/') + file.name), file.fate == Stays)
            << text(file.name);
    EXPECT_EQ(QFile::exists(temporary.path() + QLatin1Char('/') + othersName), otherOwner);
}

// Faults of the run's own making, each where it is decided: outputs that are links, same-name
// entries with a failing one between them, a scratch file that cannot be deleted.
TEST(RunFaults, OutputLinksOrderAndScratchFaultsLeaveWhatAOneByOneRunWould) {
    ConversionRun run;
    run.form.conversionThreads = 3;
    // A large, slow BMP; a damaged GIF; a small JPEG: in list order, all writing "a.*".
    QImage red(3000, 2250, QImage::Format_RGB32), blue(80, 60, QImage::Format_RGB32);
    red.fill(Qt::red);
    blue.fill(Qt::blue);
    run.add(QStringLiteral("a.bmp"), bmpBytes(red));
    const QByteArray gif = gifBytes(busyPicture(400, 300), {Qt::black, Qt::white});
    run.add(QStringLiteral("a.gif"), gif.left(gif.size() / 2));
    run.add(QStringLiteral("a.jpg"), jpegBytes(blue));
    run.add(QStringLiteral("b.jpg"), jpegBytes(blue));
    // b's outputs are links to files elsewhere that must not be written through.
    QTemporaryDir elsewhere;
    const QString targetJpg = elsewhere.filePath(QStringLiteral("ajeno.jpg"));
    const QString targetBmp = elsewhere.filePath(QStringLiteral("ajeno.bmp"));
    writeBytes(targetJpg, "suyo");
    writeBytes(targetBmp, "suyo");
    ASSERT_EQ(::symlink(QFile::encodeName(targetJpg).constData(),
                        QFile::encodeName(run.jpegFolder() + "/b.jpg").constData()),
              0);
    ASSERT_EQ(::symlink(QFile::encodeName(targetBmp).constData(),
                        QFile::encodeName(run.bmpFolder() + "/b.bmp").constData()),
              0);
    // No scratch file can be deleted: the JPEGs are written all the same.
    run.system.beforeDelete = [](const QString& path) {
        throw toolkit::Failure(QStringLiteral("No se puede borrar «%1»").arg(path));
    };
    run.convert();

    EXPECT_EQ(readBytes(targetJpg), QByteArray("suyo"));
    EXPECT_EQ(readBytes(targetBmp), QByteArray("suyo"));
    for (const QString& output : {run.jpegFolder() + "/b.jpg", run.bmpFolder() + "/b.bmp"}) {
        EXPECT_FALSE(QFileInfo(output).isSymLink()) << text(output);
        EXPECT_EQ(QImageReader(output).size(), QSize(441, 331)) << text(output);
    }
    // The last entry whose conversion succeeded is what remains of the same-name ones.
    for (const QString& output : {run.jpegFolder() + "/a.jpg", run.bmpFolder() + "/a.bmp"})
        EXPECT_TRUE(near(meanColour(QImage(output), QRect(0, 0, 441, 331)), Qt::blue, 8))
            << text(output);
    const auto reported = run.reported({"a.bmp", "a.gif", "a.jpg", "b.jpg"});
    EXPECT_EQ(reported.size(), 1u) << text(run.message());
    EXPECT_EQ(reported.count("a.gif"), 1u);
    EXPECT_TRUE(run.message().contains(QStringLiteral("Se han escrito 6 archivos.")))
        << text(run.message());
}
