#include "convert/batch/same_name_order.h"

#include "convert/batch/output_names.h"

namespace convert {

int SameNameOrder::follow(const QString& entryName, int job) {
    const QString key = outputStem(entryName).toCaseFolded();
    const auto earlier = lastJobWriting_.find(key);
    const int follows = earlier != lastJobWriting_.end() ? earlier->second : -1;
    lastJobWriting_[key] = job;
    return follows;
}

}  // namespace convert
