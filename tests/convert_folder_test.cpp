#include <gtest/gtest.h>

#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMimeData>
#include <QProcess>
#include <QTemporaryDir>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <set>
#if defined(__linux__)
#include <sys/inotify.h>
#include <unistd.h>
#endif

#include "app/form1.h"
#include "support/fake_system.h"
#include "support/picture_files.h"
#include "support/program_folder.h"
#include "support/window_driving.h"
#include "toolkit/system/jpeg_writer.h"

namespace {

const QColor kRed(220, 30, 30), kGreen(30, 200, 30), kBlue(30, 30, 220), kYellow(230, 230, 40);
const QList<QColor> kQuadrantColours{kRed, kGreen, kBlue, kYellow};
constexpr std::uint32_t kBlueMarker = 0xFF0000;
constexpr std::uint32_t kWhiteMarker = 0xFFFFFF;

// Scratch files go to the user's temporary folder; the test points it at a folder of its own
// to see what is created there.
class TemporaryFolderRedirect {
  public:
    TemporaryFolderRedirect() : saved_(qgetenv("TMPDIR")) {
        qputenv("TMPDIR", QFile::encodeName(dir_.path()));
    }
    ~TemporaryFolderRedirect() {
        if (saved_.isNull())
            qunsetenv("TMPDIR");
        else
            qputenv("TMPDIR", saved_);
    }
    QString path() const { return QDir(dir_.path()).canonicalPath(); }
    QStringList files() const {
        return QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    }

  private:
    QTemporaryDir dir_;
    QByteArray saved_;
};

// The window started on a program folder of its own, listing a source folder of the test's.
struct Started {
    explicit Started(bool withWriterLibrary = true) : system(program.path()), form(system) {
        if (withWriterLibrary) program.addWriterLibrary();
        program.addSample(80, 60);
        form.Form_Load();
        form.File1->setPath(source.path());
    }
    void add(const QString& name, const QByteArray& bytes) {
        writeBytes(source.filePath(name), bytes);
    }
    void convert() {
        form.File1->refresh();
        form.Command1_Click();
    }
    QStringList jpegs() const { return filesIn(program.file(QStringLiteral("DestinoJPG"))); }
    QStringList bmps() const { return filesIn(program.file(QStringLiteral("DestinoBMP"))); }
    QImage output(const QString& relative) const {
        QImage picture;
        QImageReader(program.file(relative)).read(&picture);
        return picture;
    }
    static QStringList filesIn(const QString& folder) {
        return QDir(folder).entryList(QDir::Files, QDir::Name);
    }

    ProgramFolder program;
    QTemporaryDir source;
    TemporaryFolderRedirect temporary;
    FakeSystem system;
    Form1 form;
};

// The names in `folders` whose contents or attributes (a file time among them) change while
// `during` runs. Nothing where the system cannot tell.
std::optional<std::set<QString>> namesChangedIn(const QStringList& folders,
                                                const std::function<void()>& during) {
#if defined(__linux__)
    std::set<QString> changed;
    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    for (const QString& folder : folders)
        EXPECT_GE(
            inotify_add_watch(watch, QFile::encodeName(folder).constData(), IN_ATTRIB | IN_MODIFY),
            0);
    during();
    alignas(inotify_event) char events[64 * 1024];
    for (ssize_t size; (size = read(watch, events, sizeof events)) > 0;)
        for (ssize_t at = 0; at < size;) {
            const auto* event = reinterpret_cast<const inotify_event*>(events + at);
            if (event->len) changed.insert(QFile::decodeName(event->name));
            at += sizeof(inotify_event) + event->len;
        }
    close(watch);
    return changed;
#else
    Q_UNUSED(folders);
    during();
    return std::nullopt;
#endif
}

// The source names that the closing message lists as failed, one per line "name: reason".
std::set<QString> listedEntries(const QString& message, const QStringList& names) {
    std::set<QString> listed;
    for (const QString& line : message.split(QLatin1Char('\n')))
        for (const QString& name : names)
            if (line.startsWith(name + QStringLiteral(": "))) listed.insert(name);
    return listed;
}

void expectQuadrants(const QImage& picture, int tolerance = 8) {
    const int w = picture.width(), h = picture.height();
    const int mw = w / 2 - 4, mh = h / 2 - 4;
    EXPECT_TRUE(near(meanColour(picture, QRect(2, 2, mw - 2, mh - 2)), kRed, tolerance));
    EXPECT_TRUE(near(meanColour(picture, QRect(w / 2 + 4, 2, mw - 2, mh - 2)), kGreen, tolerance));
    EXPECT_TRUE(near(meanColour(picture, QRect(2, h / 2 + 4, mw - 2, mh - 2)), kBlue, tolerance));
    EXPECT_TRUE(
        near(meanColour(picture, QRect(w / 2 + 4, h / 2 + 4, mw - 2, mh - 2)), kYellow, tolerance));
}

// exiftool's answer for these files: their metadata as "group:tag=value" in tag order, without
// what only describes the file and its encoding. exiftool is a reader of its own, not ours.
std::map<QString, std::string> exiftoolReads(const QStringList& paths) {
    QProcess exiftool;
    exiftool.start(QStringLiteral("exiftool"), QStringList{"-j", "-a", "-G1"} + paths);
    if (!exiftool.waitForFinished(60000)) ADD_FAILURE() << "exiftool (scripts/setup --test)";
    std::map<QString, std::string> read;
    const QSet<QString> encoding{"SourceFile", "ExifTool", "System", "File", "JFIF", "Composite"};
    for (const QJsonValue& file :
         QJsonDocument::fromJson(exiftool.readAllStandardOutput()).array()) {
        QStringList tags;
        const QJsonObject fields = file.toObject();
        for (auto field = fields.begin(); field != fields.end(); ++field)
            if (!encoding.contains(field.key().section(QLatin1Char(':'), 0, 0)))
                tags << field.key() + QLatin1Char('=') + field.value().toVariant().toString();
        tags.sort();
        read[file[QStringLiteral("SourceFile")].toString()] =
            tags.join(QStringLiteral("; ")).toStdString();
    }
    return read;
}

// Writes these tags into the file with exiftool, as a camera or phone would have.
void exiftoolWrites(const QString& path, const QStringList& tags) {
    QProcess exiftool;
    exiftool.start(QStringLiteral("exiftool"),
                   QStringList{"-q", "-overwrite_original"} + tags + QStringList{path});
    ASSERT_TRUE(exiftool.waitForFinished(60000) && exiftool.exitCode() == 0)
        << "exiftool (scripts/setup --test): " << exiftool.readAllStandardError().toStdString();
}

// A JPEG whose EXIF block is damaged: its first directory lies past the block's end.
QByteArray withDamagedExif(const QByteArray& jpeg) {
    const QByteArray exif = QByteArray("Exif\0\0II*\0", 10) + QByteArray::fromHex("f0ffff7f") +
                            QByteArray(32, char(0xEE));
    const int length = int(exif.size()) + 2;
    return jpeg.left(2) + QByteArray::fromHex("ffe1") + char(length >> 8) + char(length & 0xFF) +
           exif + jpeg.mid(2);
}

}  // namespace

