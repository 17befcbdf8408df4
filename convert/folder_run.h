#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <optional>
#include <vector>

#include "convert/batch/outputs.h"
#include "convert/batch/picture_workers.h"
#include "convert/batch/run_report.h"
#include "convert/batch/same_name_order.h"
#include "convert/run_progress.h"
#include "convert/shown_before.h"

class Form1;

namespace toolkit {
class JpegWriter;
class System;
struct PictureHeader;
}  // namespace toolkit

namespace convert {

// One batch run, the window's side of it. The list is walked entry by entry in list order
// through the controls, each picture sized from its header alone; the jobs this makes are
// converted on the workers meanwhile. Once they have all ended, the window is settled as a
// one-by-one run would have left it and one message reports what went wrong.
class FolderRun {
  public:
    FolderRun(Form1& form, toolkit::JpegWriter& writer, toolkit::System& system);
    FolderRun(const FolderRun&) = delete;
    FolderRun& operator=(const FolderRun&) = delete;

    void run();

  private:
    // One list entry as the run saw it.
    struct Entry {
        QString name;
        bool picture = false;  // by its name
        bool loads = false;    // its file gives a picture (as far as known before converting)
        QSize natural;         // in pixels, upright
        int job = -1;          // its job, when it got as far as painting
        QString failure;       // why it stopped before its job, if it did
    };

    // The steps of a run, in order.
    bool outputFoldersUsable();
    void startConverting();
    void walkList();
    void waitForWorkers();
    void collectOutcomes();
    void settleWindow();
    void report();

    // Walking one entry through the controls.
    void walkEntry(int index);
    bool readHeader(Entry& entry, PictureJob& job, toolkit::PictureHeader& header);
    void sizingFailed(int index, Entry& entry, const PictureJob& job, const std::exception& why);
    void queueJob(int index, Entry& entry, PictureJob job, const toolkit::PictureHeader& header);
    QString nameOfJob(int job) const;

    // Settling the window.
    void collectEntry(Entry& entry);
    void replayReachedEntries();
    void leaveLastPicture();

    Form1& form_;
    toolkit::JpegWriter& writer_;
    toolkit::System& system_;
    const QString programFolder_;
    RunReport report_;
    std::optional<ShownBefore> before_;

    // The list as walked: every entry up to where the walk stopped, and each job's entry.
    int count_ = 0;
    int named_ = 0;  // entries named as pictures
    int walked_ = 0;
    std::vector<Entry> entries_;
    std::vector<int> entryOfJob_;
    SameNameOrder sameNames_;
    // A picture read whole here rather than on the workers (one that fails to fit the frame);
    // only the latest counts.
    int readHere_ = -1;
    QImage readHerePicture_;
    // Whether what the controls now show is what the run leaves, as long as every job reads
    // its picture.
    bool walkedAsRun_ = true;

    // How far the run got: entries before `reached_` were converted or failed.
    bool cancelled_ = false;
    int reached_ = 0;

    // Declared in this order so that the workers, which report to the others, go first.
    std::optional<Outputs> outputs_;
    std::optional<RunProgress> progress_;
    std::optional<PictureWorkers> workers_;
};

}  // namespace convert
