#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace convert {

// What went wrong during one batch run, for the single message at its end.
class RunReport {
  public:
    struct EntryFailure {
        QString entry;
        QString reason;
    };

    // The closing message lists at most this many entries and counts the rest.
    static constexpr int kListedEntries = 40;

    void wrote() { ++written_; }
    // A second reason for the same entry (its JPG and its BMP both failing) joins the first.
    void failed(const QString& entry, const QString& reason);
    // Something the user should know of an entry that was converted all the same (an output
    // dated today); a second one for the same entry joins the first.
    void noted(const QString& entry, const QString& note);
    // A problem that stops a whole kind of output (its folder cannot be made), said once.
    void outputFailed(const QString& text);
    // The user stopped the run before every picture was converted.
    void cancelled() { cancelled_ = true; }

    int written() const { return written_; }
    bool wasCancelled() const { return cancelled_; }
    const std::vector<EntryFailure>& failures() const { return failures_; }
    const std::vector<EntryFailure>& notes() const { return notes_; }
    const QStringList& outputProblems() const { return outputProblems_; }

    // Spanish text listing every problem and note and how many files were written; empty when
    // there is nothing to say, as a clean run says nothing. A cancelled run always says so.
    QString closingMessage() const;

  private:
    int written_ = 0;
    bool cancelled_ = false;
    std::vector<EntryFailure> failures_;
    std::vector<EntryFailure> notes_;
    QStringList outputProblems_;
};

}  // namespace convert
