// The viewer side of the driver of every order (viewer_orders_test.cpp): the
// viewer's windows, which answer the plug-in's position query as a viewer
// less kind than the stand-in may (late, after waiting for the editor's
// thread, after calling the plug-in back), a watchdog that ends the program
// when a step hangs, and a search for the plug-in's windows wherever a
// viewer has put them.
#ifndef ZELQ_TESTS_WIN32_ORDER_VIEWER_H
#define ZELQ_TESTS_WIN32_ORDER_VIEWER_H

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// How the viewer's windows answer the next position query. The driver sets
// it between steps; a query reads it on whichever thread its window has.
struct QueryBehaviour {
    std::uint32_t Position = 0;      // the answer: the tuned channel's position
    DWORD BusyMs = 0;                // the window's thread is busy this long first, taking no messages
    HANDLE WaitFor = nullptr;        // ... or waits for this, taking no messages
    std::function<void()> Reenter;   // ... or calls the plug-in back first (once)
    HANDLE Answered = nullptr;       // set once the answer is written, however late
};
extern QueryBehaviour g_Query;

// How many queries the viewer's windows have received.
extern volatile LONG g_QueriesReceived;

// A top-level viewer window of the calling thread, hidden, answering the
// query as g_Query says.
HWND MakeViewerWindow();

// The watchdog of the steps: a step that has not ended within the limit
// ends the program, printing what ran and how to run it again.
class StepWatchdog {
public:
    explicit StepWatchdog(DWORD limitMs);
    ~StepWatchdog();
    StepWatchdog(const StepWatchdog&) = delete;
    StepWatchdog& operator=(const StepWatchdog&) = delete;
    void Begin();
    void End();

private:
    static DWORD WINAPI Main(void* self);
    const DWORD limitMs_;
    volatile LONG running_ = 0;
    volatile LONG deadline_ = 0;
    volatile LONG quit_ = 0;
    HANDLE thread_ = nullptr;
};

// What the driver has done in this run, printed when it hangs or crashes.
void SetRunTrace(const std::function<std::string()>& trace);

// The plug-in's dialogs of this process made by a module loaded at one of
// `bases`, top-level or docked in any window, and the captions they had.
struct FoundWindow {
    HWND Window;
    bool Editor;  // the editor by its caption, else About
};
std::vector<FoundWindow> FindPluginDialogs(const std::vector<HMODULE>& bases);

// Threads of this process now.
int ProcessThreadCount();

#endif  // ZELQ_TESTS_WIN32_ORDER_VIEWER_H
