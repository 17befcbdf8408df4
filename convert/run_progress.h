#pragma once

#include <QElapsedTimer>
#include <QEventLoop>
#include <QString>
#include <atomic>
#include <functional>

#include "convert/batch/picture_workers.h"
#include "toolkit/controls/progress_window.h"

class QWidget;

namespace convert {

// The progress window of a run and what the workers tell it. Workers report from their own
// threads; the window hears of it on its thread, one update waiting in its event queue at a
// time however many pictures finish meanwhile, and shows it no sooner than kUpdateInterval
// after the one before.
class RunProgress {
  public:
    // `nameOfJob` names a job's entry; it is asked on the window's thread only.
    RunProgress(QWidget* owner, int pictures, std::function<QString(int job)> nameOfJob);
    RunProgress(const RunProgress&) = delete;
    RunProgress& operator=(const RunProgress&) = delete;

    // What the workers call: the events keep a reference to this object.
    PictureWorkers::Events workerEvents();
    toolkit::ProgressWindow& window() { return window_; }
    bool cancelAsked() const { return window_.cancelAsked(); }
    // Every job is known: the count is final.
    void setJobCount(int jobs);
    // Lets the window take its events until every worker has stopped.
    void waitForWorkers();

    static constexpr qint64 kUpdateInterval = 250;  // milliseconds

  private:
    void showSoon();
    void show();
    void askForUpdate();

    toolkit::ProgressWindow window_;
    std::function<QString(int)> nameOfJob_;
    int total_;
    QEventLoop waiting_;
    bool stopped_ = false;
    std::atomic<int> finished_ = 0;
    std::atomic<int> latestStarted_ = 0;
    std::atomic<bool> updatePending_ = false;
    QElapsedTimer shown_;
};

}  // namespace convert
