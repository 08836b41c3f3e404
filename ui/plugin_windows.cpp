#include "plugin_windows.h"

#include <cstdlib>

#include "../resources/resource.h"
#include "../shared/plugin_state.h"

namespace {

// How long the threads that own plug-in windows get, all together, to destroy
// them when asked, so that a thread that is stuck does not hold up the caller
// for longer. Destroying a visible window can itself take a while (Wine waits
// up to two seconds for the X server to withdraw it).
constexpr DWORD kDestroyTimeoutMs = 5000;

// The reference HoldModule took, or null.
PVOID volatile g_HeldModule = nullptr;

// The plug-in's windows found by a search, in a block grown as needed with
// realloc, whose failure ends the search as incomplete.
struct WindowList {
    HWND* Items;
    std::size_t Count;
    std::size_t Capacity;
    bool Incomplete;  // a window could not be kept (no memory)
};

// Adds the window to the list when it is one of the plug-in's; false when
// there is no memory for it.
bool KeepPluginWindow(WindowList* list, HWND window) {
    if (!IsPluginDialog(window)) return true;
    if (list->Count == list->Capacity) {
        const std::size_t grown = list->Capacity ? 2 * list->Capacity : 8;
        HWND* larger = static_cast<HWND*>(std::realloc(list->Items, grown * sizeof(HWND)));
        if (!larger) return false;
        list->Items = larger;
        list->Capacity = grown;
    }
    list->Items[list->Count++] = window;
    return true;
}

BOOL CALLBACK CollectPluginWindow(HWND window, LPARAM parameter) {
    WindowList* list = reinterpret_cast<WindowList*>(parameter);
    // No C++ exception may pass through the window manager; a window that
    // cannot be kept ends the search as incomplete.
    try {
        if (KeepPluginWindow(list, window)) return TRUE;
    } catch (...) {
    }
    list->Incomplete = true;
    return FALSE;
}

// Every top-level window this DLL made that still exists, on any thread.
// The plug-in's windows have no owner, so all of them are top-level. When
// the search runs out of memory, the list holds those it kept and says so.
WindowList FindPluginWindows() {
    WindowList list = {nullptr, 0, 0, false};
    EnumWindows(CollectPluginWindow, reinterpret_cast<LPARAM>(&list));
    return list;
}

// Asks a window of another thread to destroy itself, waiting at most `ms`.
// SMTO_NORMAL lets this thread answer messages sent to it while it waits, so
// an owning thread that is itself waiting on this one does not deadlock;
// SMTO_ABORTIFHUNG gives up at once on a thread that has stopped pumping
// messages. A request that times out is still carried out if the thread
// recovers; its window then goes later.
bool AskToDestroy(HWND window, DWORD ms) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(window, PluginRequestMessage(), kRequestDestroy, 0, SMTO_NORMAL | SMTO_ABORTIFHUNG, ms,
                               &result) != 0;
}

// Threads that let a request time out; each is asked no more. Should more
// than these fail to answer, the others are asked again, within the same
// time limit.
constexpr int kMostUnansweredThreads = 32;

}  // namespace

void MarkPluginWindow(HWND window, PluginWindowKind kind) {
    SetWindowLongPtrA(window, DWLP_USER, static_cast<LONG_PTR>(kind));
}

bool IsPluginWindow(HWND window, PluginWindowKind kind) {
    if (!window || !IsWindow(window)) return false;
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId()) return false;
    if (reinterpret_cast<void*>(GetWindowLongPtrA(window, GWLP_HINSTANCE)) != g_State.ModuleHandle) return false;
    return GetWindowLongPtrA(window, DWLP_USER) == static_cast<LONG_PTR>(kind);
}

bool IsPluginDialog(HWND window) {
    return IsPluginWindow(window, PluginWindowKind::Editor) || IsPluginWindow(window, PluginWindowKind::About);
}