TEST(ConvertFolder, SizesEachPictureAsTheFrameAndTheLastTouchedHandleSay) {
    Started run;
    Form1& f = run.form;
    run.add(QStringLiteral("foto.jpg"), jpegBytes(quadrantPicture(600, 400)));
    f.Check2(1).setValue(1);

    // Width driving: a frame 900 wide and a 600 x 400 picture give 900 x 600.
    f.Picture2(1).setBackColor(kBlueMarker);
    f.Picture1->setWidth(900 * 15);
    run.convert();
    EXPECT_EQ(f.Picture1->width(), 900 * 15);
    EXPECT_EQ(f.Picture1->height(), 600 * 15);
    EXPECT_EQ(f.Image1->width(), 900 * 15);
    EXPECT_EQ(f.Image1->height(), 600 * 15);
    EXPECT_EQ(run.output(QStringLiteral("DestinoJPG/foto.jpg")).size(), QSize(900, 600));
    EXPECT_EQ(run.output(QStringLiteral("DestinoBMP/foto.bmp")).size(), QSize(900, 600));

    // Height driving: a frame 200 high gives 300 x 200.
    f.Picture2(1).setBackColor(kWhiteMarker);
    f.Picture1->setHeight(200 * 15);
    run.convert();
    EXPECT_EQ(f.Picture1->width(), 300 * 15);
    EXPECT_EQ(f.Picture1->height(), 200 * 15);
    EXPECT_EQ(run.output(QStringLiteral("DestinoJPG/foto.jpg")).size(), QSize(300, 200));

    // Without the kept proportion the picture is stretched to the frame as it stands.
    f.Check2(2).setValue(0);
    f.Picture1->setWidth(441 * 15);
    f.Picture1->setHeight(100 * 15);
    run.convert();
    EXPECT_EQ(f.Picture1->width(), 441 * 15);
    EXPECT_EQ(f.Picture1->height(), 100 * 15);
    EXPECT_EQ(f.Image1->width(), 441 * 15);
    EXPECT_EQ(f.Image1->height(), 100 * 15);
    const QImage stretched = run.output(QStringLiteral("DestinoBMP/foto.bmp"));
    EXPECT_EQ(stretched.size(), QSize(441, 100));
    expectQuadrants(stretched);
    EXPECT_TRUE(run.system.messages.empty());
}

