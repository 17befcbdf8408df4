#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QImageReader>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <atomic>
#include <utility>

#include "app/form1.h"
#include "convert/batch/outputs.h"
#include "convert/batch/picture_workers.h"
#include "support/fake_system.h"
#include "support/picture_files.h"
#include "support/program_folder.h"
#include "toolkit/controls/progress_window.h"
#include "toolkit/system/jpeg_writer.h"

namespace {

const QList<QColor> kQuadrantColours{QColor(220, 30, 30), QColor(30, 200, 30), QColor(30, 30, 220),
                                     QColor(230, 230, 40)};
constexpr std::uint32_t kBlueMarker = 0xFF0000;
constexpr std::uint32_t kWhiteMarker = 0xFFFFFF;

// A window on a program folder of its own, converting `threads` pictures at once.
struct Window {
    explicit Window(int threads) : system(program.path()), form(system) {
        program.addWriterLibrary();
        program.addSample(80, 60);
        form.Form_Load();
        form.conversionThreads = threads;
        form.Check2(1).setValue(1);
    }
    void convert(const QString& folder) {
        form.File1->setPath(folder);
        form.File1->refresh();
        form.Command1_Click();
    }
    // Every output file, by its path under the program folder, with its bytes.
    std::map<QString, QByteArray> outputs() const {
        std::map<QString, QByteArray> files;
        for (const char* folder : {"DestinoJPG", "DestinoBMP"}) {
            QDirIterator it(program.file(QString::fromLatin1(folder)), QDir::Files);
            while (it.hasNext()) {
                const QString path = it.next();
                files[QString::fromLatin1(folder) + QLatin1Char('/') + it.fileName()] =
                    readBytes(path);
            }
        }
        return files;
    }
    QSize outputSize(const QString& relative) const {
        return QImageReader(program.file(relative)).size();
    }

    ProgramFolder program;
    FakeSystem system;
    Form1 form;
};

// What a run leaves on the window, to compare two windows.
struct Left {
    explicit Left(const Form1& f)
        : frame(f.Picture1->width(), f.Picture1->height()),
          image(f.Image1->width(), f.Image1->height()),
          stretch(f.Image1->stretch()),
          shown(!f.Image1->isHidden()),
          natural(f.Image1->naturalSize()),
          picture(f.Image1->picture()),
          surface(f.Picture1->surface()),
          readouts(f.Text1(0).text() + QLatin1Char('x') + f.Text1(1).text()) {}
    bool operator==(const Left&) const = default;

    QSizeF frame, image;
    bool stretch, shown;
    QSize natural;
    QImage picture, surface;
    QString readouts;
};

// A folder where every picture has its own proportion, some large enough to be decoded
// reduced, in all three formats, with a collision of names and a damaged file among them.
void fillMixedFolder(const QString& folder) {
    const struct {
        const char* name;
        int width, height;
    } pictures[] = {{"01.jpg", 1600, 1200}, {"02.jpg", 900, 1500}, {"03.gif", 300, 100},
                    {"04.bmp", 700, 350},   {"05.jpg", 2000, 900}, {"06.jpg", 120, 90},
                    {"a.bmp", 1800, 600},   {"a.jpg", 300, 400},   {"07.jpg", 1000, 1000}};
    for (const auto& p : pictures) {
        const QImage picture = quadrantPicture(p.width, p.height);
        const QString name = QString::fromLatin1(p.name);
        const QByteArray bytes = name.endsWith(QLatin1String("gif"))
                                     ? gifBytes(picture, kQuadrantColours)
                                 : name.endsWith(QLatin1String("bmp")) ? bmpBytes(picture)
                                                                       : jpegBytes(picture);
        writeBytes(QDir(folder).filePath(name), bytes);
    }
    const QByteArray busy = jpegBytes(busyPicture(400, 300));
    writeBytes(QDir(folder).filePath(QStringLiteral("08cortada.jpg")), busy.left(busy.size() / 2));
    writeBytes(QDir(folder).filePath(QStringLiteral("09notas.txt")), "no es una imagen");
}

}  // namespace