HWND LiveEditorWindow() {
    HWND window = static_cast<HWND>(g_State.MainWindow);
    return IsPluginWindow(window, PluginWindowKind::Editor) ? window : nullptr;
}

HWND LiveListView() {
    HWND editor = LiveEditorWindow();
    HWND list = static_cast<HWND>(g_State.ListView);
    // The stored list view must still be the editor's list control. It is
    // asked of the list view itself: GetDlgItem walks the editor's children,
    // which under Wine costs a round trip to its server, and the list view
    // is asked for every row a load shows.
    if (!editor || !list || !IsWindow(list) || GetParent(list) != editor ||
        GetWindowLongPtrA(list, GWLP_ID) != IDC_CHANNEL_LIST) {
        return nullptr;
    }
    return list;
}

HWND LiveAboutWindow() {
    HWND window = static_cast<HWND>(g_State.AboutWindow);
    if (!g_State.AboutOpen || !IsPluginWindow(window, PluginWindowKind::About)) return nullptr;
    return window;
}

UINT PluginRequestMessage() {
    static volatile LONG s_Message = 0;
    LONG message = s_Message;
    if (message == 0) {
        // A registered message cannot collide with what a host sends to
        // dialogs; should registration fail, a private-range message does.
        message = static_cast<LONG>(RegisterWindowMessageA("ZelqEditor.PluginWindowRequest"));
        if (message == 0) message = WM_APP + 0x5A;
        s_Message = message;
    }
    return static_cast<UINT>(message);
}

bool IsOwnThreadWindow(HWND window) { return GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId(); }

bool PostPluginRequest(HWND window, PluginRequest request) {
    return PostMessageA(window, PluginRequestMessage(), request, 0) != FALSE;
}

bool DestroyPluginWindow(HWND window) {
    if (IsOwnThreadWindow(window)) {
        DestroyWindow(window);
    } else {
        AskToDestroy(window, kDestroyTimeoutMs);
    }
    return !IsWindow(window);
}

bool DestroyPluginWindows() {
    const DWORD thisThread = GetCurrentThreadId();
    const DWORD start = GetTickCount();
    WindowList windows = FindPluginWindows();
    DWORD unanswered[kMostUnansweredThreads];
    int unansweredCount = 0;
    for (std::size_t i = 0; i < windows.Count; ++i) {
        HWND window = windows.Items[i];
        const DWORD owner = GetWindowThreadProcessId(window, nullptr);
        if (owner == thisThread) {
            DestroyWindow(window);
            continue;
        }
        bool skip = !IsWindow(window);  // gone meanwhile, with its thread say
        for (int t = 0; t < unansweredCount; ++t) skip = skip || unanswered[t] == owner;
        const DWORD elapsed = GetTickCount() - start;
        if (skip || elapsed >= kDestroyTimeoutMs) continue;
        if (!AskToDestroy(window, kDestroyTimeoutMs - elapsed) && IsWindow(window) &&
            unansweredCount < kMostUnansweredThreads) {
            unanswered[unansweredCount++] = owner;
        }
    }
    std::free(windows.Items);
    // Only a search that found every window, and then finds none left, says
    // that none is left.
    const WindowList left = FindPluginWindows();
    std::free(left.Items);
    return !windows.Incomplete && !left.Incomplete && left.Count == 0;
}

void HoldModule() {
    if (g_HeldModule) return;
    HMODULE module = nullptr;
    // Any address inside this DLL names it; without the flag that leaves the
    // count unchanged, the call takes a reference.
    const LPCWSTR inside = reinterpret_cast<LPCWSTR>(const_cast<PVOID*>(&g_HeldModule));
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, inside, &module)) return;
    // Two threads creating windows at once: only one reference is kept.
    if (InterlockedCompareExchangePointer(&g_HeldModule, module, nullptr) != nullptr) FreeLibrary(module);
}

void ReleaseModuleHold() {
    HMODULE module = static_cast<HMODULE>(InterlockedExchangePointer(&g_HeldModule, nullptr));
    if (module) FreeLibrary(module);
}