TEST(ConvertFolder, WritesTheFramesWholeSizeAsAProgressiveQuality90Jpeg) {
    Started run;
    Form1& f = run.form;
    run.add(QStringLiteral("foto.jpg"), jpegBytes(quadrantPicture(400, 300)));
    f.Picture2(1).setBackColor(kBlueMarker);
    ASSERT_EQ(f.Text1(0).text(), QStringLiteral("6615"));
    run.convert();

    // 6615 units are 441 pixels; 6615 x 300 / 400 = 4961.25 units, stored as 331 pixels.
    const QString path = run.program.file(QStringLiteral("DestinoJPG/foto.jpg"));
    QImage written;
    ASSERT_TRUE(QImageReader(path).read(&written));
    EXPECT_EQ(written.size(), QSize(441, 331));
    expectQuadrants(written);
    // The picture reaches the file's right and bottom edges: nothing of it is cut off.
    EXPECT_TRUE(near(meanColour(written, QRect(437, 320, 4, 11)), kYellow, 12));

    const JpegMarkers markers = jpegMarkers(readBytes(path));
    EXPECT_TRUE(markers.progressive);
    ASSERT_EQ(markers.tables.size(), 2u);
    EXPECT_EQ(markers.tables.at(0), libjpegQuantTable(0, 90));
    EXPECT_EQ(markers.tables.at(1), libjpegQuantTable(1, 90));
}

TEST(ConvertFolder, NamesOutputsAfterTheirSourcesAndSkipsOtherNames) {
    Started run;
    Form1& f = run.form;
    f.Check2(1).setValue(1);
    f.Picture2(1).setBackColor(kBlueMarker);
    // Each source has its own proportion, so the output's height tells where it came from.
    const struct {
        const char* name;
        int width, height;
    } sources[] = {{"FOTO.JPG", 64, 48}, {"foto.jpg", 48, 64}, {"Foto.Jpg", 80, 40},
                   {"fotoJPG", 72, 54},  {"a.jpg", 40, 30},    {"plano.BMP", 30, 60}};
    for (const auto& source : sources) {
        const QImage picture = quadrantPicture(source.width, source.height);
        run.add(QString::fromLatin1(source.name),
                QByteArray(source.name).endsWith("BMP") ? bmpBytes(picture) : jpegBytes(picture));
    }
    run.add(QStringLiteral("a.gif"), gifBytes(quadrantPicture(30, 40), kQuadrantColours));
    run.add(QStringLiteral("foto.jpeg"), jpegBytes(quadrantPicture(50, 50)));
    run.add(QStringLiteral("foto.png"), QByteArray());
    quadrantPicture(50, 50).save(run.source.filePath(QStringLiteral("foto.png")), "PNG");
    run.convert();

    EXPECT_EQ(run.jpegs(),
              (QStringList{"FOTO.jpg", "Foto.jpg", "a.jpg", "foto.jpg", "fotojpg", "plano.jpg"}));
    EXPECT_EQ(run.bmps(),
              (QStringList{"FOTO.bmp", "Foto.bmp", "a.bmp", "foto.bmp", "fotobmp", "plano.bmp"}));
    EXPECT_EQ(run.output(QStringLiteral("DestinoJPG/FOTO.jpg")).size(), QSize(441, 331));
    EXPECT_EQ(run.output(QStringLiteral("DestinoJPG/foto.jpg")).size(), QSize(441, 588));
    EXPECT_EQ(run.output(QStringLiteral("DestinoJPG/Foto.jpg")).size(), QSize(441, 220));
    EXPECT_EQ(run.output(QStringLiteral("DestinoBMP/fotobmp")).size(), QSize(441, 331));
    EXPECT_EQ(run.output(QStringLiteral("DestinoBMP/plano.bmp")).size(), QSize(441, 882));
    // a.gif comes before a.jpg in the list, so a.jpg's 4:3 picture is the one that remains.
    EXPECT_EQ(run.output(QStringLiteral("DestinoJPG/a.jpg")).size(), QSize(441, 331));
    EXPECT_EQ(run.output(QStringLiteral("DestinoBMP/a.bmp")).size(), QSize(441, 331));
    expectQuadrants(run.output(QStringLiteral("DestinoBMP/plano.bmp")));

    // The BMP files are 24-bit.
    const QByteArray bmp = readBytes(run.program.file(QStringLiteral("DestinoBMP/plano.bmp")));
    ASSERT_GT(bmp.size(), 30);
    EXPECT_EQ(bmp[28], 24);
    EXPECT_TRUE(run.system.messages.empty());
}

TEST(ConvertFolder, PicturesPastTheFirst32767EntriesAreListedAndConverted) {
    Started run;
    run.form.Picture2(1).setBackColor(kBlueMarker);
    // Links of one empty file make the many entries in a moment; the pictures sort last.
    const QString empty = run.source.filePath(QStringLiteral("0.txt"));
    run.add(QStringLiteral("0.txt"), QByteArray());
    for (int i = 1; i < 32770; ++i)
        std::filesystem::create_hard_link(
            QFile::encodeName(empty).toStdString(),
            QFile::encodeName(run.source.filePath(QStringLiteral("%1.txt").arg(i))).toStdString());
    for (const char* name : {"z1.jpg", "z2.jpg", "z3.jpg"})
        run.add(QString::fromLatin1(name), jpegBytes(quadrantPicture(8, 6)));
    run.convert();

    EXPECT_EQ(run.form.File1->listCount(), 32773);
    EXPECT_EQ(run.form.File1->list(32772), QStringLiteral("z3.jpg"));
    EXPECT_EQ(run.jpegs(), (QStringList{"z1.jpg", "z2.jpg", "z3.jpg"}));
    EXPECT_TRUE(run.system.messages.empty());
}

