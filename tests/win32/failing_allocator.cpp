#include "failing_allocator.h"

#include <cstdlib>

#include "import_slot.h"

namespace {

using MallocFn = void*(__cdecl*)(std::size_t);
using CallocFn = void*(__cdecl*)(std::size_t, std::size_t);
using ReallocFn = void*(__cdecl*)(void*, std::size_t);

// The real functions, as the import table held them.
MallocFn g_RealMalloc = nullptr;
CallocFn g_RealCalloc = nullptr;
ReallocFn g_RealRealloc = nullptr;

int g_Allowed = 0;
int g_Calls = 0;
int g_Failures = 0;

bool NextCallFails() {
    if (g_Calls++ < g_Allowed) return false;
    ++g_Failures;
    return true;
}

void* __cdecl FailingMalloc(std::size_t size) { return NextCallFails() ? nullptr : g_RealMalloc(size); }

void* __cdecl FailingCalloc(std::size_t count, std::size_t size) {
    return NextCallFails() ? nullptr : g_RealCalloc(count, size);
}

// A failed realloc leaves the block as it was.
void* __cdecl FailingRealloc(void* block, std::size_t size) {
    return NextCallFails() ? nullptr : g_RealRealloc(block, size);
}

}  // namespace

FailingAllocator::FailingAllocator(HMODULE module, int allowed) : module_(module) {
    void** mallocSlot = ImportSlot(module, "msvcrt.dll", "malloc");
    void** callocSlot = ImportSlot(module, "msvcrt.dll", "calloc");
    void** reallocSlot = ImportSlot(module, "msvcrt.dll", "realloc");
    if (!mallocSlot || !callocSlot || !reallocSlot) return;
    g_RealMalloc = reinterpret_cast<MallocFn>(*mallocSlot);
    g_RealCalloc = reinterpret_cast<CallocFn>(*callocSlot);
    g_RealRealloc = reinterpret_cast<ReallocFn>(*reallocSlot);
    g_Allowed = allowed;
    g_Calls = 0;
    g_Failures = 0;
    WriteImportSlot(mallocSlot, reinterpret_cast<void*>(&FailingMalloc));
    WriteImportSlot(callocSlot, reinterpret_cast<void*>(&FailingCalloc));
    WriteImportSlot(reallocSlot, reinterpret_cast<void*>(&FailingRealloc));
    installed_ = true;
}

FailingAllocator::~FailingAllocator() {
    if (!installed_) return;
    WriteImportSlot(ImportSlot(module_, "msvcrt.dll", "malloc"), reinterpret_cast<void*>(g_RealMalloc));
    WriteImportSlot(ImportSlot(module_, "msvcrt.dll", "calloc"), reinterpret_cast<void*>(g_RealCalloc));
    WriteImportSlot(ImportSlot(module_, "msvcrt.dll", "realloc"), reinterpret_cast<void*>(g_RealRealloc));
}

int FailingAllocator::Calls() const { return g_Calls; }

int FailingAllocator::Failures() const { return g_Failures; }
