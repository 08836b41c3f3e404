#include "module_path.h"

#include <cstdlib>

wchar_t* ModuleFileName(HMODULE module, DWORD* length) {
    DWORD size = MAX_PATH;
    for (;;) {
        wchar_t* path = static_cast<wchar_t*>(std::malloc(size * sizeof(wchar_t)));
        if (!path) return nullptr;
        *length = GetModuleFileNameW(module, path, size);
        // A name that fills the buffer may have been cut short.
        if (*length > 0 && *length < size) return path;
        std::free(path);
        if (*length == 0 || size >= 32768) return nullptr;  // 32768: longer than any Windows path
        size *= 2;
    }
}
