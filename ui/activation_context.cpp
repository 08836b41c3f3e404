#include "activation_context.h"

#include "../shared/plugin_state.h"

namespace {

HANDLE g_Context = INVALID_HANDLE_VALUE;
bool g_ContextTried = false;

HANDLE PluginContext() {
    if (!g_ContextTried) {
        g_ContextTried = true;
        HMODULE module = static_cast<HMODULE>(g_State.ModuleHandle);
        char source[MAX_PATH];
        const DWORD length = GetModuleFileNameA(module, source, MAX_PATH);
        if (length == 0 || length >= MAX_PATH) return INVALID_HANDLE_VALUE;
        ACTCTXA context;
        ZeroMemory(&context, sizeof context);
        context.cbSize = sizeof context;
        context.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
        context.lpSource = source;
        context.hModule = module;
        context.lpResourceName = MAKEINTRESOURCEA(2);
        g_Context = CreateActCtxA(&context);
    }
    return g_Context;
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
