#pragma once

#include <QtGlobal>
#include <algorithm>

#include "toolkit/pictures/memory_need.h"

namespace convert {

// The memory the pictures converted at once may take together. A job is taken up only once its
// weight fits beside those in flight; one heavier than the whole budget counts as the whole
// budget, so it waits until it is alone and then runs. Not thread-safe: its owner locks.
class MemoryBudget {
  public:
    // A quarter of the memory available when the run starts, within 160 MiB and 4 GiB: on a
    // desktop machine several large photos at once, on a small one few enough never to swap.
    static qint64 forThisMachine() {
        constexpr qint64 kMiB = 1024 * 1024;
        return std::clamp(toolkit::memoryAvailableNow() / 4, 160 * kMiB, 4096 * kMiB);
    }

    explicit MemoryBudget(qint64 bytes) : budget_(bytes) {}

    // What a job of this weight takes from the budget.
    qint64 share(qint64 weight) const { return std::min(weight, budget_); }
    qint64 total() const { return budget_; }
    bool fits(qint64 share) const { return inUse_ + share <= budget_; }
    void take(qint64 share) { inUse_ += share; }
    void giveBack(qint64 share) { inUse_ -= share; }

  private:
    const qint64 budget_;
    qint64 inUse_ = 0;
};

}  // namespace convert
