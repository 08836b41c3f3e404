#include "initialise.h"

#include <cstring>

#include "../shared/plugin_state.h"

namespace {

// A module's full file name in UTF-16, with the length of its folder part
// (up to and with the last "\"). False when it cannot be had whole.
struct ModulePath {
    wchar_t Text[kMaxListPathUnits + 1];
    DWORD Length;
    DWORD FolderLength;
};

bool GetModulePath(HMODULE module, ModulePath* path) {
    const DWORD size = static_cast<DWORD>(sizeof path->Text / sizeof path->Text[0]);
    path->Length = GetModuleFileNameW(module, path->Text, size);
    // A name that fills the buffer was cut short and must not be used.
    if (path->Length == 0 || path->Length >= size) return false;
    path->FolderLength = 0;
    for (DWORD i = 0; i < path->Length; ++i) {
        if (path->Text[i] == L'\\' || path->Text[i] == L'/' || path->Text[i] == L':') path->FolderLength = i + 1;
    }
    return true;
}

// ListPath is the DLL's folder and the list's name, in UTF-8, or empty when
// that path would be longer than 259 UTF-16 characters: a cut-short path must
// never be used. The folder is found with the wide functions, so a folder
// name outside the ANSI code page works as any other.
void BuildListPath(HMODULE module) {
    g_State.ListPath[0] = '\0';
    ModulePath dll;
    if (!GetModulePath(module, &dll)) return;
    wchar_t wide[kMaxListPathUnits + 1];
    const std::size_t nameLength = std::strlen(kListFileName);
    if (dll.FolderLength + nameLength > kMaxListPathUnits) return;
    std::memcpy(wide, dll.Text, dll.FolderLength * sizeof(wchar_t));
    for (std::size_t i = 0; i <= nameLength; ++i) wide[dll.FolderLength + i] = static_cast<wchar_t>(kListFileName[i]);
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide, -1, g_State.ListPath,
                                          static_cast<int>(sizeof g_State.ListPath), nullptr, nullptr);
    if (bytes <= 0) g_State.ListPath[0] = '\0';
}

// True when the host executable's base name (no folder, no extension) begins
// with the viewer's prefix: case-sensitive, so VistroxHD.exe matches and
// vistrox.exe does not.
bool HostIsViewer() {
    ModulePath host;
    if (!GetModulePath(nullptr, &host)) return false;
    const wchar_t* baseName = host.Text + host.FolderLength;
    const std::size_t prefixLength = std::strlen(kHostPrefix);
    for (std::size_t i = 0; i < prefixLength; ++i) {
        // The extension's dot ends the base name.
        if (baseName[i] == L'\0' || baseName[i] == L'.' || baseName[i] != static_cast<wchar_t>(kHostPrefix[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace

void InitialisePlugin(HMODULE module) {
    g_State.ModuleHandle = module;
    BuildListPath(module);
    g_State.HostMatched = HostIsViewer();
    g_State.Initialised = true;
}