TEST(ParallelRun, WritesTheSameFilesAndLeavesTheSameWindowAsOnePictureAtATime) {
    QTemporaryDir source;
    fillMixedFolder(source.path());
    // The width driving, the height driving, and the stretch without proportion; the frame
    // changes from picture to picture in the first two.
    for (const int mode : {0, 1, 2}) {
        SCOPED_TRACE(mode);
        Window one(1), many(4);
        for (Window* w : {&one, &many}) {
            w->form.Check2(2).setValue(mode == 2 ? 0 : 1);
            w->form.Picture2(1).setBackColor(mode == 1 ? kWhiteMarker : kBlueMarker);
            w->form.Picture1->setHeight(300 * 15);
            w->convert(source.path());
        }
        const auto written = one.outputs();
        EXPECT_EQ(written.size(), 16u);  // 8 pictures make a JPG and a BMP each
        EXPECT_TRUE(written == many.outputs());
        EXPECT_TRUE(Left(one.form) == Left(many.form));
        ASSERT_EQ(one.system.messages.size(), 1u);
        ASSERT_EQ(many.system.messages.size(), 1u);
        EXPECT_EQ(one.system.messages.front().text, many.system.messages.front().text);
        EXPECT_TRUE(one.system.messages.front().text.contains(QStringLiteral("08cortada.jpg")));

        // Each picture's own proportion, from the frame the previous ones left.
        if (mode == 0) {
            EXPECT_EQ(one.outputSize(QStringLiteral("DestinoJPG/02.jpg")), QSize(441, 735));
            EXPECT_EQ(one.outputSize(QStringLiteral("DestinoJPG/05.jpg")), QSize(441, 198));
            EXPECT_EQ(one.form.Picture1->height(), 588 * 15);  // a.jpg is the last, 3 x 4
        } else if (mode == 1) {
            EXPECT_EQ(one.outputSize(QStringLiteral("DestinoJPG/02.jpg")), QSize(180, 300));
            EXPECT_EQ(one.outputSize(QStringLiteral("DestinoJPG/03.jpg")), QSize(900, 300));
            EXPECT_EQ(one.form.Picture1->width(), 225 * 15);
        } else {
            EXPECT_EQ(one.outputSize(QStringLiteral("DestinoBMP/02.bmp")), QSize(441, 300));
        }
        // a.bmp and a.jpg both make a.jpg and a.bmp: the later entry, a.jpg (3 x 4), remains.
        const QSize a = one.outputSize(QStringLiteral("DestinoJPG/a.jpg"));
        EXPECT_EQ(many.outputSize(QStringLiteral("DestinoBMP/a.bmp")), a);
        if (mode == 0) {
            EXPECT_EQ(a, QSize(441, 588));
        }
    }
}

TEST(ParallelRun, AnUnreadableLastPictureLeavesTheWindowAsThePictureBeforeIt) {
    QTemporaryDir source;
    writeBytes(source.filePath(QStringLiteral("a.jpg")), jpegBytes(quadrantPicture(300, 400)));
    writeBytes(source.filePath(QStringLiteral("b.jpg")), jpegBytes(quadrantPicture(900, 300)));
    // Its header is whole and tells another proportion; its picture data is cut off.
    const QByteArray busy = jpegBytes(busyPicture(400, 100));
    writeBytes(source.filePath(QStringLiteral("c.jpg")), busy.left(busy.size() / 2));
    Window window(2);
    window.form.Picture2(1).setBackColor(kBlueMarker);
    window.convert(source.path());

    EXPECT_EQ(window.form.Picture1->height(), 147 * 15);  // b.jpg's 3 x 1, not c.jpg's 4 x 1
    EXPECT_EQ(window.form.Image1->height(), 147 * 15);
    EXPECT_EQ(window.form.Image1->naturalSize(), QSize(900, 300));
    // Decoded no finer than the frame needs: half its size still covers 441 x 147.
    EXPECT_EQ(window.form.Image1->picture().size(), QSize(450, 150));
    EXPECT_FALSE(window.form.Image1->stretch());  // the last entry was not read
    EXPECT_EQ(window.form.Picture1->surface().size(), QSize(441, 147));
    ASSERT_EQ(window.system.messages.size(), 1u);
    EXPECT_TRUE(window.system.messages.front().text.contains(QStringLiteral("c.jpg: ")));
}