TEST(ConvertFolder, TransparentPartsShowWhiteNotThePreviousPicture) {
    Started run;
    Form1& f = run.form;
    f.Check2(2).setValue(0);
    f.Check2(1).setValue(1);
    QImage green(40, 30, QImage::Format_RGB32);
    green.fill(kGreen);
    run.add(QStringLiteral("1verde.jpg"), jpegBytes(green));
    // Left half see-through (palette index 0), right half red.
    QImage halves(40, 30, QImage::Format_RGB32);
    halves.fill(Qt::black);
    for (int y = 0; y < 30; ++y)
        for (int x = 20; x < 40; ++x) halves.setPixel(x, y, kRed.rgb());
    run.add(QStringLiteral("2medio.gif"), gifBytes(halves, {Qt::black, kRed}, 0));
    run.convert();

    const QImage written = run.output(QStringLiteral("DestinoBMP/2medio.bmp"));
    ASSERT_FALSE(written.isNull());
    const int w = written.width(), h = written.height();
    EXPECT_TRUE(near(meanColour(written, QRect(4, 4, w / 2 - 8, h - 8)), Qt::white, 2));
    EXPECT_TRUE(near(meanColour(written, QRect(w / 2 + 4, 4, w / 2 - 8, h - 8)), kRed, 2));
}

TEST(ConvertFolder, WithBothBoxesUntickedPaintsEveryPictureAndWritesNothing) {
    Started run;
    Form1& f = run.form;
    f.Check2(0).setValue(0);
    f.Check2(1).setValue(0);
    f.Picture2(1).setBackColor(kBlueMarker);
    run.add(QStringLiteral("a.jpg"), jpegBytes(quadrantPicture(100, 50)));
    run.add(QStringLiteral("b.gif"), gifBytes(quadrantPicture(40, 60), kQuadrantColours));
    run.convert();

    EXPECT_TRUE(run.jpegs().isEmpty());
    EXPECT_TRUE(run.bmps().isEmpty());
    EXPECT_TRUE(run.temporary.files().isEmpty());
    EXPECT_TRUE(run.system.deleted.empty());
    EXPECT_TRUE(run.system.messages.empty());
    // The last picture was loaded, sized and painted all the same.
    EXPECT_EQ(f.Image1->picture().size(), QSize(40, 60));
    EXPECT_EQ(f.Picture1->height(), 662 * 15);  // 441 x 60 / 40 = 661.5, to the even 662
    EXPECT_EQ(f.Picture1->surface().size(), QSize(441, 662));
    expectQuadrants(f.Picture1->surface());
}

TEST(ConvertFolder, ScratchIsPrivateAndEachJpegComesBeforeItsBmp) {
    Started run;
    Form1& f = run.form;
    f.Check2(1).setValue(1);
    // One picture at a time, so that the files written so far tell whose scratch file it is.
    f.conversionThreads = 1;
    for (const char* name : {"a.jpg", "b.jpg", "c.bmp"})
        run.add(QString::fromLatin1(name), jpegBytes(quadrantPicture(80, 60)));

    std::set<QString> scratches;
    run.system.beforeDelete = [&](const QString& path) {
        SCOPED_TRACE(path.toStdString());
        const std::size_t done = run.system.deleted.size();
        scratches.insert(path);
        // The writer has just made this entry's JPEG; its BMP comes next.
        EXPECT_EQ(run.jpegs().size(), done + 1);
        EXPECT_EQ(run.bmps().size(), done);
        EXPECT_EQ(QFileInfo(path).canonicalPath(), run.temporary.path());
        const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                                QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                                QFileDevice::WriteOther | QFileDevice::ExeOther;
        EXPECT_EQ(QFile::permissions(path) & others, QFileDevice::Permissions());
        const QByteArray bmp = readBytes(path);
        ASSERT_GT(bmp.size(), 30);
        EXPECT_TRUE(bmp.startsWith("BM"));
        EXPECT_EQ(bmp[28], 24);
    };
    run.convert();

    EXPECT_EQ(run.system.deleted.size(), 3u);
    EXPECT_EQ(scratches.size(), 3u);  // a new name every time
    EXPECT_TRUE(run.temporary.files().isEmpty());
    EXPECT_EQ(run.jpegs(), (QStringList{"a.jpg", "b.jpg", "c.jpg"}));
    EXPECT_EQ(run.bmps(), (QStringList{"a.bmp", "b.bmp", "c.bmp"}));
    EXPECT_TRUE(run.system.messages.empty());
    (void)f;
}

