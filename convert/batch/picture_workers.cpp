#include "convert/batch/picture_workers.h"

#include <utility>

#include "toolkit/system/memory_reuse.h"

namespace convert {

PictureWorkers::PictureWorkers(std::vector<PictureJob> jobs, Outputs& outputs, Events events,
                               bool complete, qint64 memoryBudget)
    : jobs_(std::make_move_iterator(jobs.begin()), std::make_move_iterator(jobs.end())),
      outputs_(outputs),
      events_(std::move(events)),
      complete_(complete),
      budget_(memoryBudget),
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
    latest_.settle();
}

void PictureWorkers::waitForFinished(int job) {
    if (job < 0) return;
    std::unique_lock lock(mutex_);
    if (finished_[job] != 0) return;
    ++parked_;
    jobsChanged_.notify_all();
    finishedChanged_.wait(lock, [&] { return finished_[job] != 0; });
    --parked_;
}

int PictureWorkers::take(std::unique_lock<std::mutex>& lock, qint64& share) {
    int index = -1;
    jobsChanged_.wait(lock, [&] {
        if (cancelled_ || (complete_ && taken_ >= int(jobs_.size()))) return true;
        if (taken_ >= int(jobs_.size()) || growing_ > 0) return false;
        // The next job in list order, once the memory it weighs is free.
        share = budget_.share(jobs_[taken_].weight);
        if (!budget_.fits(share)) return false;
        index = taken_++;
        return true;
    });
    if (index >= 0) {
        budget_.take(share);
        ++inFlight_;
    }
    return index;
}

bool PictureWorkers::grow(qint64& share, qint64 extra) {
    std::unique_lock lock(mutex_);
    budget_.giveBack(share);
    ++growing_;
    jobsChanged_.notify_all();
    const qint64 grown = budget_.share(share + extra);
    // A job that waits for an earlier one to end cannot give its share back before that one
    // has grown and ended: when only such jobs are left, the grown share is taken all the same.
    jobsChanged_.wait(
        lock, [&] { return cancelled_ || budget_.fits(grown) || inFlight_ == growing_ + parked_; });
    --growing_;
    if (!cancelled_) share = grown;
    budget_.take(share);
    return !cancelled_;
}

void PictureWorkers::record(int job, PictureResult result) {
    {
        const std::lock_guard lock(mutex_);
        latest_.offer(job, result);
        outcomes_[job] = std::move(result.outcome);
        finished_[job] = 1;
        // Done with: its names and any pixels it carried go, so that what the run holds
        // does not grow with the pictures converted.
        jobs_[size_t(job)] = PictureJob();
    }
    finishedChanged_.notify_all();
}

void PictureWorkers::work() {
    for (;;) {
        qint64 share = 0;
        int index;
        const PictureJob* taken = nullptr;
        {
            std::unique_lock lock(mutex_);
            index = take(lock, share);
            if (index >= 0) taken = &jobs_[index];
        }
        if (index < 0) break;
        if (events_.started) events_.started(index);
        PictureResult result;
        try {
            // An earlier job with the same output names was taken up before this one, so
            // waiting for it cannot wait for ever.
            toolkit::DecodeRun run;
            run.cancelled = &cancelled_;
            run.moreMemory = [&](qint64 extra) { return grow(share, extra); };
            result = convertPicture(
                *taken, outputs_, [&] { waitForFinished(taken->follows); }, run);
        } catch (const std::exception& failure) {
            result.outcome.failures << failureReason(failure);
        }
        // A job that failed before writing still ends only after the one it follows: a job
        // after both may then write, and its files must come last.
        waitForFinished(taken->follows);
        record(index, std::move(result));
        if (events_.finished) events_.finished(index);
        // A picture that took half the budget or more leaves much memory free: handed back
        // to the system, it does not add to the next pictures' peak.
        if (2 * share >= budget_.total()) toolkit::releaseFreedMemory();
        // Given back once the job's end is told, so that what was told stays within budget.
        {
            const std::lock_guard lock(mutex_);
            budget_.giveBack(share);
            --inFlight_;
        }
        jobsChanged_.notify_all();
    }
    if (--running_ == 0 && events_.stopped) events_.stopped();
}

}  // namespace convert