TEST(ParallelRun, TheLaterOfTwoSameNamedPicturesWinsEvenWhenItIsFasterToConvert) {
    // Each slow, large BMP comes before a small JPEG of the same name: converted at once, the
    // small one is done first, and still its files must be the ones that remain.
    QTemporaryDir source;
    for (const char* stem : {"a", "b", "c", "d"}) {
        writeBytes(source.filePath(QString::fromLatin1(stem) + QStringLiteral(".bmp")),
                   bmpBytes(quadrantPicture(2400, 800)));
        writeBytes(source.filePath(QString::fromLatin1(stem) + QStringLiteral(".jpg")),
                   jpegBytes(quadrantPicture(60, 80)));
    }
    Window window(2);
    window.form.Picture2(1).setBackColor(kBlueMarker);
    window.convert(source.path());
    for (const char* stem : {"a", "b", "c", "d"}) {
        SCOPED_TRACE(stem);
        EXPECT_EQ(window.outputSize(QStringLiteral("DestinoJPG/%1.jpg").arg(stem)),
                  QSize(441, 588));
        EXPECT_EQ(window.outputSize(QStringLiteral("DestinoBMP/%1.bmp").arg(stem)),
                  QSize(441, 588));
    }
    EXPECT_TRUE(window.system.messages.empty());
}