TEST(ConvertFolder, BadFilesAreListedOnceAtTheEndAndTheGoodOnesWritten) {
    Started run;
    Form1& f = run.form;
    f.Check2(1).setValue(1);
    f.Picture2(1).setBackColor(kWhiteMarker);
    run.add(QStringLiteral("bien.jpg"), jpegBytes(quadrantPicture(80, 60)));
    run.add(QStringLiteral("bien_gif.gif"), gifBytes(quadrantPicture(40, 30), kQuadrantColours));
    run.add(QStringLiteral("bien_bmp.bmp"), bmpBytes(quadrantPicture(40, 30)));
    const QByteArray busy = jpegBytes(busyPicture(256, 192));
    run.add(QStringLiteral("cortada.jpg"), busy.left(busy.size() * 2 / 3));
    const QByteArray gif = gifBytes(busyPicture(64, 64), kQuadrantColours);
    run.add(QStringLiteral("cortada.gif"), gif.left(gif.size() / 2));
    const QByteArray bmp = bmpBytes(busyPicture(64, 64));
    run.add(QStringLiteral("corta.bmp"), bmp.left(bmp.size() - 1000));
    run.add(QStringLiteral("vacia.jpg"), QByteArray());
    run.add(QStringLiteral("texto.gif"), "esto no es una imagen\n");
    run.add(QStringLiteral("notas.txt"), "se salta\n");
    // The height drives: 1 x 1000 pixels in a frame 331 high would be a third of a pixel wide.
    run.add(QStringLiteral("raya.bmp"), bmpBytes(quadrantPicture(1, 1000)));
    // A folder dropped while the run is not over, its closing message still up, is refused.
    const QString listed = f.File1->path();
    QTemporaryDir elsewhere;
    bool dropTaken = true;
    run.system.whileMessageShows = [&] {
        dropTaken =
            dropOn(f, {QUrl::fromLocalFile(elsewhere.path())}).dropped || f.File1->path() != listed;
    };
    run.convert();
    EXPECT_FALSE(dropTaken);

    EXPECT_EQ(run.jpegs(), (QStringList{"bien.jpg", "bien_bmp.jpg", "bien_gif.jpg"}));
    EXPECT_EQ(run.bmps(), (QStringList{"bien.bmp", "bien_bmp.bmp", "bien_gif.bmp"}));
    ASSERT_EQ(run.system.messages.size(), 1u);
    const QString message = run.system.messages.front().text;
    const QStringList names = QDir(run.source.path()).entryList(QDir::Files);
    EXPECT_EQ(listedEntries(message, names),
              (std::set<QString>{"cortada.jpg", "cortada.gif", "corta.bmp", "vacia.jpg",
                                 "texto.gif", "raya.bmp"}))
        << qPrintable(message);
    EXPECT_TRUE(message.contains(QStringLiteral("cortada.jpg: el archivo está cortado")))
        << qPrintable(message);
    EXPECT_TRUE(message.contains(QStringLiteral("vacia.jpg: el archivo está vacío")));
    EXPECT_TRUE(message.contains(QStringLiteral("raya.bmp: a este tamaño")));
    EXPECT_TRUE(message.contains(QStringLiteral("Se han escrito 6 archivos.")));
    EXPECT_FALSE(run.system.endStatus.has_value());
    EXPECT_TRUE(run.temporary.files().isEmpty());
}

TEST(ConvertFolder, CorpusBadFolderRunsToTheEndListingExactlyTheBadOnes) {
    const QString corpus = corpusDir();
    if (corpus.isEmpty()) GTEST_SKIP() << "no shared corpus in this checkout";
    Started run;
    const QDir bad(QDir(corpus).filePath(QStringLiteral("bad")));
    for (const QString& name : bad.entryList(QDir::Files))
        QFile::copy(bad.filePath(name), run.source.filePath(name));
    for (const char* good : {"good/flower.jpg", "good/test.colors.gif", "good/rgb24.bmp"})
        QFile::copy(QDir(corpus).filePath(QString::fromLatin1(good)),
                    run.source.filePath(QFileInfo(QString::fromLatin1(good)).fileName()));
    run.convert();

    // Files that decoders read whole (a PNG named .jpg is read by its content; a few odd BMPs
    // are taken as they are) are converted; the others are listed.
    const std::set<QString> converted{"flower.jpg",       "test.colors.gif",       "rgb24.bmp",
                                      "badrle.bmp",       "pal8badindex.bmp",      "rletopdown.bmp",
                                      "testorig_png.jpg", "truncated_exif_dpi.jpg"};
    const QStringList names = QDir(run.source.path()).entryList(QDir::Files);
    std::set<QString> expectedListed;
    QStringList expectedJpegs;
    for (const QString& name : names) {
        if (converted.count(name))
            expectedJpegs << name.chopped(3) + QStringLiteral("jpg");
        else
            expectedListed.insert(name);
    }
    expectedJpegs.sort();
    QStringList jpegs = run.jpegs();
    jpegs.sort();
    EXPECT_EQ(jpegs, expectedJpegs);
    ASSERT_EQ(run.system.messages.size(), 1u);
    const QString message = run.system.messages.front().text;
    EXPECT_EQ(listedEntries(message, names), expectedListed) << qPrintable(message);
    EXPECT_TRUE(
        message.contains(QStringLiteral("Se han escrito %1 archivos.").arg(converted.size())));
    EXPECT_FALSE(run.system.endStatus.has_value());
    EXPECT_TRUE(run.temporary.files().isEmpty());
}

