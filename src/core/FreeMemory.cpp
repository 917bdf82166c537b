#include "FreeMemory.h"

// Any C library header says which C library this is.
#include <cstdlib>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

void releaseFreedMemory()
{
#if defined(__GLIBC__)
    // Also returns the free pages inside the worker threads' arenas, not only the heap's top.
    malloc_trim(0);
#endif
}
