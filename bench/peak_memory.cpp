// Measures the most heap a load of the generated 100,000-line list holds at
// once, and checks it against four times the file's size plus 1 MiB.
//
// The C allocator is replaced by a thin counting layer over glibc's own, so
// every block the load takes (its own arrays, the stdio buffers) counts, by
// its usable size. Exit status 1 when the peak is over the limit or the load
// leaves heap behind.
#include <malloc.h>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>

#include "bench_files.h"
#include "channel_list/load_list.h"
#include "list_generator.h"
#include "shared/plugin_state.h"

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

void* Counted(void* block) {
    if (block) {
        g_Live += static_cast<long long>(malloc_usable_size(block));
        if (g_Live > g_Peak) g_Peak = g_Live;
    }
    return block;
}

void Uncount(void* block) {
    if (block) g_Live -= static_cast<long long>(malloc_usable_size(block));
}

}  // namespace

extern "C" {

void* malloc(std::size_t size) { return Counted(__libc_malloc(size)); }

void* calloc(std::size_t count, std::size_t size) { return Counted(__libc_calloc(count, size)); }

void free(void* block) {
    Uncount(block);
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

// The load talks to a window that does nothing (null_window.cpp).

int main() {
    const std::size_t lines = 100000;
    const std::string list = GenerateChannelList(lines);
    const std::string path = BenchDirectory() + "/ChannelList.ini";
    std::memset(&g_State, 0, sizeof g_State);
    if (!UseListPath(path) || !WriteWholeFile(path, list)) {
        std::fprintf(stderr, "peak memory: cannot write the list\n");
        return 2;
    }

    const long long before = g_Live;
    g_Peak = g_Live;
    const int result = LoadChannelList();
    const long long peak = g_Peak - before;
    const long long left = g_Live - before;

    const long long size = static_cast<long long>(list.size());
    const long long limit = 4 * size + (1 << 20);
    const bool met = result == 1 && peak < limit && left == 0;
    std::printf("\nPeak heap of one load of %zu lines (%lld rows kept):\n", lines,
                static_cast<long long>(g_State.RowCount));
    std::printf("  file %lld bytes; peak %lld bytes (%.2f x the file); limit 4 x file + 1 MiB = %lld bytes: %s\n",
                size, peak, static_cast<double>(peak) / static_cast<double>(size), limit,
                met ? "met" : "MISSED");
    if (left != 0) std::printf("  heap left behind by the load: %lld bytes\n", left);
    if (result != 1) std::printf("  the load did not rewrite the list\n");
    return met ? 0 : 1;
}