TEST(ConvertFolder, LeavesTheLastPictureOnTheWindowAndTheReadoutsAsTheyWere) {
    Started run;
    Form1& f = run.form;
    f.Picture2(1).setBackColor(kWhiteMarker);  // height drives
    run.add(QStringLiteral("a.jpg"), jpegBytes(quadrantPicture(50, 50)));
    run.add(QStringLiteral("b.bmp"), bmpBytes(quadrantPicture(200, 100)));
    run.add(QStringLiteral("c.txt"), "no es una imagen");
    const QString width = f.Text1(0).text(), height = f.Text1(1).text();
    run.convert();

    EXPECT_TRUE(f.Picture1->autoRedraw());
    EXPECT_FALSE(f.Image1->isHidden());
    // The last entry was not a picture: stretch is off, the last picture stays.
    EXPECT_FALSE(f.Image1->stretch());
    EXPECT_EQ(f.Image1->picture().size(), QSize(200, 100));
    // The frame fitted to the 4:3 sample is 331 pixels high: 662 wide in b.bmp's proportion.
    EXPECT_EQ(f.Picture1->height(), 331 * 15);
    EXPECT_EQ(f.Picture1->width(), 662 * 15);
    EXPECT_EQ(f.Picture1->surface().size(), QSize(662, 331));
    expectQuadrants(f.Picture1->surface());
    EXPECT_EQ(f.Text1(0).text(), width);
    EXPECT_EQ(f.Text1(1).text(), height);

    // A run whose last entry is a picture leaves stretch on.
    QFile::remove(run.source.filePath(QStringLiteral("c.txt")));
    run.convert();
    EXPECT_TRUE(f.Image1->stretch());
    EXPECT_EQ(f.Image1->width(), f.Picture1->width());
    EXPECT_EQ(f.Image1->height(), f.Picture1->height());
}

TEST(ConvertFolder, EmptyListOrNoPicturesChangeNothingButTheImageState) {
    Started run;
    Form1& f = run.form;
    ASSERT_EQ(f.Image1->picture().size(), QSize(80, 60));  // the sample
    f.Image1->hide();
    const float frameWidth = f.Picture1->width(), frameHeight = f.Picture1->height();
    run.convert();
    EXPECT_FALSE(f.Image1->isHidden());
    EXPECT_TRUE(f.Image1->stretch());  // nothing to switch it off
    EXPECT_TRUE(f.Picture1->autoRedraw());
    EXPECT_EQ(f.Picture1->width(), frameWidth);
    EXPECT_EQ(f.Picture1->height(), frameHeight);

    run.add(QStringLiteral("notas.txt"), "texto");
    run.add(QStringLiteral("foto.png"), QByteArray());
    run.convert();
    EXPECT_FALSE(f.Image1->isHidden());
    EXPECT_FALSE(f.Image1->stretch());
    EXPECT_EQ(f.Image1->picture().size(), QSize(80, 60));
    EXPECT_TRUE(run.jpegs().isEmpty());
    EXPECT_TRUE(run.system.messages.empty());
    EXPECT_TRUE(run.temporary.files().isEmpty());
}

TEST(ConvertFolder, BindsTheWriterLibraryAtTheFirstJpegAndKeepsIt) {
    Started run(/*withWriterLibrary=*/false);  // start-up does not need it
    Form1& f = run.form;
    f.Check2(1).setValue(1);
    run.add(QStringLiteral("a.jpg"), jpegBytes(quadrantPicture(40, 30)));
    run.add(QStringLiteral("b.gif"), gifBytes(quadrantPicture(40, 30), kQuadrantColours));
    run.convert();

    EXPECT_TRUE(run.jpegs().isEmpty());
    EXPECT_EQ(run.bmps(), (QStringList{"a.bmp", "b.bmp"}));
    ASSERT_EQ(run.system.messages.size(), 1u);
    const QString message = run.system.messages.front().text;
    EXPECT_EQ(listedEntries(message, {"a.jpg", "b.gif"}), (std::set<QString>{"a.jpg", "b.gif"}));
    EXPECT_TRUE(message.contains(QStringLiteral("no se encuentra la biblioteca «%1»")
                                     .arg(toolkit::JpegWriter::libraryFileName())))
        << qPrintable(message);
    EXPECT_FALSE(run.system.endStatus.has_value());
    EXPECT_TRUE(run.temporary.files().isEmpty());

    // Put in place after start-up, it is found at the next JPEG.
    run.program.addWriterLibrary();
    run.system.messages.clear();
    run.convert();
    EXPECT_EQ(run.jpegs(), (QStringList{"a.jpg", "b.jpg"}));
    EXPECT_TRUE(run.system.messages.empty());

    // Once bound it stays bound, whatever happens to the file.
    ASSERT_TRUE(QFile::remove(run.program.file(toolkit::JpegWriter::libraryFileName())));
    QFile::remove(run.program.file(QStringLiteral("DestinoJPG/a.jpg")));
    run.convert();
    EXPECT_EQ(run.jpegs(), (QStringList{"a.jpg", "b.jpg"}));
    EXPECT_TRUE(run.system.messages.empty());
}

