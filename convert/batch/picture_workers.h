#pragma once

#include <QtGlobal>
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "convert/batch/latest_for_window.h"
#include "convert/batch/memory_budget.h"
#include "convert/batch/picture_job.h"

namespace convert {

class Outputs;

// Converts jobs on a few threads of its own, taking them in list order, while more jobs may
// still be added. Results come back in whatever order they finish; what the window is left with
// is kept as a one-by-one run would leave it (LatestForWindow). Jobs that are heavy in memory
// wait for one another, so that several large photos at once stay within the budget.
class PictureWorkers {
  public:
    struct Events {
        // From a worker thread: a job is taken up, a job is done, every worker has stopped.
        std::function<void(int job)> started;
        std::function<void(int job)> finished;
        std::function<void()> stopped;
    };

    // With `complete`, the jobs are all there is; otherwise add() brings more until finish().
    PictureWorkers(std::vector<PictureJob> jobs, Outputs& outputs, Events events,
                   bool complete = true, qint64 memoryBudget = MemoryBudget::forThisMachine());
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
    // After wait(): the picture and surface the window is left with.
    const LatestForWindow& latest() const { return latest_; }

  private:
    void work();
    // The next job to take up, in list order, -1 when there is none left; waits for jobs to be
    // added and for the memory they weigh. Called with the lock held.
    int take(std::unique_lock<std::mutex>& lock, qint64& share);
    // A job whose route gave up, its picture now to be decoded whole: its `share` grows by
    // `extra`, within the budget. It waits, its share given back meanwhile (so that two such
    // jobs never wait for each other) and ahead of jobs not yet taken, until the grown share
    // fits; false when the run is cancelled meanwhile.
    bool grow(qint64& share, qint64 extra);
    void waitForFinished(int job);
    // Records a job's end; its memory is given back only after the end is told.
    void record(int job, PictureResult result);

    // Deques: a worker keeps its job by reference while the window adds more.
    std::deque<PictureJob> jobs_;
    Outputs& outputs_;
    Events events_;
    std::vector<std::thread> threads_;
    int taken_ = 0;
    // Jobs taken and not yet given back; of them, those waiting in grow(), and those waiting
    // for an earlier job to end.
    int inFlight_ = 0;
    int growing_ = 0;
    int parked_ = 0;
    bool complete_;
    std::atomic<bool> cancelled_ = false;
    std::atomic<int> running_ = 0;
    MemoryBudget budget_;

    std::mutex mutex_;
    std::condition_variable jobsChanged_;
    std::condition_variable finishedChanged_;
    std::deque<char> finished_;
    std::deque<PictureOutcome> outcomes_;
    LatestForWindow latest_;
};

}  // namespace convert
