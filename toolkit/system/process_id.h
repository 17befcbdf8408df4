#pragma once

// This process's id, as the names of its temporary files carry it so that a later start can
// tell the files of a run that was killed. Header-only: the JPEG writer library, which links
// nothing of the program, names its temporary files the same way.
#if defined(_WIN32)
#include <process.h>
#else
#include <unistd.h>
#endif

namespace toolkit {

inline long long currentProcessId() {
#if defined(_WIN32)
    return static_cast<long long>(_getpid());
#else
    return static_cast<long long>(::getpid());
#endif
}

}  // namespace toolkit
