// A module's full file name, however long.
#ifndef ZELQ_PLUGIN_MODULE_PATH_H
#define ZELQ_PLUGIN_MODULE_PATH_H

#include <windows.h>

// The full file name of `module` (null: the process's executable) in UTF-16,
// in a block the caller frees with free(); *length is its length in units.
// Null when it cannot be had whole (no memory included). No length limit:
// a viewer may live in a folder deeper than the classic 260 characters.
wchar_t* ModuleFileName(HMODULE module, DWORD* length);

#endif  // ZELQ_PLUGIN_MODULE_PATH_H