TEST(ParallelRun, ShowsProgressAndCancelKeepsWhatWasWrittenAndSaysHowMuch) {
    QTemporaryDir source;
    // Heights 100, 110, ... pixels for 441 wide: the frame tells which picture was last.
    for (int i = 0; i < 12; ++i)
        writeBytes(source.filePath(QStringLiteral("foto%1.jpg").arg(i, 2, 10, QChar(u'0'))),
                   jpegBytes(busyPicture(1764, 800 + 80 * i)));
    Window window(1);
    window.form.Check2(1).setValue(0);
    window.form.Picture2(1).setBackColor(kBlueMarker);

    // Pressed as soon as the first picture is written: the window says how far the run is only
    // a few times a second, so its count need not stop at each picture.
    QStringList seen;
    bool wasModal = false;
    bool pressed = false;
    struct Watcher : QObject {
        std::function<void(toolkit::ProgressWindow*)> shown;
        bool eventFilter(QObject* object, QEvent* event) override {
            if (event->type() == QEvent::Show)
                if (auto* progress = qobject_cast<toolkit::ProgressWindow*>(object))
                    shown(progress);
            return false;
        }
    } watcher;
    watcher.shown = [&](toolkit::ProgressWindow* progress) {
        wasModal = progress->windowModality() == Qt::WindowModal && progress->isModal();
        QObject::connect(
            progress, &toolkit::ProgressWindow::advanced, progress, [&, progress](int) {
                for (const QLabel* label : progress->findChildren<QLabel*>()) seen << label->text();
                // A screen reader's "press" reaches buttons the progress
                // window's modality hides from the mouse: refused during a run. Updates are
                // throttled, so on a busy machine the first one shown may already count several.
                if (std::exchange(pressed, true)) return;
                window.form.Command1->click();
                window.form.Command2->click();
                auto* poll = new QTimer(progress);
                QObject::connect(poll, &QTimer::timeout, progress, [&, poll, progress] {
                    if (QDir(window.program.file(QStringLiteral("DestinoJPG")))
                            .entryList({QStringLiteral("*.jpg")}, QDir::Files)
                            .isEmpty())
                        return;
                    poll->stop();
                    progress->cancelButton()->click();
                });
                poll->start(2);
            });
    };
    qApp->installEventFilter(&watcher);
    window.convert(source.path());
    qApp->removeEventFilter(&watcher);

    EXPECT_TRUE(wasModal);
    EXPECT_TRUE(window.system.dialogFolders.empty());
    EXPECT_FALSE(window.form.runInProgress());
    EXPECT_FALSE(
        seen.filter(QRegularExpression(QStringLiteral("^Convirtiendo \\d+ de 12$"))).isEmpty())
        << qPrintable(seen.join(u'|'));
    EXPECT_FALSE(seen.filter(QRegularExpression(QStringLiteral("^foto\\d\\d\\.jpg$"))).isEmpty());
    const QStringList jpegs =
        QDir(window.program.file(QStringLiteral("DestinoJPG"))).entryList(QDir::Files, QDir::Name);
    // The first picture, and those the worker had taken up before the cancel came; the list
    // order kept, so they are the first ones.
    ASSERT_GE(jpegs.size(), 1);
    ASSERT_LT(jpegs.size(), 12);
    EXPECT_EQ(jpegs.last(), QStringLiteral("foto%1.jpg").arg(jpegs.size() - 1, 2, 10, QChar(u'0')));
    ASSERT_EQ(window.system.messages.size(), 1u);
    const QString message = window.system.messages.front().text;
    EXPECT_TRUE(message.startsWith(QStringLiteral("Se ha cancelado la conversión")))
        << qPrintable(message);
    EXPECT_TRUE(message.endsWith(
        jpegs.size() == 1 ? QStringLiteral("Se ha escrito 1 archivo.")
                          : QStringLiteral("Se han escrito %1 archivos.").arg(jpegs.size())))
        << qPrintable(message);
    // The window as the last picture converted left it, not as the list's end would have.
    const int last = int(jpegs.size()) - 1;
    EXPECT_EQ(window.form.Picture1->height(), (200 + 20 * last) * 15);
    EXPECT_EQ(window.form.Image1->naturalSize(), QSize(1764, 800 + 80 * last));
    EXPECT_EQ(window.form.Picture1->surface().size(), QSize(441, 200 + 20 * last));
    EXPECT_FALSE(window.form.Image1->isHidden());
    EXPECT_TRUE(window.form.Image1->stretch());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(ParallelRun, ALargePhotoIsPreviewedReducedButKeepsItsWholeNaturalSize) {
    ProgramFolder program;
    program.addSample(80, 60);
    writeBytes(program.file(QStringLiteral("grande.jpg")), jpegBytes(quadrantPicture(4000, 3000)));
    FakeSystem system(program.path());
    Form1 form(system);
    form.Form_Load();
    form.Image1->setStretch(false);
    form.Image1->loadPicture(program.file(QStringLiteral("grande.jpg")));
    EXPECT_EQ(form.Image1->naturalSize(), QSize(4000, 3000));
    EXPECT_EQ(form.Image1->width(), 4000 * 15);
    EXPECT_EQ(form.Image1->height(), 3000 * 15);
    EXPECT_LT(form.Image1->picture().width(), 4000);
    EXPECT_GE(form.Image1->picture().width(), form.screen()->size().width());
    EXPECT_GE(form.Image1->picture().height(), form.screen()->size().height());
}

// The batch engine on a program folder of its own, without the window.
struct Engine {
    Engine() { program.addWriterLibrary(); }
    ProgramFolder program;
    FakeSystem system{program.path()};
    toolkit::JpegWriter writer;
    convert::Outputs outputs{program.path(), writer, system};
};

TEST(ParallelRun, PicturesHeavierThanHalfTheMemoryBudgetAreConvertedOneAtATime) {
    Engine engine;
    ProgramFolder& program = engine.program;
    convert::Outputs& outputs = engine.outputs;
    QTemporaryDir source;
    std::vector<convert::PictureJob> jobs;
    for (int i = 0; i < 6; ++i) {
        convert::PictureJob job;
        job.entry = QStringLiteral("%1.jpg").arg(i);
        job.source = source.filePath(job.entry);
        writeBytes(job.source, jpegBytes(busyPicture(800, 600)));
        job.surface = QSize(441, 331);
        job.target = QRect(0, 0, 441, 331);
        job.jpegPath = program.file(QStringLiteral("DestinoJPG/") + job.entry);
        job.weight = i % 2 == 0 ? 600 : 100;  // of a budget of 1000
        jobs.push_back(std::move(job));
    }
    // A job's memory is given back after its end is told.
    std::atomic<int> heavyInFlight = 0, mostHeavy = 0;
    convert::PictureWorkers::Events events;
    events.started = [&](int job) {
        if (job % 2 == 0) mostHeavy = std::max(mostHeavy.load(), ++heavyInFlight);
    };
    events.finished = [&](int job) {
        if (job % 2 == 0) --heavyInFlight;
    };
    convert::PictureWorkers workers(std::move(jobs), outputs, std::move(events), true, 1000);
    workers.start(3);
    workers.wait();
    EXPECT_EQ(mostHeavy, 1);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(workers.outcome(i).written, 1) << i;
}

// A picture whose reduced decode gives up (a file cut short) asks the budget for its whole
// decode even while the job after it, of the same name, holds its share waiting for it to end.
TEST(ParallelRun, AJobThatMustDecodeWholeGrowsItsShareEvenWhileTheNextWaitsForIt) {
    Engine engine;
    QTemporaryDir source;
    const QByteArray busy = jpegBytes(busyPicture(1600, 1200));
    const struct {
        const char* entry;
        QByteArray bytes;
    } pictures[] = {{"a.jpg", busy.left(busy.size() * 2 / 3)},
                    {"a.gif", gifBytes(quadrantPicture(80, 60), {Qt::red, Qt::blue})}};
    std::vector<convert::PictureJob> jobs;
    for (const auto& picture : pictures) {
        convert::PictureJob job;
        job.entry = QString::fromLatin1(picture.entry);
        job.source = source.filePath(job.entry);
        writeBytes(job.source, picture.bytes);
        job.surface = QSize(40, 30);
        job.target = QRect(0, 0, 40, 30);
        job.jpegPath = engine.program.file(QStringLiteral("DestinoJPG/a.jpg"));
        job.weight = 500;  // of a budget of 1000
        job.follows = int(jobs.size()) - 1;
        jobs.push_back(std::move(job));
    }
    convert::PictureWorkers workers(std::move(jobs), engine.outputs, {}, true, 1000);
    workers.start(2);
    workers.wait();
    EXPECT_FALSE(workers.outcome(0).loaded);  // cut short
    EXPECT_EQ(workers.outcome(1).written, 1);
}

// "Cancelar" gives up the picture being decoded: no output for it, and it says so.
TEST(ParallelRun, ACancelStopsTheDecodeUnderWayAndThatPictureIsNotConverted) {
    Engine engine;
    ProgramFolder& program = engine.program;
    convert::Outputs& outputs = engine.outputs;
    QTemporaryDir source;
    convert::PictureJob job;
    job.entry = QStringLiteral("lenta.jpg");
    job.source = source.filePath(job.entry);
    writeBytes(job.source, progressiveJpegBytes(busyPicture(1600, 1200), 60));
    job.surface = QSize(441, 331);
    job.target = QRect(0, 0, 441, 331);
    job.jpegPath = program.file(QStringLiteral("DestinoJPG/lenta.jpg"));
    std::vector<convert::PictureJob> jobs;
    jobs.push_back(std::move(job));
    convert::PictureWorkers::Events events;
    convert::PictureWorkers* running = nullptr;
    events.started = [&](int) { running->cancel(); };
    convert::PictureWorkers workers(std::move(jobs), outputs, std::move(events));
    running = &workers;
    workers.start(1);
    workers.wait();
    EXPECT_TRUE(workers.outcome(0).abandoned);
    EXPECT_EQ(workers.outcome(0).written, 0);
    ASSERT_EQ(workers.outcome(0).failures.size(), 1);
    EXPECT_TRUE(workers.outcome(0).failures[0].contains(QStringLiteral("no se ha convertido")));
    EXPECT_FALSE(QFile::exists(program.file(QStringLiteral("DestinoJPG/lenta.jpg"))));
}
