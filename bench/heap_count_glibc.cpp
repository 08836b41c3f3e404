// The counting allocator on glibc: thin layers over glibc's own functions,
// counting each block by its usable size. Every allocation function a program
// may call is replaced, so the counts stay balanced.
#include <malloc.h>

#include <cstddef>

#include "heap_count.h"

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* block, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
void __libc_free(void* block);
}

namespace {

long long g_Live = 0;
long long g_Peak = 0;
long long g_Allocations = 0;

void* Counted(void* block) {
    if (block) {
        ++g_Allocations;
        g_Live += static_cast<long long>(malloc_usable_size(block));
        if (g_Live > g_Peak) g_Peak = g_Live;
    }
    return block;
}

}  // namespace

long long HeapLiveBytes() { return g_Live; }
long long HeapPeakBytes() { return g_Peak; }
void ResetHeapPeak() { g_Peak = g_Live; }
long long HeapAllocations() { return g_Allocations; }
long long HeapForeignBlocks() { return 0; }
const char* HeapCounterName() { return "malloc_usable_size over glibc's malloc"; }

extern "C" {

void* malloc(std::size_t size) { return Counted(__libc_malloc(size)); }

void* calloc(std::size_t count, std::size_t size) { return Counted(__libc_calloc(count, size)); }

void free(void* block) {
    if (block) g_Live -= static_cast<long long>(malloc_usable_size(block));
    __libc_free(block);
}

void* realloc(void* block, std::size_t size) {
    const long long before = block ? static_cast<long long>(malloc_usable_size(block)) : 0;
    void* moved = __libc_realloc(block, size);
    if (moved || size == 0) g_Live -= before;  // realloc(block, 0) frees the block
    return Counted(moved);
}

void* memalign(std::size_t alignment, std::size_t size) { return Counted(__libc_memalign(alignment, size)); }

void* aligned_alloc(std::size_t alignment, std::size_t size) { return memalign(alignment, size); }

int posix_memalign(void** result, std::size_t alignment, std::size_t size) {
    void* block = memalign(alignment, size);
    if (!block) return 12;  // ENOMEM
    *result = block;
    return 0;
}

void* valloc(std::size_t size) { return memalign(4096, size); }

void* pvalloc(std::size_t size) { return memalign(4096, (size + 4095) / 4096 * 4096); }

}  // extern "C"
