#include "activation_context.h"

#include <string>

#include "../shared/plugin_state.h"

namespace {

// The context, or null while none has been made (or after it was released).
PVOID volatile g_Context = nullptr;

// The DLL's own file name in full, as a wide string: the plug-in may live in
// a folder whose name the ANSI code page cannot spell. Empty on failure.
std::wstring ModulePathW(HMODULE module) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(module, &path[0], static_cast<DWORD>(path.size()));
        if (length == 0) return std::wstring();
        // A name that fills the buffer may have been cut short.
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        if (path.size() >= 32768) return std::wstring();  // longer than any Windows path
        path.resize(path.size() * 2);
    }
}

HANDLE MakeContext() {
    HMODULE module = static_cast<HMODULE>(g_State.ModuleHandle);
    const std::wstring source = ModulePathW(module);
    if (source.empty()) return INVALID_HANDLE_VALUE;
    ACTCTXW context;
    ZeroMemory(&context, sizeof context);
    context.cbSize = sizeof context;
    context.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
    context.lpSource = source.c_str();
    context.hModule = module;
    context.lpResourceName = MAKEINTRESOURCEW(2);
    return CreateActCtxW(&context);
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
