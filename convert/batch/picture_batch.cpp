#include "convert/batch/picture_batch.h"

#include <utility>

#include "convert/batch/output_names.h"
#include "toolkit/common/failure.h"
#include "toolkit/pictures/drawing.h"
#include "toolkit/pictures/picture_file.h"
#include "toolkit/pictures/scaled_jpeg.h"
#include "toolkit/system/folders.h"
#include "toolkit/system/jpeg_writer.h"
#include "toolkit/system/scratch_file.h"

namespace convert {

QString failureReason(const std::exception& failure) {
    if (const auto* known = dynamic_cast<const toolkit::Failure*>(&failure)) return known->reason();
    return QStringLiteral("error inesperado (%1)").arg(QString::fromLocal8Bit(failure.what()));
}

Outputs::Outputs(QString programFolder, toolkit::JpegWriter& writer, toolkit::System& system)
    : programFolder_(std::move(programFolder)),
      writer_(writer),
      system_(system),
      jpeg_{jpegFolderPath(programFolder_), QStringLiteral("JPG")},
      bmp_{bmpFolderPath(programFolder_), QStringLiteral("BMP")} {}

bool Outputs::ready(Folder& folder) {
    const std::lock_guard lock(mutex_);
    if (!folder.checked) {
        folder.checked = true;
        try {
            toolkit::makeWritableFolder(folder.path);
            folder.usable = true;
        } catch (const toolkit::Failure& failure) {
            // When the folder cannot be had, the run says so once and writes nothing more
            // there, rather than failing every picture alike.
            problems_ << QStringLiteral("No se ha escrito ningún archivo %1: %2.")
                             .arg(folder.kind, failure.reason());
        }
    }
    return folder.usable;
}

QStringList Outputs::problems() const {
    const std::lock_guard lock(mutex_);
    return problems_;
}

PictureOutcome convertPicture(const PictureJob& job, Outputs& outputs,
                              const std::function<void()>& beforeWriting, QImage* picture,
                              QSize* naturalSize, QImage* surface) {
    PictureOutcome outcome;
    const auto attempt = [&](auto&& step) {
        try {
            step();
            return true;
        } catch (const std::exception& failure) {
            outcome.failures << failureReason(failure);
            return false;
        }
    };

    QImage drawing;
    outcome.loaded = attempt([&] {
        if (!job.decoded.isNull()) {
            *picture = job.decoded;
            *naturalSize = job.decoded.size();
            return;
        }
        // No finer than the target: a 12-megapixel photo bound for 1024 pixels is decoded at
        // a fraction of its size. A file the decoder could read only in part must not pass
        // for a good picture.
        // Its colours are converted once it is scaled, where the fewest pixels are left.
        toolkit::PictureRead read =
            toolkit::readPictureFile(job.source, job.target.size(), toolkit::Colours::AsStored);
        if (!read.damage.isEmpty())
            throw toolkit::Failure(
                QStringLiteral("No se puede leer la imagen «%1»: %2").arg(job.entry, read.damage),
                read.damage);
        *picture = std::move(read.image);
        *naturalSize = read.naturalSize;
        outcome.unconverted = std::move(read.unconverted);
    });
    if (!outcome.loaded) return outcome;
    outcome.painted = attempt([&] {
        // White first: transparent parts must not show the previous picture.
        drawing = toolkit::filledSurface(job.surface, Qt::white);
        toolkit::paintScaled(drawing, *picture, job.target, outcome.unconverted);
    });
    if (!outcome.painted) return outcome;

    beforeWriting();
    if (!job.jpegPath.isEmpty() && outputs.jpegFolderReady()) {
        attempt([&] {
            outputs.writer().bind(outputs.programFolder());
            // The writer takes the picture from a BMP file that only this picture's job sees.
            toolkit::ScratchFile scratch(QStringLiteral(".bmp"));
            toolkit::writeBmp(drawing, scratch.device());
            scratch.close();
            outputs.writer().write(scratch.path(), job.jpegPath, job.quality, job.progressive);
            scratch.remove(outputs.system());
            ++outcome.written;
        });
    }
    if (!job.bmpPath.isEmpty() && outputs.bmpFolderReady()) {
        attempt([&] {
            toolkit::saveBmp(drawing, job.bmpPath);
            ++outcome.written;
        });
    }
    *surface = std::move(drawing);
    return outcome;
}

qint64 pictureWeight(const toolkit::PictureHeader& header, QSize natural, QSize target,
                     QSize surface) {
    const auto bytes = [](QSize size) { return qint64(size.width()) * size.height() * 4; };
    if (header.format != "jpeg") return bytes(natural) + bytes(target) + bytes(surface);
    const QSize decoded = toolkit::reducedSize(natural, toolkit::jpegReductionFor(natural, target));
    return header.fileSize + bytes(decoded) + bytes(target) + bytes(surface);
}

PictureWorkers::PictureWorkers(std::vector<PictureJob> jobs, Outputs& outputs, Events events,
                               bool complete, qint64 memoryBudget)
    : jobs_(std::make_move_iterator(jobs.begin()), std::make_move_iterator(jobs.end())),
      outputs_(outputs),
      events_(std::move(events)),
      complete_(complete),
      memoryBudget_(memoryBudget),
      finished_(jobs_.size(), 0),
      outcomes_(jobs_.size()) {}

PictureWorkers::~PictureWorkers() {
    cancel();
    wait();
}

void PictureWorkers::start(int threads) {
    threads = std::max(threads, 1);
    if (complete_) threads = std::min(threads, std::max(1, int(jobs_.size())));
    running_ = threads;
    for (int i = 0; i < threads; ++i) threads_.emplace_back([this] { work(); });
}

void PictureWorkers::add(PictureJob job) {
    {
        const std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
        finished_.push_back(0);
        outcomes_.emplace_back();
    }
    jobsChanged_.notify_one();
}

void PictureWorkers::finish() {
    {
        const std::lock_guard lock(mutex_);
        complete_ = true;
    }
    jobsChanged_.notify_all();
}

void PictureWorkers::cancel() {
    {
        const std::lock_guard lock(mutex_);
        cancelled_ = true;
    }
    jobsChanged_.notify_all();
}

void PictureWorkers::wait() {
    for (std::thread& thread : threads_)
        if (thread.joinable()) thread.join();
    // Only the picture left for the window is shown: its colours are converted once, here.
    latestPicture_ =
        toolkit::convertedToSrgb(std::move(latestPicture_), std::exchange(latestUnconverted_, {}));
}

void PictureWorkers::waitForFinished(int job) {
    if (job < 0) return;
    std::unique_lock lock(mutex_);
    finishedChanged_.wait(lock, [&] { return finished_[job] != 0; });
}

int PictureWorkers::take(std::unique_lock<std::mutex>& lock, qint64& weight) {
    int index = -1;
    jobsChanged_.wait(lock, [&] {
        if (cancelled_ || (complete_ && taken_ >= int(jobs_.size()))) return true;
        if (taken_ >= int(jobs_.size())) return false;
        // The next job in list order, once the memory it weighs is free (a job heavier than
        // the whole budget waits until it is alone).
        weight = std::min(jobs_[taken_].weight, memoryBudget_);
        if (memoryInUse_ + weight > memoryBudget_) return false;
        index = taken_++;
        return true;
    });
    if (index >= 0) memoryInUse_ += weight;
    return index;
}

void PictureWorkers::work() {
    for (;;) {
        qint64 weight = 0;
        int index;
        const PictureJob* taken = nullptr;
        {
            std::unique_lock lock(mutex_);
            index = take(lock, weight);
            if (index >= 0) taken = &jobs_[index];
        }
        if (index < 0) break;
        const PictureJob& job = *taken;
        if (events_.started) events_.started(index);

        QImage picture, surface;
        QSize naturalSize;
        PictureOutcome outcome;
        try {
            // An earlier job with the same output names was taken up before this one, so
            // waiting for it cannot wait for ever.
            outcome = convertPicture(
                job, outputs_, [&] { waitForFinished(job.follows); }, &picture, &naturalSize,
                &surface);
        } catch (const std::exception& failure) {
            outcome.failures << failureReason(failure);
        }
        {
            const std::lock_guard lock(mutex_);
            if (outcome.loaded && index > latestLoaded_) {
                latestLoaded_ = index;
                latestPicture_ = std::move(picture);
                latestUnconverted_ = outcome.unconverted;
                latestNaturalSize_ = naturalSize;
            }
            if (outcome.painted && index > latestPainted_) {
                latestPainted_ = index;
                latestSurface_ = std::move(surface);
            }
            outcomes_[index] = std::move(outcome);
            finished_[index] = 1;
            // Done with: its names and any pixels it carried go, so that what the run holds
            // does not grow with the pictures converted.
            jobs_[size_t(index)] = PictureJob();
        }
        finishedChanged_.notify_all();
        if (events_.finished) events_.finished(index);
        // Given back once the job's end is told, so that what was told stays within budget.
        {
            const std::lock_guard lock(mutex_);
            memoryInUse_ -= weight;
        }
        jobsChanged_.notify_all();
    }
    if (--running_ == 0 && events_.stopped) events_.stopped();
}

}  // namespace convert