TEST(ConvertFolder, MakesMissingOutputFoldersAndSaysOnceWhenOneCannotBeMade) {
    Started run;
    Form1& f = run.form;
    f.Check2(1).setValue(1);
    run.add(QStringLiteral("a.jpg"), jpegBytes(quadrantPicture(40, 30)));
    run.add(QStringLiteral("b.jpg"), jpegBytes(quadrantPicture(40, 30)));
    ASSERT_TRUE(QDir(run.program.file(QStringLiteral("DestinoJPG"))).removeRecursively());
    ASSERT_TRUE(QDir(run.program.file(QStringLiteral("DestinoBMP"))).removeRecursively());
    run.convert();
    EXPECT_EQ(run.jpegs(), (QStringList{"a.jpg", "b.jpg"}));
    EXPECT_EQ(run.bmps(), (QStringList{"a.bmp", "b.bmp"}));
    EXPECT_TRUE(run.system.messages.empty());

    // A file where the JPG folder should be: one line about it, the BMP files still written.
    ASSERT_TRUE(QDir(run.program.file(QStringLiteral("DestinoJPG"))).removeRecursively());
    writeBytes(run.program.file(QStringLiteral("DestinoJPG")), "estorba");
    QDir(run.program.file(QStringLiteral("DestinoBMP"))).removeRecursively();
    run.convert();
    EXPECT_EQ(run.bmps(), (QStringList{"a.bmp", "b.bmp"}));
    ASSERT_EQ(run.system.messages.size(), 1u);
    const QString message = run.system.messages.front().text;
    EXPECT_EQ(message.count(QStringLiteral("DestinoJPG")), 1) << qPrintable(message);
    EXPECT_TRUE(message.contains(QStringLiteral("No se ha escrito ningún archivo JPG")));
    EXPECT_TRUE(listedEntries(message, {"a.jpg", "b.jpg"}).empty()) << qPrintable(message);
    EXPECT_TRUE(message.contains(QStringLiteral("Se han escrito 2 archivos.")));
    EXPECT_FALSE(run.system.endStatus.has_value());
}

TEST(ConvertFolder, AnOutputThatCannotBeWrittenFailsOnlyThatOutput) {
    Started run;
    Form1& f = run.form;
    f.Check2(1).setValue(1);
    run.add(QStringLiteral("a.jpg"), jpegBytes(quadrantPicture(40, 30)));
    run.add(QStringLiteral("b.jpg"), jpegBytes(quadrantPicture(40, 30)));
    run.add(QStringLiteral("c.jpg"), jpegBytes(quadrantPicture(40, 30)));
    // Folders standing where a.bmp and b.jpg should go.
    QDir(run.program.path()).mkpath(QStringLiteral("DestinoBMP/a.bmp/x"));
    QDir(run.program.path()).mkpath(QStringLiteral("DestinoJPG/b.jpg/x"));
    run.convert();

    EXPECT_EQ(run.jpegs(), (QStringList{"a.jpg", "c.jpg"}));
    EXPECT_EQ(run.bmps(), (QStringList{"b.bmp", "c.bmp"}));
    ASSERT_EQ(run.system.messages.size(), 1u);
    const QString message = run.system.messages.front().text;
    EXPECT_EQ(listedEntries(message, {"a.jpg", "b.jpg", "c.jpg"}),
              (std::set<QString>{"a.jpg", "b.jpg"}))
        << qPrintable(message);
    EXPECT_TRUE(message.contains(QStringLiteral("a.jpg: no se puede guardar «a.bmp»")))
        << qPrintable(message);
    EXPECT_TRUE(message.contains(QStringLiteral("b.jpg: no se puede escribir «b.jpg»")))
        << qPrintable(message);
    EXPECT_TRUE(message.contains(QStringLiteral("Se han escrito 4 archivos.")));
    EXPECT_TRUE(run.temporary.files().isEmpty());
}

TEST(ConvertFolder, AProgramFolderThatTakesNoOutputSaysWhereAndWhatToDoAndWritesNothing) {
    Started run;
    run.form.Check2(1).setValue(1);
    run.add(QStringLiteral("a.jpg"), jpegBytes(quadrantPicture(40, 30)));
    // Both output folders unusable: files stand where the folders should be.
    for (const char* folder : {"DestinoJPG", "DestinoBMP"}) {
        QDir(run.program.path()).rmdir(QString::fromLatin1(folder));
        writeBytes(run.program.file(QString::fromLatin1(folder)), "no soy una carpeta");
    }
    const QStringList before = QDir(run.program.path()).entryList(QDir::AllEntries | QDir::Hidden);

    run.convert();

    ASSERT_EQ(run.system.messages.size(), 1u);
    const QString& text = run.system.messages.front().text;
    EXPECT_TRUE(text.contains(QDir::toNativeSeparators(run.program.path()))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("make install"))) << text.toStdString();
    EXPECT_EQ(QDir(run.program.path()).entryList(QDir::AllEntries | QDir::Hidden), before);
    EXPECT_TRUE(run.temporary.files().isEmpty());
    EXPECT_EQ(readBytes(run.program.file(QStringLiteral("DestinoJPG"))), "no soy una carpeta");
    EXPECT_FALSE(run.form.Image1->isHidden());
}

