#include "initialise.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "../shared/plugin_state.h"

namespace {

// The parts of a module's file name. Every buffer holds a whole path, so no
// part of a path that fits MAX_PATH can overflow one.
struct PathParts {
    char Drive[MAX_PATH];
    char Directory[MAX_PATH];
    char BaseName[MAX_PATH];
    char Extension[MAX_PATH];
};

// Splits a module's file name; false when it cannot be had whole.
bool SplitModulePath(HMODULE module, PathParts* parts) {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(module, path, MAX_PATH);
    // A name that fills the buffer was cut short and must not be used.
    if (length == 0 || length >= MAX_PATH) return false;
    _splitpath(path, parts->Drive, parts->Directory, parts->BaseName, parts->Extension);
    return true;
}

// ListPath is drive, directory and the list's name, or empty when that does
// not fit its 260 bytes: a cut-short path must never be used.
void BuildListPath(HMODULE module) {
    g_State.ListPath[0] = '\0';
    PathParts parts;
    if (!SplitModulePath(module, &parts)) return;
    char path[3 * MAX_PATH];
    const int length =
        std::snprintf(path, sizeof path, "%s%s%s", parts.Drive, parts.Directory, kListFileName);
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof g_State.ListPath) return;
    std::memcpy(g_State.ListPath, path, static_cast<std::size_t>(length) + 1);
}

// True when the host executable's base name begins with the viewer's prefix
// (case-sensitive; VistroxHD.exe matches too).
bool HostIsViewer() {
    PathParts parts;
    if (!SplitModulePath(nullptr, &parts)) return false;
    return std::strncmp(parts.BaseName, kHostPrefix, std::strlen(kHostPrefix)) == 0;
}

}  // namespace

void InitialisePlugin(HMODULE module) {
    g_State.ModuleHandle = module;
    BuildListPath(module);
    g_State.HostMatched = HostIsViewer();
    g_State.Initialised = true;
}
