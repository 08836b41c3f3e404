// Counts the C heap the program holds: the benchmark program defines malloc,
// calloc, realloc and free itself (heap_count_glibc.cpp over glibc's own
// allocator, heap_count_win32.cpp over a Win32 heap), so that every block the
// core and the C++ runtime take from them is counted by its usable size.
#ifndef ZELQ_BENCH_HEAP_COUNT_H
#define ZELQ_BENCH_HEAP_COUNT_H

// Bytes held now.
long long HeapLiveBytes();

// The most bytes held at once since the last ResetHeapPeak.
long long HeapPeakBytes();

// Starts a new peak from what is held now.
void ResetHeapPeak();

// Calls of the counting functions that returned a block (malloc, calloc,
// realloc), so far.
long long HeapAllocations();

// Blocks handed to free or realloc that the counting heap did not make (the
// C runtime's own, allocated inside its DLL); they go back to their owner
// uncounted. Always 0 where the runtime has no other heap.
long long HeapForeignBlocks();

// What the counting functions sit on, for the report.
const char* HeapCounterName();

#endif  // ZELQ_BENCH_HEAP_COUNT_H
