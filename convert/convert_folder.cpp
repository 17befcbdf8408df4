#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <map>
#include <memory>

#include "app/form1.h"
#include "convert/batch/output_names.h"
#include "convert/batch/picture_batch.h"
#include "convert/batch/program_folder_check.h"
#include "convert/batch/run_report.h"
#include "toolkit/common/failure.h"
#include "toolkit/controls/progress_window.h"
#include "toolkit/controls/units.h"
#include "toolkit/pictures/picture_file.h"
#include "toolkit/system/memory_reuse.h"

namespace {

constexpr std::int32_t kJpegQuality = 90;
// The width handle turns blue when the pointer last moved over a width handle: the width drives.
constexpr std::uint32_t kWidthTouchedLast = toolkit::rgb(0, 0, 255);

// Sizes Image1, which has just taken a picture at its natural size, as the frame and the last
// touched handle say; with the kept proportion the frame follows in the other direction.
void sizeToFrame(Form1& f) {
    using toolkit::toSingle;
    try {
        if (f.Check2(2).value() != 0) {
            const float W = f.Image1->width();
            const std::int32_t H = toolkit::roundHalfEven(f.Image1->height());
            f.Image1->setStretch(true);
            if (f.Picture2(1).backColor() == kWidthTouchedLast) {
                f.Image1->setWidth(f.Picture1->width());
                f.Image1->setHeight(toSingle(toolkit::divide(
                    static_cast<double>(f.Picture1->width()) * static_cast<double>(H),
                    static_cast<double>(W))));
                f.Picture1->setHeight(f.Image1->height());
            } else {
                f.Image1->setHeight(f.Picture1->height());
                f.Image1->setWidth(toSingle(toolkit::divide(
                    static_cast<double>(f.Picture1->height()) * static_cast<double>(W),
                    static_cast<double>(H))));
                f.Picture1->setWidth(f.Image1->width());
            }
        } else {
            f.Image1->setStretch(true);
            f.Image1->setWidth(f.Picture1->width());
            f.Image1->setHeight(f.Picture1->height());
        }
    } catch (const toolkit::Failure& failure) {
        throw toolkit::Failure(failure.message(),
                               QStringLiteral("no se puede escalar la imagen al tamaño pedido (%1)")
                                   .arg(failure.reason()));
    }
    // A picture far narrower (or flatter) than the frame can come out under one pixel.
    if (toolkit::unitsToPixels(f.Image1->width()) < 1 ||
        toolkit::unitsToPixels(f.Image1->height()) < 1)
        throw toolkit::Failure(
            QStringLiteral("a este tamaño la imagen escalada se queda sin ningún píxel de "
                           "ancho o de alto"));
}

// One list entry as the run saw it.
struct Entry {
    QString name;
    bool picture = false;  // by its name
    bool loads = false;    // its file gives a picture (as far as known before converting)
    QSize natural;         // in pixels, upright
    int job = -1;          // its job, when it got as far as painting
    QString failure;       // why it stopped before its job, if it did
};

// What Image1 and the frame showed before the run, to go over the list again from there.
struct ShownBefore {
    explicit ShownBefore(const Form1& f)
        : picture(f.Image1->picture()),
          natural(f.Image1->naturalSize()),
          stretch(f.Image1->stretch()),
          imageWidth(f.Image1->width()),
          imageHeight(f.Image1->height()),
          frameWidth(f.Picture1->width()),
          frameHeight(f.Picture1->height()) {}

    void restore(Form1& f) const {
        f.Image1->setStretch(true);
        f.Image1->setPicture(picture, natural);
        f.Image1->setWidth(imageWidth);
        f.Image1->setHeight(imageHeight);
        f.Image1->setStretch(stretch);
        f.Picture1->setWidth(frameWidth);
        f.Picture1->setHeight(frameHeight);
    }

    QImage picture;
    QSize natural;
    bool stretch;
    float imageWidth, imageHeight, frameWidth, frameHeight;
};

}  // namespace

