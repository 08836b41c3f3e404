#include "activation_context.h"

#include <cstdlib>

#include "../shared/plugin_state.h"

namespace {

// The context, or null while none has been made (or after it was released).
PVOID volatile g_Context = nullptr;

// The DLL's own file name in full, in a block the caller frees: the plug-in
// may live in a folder whose name the ANSI code page cannot spell. Null when
// it cannot be had, memory included; the windows are then made without the
// context, as when the context cannot be made.
wchar_t* ModulePathW(HMODULE module) {
    DWORD size = MAX_PATH;
    for (;;) {
        wchar_t* path = static_cast<wchar_t*>(std::malloc(size * sizeof(wchar_t)));
        if (!path) return nullptr;
        const DWORD length = GetModuleFileNameW(module, path, size);
        // A name that fills the buffer may have been cut short.
        if (length > 0 && length < size) return path;
        std::free(path);
        if (length == 0 || size >= 32768) return nullptr;  // 32768: longer than any Windows path
        size *= 2;
    }
}

HANDLE MakeContext() {
    HMODULE module = static_cast<HMODULE>(g_State.ModuleHandle);
    wchar_t* source = ModulePathW(module);
    if (!source) return INVALID_HANDLE_VALUE;
    ACTCTXW context;
    ZeroMemory(&context, sizeof context);
    context.cbSize = sizeof context;
    context.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
    context.lpSource = source;
    context.hModule = module;
    context.lpResourceName = MAKEINTRESOURCEW(2);
    HANDLE made = CreateActCtxW(&context);
    std::free(source);
    return made;
}

// The context, made on first use. A failure is not remembered: the next
// window creation tries again.
HANDLE PluginContext() {
    HANDLE context = static_cast<HANDLE>(g_Context);
    if (context) return context;
    HANDLE made = MakeContext();
    if (made == INVALID_HANDLE_VALUE) return INVALID_HANDLE_VALUE;
    // Two threads making it at once: the first one stored is kept.
    HANDLE earlier = static_cast<HANDLE>(InterlockedCompareExchangePointer(&g_Context, made, nullptr));
    if (earlier) {
        ReleaseActCtx(made);
        return earlier;
    }
    return made;
}

}  // namespace

ULONG_PTR ActivatePluginContext() {
    HANDLE context = PluginContext();
    if (context == INVALID_HANDLE_VALUE) return 0;
    ULONG_PTR cookie = 0;
    if (!ActivateActCtx(context, &cookie)) return 0;
    return cookie;
}

void DeactivatePluginContext(ULONG_PTR cookie) {
    if (cookie != 0) DeactivateActCtx(0, cookie);
}

void ReleasePluginContext() {
    HANDLE context = static_cast<HANDLE>(InterlockedExchangePointer(&g_Context, nullptr));
    if (context) ReleaseActCtx(context);
}
