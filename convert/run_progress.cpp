#include "convert/run_progress.h"

#include <QTimer>
#include <algorithm>
#include <utility>

namespace convert {

RunProgress::RunProgress(QWidget* owner, int pictures, std::function<QString(int job)> nameOfJob)
    : window_(owner, std::max(pictures, 1)), nameOfJob_(std::move(nameOfJob)), total_(pictures) {}

PictureWorkers::Events RunProgress::workerEvents() {
    PictureWorkers::Events events;
    events.started = [this](int job) {
        int seen = latestStarted_;
        while (job > seen && !latestStarted_.compare_exchange_weak(seen, job)) {
        }
        askForUpdate();
    };
    events.finished = [this](int) {
        ++finished_;
        askForUpdate();
    };
    events.stopped = [this] {
        QMetaObject::invokeMethod(
            &waiting_,
            [this] {
                stopped_ = true;
                waiting_.quit();
            },
            Qt::QueuedConnection);
    };
    return events;
}

void RunProgress::askForUpdate() {
    if (!updatePending_.exchange(true))
        QMetaObject::invokeMethod(
            &window_, [this] { showSoon(); }, Qt::QueuedConnection);
}

// A person reads a few updates a second at most: more only take the window's thread from the
// run. What happened meanwhile is shown together.
void RunProgress::showSoon() {
    const qint64 wait = shown_.isValid() ? kUpdateInterval - shown_.elapsed() : 0;
    if (wait <= 0)
        show();
    else
        QTimer::singleShot(int(wait), &window_, [this] { show(); });
}

void RunProgress::show() {
    updatePending_ = false;
    shown_.start();
    window_.showWorking(std::min(finished_ + 1, std::max(total_, 1)), nameOfJob_(latestStarted_));
}

void RunProgress::setJobCount(int jobs) {
    // Pictures whose headers failed are not converted.
    total_ = std::max(jobs, 1);
    window_.setTotal(total_);
    show();
}

void RunProgress::waitForWorkers() {
    if (!stopped_) waiting_.exec();
}

}  // namespace convert
