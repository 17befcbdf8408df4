#include "convert/folder_run.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <algorithm>

#include "app/form1.h"
#include "convert/batch/output_names.h"
#include "convert/batch/program_folder_check.h"
#include "convert/size_to_frame.h"
#include "toolkit/common/failure.h"
#include "toolkit/controls/units.h"
#include "toolkit/pictures/picture_file.h"
#include "toolkit/system/memory_reuse.h"

namespace convert {

namespace {

constexpr std::int32_t kJpegQuality = 90;
// How often, at most, the window takes its events while it walks the list.
constexpr int kEventsEveryMs = 40;

}  // namespace

FolderRun::FolderRun(Form1& form, toolkit::JpegWriter& writer, toolkit::System& system)
    : form_(form), writer_(writer), system_(system), programFolder_(system.programFolder()) {}

void FolderRun::run() {
    form_.Picture1->setAutoRedraw(true);
    if (!outputFoldersUsable()) return;
    before_.emplace(form_);
    count_ = form_.File1->listCount();
    for (int i = 0; i < count_; ++i)
        if (isPictureName(form_.File1->list(i))) ++named_;
    startConverting();
    walkList();
    waitForWorkers();
    collectOutcomes();
    settleWindow();
    report();
}

// Where none of the ticked output folders can be written (a program folder installed for the
// whole system, say), converting would only fail picture after picture: say once why and what
// to do, and touch nothing.
bool FolderRun::outputFoldersUsable() {
    QStringList ticked;
    if (form_.Check2(0).value() == 1) ticked << kOutputFolders[0];
    if (form_.Check2(1).value() == 1) ticked << kOutputFolders[1];
    const bool noneWritable =
        !ticked.isEmpty() && std::all_of(ticked.begin(), ticked.end(), [&](const QString& folder) {
            return !outputFoldersProblem(programFolder_, {folder}).isEmpty();
        });
    if (!noneWritable) return true;
    form_.Image1->show();
    system_.messageBox(&form_, outputFoldersProblem(programFolder_, ticked));
    return false;
}

// The workers start at once and take each job as soon as the window has sized it, so that
// reading headers and converting go on side by side. The progress window comes first: a folder
// of many thousands of files keeps the window busy with headers for a while, and "Cancelar"
// must work then too.
void FolderRun::startConverting() {
    toolkit::keepFreedMemoryForReuse();
    outputs_.emplace(programFolder_, writer_, system_);
    progress_.emplace(&form_, named_, [this](int job) { return nameOfJob(job); });
    workers_.emplace(std::vector<PictureJob>{}, *outputs_, progress_->workerEvents(), false);
    if (named_ == 0) return;
    QObject::connect(&progress_->window(), &toolkit::ProgressWindow::cancelRequested,
                     &progress_->window(), [this] { workers_->cancel(); });
    progress_->window().show();
    const int threads = form_.conversionThreads;
    workers_->start(threads > 0 ? threads : QThread::idealThreadCount());
}

// Now and then the window takes its events: it repaints, and the progress window's "Cancelar"
// is heard. The progress window is modal, so no other control takes input.
void FolderRun::walkList() {
    QElapsedTimer sinceEvents;
    sinceEvents.start();
    for (walked_ = 0; walked_ < count_; ++walked_) {
        if (named_ > 0 && sinceEvents.elapsed() >= kEventsEveryMs) {
            QCoreApplication::processEvents();
            sinceEvents.restart();
            if (progress_->cancelAsked()) break;
        }
        walkEntry(walked_);
    }
    workers_->finish();
}

void FolderRun::walkEntry(int index) {
    form_.Image1->setStretch(false);
    form_.Image1->hide();
    Entry& entry = entries_.emplace_back();
    entry.name = form_.File1->list(index);
    if (!isPictureName(entry.name)) return;
    entry.picture = true;
    PictureJob job;
    job.source = sourcePath(form_.File1->path(), entry.name);
    toolkit::PictureHeader header;
    if (!readHeader(entry, job, header)) return;
    entry.loads = true;
    form_.Image1->setPicture(QImage(), entry.natural);
    try {
        sizeToFrame(form_);
    } catch (const std::exception& sizing) {
        sizingFailed(index, entry, job, sizing);
        return;
    }
    queueJob(index, entry, std::move(job), header);
}

bool FolderRun::readHeader(Entry& entry, PictureJob& job, toolkit::PictureHeader& header) {
    try {
        header = toolkit::readPictureHeader(job.source);
        entry.natural = header.naturalSize;
        // A header that does not tell the size: the picture itself must.
        if (!entry.natural.isValid()) {
            job.decoded = toolkit::loadWholePictureFile(job.source);
            entry.natural = job.decoded.size();
        }
        return true;
    } catch (const std::exception& failure) {
        entry.failure = failureReason(failure);
        return false;
    }
}

// The picture would have been read before it failed to fit: read it now (rare), so that the
// failure and what Image1 keeps are those of reading it.
void FolderRun::sizingFailed(int index, Entry& entry, const PictureJob& job,
                             const std::exception& why) {
    try {
        QImage whole =
            job.decoded.isNull() ? toolkit::loadWholePictureFile(job.source) : job.decoded;
        entry.failure = failureReason(why);
        readHere_ = index;
        readHerePicture_ = std::move(whole);
    } catch (const std::exception& reading) {
        entry.failure = failureReason(reading);
        entry.loads = false;
        walkedAsRun_ = false;
    }
}

void FolderRun::queueJob(int index, Entry& entry, PictureJob job,
                         const toolkit::PictureHeader& header) {
    job.entry = entry.name;
    job.surface = form_.Picture1->surfaceSize();
    job.target = QRect(0, 0, toolkit::unitsToPixels(form_.Image1->width()),
                       toolkit::unitsToPixels(form_.Image1->height()));
    if (form_.Check2(0).value() == 1) job.jpegPath = jpegOutputPath(programFolder_, entry.name);
    if (form_.Check2(1).value() == 1) job.bmpPath = bmpOutputPath(programFolder_, entry.name);
    job.weight = pictureWeight(header, job.target.size(), job.surface, !job.jpegPath.isEmpty()) +
                 job.decoded.sizeInBytes();
    job.quality = kJpegQuality;
    job.progressive = form_.Check1->value();
    entry.job = int(entryOfJob_.size());
    job.follows = sameNames_.follow(entry.name, entry.job);
    entryOfJob_.push_back(index);
    workers_->add(std::move(job));
}

QString FolderRun::nameOfJob(int job) const {
    if (job < 0 || job >= int(entryOfJob_.size())) return {};
    return entries_[size_t(entryOfJob_[size_t(job)])].name;
}

void FolderRun::waitForWorkers() {
    if (named_ == 0) return;
    progress_->setJobCount(int(entryOfJob_.size()));
    progress_->waitForWorkers();
    workers_->wait();
    progress_->window().hide();
}

// The run reached the entries before the first picture never taken up, or given up when the
// run was cancelled; those after it count as not reached. Pictures beyond that point that were
// converted all the same (on another worker) are counted, and those given up are named.
void FolderRun::collectOutcomes() {
    const int jobCount = int(entryOfJob_.size());
    const int started = workers_->startedJobs();
    int stopped = 0;
    while (stopped < started && !workers_->outcome(stopped).abandoned) ++stopped;
    cancelled_ = stopped < jobCount || walked_ < count_;
    reached_ = stopped < jobCount ? entryOfJob_[size_t(stopped)] : walked_;
    if (cancelled_) report_.cancelled();
    for (int i = 0; i < reached_; ++i) collectEntry(entries_[size_t(i)]);
    for (int job = stopped; job < started; ++job)
        collectEntry(entries_[size_t(entryOfJob_[size_t(job)])]);
    for (const QString& problem : outputs_->problems()) report_.outputFailed(problem);
}

void FolderRun::collectEntry(Entry& entry) {
    if (!entry.failure.isEmpty()) report_.failed(entry.name, entry.failure);
    if (entry.job < 0) return;
    const PictureOutcome& outcome = workers_->outcome(entry.job);
    for (const QString& failure : outcome.failures) report_.failed(entry.name, failure);
    for (const QString& note : outcome.notes) report_.noted(entry.name, note);
    for (int n = 0; n < outcome.written; ++n) report_.wrote();
    if (!outcome.loaded) {
        entry.loads = false;
        walkedAsRun_ = false;
    }
}

void FolderRun::settleWindow() {
    if (!walkedAsRun_ || cancelled_) replayReachedEntries();
    leaveLastPicture();
    form_.Image1->show();
}

// Where a picture turned out unreadable, or the run stopped early, the controls went further
// than the run did: go over the reached entries again from where the run began, knowing now
// which pictures were read. Sizes do not depend on other pictures (the driving side of the
// frame never changes), so the jobs' sizes stand.
void FolderRun::replayReachedEntries() {
    before_->restore(form_);
    for (int i = 0; i < reached_; ++i) {
        form_.Image1->setStretch(false);
        form_.Image1->hide();
        const Entry& entry = entries_[size_t(i)];
        if (!entry.loads) continue;
        form_.Image1->setPicture(QImage(), entry.natural);
        toolkit::skipOnFailure([&] { sizeToFrame(form_); });  // already in the report
    }
}

// The pixels of the last picture read, and the drawing of the last one painted.
void FolderRun::leaveLastPicture() {
    const LatestForWindow& latest = workers_->latest();
    int fromJob = latest.loaded() >= 0 ? entryOfJob_[size_t(latest.loaded())] : -1;
    if (fromJob >= reached_) fromJob = -1;  // read past where the run stopped
    const int fromHere = readHere_ < reached_ ? readHere_ : -1;
    if (fromJob >= 0 || fromHere >= 0) {
        const bool stretched = form_.Image1->stretch();
        form_.Image1->setStretch(true);  // the pixels arrive late: the size stays as it is
        if (fromJob > fromHere)
            form_.Image1->setPicture(latest.picture(), latest.naturalSize());
        else
            form_.Image1->setPicture(readHerePicture_, entries_[size_t(fromHere)].natural);
        form_.Image1->setStretch(stretched);
    }
    if (latest.painted() >= 0) form_.Picture1->takeSurface(latest.surface());
}

void FolderRun::report() {
    const QString message = report_.closingMessage();
    if (!message.isEmpty()) system_.messageBox(&form_, message);
}

}  // namespace convert
