#include "toolkit/system/memory_reuse.h"

#include <cstdlib>  // tells which C library this is

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace toolkit {

void keepFreedMemoryForReuse() {
#if defined(__GLIBC__)
    // The allocator's largest setting for both: buffers up to 32 MiB come from its own heaps and
    // go back to the system only when more than that lies free at their end.
    static const bool done = [] {
        constexpr int kKept = 32 * 1024 * 1024;
        mallopt(M_MMAP_THRESHOLD, kKept);
        mallopt(M_TRIM_THRESHOLD, kKept);
        return true;
    }();
    (void)done;
#endif
}

void releaseFreedMemory() {
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

}  // namespace toolkit
