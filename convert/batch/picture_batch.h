#pragma once

#include <QImage>
#include <QRect>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "toolkit/pictures/color_profile.h"

namespace toolkit {
class JpegWriter;
class System;
struct PictureHeader;
}  // namespace toolkit

namespace convert {

class RunReport;

// The Spanish reason of a failure, for the closing message.
QString failureReason(const std::exception& failure);

// One picture of the run once the window has settled its size: everything the decoding,
// scaling and writing need, and nothing of the window.
struct PictureJob {
    QString entry;     // the list entry's name, for messages
    QString source;    // the file
    QSize surface;     // the frame's drawing surface, in pixels
    QRect target;      // where the picture is painted in it, scaled, in pixels
    QString jpegPath;  // empty when no JPEG is wanted
    QString bmpPath;   // empty when no BMP is wanted
    std::int32_t quality = 90;
    std::int32_t progressive = 1;
    // An earlier job that writes the same files (a.jpg and a.gif both make a.jpg), or -1: this
    // one writes only after it, so that the later entry's files remain, as in list order.
    int follows = -1;
    // A picture already decoded (a file whose header does not tell its size), or null.
    QImage decoded;
    // Bytes of memory the job takes at its peak, roughly (see pictureWeight).
    qint64 weight = 0;
};

// What became of one job.
struct PictureOutcome {
    bool loaded = false;   // the picture was read whole
    bool painted = false;  // and drawn into its surface
    int written = 0;       // files written
    QStringList failures;  // reasons, in the order they happened
    // The colours of the picture handed back are still the file's, to be turned into sRGB
    // through this profile (the painted surface's are sRGB already).
    toolkit::EmbeddedProfile unconverted;
};

// What the outputs of all jobs share: the output folders, made ready at the first picture that
// needs each, and the writer library, bound at the first JPEG. Safe to use from several threads.
class Outputs {
  public:
    Outputs(QString programFolder, toolkit::JpegWriter& writer, toolkit::System& system);

    // True when the folder of JPEG (or BMP) outputs is there and writable; the first call makes
    // it, and when it cannot be made says so once (see problems()).
    bool jpegFolderReady() { return ready(jpeg_); }
    bool bmpFolderReady() { return ready(bmp_); }
    // Spanish lines about output folders that could not be made, in the order found.
    QStringList problems() const;

    toolkit::JpegWriter& writer() { return writer_; }
    toolkit::System& system() { return system_; }
    const QString& programFolder() const { return programFolder_; }

  private:
    struct Folder {
        QString path;
        QString kind;
        bool checked = false;
        bool usable = false;
    };
    bool ready(Folder& folder);

    QString programFolder_;
    toolkit::JpegWriter& writer_;
    toolkit::System& system_;
    mutable std::mutex mutex_;
    Folder jpeg_;
    Folder bmp_;
    QStringList problems_;
};

// The expensive part of one picture: decode (no finer than the target needs), scale, paint into
// a white surface, write the JPEG through a private scratch BMP and the writer, then the BMP.
// `beforeWriting` is called once the surface is painted, before any file is written. The
// decoded picture and the painted surface are handed back through `picture` and `surface`.
PictureOutcome convertPicture(const PictureJob& job, Outputs& outputs,
                              const std::function<void()>& beforeWriting, QImage* picture,
                              QSize* naturalSize, QImage* surface);

// The memory converting a picture takes at its peak, roughly: a JPEG's file, held whole while it
// is decoded at the reduced scale the target allows; the decoded picture, the scaled copy and the
// surface.
qint64 pictureWeight(const toolkit::PictureHeader& header, QSize natural, QSize target,
                     QSize surface);

// Converts jobs on a few threads of its own, taking them in list order, while more jobs may
// still be added. Results come back in whatever order they finish; the latest picture in list
// order that was read, and the latest that was painted, are kept for the window. Jobs that are
// heavy in memory wait for one another, so that several large photos at once stay within
// `memoryBudget` bytes (one heavier than that runs alone).
class PictureWorkers {
  public:
    struct Events {
        // From a worker thread: a job is taken up, a job is done, every worker has stopped.
        std::function<void(int job)> started;
        std::function<void(int job)> finished;
        std::function<void()> stopped;
    };

    static constexpr qint64 kMemoryBudget = 160 * 1024 * 1024;

    // With `complete`, the jobs are all there is; otherwise add() brings more until finish().
    PictureWorkers(std::vector<PictureJob> jobs, Outputs& outputs, Events events,
                   bool complete = true, qint64 memoryBudget = kMemoryBudget);
    ~PictureWorkers();  // waits for the workers

    // Starts `threads` workers (at least one; with every job known, no more than there are).
    void start(int threads);
    // One more job, after those given so far.
    void add(PictureJob job);
    // No job is added after this: the workers stop once every job is done.
    void finish();
    // No job is taken up after this; those in flight finish.
    void cancel();
    // Waits for every worker to stop.
    void wait();

    // After wait(): the jobs taken up, always the first ones in list order.
    int startedJobs() const { return std::min<int>(taken_, int(jobs_.size())); }
    const PictureOutcome& outcome(int job) const { return outcomes_[job]; }
    int jobCount() const { return int(jobs_.size()); }

    // After wait(): the latest picture read (-1: none), as decoded, with its natural size.
    int latestLoaded() const { return latestLoaded_; }
    const QImage& latestPicture() const { return latestPicture_; }
    QSize latestNaturalSize() const { return latestNaturalSize_; }
    // The latest painted surface (-1: none).
    int latestPainted() const { return latestPainted_; }
    const QImage& latestSurface() const { return latestSurface_; }

  private:
    void work();
    // The next job to take up, in list order, -1 when there is none left; waits for jobs to be
    // added and for the memory they weigh. Called with the lock held.
    int take(std::unique_lock<std::mutex>& lock, qint64& weight);
    void waitForFinished(int job);

    // Deques: a worker keeps its job by reference while the window adds more.
    std::deque<PictureJob> jobs_;
    Outputs& outputs_;
    Events events_;
    std::vector<std::thread> threads_;
    int taken_ = 0;
    bool complete_;
    std::atomic<bool> cancelled_ = false;
    std::atomic<int> running_ = 0;
    const qint64 memoryBudget_;
    qint64 memoryInUse_ = 0;

    std::mutex mutex_;
    std::condition_variable jobsChanged_;
    std::condition_variable finishedChanged_;
    std::deque<char> finished_;
    std::deque<PictureOutcome> outcomes_;
    int latestLoaded_ = -1;
    QImage latestPicture_;
    toolkit::EmbeddedProfile latestUnconverted_;
    QSize latestNaturalSize_;
    int latestPainted_ = -1;
    QImage latestSurface_;
};

}  // namespace convert
