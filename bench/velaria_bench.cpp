// Runs Velaria's real batch run headless, as the "INICIAR " button does, on a folder of pictures:
//   velaria_bench CORPUS PROGRAM_FOLDER [--bmp] [--threads N] [--width W] [--cancel-after S]
// PROGRAM_FOLDER is made a program folder (the writer library, DestinoJPG and DestinoBMP) and
// receives the outputs. The target is W (1024) pixels wide, the width driving, the proportion
// kept. It also says how long filling the list took, when the progress window showed, and the
// longest the window went without handling its events; with --cancel-after, "Cancelar" is
// pressed S seconds after the progress window shows.

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <cstdio>

#include "app/form1.h"
#include "toolkit/controls/progress_window.h"
#include "toolkit/system/desktop_system.h"
#include "toolkit/system/jpeg_writer.h"

namespace {

class BenchSystem : public toolkit::DesktopSystem {
  public:
    explicit BenchSystem(QString folder) : folder_(std::move(folder)) {}
    QString programFolder() const override { return folder_; }
    void messageBox(QWidget*, const QString& text, const QString&) override {
        std::fprintf(stderr, "%s\n", qPrintable(text));
        ++messages;
    }
    int messages = 0;

  private:
    QString folder_;
};

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QStringList arguments = application.arguments().mid(1);
    const bool bmp = arguments.removeAll(QStringLiteral("--bmp")) > 0;
    int threads = 0;
    if (const qsizetype at = arguments.indexOf(QStringLiteral("--threads")); at >= 0) {
        threads = arguments.value(at + 1).toInt();
        arguments.remove(at, 2);
    }
    int width = 1024;
    if (const qsizetype at = arguments.indexOf(QStringLiteral("--width")); at >= 0) {
        width = arguments.value(at + 1).toInt();
        arguments.remove(at, 2);
    }
    double cancelAfter = -1;
    if (const qsizetype at = arguments.indexOf(QStringLiteral("--cancel-after")); at >= 0) {
        cancelAfter = arguments.value(at + 1).toDouble();
        arguments.remove(at, 2);
    }
    if (arguments.size() != 2 || width <= 0) {
        std::fprintf(stderr,
                     "usage: velaria_bench CORPUS PROGRAM_FOLDER [--bmp] [--threads N] "
                     "[--width W] [--cancel-after S]\n");
        return 2;
    }
    const QString corpus = QDir(arguments[0]).absolutePath();
    const QString program = QDir(arguments[1]).absolutePath();
    QDir().mkpath(program + QStringLiteral("/DestinoJPG"));
    QDir().mkpath(program + QStringLiteral("/DestinoBMP"));
    const QString library = toolkit::JpegWriter::libraryFileName();
    QFile::remove(program + QLatin1Char('/') + library);
    if (!QFile::copy(QStringLiteral(VELARIA_BUILT_PROGRAM_DIR "/") + library,
                     program + QLatin1Char('/') + library)) {
        std::fprintf(stderr, "cannot copy the writer library\n");
        return 1;
    }

    BenchSystem system(program);
    Form1 form(system);
    form.Form_Load();
    form.show();
    form.conversionThreads = threads;
    QElapsedTimer timer;
    timer.start();
    form.File1->setPath(corpus);
    const double filling = timer.elapsed() / 1000.0;
    form.Check2(0).setValue(bmp ? 0 : 1);
    form.Check2(1).setValue(bmp ? 1 : 0);
    form.Check2(2).setValue(1);
    form.Picture2(1).setBackColor(0xFF0000);  // the width drives
    form.Picture1->setWidth(float(width) * 15);

    // What the user sees: when the progress window comes, and how long the window goes without
    // handling events (a timer that should fire every 10 ms).
    struct Watcher : QObject {
        QElapsedTimer* clock;
        double cancelAfter;
        double shownAt = -1;
        bool eventFilter(QObject* object, QEvent* event) override {
            if (event->type() == QEvent::Show && shownAt < 0)
                if (auto* progress = qobject_cast<toolkit::ProgressWindow*>(object)) {
                    shownAt = clock->elapsed() / 1000.0;
                    if (cancelAfter >= 0)
                        QTimer::singleShot(int(cancelAfter * 1000), progress,
                                           [progress] { progress->cancelButton()->click(); });
                }
            return false;
        }
    } watcher;
    watcher.clock = &timer;
    watcher.cancelAfter = cancelAfter;
    application.installEventFilter(&watcher);
    qint64 lastTick = 0, longestGap = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longestGap = std::max(longestGap, timer.elapsed() - lastTick);
        lastTick = timer.elapsed();
    });
    ticker.start(10);

    timer.restart();
    form.Command1_Click();
    const double running = timer.elapsed() / 1000.0;
    std::fprintf(stderr,
                 "velaria: %d entries listed in %.3f s, run %.3f s, progress shown after %.3f s, "
                 "longest without events %lld ms\n",
                 int(form.File1->listCount()), filling, running, watcher.shownAt,
                 static_cast<long long>(longestGap));
    return system.messages == 0 ? 0 : 1;
}
