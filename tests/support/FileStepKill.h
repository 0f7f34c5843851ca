#pragma once

// For the child programs of the tests that kill a process part-way through its
// file work. FileStepKill.cpp, linked into the child, stands in for fsync,
// fdatasync and unlink, which every caller in the process (SQLite and Qt
// included) reaches; each call is a step, and the process kills itself just
// before step killAt. A child interposes further calls with next() and step().

#include <dlfcn.h>

namespace filestep {

// The step before which the process dies; 0: never.
extern int killAt;

// Counts a step; the step numbered killAt raises SIGKILL instead of returning.
void step();

// The real function behind an interposed one.
template <typename F>
F next(const char* name)
{
    return reinterpret_cast<F>(::dlsym(RTLD_NEXT, name));
}

} // namespace filestep