// Converts every picture that File1 lists to the frame's size and writes it as JPG and/or BMP
// into the output folders under the program folder. A picture that fails is set aside with its
// reason and the run goes on; one message at the end lists them all.
//
// The window's part is cheap and done first, entry by entry in list order through the
// controls: each picture's size comes from its header alone. The expensive part, decoding,
// scaling and writing, then runs on every core, several pictures at once, while a progress
// window offers to cancel. What the run leaves on the window and in the folders is what
// converting one picture after another would leave.
void Form1::ConvertFolder() {
    Picture1->setAutoRedraw(true);
    const QString programFolder = system_.programFolder();
    convert::RunReport report;

    // Where none of the ticked output folders can be written (a program folder installed for
    // the whole system, say), converting would only fail picture after picture: say once why
    // and what to do, and touch nothing.
    QStringList ticked;
    if (Check2(0).value() == 1) ticked << convert::kOutputFolders[0];
    if (Check2(1).value() == 1) ticked << convert::kOutputFolders[1];
    const bool noneWritable =
        !ticked.isEmpty() && std::all_of(ticked.begin(), ticked.end(), [&](const QString& folder) {
            return !convert::outputFoldersProblem(programFolder, {folder}).isEmpty();
        });
    if (noneWritable) {
        Image1->show();
        system_.messageBox(this, convert::outputFoldersProblem(programFolder, ticked));
        return;
    }

    const ShownBefore before(*this);
    const int count = File1->listCount();
    int named = 0;
    for (int i = 0; i < count; ++i)
        if (convert::isPictureName(File1->list(i))) ++named;

    std::vector<Entry> entries;
    entries.reserve(size_t(count));
    std::vector<int> entryOfJob;
    // Pictures read whole here rather than on the workers (see below); only the latest counts.
    int readHere = -1;
    QImage readHerePicture;
    // Whether what the controls now show is what the run leaves, as long as every job reads
    // its picture.
    bool walkedAsRun = true;
    std::map<QString, int> lastJobWriting;

    // The workers start at once and take each job as soon as the window has sized it, so that
    // reading headers and converting go on side by side. The progress window comes first: a
    // folder of many thousands of files keeps the window busy with headers for a while, and
    // "Cancelar" must work then too.
    toolkit::keepFreedMemoryForReuse();
    convert::Outputs outputs(programFolder, jpegWriter_, system_);
    toolkit::ProgressWindow progress(this, std::max(named, 1));
    QEventLoop waiting;
    bool stopped = false;
    std::atomic<int> finished = 0, latestStarted = 0;
    // One update of the progress window waits in the event queue at a time, however many
    // pictures finish meanwhile.
    std::atomic<bool> updatePending = false;
    const auto showProgress = [&] {
        updatePending = false;
        const int total = named;
        const int started = latestStarted;
        const int job = started < int(entryOfJob.size()) ? entryOfJob[size_t(started)] : -1;
        progress.showWorking(std::min(finished + 1, std::max(total, 1)),
                             job >= 0 ? entries[size_t(job)].name : QString());
    };
    const auto askForUpdate = [&] {
        if (!updatePending.exchange(true))
            QMetaObject::invokeMethod(&progress, showProgress, Qt::QueuedConnection);
    };
    convert::PictureWorkers::Events events;
    events.started = [&](int job) {
        int seen = latestStarted;
        while (job > seen && !latestStarted.compare_exchange_weak(seen, job)) {
        }
        askForUpdate();
    };
    events.finished = [&](int) {
        ++finished;
        askForUpdate();
    };
    events.stopped = [&] {
        QMetaObject::invokeMethod(
            &waiting,
            [&] {
                stopped = true;
                waiting.quit();
            },
            Qt::QueuedConnection);
    };
    convert::PictureWorkers workers({}, outputs, std::move(events), false);
    if (named > 0) {
        connect(&progress, &toolkit::ProgressWindow::cancelRequested, &progress,
                [&workers] { workers.cancel(); });
        progress.show();
        workers.start(conversionThreads > 0 ? conversionThreads : QThread::idealThreadCount());
    }

    // Now and then the window takes its events: it repaints, and the progress window's
    // "Cancelar" is heard. The progress window is modal, so no other control takes input.
    QElapsedTimer sinceEvents;
    sinceEvents.start();
    int walked = 0;
    for (; walked < count; ++walked) {
        if (named > 0 && sinceEvents.elapsed() >= 40) {
            QCoreApplication::processEvents();
            sinceEvents.restart();
            if (progress.cancelAsked()) break;
        }
        const int i = walked;
        Image1->setStretch(false);
        Image1->hide();
        Entry& entry = entries.emplace_back();
        entry.name = File1->list(i);
        if (!convert::isPictureName(entry.name)) continue;
        entry.picture = true;
        const QString source = convert::sourcePath(File1->path(), entry.name);
        convert::PictureJob job;
        toolkit::PictureHeader header;
        try {
            header = toolkit::readPictureHeader(source);
            entry.natural = header.naturalSize;
            // A header that does not tell the size: the picture itself must.
            if (!entry.natural.isValid()) {
                job.decoded = toolkit::loadWholePictureFile(source);
                entry.natural = job.decoded.size();
            }
        } catch (const std::exception& failure) {
            entry.failure = convert::failureReason(failure);
            continue;
        }
        entry.loads = true;
        Image1->setPicture(QImage(), entry.natural);
        try {
            sizeToFrame(*this);
        } catch (const std::exception& sizing) {
            // The picture would have been read before it failed to fit: read it now (rare),
            // so that the failure and what Image1 keeps are those of reading it.
            try {
                QImage whole =
                    job.decoded.isNull() ? toolkit::loadWholePictureFile(source) : job.decoded;
                entry.failure = convert::failureReason(sizing);
                readHere = i;
                readHerePicture = std::move(whole);
            } catch (const std::exception& reading) {
                entry.failure = convert::failureReason(reading);
                entry.loads = false;
                walkedAsRun = false;
            }
            continue;
        }

        job.entry = entry.name;
        job.source = source;
        job.surface = Picture1->surfaceSize();
        job.target = QRect(0, 0, toolkit::unitsToPixels(Image1->width()),
                           toolkit::unitsToPixels(Image1->height()));
        job.weight = convert::pictureWeight(header, entry.natural, job.target.size(), job.surface);
        if (Check2(0).value() == 1)
            job.jpegPath = convert::jpegOutputPath(programFolder, entry.name);
        if (Check2(1).value() == 1) job.bmpPath = convert::bmpOutputPath(programFolder, entry.name);
        job.quality = kJpegQuality;
        job.progressive = Check1->value();
        // Names differing in case alone may be one file on some disks: keep their order too.
        const QString key = convert::outputStem(entry.name).toCaseFolded();
        const int jobIndex = int(entryOfJob.size());
        const auto earlier = lastJobWriting.find(key);
        if (earlier != lastJobWriting.end()) job.follows = earlier->second;
        lastJobWriting[key] = jobIndex;
        entry.job = jobIndex;
        entryOfJob.push_back(i);
        workers.add(std::move(job));
    }
    workers.finish();
    const int jobCount = int(entryOfJob.size());
    if (named > 0) {
        // The pictures whose headers failed are not converted: the count is now known.
        named = std::max(jobCount, 1);
        progress.setTotal(named);
        showProgress();
        if (!stopped) waiting.exec();
        workers.wait();
        progress.hide();
    }

    // Entries after the first picture never taken up count as not reached.
    const int started = workers.startedJobs();
    const bool cancelled = started < jobCount || walked < count;
    const int reached = started < jobCount ? entryOfJob[size_t(started)] : walked;
    if (cancelled) report.cancelled();
    for (int i = 0; i < reached; ++i) {
        Entry& entry = entries[size_t(i)];
        if (!entry.failure.isEmpty()) report.failed(entry.name, entry.failure);
        if (entry.job < 0) continue;
        const convert::PictureOutcome& outcome = workers.outcome(entry.job);
        for (const QString& failure : outcome.failures) report.failed(entry.name, failure);
        for (int n = 0; n < outcome.written; ++n) report.wrote();
        if (!outcome.loaded) {
            entry.loads = false;
            walkedAsRun = false;
        }
    }
    for (const QString& problem : outputs.problems()) report.outputFailed(problem);

    // Where a picture turned out unreadable, or the run stopped early, the controls went
    // further than the run did: go over the reached entries again from where the run began,
    // knowing now which pictures were read. Sizes do not depend on other pictures (the driving
    // side of the frame never changes), so the jobs' sizes stand.
    if (!walkedAsRun || cancelled) {
        before.restore(*this);
        for (int i = 0; i < reached; ++i) {
            Image1->setStretch(false);
            Image1->hide();
            const Entry& entry = entries[i];
            if (!entry.loads) continue;
            Image1->setPicture(QImage(), entry.natural);
            try {
                sizeToFrame(*this);
            } catch (const std::exception&) {
                // Already in the report.
            }
        }
    }
    // The pixels of the last picture read, and the drawing of the last one painted.
    const int fromJob = workers.latestLoaded() >= 0 ? entryOfJob[workers.latestLoaded()] : -1;
    const int fromHere = readHere < reached ? readHere : -1;
    if (fromJob >= 0 || fromHere >= 0) {
        const bool stretched = Image1->stretch();
        Image1->setStretch(true);  // the pixels arrive late: the size stays as the run left it
        if (fromJob > fromHere)
            Image1->setPicture(workers.latestPicture(), workers.latestNaturalSize());
        else
            Image1->setPicture(readHerePicture, entries[fromHere].natural);
        Image1->setStretch(stretched);
    }
    if (workers.latestPainted() >= 0) Picture1->takeSurface(workers.latestSurface());
    Image1->show();

    const QString message = report.closingMessage();
    if (!message.isEmpty()) system_.messageBox(this, message);
}
