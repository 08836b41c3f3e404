#include "plugin_windows.h"

#include "../resources/resource.h"
#include "../shared/plugin_state.h"
#include "spin_lock.h"

namespace {

// How long the threads that own plug-in windows get, all together, to destroy
// them when asked, so that a thread that is stuck does not hold up the caller
// for longer. Destroying a visible window can itself take a while (Wine waits
// up to two seconds for the X server to withdraw it).
constexpr DWORD kDestroyTimeoutMs = 5000;

enum class RecordState {
    Live,     // the editor or About
    Retired,  // its thread did not destroy it in time; destroyed at its next message
    Leaving,  // being destroyed by its thread now
};

struct WindowRecord {
    HWND Window;
    DWORD Thread;  // the thread that made it, which alone may destroy it
    PluginWindowKind Kind;
    RecordState State;
};

// The record, guarded by g_RecordLock. A window the viewer destroyed with
// one of its own (a docked editor goes with the viewer's window) takes itself
// out as any does, in WM_NCDESTROY; one that went with its thread gets no
// message, and is taken out at the next look.
constexpr int kMostRecords = PluginWindowSet::kMost;
WindowRecord g_Records[kMostRecords];
int g_RecordCount = 0;
volatile LONG g_RecordLock = 0;

// The reference HoldModule took, or null.
PVOID volatile g_HeldModule = nullptr;

// Whether a recorded handle still names the window the plug-in made: one
// that exists on the thread that made it.
bool StillExists(HWND window, DWORD thread) {
    return IsWindow(window) && GetWindowThreadProcessId(window, nullptr) == thread;
}

// The following four run under g_RecordLock.
int FindRecord(HWND window) {
    for (int i = 0; i < g_RecordCount; ++i) {
        if (g_Records[i].Window == window) return i;
    }
    return -1;
}

void RemoveRecord(int index) { g_Records[index] = g_Records[--g_RecordCount]; }

void PruneRecords() {
    for (int i = g_RecordCount - 1; i >= 0; --i) {
        if (!StillExists(g_Records[i].Window, g_Records[i].Thread)) RemoveRecord(i);
    }
}

// The record of `window` as it is now; false when there is none.
bool RecordOf(HWND window, WindowRecord* record) {
    SpinLock lock(&g_RecordLock);
    const int index = FindRecord(window);
    if (index < 0) return false;
    *record = g_Records[index];
    return true;
}

// Marks a live window as retired and asks its thread, by a posted request,
// to destroy it when it takes its messages again.
void Retire(HWND window) {
    {
        SpinLock lock(&g_RecordLock);
        const int index = FindRecord(window);
        if (index < 0 || g_Records[index].State != RecordState::Live) return;
        g_Records[index].State = RecordState::Retired;
    }
    PostPluginRequest(window, kRequestDestroy);
}

// Asks a window of another thread to destroy itself, waiting at most `ms`.
// SMTO_NORMAL lets this thread answer messages sent to it while it waits, so
// an owning thread that is itself waiting on this one does not deadlock;
// SMTO_ABORTIFHUNG gives up at once on a thread that has stopped pumping
// messages.
void AskToDestroy(HWND window, DWORD ms) {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(window, PluginRequestMessage(), kRequestDestroy, 0, SMTO_NORMAL | SMTO_ABORTIFHUNG, ms,
                        &result);
}

// One tear-down's destroying: when it began, and the threads that did not
// answer it, which it asks no more.
struct Destroying {
    DWORD Start;
    DWORD Unanswered[kMostRecords];
    int UnansweredCount;
};

// Destroys a window, on another thread within what is left of the time limit;
// one whose thread does not answer in time is retired. True when it is gone.
bool Destroy(HWND window, DWORD owner, Destroying* destroying) {
    if (!StillExists(window, owner)) return true;
    if (owner == GetCurrentThreadId()) {
        DestroyOwnPluginWindow(window);
        return !StillExists(window, owner);
    }
    bool unanswered = false;
    for (int t = 0; t < destroying->UnansweredCount; ++t) unanswered = unanswered || destroying->Unanswered[t] == owner;
    const DWORD elapsed = GetTickCount() - destroying->Start;
    if (!unanswered && elapsed < kDestroyTimeoutMs) AskToDestroy(window, kDestroyTimeoutMs - elapsed);
    if (!StillExists(window, owner)) return true;
    if (!unanswered && destroying->UnansweredCount < kMostRecords) {
        destroying->Unanswered[destroying->UnansweredCount++] = owner;
    }
    Retire(window);
    return false;
}

}  // namespace

