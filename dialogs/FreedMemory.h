#pragma once

// Hands the heap's free pages back to the system. After a long result list or
// a snapshot has been freed, the allocator keeps the pages for itself; the
// next search would then stack its rows on top of them instead of reusing them.

#if defined(__GLIBC__)
#include <malloc.h>
#endif

inline void GiveBackFreedMemory()
{
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}
