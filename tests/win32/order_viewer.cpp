#include "order_viewer.h"

#include <tlhelp32.h>

#include <cstdio>

#include "shared/host_api.h"

QueryBehaviour g_Query;
volatile LONG g_QueriesReceived = 0;

namespace {

std::function<std::string()> g_Trace;

void PrintTrace(const char* what) {
    std::fprintf(stderr, "\n%s\n", what);
    if (g_Trace) std::fprintf(stderr, "%s\n", g_Trace().c_str());
    std::fflush(stderr);
}

LPTOP_LEVEL_EXCEPTION_FILTER g_EarlierFilter = nullptr;

// A crash prints the run first, then ends the program as the harness does.
LONG WINAPI TraceOnCrash(EXCEPTION_POINTERS* pointers) {
    PrintTrace("CRASH during the run below");
    return g_EarlierFilter ? g_EarlierFilter(pointers) : EXCEPTION_CONTINUE_SEARCH;
}

LRESULT CALLBACK ViewerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kPositionQueryMessage && wParam == kPositionQueryWParam && lParam != 0) {
        InterlockedIncrement(&g_QueriesReceived);
        PositionQuery* query = reinterpret_cast<PositionQuery*>(lParam);
        const std::uint32_t answer = g_Query.Position;  // the channel tuned when it came
        if (g_Query.Reenter) {
            std::function<void()> reenter = g_Query.Reenter;
            g_Query.Reenter = nullptr;
            reenter();
        }
        if (g_Query.BusyMs > 0) Sleep(g_Query.BusyMs);
        if (g_Query.WaitFor) WaitForSingleObject(g_Query.WaitFor, INFINITE);
        // However late: a plug-in that gave up on the answer must have left
        // the block where the viewer writes it.
        query->SatPosition = answer;
        if (g_Query.Answered) SetEvent(g_Query.Answered);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

HWND MakeViewerWindow() {
    static const ATOM s_Class = [] {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = ViewerProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "ZelqOrdersViewer";
        return RegisterClassA(&windowClass);
    }();
    if (!s_Class) return nullptr;
    return CreateWindowA("ZelqOrdersViewer", "Viewer of every order", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0,
                         400, 300, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

StepWatchdog::StepWatchdog(DWORD limitMs) : limitMs_(limitMs) {
    g_EarlierFilter = SetUnhandledExceptionFilter(TraceOnCrash);
    thread_ = CreateThread(nullptr, 0, &StepWatchdog::Main, this, 0, nullptr);
}

StepWatchdog::~StepWatchdog() {
    InterlockedExchange(&quit_, 1);
    if (thread_) {
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
    }
    SetUnhandledExceptionFilter(g_EarlierFilter);
}

void StepWatchdog::Begin() {
    InterlockedExchange(&deadline_, static_cast<LONG>(GetTickCount() + limitMs_));
    InterlockedExchange(&running_, 1);
}

void StepWatchdog::End() { InterlockedExchange(&running_, 0); }

DWORD WINAPI StepWatchdog::Main(void* self) {
    StepWatchdog* dog = static_cast<StepWatchdog*>(self);
    while (!dog->quit_) {
        Sleep(100);
        const LONG late = static_cast<LONG>(GetTickCount()) - dog->deadline_;
        if (dog->running_ && late > 0) {
            char what[128];
            std::snprintf(what, sizeof what, "HANG: the last step below did not end within %lu s",
                          static_cast<unsigned long>(dog->limitMs_ / 1000));
            PrintTrace(what);
            TerminateProcess(GetCurrentProcess(), 4);
        }
    }
    return 0;
}

void SetRunTrace(const std::function<std::string()>& trace) { g_Trace = trace; }

namespace {

struct DialogSearch {
    const std::vector<HMODULE>* Bases;
    std::vector<FoundWindow> Found;
};

void Consider(HWND window, DialogSearch* search) {
    char className[16] = "";
    if (!GetClassNameA(window, className, sizeof className) || std::string(className) != "#32770") return;
    const HMODULE owner = reinterpret_cast<HMODULE>(GetWindowLongPtrA(window, GWLP_HINSTANCE));
    bool ours = false;
    for (HMODULE base : *search->Bases) ours = ours || owner == base;
    if (!ours) return;
    // The caption without a message: the window's thread may not be taking
    // any.
    wchar_t caption[64] = L"";
    InternalGetWindowText(window, caption, 64);
    search->Found.push_back({window, std::wstring(caption) == L"Zelq ~ Channel Editor :: Ver 1.0 ::"});
}

BOOL CALLBACK ConsiderChild(HWND window, LPARAM parameter) {
    Consider(window, reinterpret_cast<DialogSearch*>(parameter));
    return TRUE;
}

BOOL CALLBACK ConsiderTopLevel(HWND window, LPARAM parameter) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId()) return TRUE;
    Consider(window, reinterpret_cast<DialogSearch*>(parameter));
    // Every descendant: a viewer docks plug-in windows in its own.
    EnumChildWindows(window, ConsiderChild, parameter);
    return TRUE;
}

}  // namespace

std::vector<FoundWindow> FindPluginDialogs(const std::vector<HMODULE>& bases) {
    DialogSearch search{&bases, {}};
    EnumWindows(ConsiderTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

int ProcessThreadCount() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return -1;
    int count = 0;
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++count;
    }
    CloseHandle(snapshot);
    return count;
}