bool RecordPluginWindow(HWND window, PluginWindowKind kind) {
    {
        SpinLock lock(&g_RecordLock);
        PruneRecords();
        int index = FindRecord(window);
        if (index < 0 && g_RecordCount < kMostRecords) index = g_RecordCount++;
        if (index < 0) return false;
        g_Records[index] = {window, GetCurrentThreadId(), kind, RecordState::Live};
    }
    HoldModule();
    return true;
}

void ForgetPluginWindow(HWND window) {
    SpinLock lock(&g_RecordLock);
    const int index = FindRecord(window);
    if (index >= 0) RemoveRecord(index);
}

bool IsPluginWindow(HWND window, PluginWindowKind kind) {
    WindowRecord record;
    if (!window || !RecordOf(window, &record)) return false;
    return record.Kind == kind && record.State == RecordState::Live && StillExists(window, record.Thread);
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

void DestroyOwnPluginWindow(HWND window) {
    {
        SpinLock lock(&g_RecordLock);
        const int index = FindRecord(window);
        if (index >= 0) {
            if (g_Records[index].State == RecordState::Leaving) return;
            g_Records[index].State = RecordState::Leaving;
        }
    }
    DestroyWindow(window);
}

bool DestroyIfRetired(HWND window) {
    {
        SpinLock lock(&g_RecordLock);
        const int index = FindRecord(window);
        if (index < 0 || g_Records[index].State != RecordState::Retired) return false;
        g_Records[index].State = RecordState::Leaving;
    }
    DestroyWindow(window);
    return true;
}

PluginWindowSet RecordedPluginWindows() {
    PluginWindowSet set;
    set.Count = 0;
    SpinLock lock(&g_RecordLock);
    PruneRecords();
    for (int i = 0; i < g_RecordCount; ++i) {
        set.Windows[set.Count] = g_Records[i].Window;
        set.Threads[set.Count] = g_Records[i].Thread;
        ++set.Count;
    }
    return set;
}

bool DestroyPluginWindow(HWND window) {
    WindowRecord record;
    if (!RecordOf(window, &record)) return !IsWindow(window);
    Destroying destroying = {GetTickCount(), {}, 0};
    return Destroy(window, record.Thread, &destroying);
}

bool DestroyPluginWindows(const PluginWindowSet& windows) {
    Destroying destroying = {GetTickCount(), {}, 0};
    bool allGone = true;
    for (int i = 0; i < windows.Count; ++i) {
        if (!Destroy(windows.Windows[i], windows.Threads[i], &destroying)) allGone = false;
    }
    return allGone;
}

void HoldModule() {
    if (g_HeldModule) return;
    HMODULE module = nullptr;
    // Any address inside this DLL names it; without the flag that leaves the
    // count unchanged, the call takes a reference.
    const LPCWSTR inside = reinterpret_cast<LPCWSTR>(const_cast<PVOID*>(&g_HeldModule));
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, inside, &module)) return;
    // Two threads holding it at once: only one reference is kept.
    if (InterlockedCompareExchangePointer(&g_HeldModule, module, nullptr) != nullptr) FreeLibrary(module);
}

void ReleaseModuleHoldIfNoWindows() {
    HMODULE module = nullptr;
    {
        SpinLock lock(&g_RecordLock);
        PruneRecords();
        if (g_RecordCount == 0) module = static_cast<HMODULE>(InterlockedExchangePointer(&g_HeldModule, nullptr));
    }
    // A window recorded meanwhile takes a reference of its own.
    if (module) FreeLibrary(module);
}
