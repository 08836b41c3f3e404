#include "initialise.h"

#include <cstdlib>
#include <cstring>

#include "../shared/plugin_state.h"
#include "module_path.h"

namespace {

// PluginState as initialisation left it.
PluginState g_LoadTimeState;

// Length of the folder part of a full file name: up to and with its last
// "\" (or "/", or the ":" of a drive).
DWORD FolderLength(const wchar_t* path, DWORD length) {
    DWORD folder = 0;
    for (DWORD i = 0; i < length; ++i) {
        if (path[i] == L'\\' || path[i] == L'/' || path[i] == L':') folder = i + 1;
    }
    return folder;
}

// ListPath is the DLL's folder and the list's name, in UTF-8, or empty when
// that path would be longer than 259 UTF-16 characters: a cut-short path must
// never be used. The folder is found with the wide functions, so a folder
// name outside the ANSI code page works as any other.
void BuildListPath(HMODULE module) {
    g_State.ListPath[0] = '\0';
    DWORD length = 0;
    wchar_t* dll = ModuleFileName(module, &length);
    if (!dll) return;
    const DWORD folderLength = FolderLength(dll, length);
    const std::size_t nameLength = std::strlen(kListFileName);
    if (folderLength + nameLength <= kMaxListPathUnits) {
        wchar_t wide[kMaxListPathUnits + 1];
        std::memcpy(wide, dll, folderLength * sizeof(wchar_t));
        for (std::size_t i = 0; i <= nameLength; ++i) wide[folderLength + i] = static_cast<wchar_t>(kListFileName[i]);
        const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide, -1, g_State.ListPath,
                                              static_cast<int>(sizeof g_State.ListPath), nullptr, nullptr);
        if (bytes <= 0) g_State.ListPath[0] = '\0';
    }
    std::free(dll);
}

// True when the host executable's base name (no folder, no extension) begins
// with the viewer's prefix: case-sensitive, so VistroxHD.exe matches and
// vistrox.exe does not. Only the name counts, however deep its folder.
bool HostIsViewer() {
    DWORD length = 0;
    wchar_t* host = ModuleFileName(nullptr, &length);
    if (!host) return false;
    const wchar_t* baseName = host + FolderLength(host, length);
    const std::size_t prefixLength = std::strlen(kHostPrefix);
    bool matched = true;
    for (std::size_t i = 0; i < prefixLength && matched; ++i) {
        // The extension's dot ends the base name.
        matched = baseName[i] != L'\0' && baseName[i] != L'.' && baseName[i] == static_cast<wchar_t>(kHostPrefix[i]);
    }
    std::free(host);
    return matched;
}

}  // namespace

void InitialisePlugin(HMODULE module) {
    g_State.ModuleHandle = module;
    BuildListPath(module);
    g_State.HostMatched = HostIsViewer();
    g_State.Initialised = true;
    g_LoadTimeState = g_State;
}

void RestoreLoadTimeState() { g_State = g_LoadTimeState; }
