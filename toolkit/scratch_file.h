#pragma once

#include <QString>
#include <QTemporaryFile>

namespace toolkit {

class System;

// A private file for handing data to another component: a unique name in the user's temporary
// folder, created exclusively (never an existing file or a link planted there) and readable by
// its owner only. Whatever happens, it does not outlive this object.
class ScratchFile {
  public:
    // Raises a Failure when the file cannot be created. `suffix` ends the name (".bmp").
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

}  // namespace toolkit
