// The counting allocator on Windows: malloc, calloc, realloc and free of the
// program's own, over a heap of their own (HeapAlloc, HeapSize, HeapFree),
// counting each block by its size.
//
// MinGW-w64 declares these four without dllimport, so the linker takes the
// program's definitions for every call from the program's objects and the
// static libraries (the core, libstdc++'s operator new) before the C
// runtime's import library. Calls made inside the C runtime's DLL (a stream's
// buffer, say) still go to its own heap and are not counted; a block of its
// own that comes back to free or realloc here is recognised and handed back.
#include <windows.h>

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <initializer_list>

#include "heap_count.h"

namespace {

HANDLE g_Heap = nullptr;
long long g_Live = 0;
long long g_Peak = 0;
long long g_Allocations = 0;
long long g_Foreign = 0;

HANDLE Heap() {
    if (!g_Heap) g_Heap = HeapCreate(0, 0, 0);
    return g_Heap;
}

void* Counted(void* block) {
    if (block) {
        ++g_Allocations;
        g_Live += static_cast<long long>(HeapSize(g_Heap, 0, block));
        if (g_Live > g_Peak) g_Peak = g_Live;
    } else {
        errno = ENOMEM;
    }
    return block;
}

bool Ours(void* block) { return g_Heap && HeapValidate(g_Heap, 0, block); }

// The C runtime's own function of this name, for its own blocks.
template <typename Function>
Function RuntimeFunction(const char* name) {
    for (const char* module : {"msvcrt.dll", "ucrtbase.dll"}) {
        if (HMODULE runtime = GetModuleHandleA(module)) {
            if (FARPROC found = GetProcAddress(runtime, name)) {
                return reinterpret_cast<Function>(reinterpret_cast<void*>(found));
            }
        }
    }
    return nullptr;
}

}  // namespace

long long HeapLiveBytes() { return g_Live; }
long long HeapPeakBytes() { return g_Peak; }
void ResetHeapPeak() { g_Peak = g_Live; }
long long HeapAllocations() { return g_Allocations; }
long long HeapForeignBlocks() { return g_Foreign; }
const char* HeapCounterName() { return "HeapSize over a Win32 heap of the program's own"; }

extern "C" {

void* malloc(std::size_t size) { return Counted(HeapAlloc(Heap(), 0, size ? size : 1)); }

void* calloc(std::size_t count, std::size_t size) {
    if (size != 0 && count > static_cast<std::size_t>(-1) / size) {
        errno = ENOMEM;
        return nullptr;
    }
    const std::size_t total = count * size;
    return Counted(HeapAlloc(Heap(), HEAP_ZERO_MEMORY, total ? total : 1));
}

void free(void* block) {
    if (!block) return;
    if (!Ours(block)) {
        ++g_Foreign;
        if (auto runtimeFree = RuntimeFunction<void (*)(void*)>("free")) runtimeFree(block);
        return;
    }
    g_Live -= static_cast<long long>(HeapSize(g_Heap, 0, block));
    HeapFree(g_Heap, 0, block);
}

void* realloc(void* block, std::size_t size) {
    if (!block) return malloc(size);
    if (size == 0) {
        free(block);
        return nullptr;
    }
    if (!Ours(block)) {
        ++g_Foreign;
        auto runtimeRealloc = RuntimeFunction<void* (*)(void*, std::size_t)>("realloc");
        return runtimeRealloc ? runtimeRealloc(block, size) : nullptr;
    }
    const long long before = static_cast<long long>(HeapSize(g_Heap, 0, block));
    void* moved = HeapReAlloc(g_Heap, 0, block, size);
    if (!moved) {
        errno = ENOMEM;
        return nullptr;  // the block stays as it was
    }
    g_Live -= before;
    return Counted(moved);
}

}  // extern "C"
