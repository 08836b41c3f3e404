#include "activation_context.h"

#include <cstdlib>

#include "../plugin/module_path.h"
#include "../shared/plugin_state.h"

namespace {

// The context, or null while none has been made (or after it was released).
PVOID volatile g_Context = nullptr;

HANDLE MakeContext() {
    HMODULE module = static_cast<HMODULE>(g_State.ModuleHandle);
    // The DLL's own file name in full: the plug-in may live in a folder
    // whose name the ANSI code page cannot spell. Without it (no memory, say)
    // the windows are made without the context, as when the context cannot
    // be made.
    DWORD length = 0;
    wchar_t* source = ModuleFileName(module, &length);
    if (!source) return INVALID_HANDLE_VALUE;
    ACTCTXW context = {};
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
    return ActivateActCtx(context, &cookie) ? cookie : 0;
}

void DeactivatePluginContext(ULONG_PTR cookie) {
    if (cookie != 0) DeactivateActCtx(0, cookie);
}

void ReleasePluginContext() {
    HANDLE context = static_cast<HANDLE>(InterlockedExchangePointer(&g_Context, nullptr));
    if (context) ReleaseActCtx(context);
}
