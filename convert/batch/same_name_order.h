#pragma once

#include <QString>
#include <map>

namespace convert {

// Entries whose outputs share a name (a.jpg and a.gif both make a.jpg and a.bmp) must write in
// list order, so that the later entry's files remain. Each job learns which earlier job it
// follows; names differing in case alone may be one file on some disks, so they count as one.
class SameNameOrder {
  public:
    // The earlier job writing the same outputs as this entry's job, or -1; `job` now counts as
    // the latest for those outputs.
    int follow(const QString& entryName, int job);

  private:
    std::map<QString, int> lastJobWriting_;
};

}  // namespace convert