// Of a source's metadata the JPEG keeps the moment the photo was taken, nothing else, and both
// outputs the source's file time; metadata that cannot be read never fails a picture.
TEST(ConvertFolder, OutputsKeepTheDateTakenAndTheFileTimeAndNothingElse) {
    Started run;
    run.form.Check2(1).setValue(1);
    const QByteArray jpeg = jpegBytes(quadrantPicture(80, 60));
    for (const char* name : {"movil.jpg", "camara.jpg", "sin_fecha.jpg"}) run.add(name, jpeg);
    const QStringList located{"-GPSLatitude=40.4168", "-GPSLatitudeRef=N", "-GPSLongitude=3.7038",
                              "-GPSLongitudeRef=W"};
    exiftoolWrites(
        run.source.filePath("movil.jpg"),
        located + QStringList{"-Make=Fabricante", "-Model=Teléfono",
                              "-DateTimeOriginal=2023:07:14 18:30:05", "-SubSecTimeOriginal=042",
                              "-OffsetTimeOriginal=+02:00", "-SerialNumber=SN-123456",
                              "-LensSerialNumber=LS-987",
                              "-MakerNoteUnknownText=propio del fabricante", "-Orientation#=6",
                              "-ThumbnailImage<=" + run.program.file("muestra.jpg")});
    exiftoolWrites(run.source.filePath("camara.jpg"), {"-DateTimeOriginal=2001:02:03 04:05:06"});
    // Cameras that do not know the date write zeros.
    exiftoolWrites(run.source.filePath("sin_fecha.jpg"),
                   located + QStringList{"-DateTimeOriginal=0000:00:00 00:00:00"});
    run.add("dañada.jpg", withDamagedExif(jpeg));
    run.add("plano.bmp", bmpBytes(quadrantPicture(80, 60)));
    run.add("dibujo.gif", gifBytes(quadrantPicture(80, 60), kQuadrantColours));
    const std::map<QString, std::string> kept{
        {"movil",
         "ExifIFD:DateTimeOriginal=2023:07:14 18:30:05; ExifIFD:ExifVersion=0232; "
         "ExifIFD:OffsetTimeOriginal=+02:00; ExifIFD:SubSecTimeOriginal=042"},
        {"camara", "ExifIFD:DateTimeOriginal=2001:02:03 04:05:06; ExifIFD:ExifVersion=0232"},
        {"sin_fecha", ""},
        {"dañada", ""},
        {"plano", ""},
        {"dibujo", ""}};
    // Each source from another day, to the nanosecond.
    std::map<QString, long long> times;
    for (const QString& source : Started::filesIn(run.source.path())) {
        const std::filesystem::path path(QFile::encodeName(run.source.filePath(source)).data());
        std::filesystem::last_write_time(path, std::filesystem::last_write_time(path) -
                                                   std::chrono::nanoseconds(987654321) -
                                                   std::chrono::hours(24 * (1 + times.size())));
        times[source.section(QLatin1Char('.'), 0, 0)] =
            std::filesystem::last_write_time(path).time_since_epoch().count();
    }
    // The time is given before the output takes its name: nothing is changed through that name
    // afterwards, where a link may have been planted in the meantime.
    const QStringList outputFolders{run.program.file("DestinoJPG"), run.program.file("DestinoBMP")};
    for (const QString& folder : outputFolders) ASSERT_TRUE(QDir().mkpath(folder));
    if (const auto dated = namesChangedIn(outputFolders, [&] { run.convert(); })) {
        EXPECT_FALSE(dated->empty());
        for (const QString& name : *dated)
            EXPECT_TRUE(name.startsWith(QLatin1Char('.'))) << name.toStdString();
    }

    EXPECT_TRUE(run.system.messages.empty()) << run.system.messages.front().text.toStdString();
    QStringList jpegs;
    for (const auto& [stem, tags] : kept) jpegs << run.program.file("DestinoJPG/" + stem + ".jpg");
    const auto read = exiftoolReads(jpegs);
    for (const auto& [stem, tags] : kept) {
        SCOPED_TRACE(stem.toStdString());
        const QString jpg = run.program.file("DestinoJPG/" + stem + ".jpg");
        ASSERT_EQ(read.count(jpg), 1u);
        EXPECT_EQ(read.at(jpg), tags);
        for (const QString& output : {jpg, run.program.file("DestinoBMP/" + stem + ".bmp")})
            EXPECT_EQ(std::filesystem::last_write_time(QFile::encodeName(output).data())
                          .time_since_epoch()
                          .count(),
                      times.at(stem));
    }
}
