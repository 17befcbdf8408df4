#pragma once

namespace toolkit {

// A batch run frees and takes again the same few buffers for every picture (the decoded
// picture, its scaled copy, the surface). Freed memory is then kept for the next picture rather
// than handed back to the system and faulted in again page by page, which cost about a tenth of
// the time of a small picture. What is kept is bounded by the largest buffers in use, so the
// peak does not change. Once per process; harmless where the allocator has no such setting.
void keepFreedMemoryForReuse();

// Hands what lies free back to the system, after a picture far larger than the rest: what was
// kept for it would otherwise add to the peak of the pictures after it.
void releaseFreedMemory();

}  // namespace toolkit
