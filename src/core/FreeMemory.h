#pragma once

// Hands memory the program has freed back to the system. A poll frees several megabytes
// (the answer, its parsed tree, the copy of the alarm status it replaces) on a worker
// thread; the allocator keeps such memory for reuse, so without this the resident size of a
// large installation grows well beyond what it holds. Does nothing where the C library
// offers no way to do it.
void releaseFreedMemory();
