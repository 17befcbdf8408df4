#pragma once

#include <QString>
#include <QTemporaryFile>

namespace toolkit {

class System;

// A private file for handing data to another component: a unique name in the user's temporary
// folder (memory-backed where the system has such a folder and TMPDIR names none), created
// exclusively (never an existing file or a link planted there) and readable by its owner only.
// Whatever happens short of the process being killed, it does not outlive this object; its name
// carries the process id and where it was made, so that a later start can tell a killed run's
// file (see leftovers.h).
class ScratchFile {
  public:
    // Raises a Failure when the file cannot be created. `suffix` ends the name: ".bmp", the one
    // whose files a later start clears.
    explicit ScratchFile(const QString& suffix);

    QString path() const { return file_.fileName(); }
    // Open for writing until close().
    QIODevice& device() { return file_; }
    // Ends the writing; a Failure when the data could not all be written.
    void close();
    // Deletes the file through the system's own operation (a Failure when it cannot).
    void remove(System& system);

  private:
    QTemporaryFile file_;
};

// Removes the scratch files that processes of this program which are no longer running left
// in the temporary folder (a run killed halfway), only this user's. Done once per program start
// before the first scratch file; returns how many went.
int removeStaleScratchFiles();

}  // namespace toolkit
