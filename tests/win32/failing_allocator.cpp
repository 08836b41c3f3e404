#include "failing_allocator.h"

#include <cstdlib>
#include <cstring>

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

// The import address table entry through which `module` calls `name` of
// msvcrt.dll, or null.
void** ImportSlot(HMODULE module, const char* name) {
    BYTE* base = reinterpret_cast<BYTE*>(module);
    const IMAGE_DOS_HEADER* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const IMAGE_NT_HEADERS* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0) return nullptr;
    for (const IMAGE_IMPORT_DESCRIPTOR* library =
             reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         library->Name != 0; ++library) {
        if (_stricmp(reinterpret_cast<const char*>(base + library->Name), "msvcrt.dll") != 0) continue;
        if (library->OriginalFirstThunk == 0) return nullptr;
        const IMAGE_THUNK_DATA* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + library->OriginalFirstThunk);
        IMAGE_THUNK_DATA* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + library->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            const IMAGE_IMPORT_BY_NAME* import =
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(import->Name), name) == 0) {
                return reinterpret_cast<void**>(&slots->u1.Function);
            }
        }
    }
    return nullptr;
}

void WriteSlot(void** slot, void* value) {
    DWORD protection = 0;
    VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection);
    *slot = value;
    VirtualProtect(slot, sizeof *slot, protection, &protection);
    FlushInstructionCache(GetCurrentProcess(), slot, sizeof *slot);
}

}  // namespace

FailingAllocator::FailingAllocator(HMODULE module, int allowed) : module_(module) {
    void** mallocSlot = ImportSlot(module, "malloc");
    void** callocSlot = ImportSlot(module, "calloc");
    void** reallocSlot = ImportSlot(module, "realloc");
    if (!mallocSlot || !callocSlot || !reallocSlot) return;
    g_RealMalloc = reinterpret_cast<MallocFn>(*mallocSlot);
    g_RealCalloc = reinterpret_cast<CallocFn>(*callocSlot);
    g_RealRealloc = reinterpret_cast<ReallocFn>(*reallocSlot);
    g_Allowed = allowed;
    g_Calls = 0;
    g_Failures = 0;
    WriteSlot(mallocSlot, reinterpret_cast<void*>(&FailingMalloc));
    WriteSlot(callocSlot, reinterpret_cast<void*>(&FailingCalloc));
    WriteSlot(reallocSlot, reinterpret_cast<void*>(&FailingRealloc));
    installed_ = true;
}

FailingAllocator::~FailingAllocator() {
    if (!installed_) return;
    WriteSlot(ImportSlot(module_, "malloc"), reinterpret_cast<void*>(g_RealMalloc));
    WriteSlot(ImportSlot(module_, "calloc"), reinterpret_cast<void*>(g_RealCalloc));
    WriteSlot(ImportSlot(module_, "realloc"), reinterpret_cast<void*>(g_RealRealloc));
}

int FailingAllocator::Calls() const { return g_Calls; }

int FailingAllocator::Failures() const { return g_Failures; }
