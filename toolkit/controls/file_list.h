#pragma once

#include <QListWidget>
#include <cstdint>

#include "toolkit/controls/geometry.h"

namespace toolkit {

// The files of one folder (not its sub-folders), by name without the folder part, sorted by
// name. The pattern is "*.*": every file is listed, whatever its name.
class FileList : public QListWidget, public Geometry {
    Q_OBJECT
  public:
    using Geometry::height;
    using Geometry::width;
    explicit FileList(QWidget* parent);

    QString path() const { return path_; }
    // Raises a Failure, keeping the current folder, when the folder cannot be listed.
    void setPath(const QString& folder);
    void refresh();

    // Counted in full: a folder may hold far more than 32,767 files, and every one is listed.
    int listCount() const;
    QString list(int index) const;
    // The selected entry, -1 when none.
    int listIndex() const;

  signals:
    // An entry was selected, by the pointer or the keyboard.
    void clicked();

  private:
    void fill(const QString& folder);

    QString path_;
};

}  // namespace toolkit
