#pragma once

#include <QtGlobal>

namespace toolkit {

// The memory this process can take now without the system swapping, in bytes: what the system
// says is available (on Linux the kernel's estimate, MemAvailable, or what is left under this
// process's control-group limit where that is lower), or -1 where it does not say.
qint64 availableMemory();

// Tests stand in a figure for the machine's (a small machine, a large one); -1 gives the
// machine's own back.
void setAvailableMemoryForTests(qint64 bytes);

}  // namespace toolkit
