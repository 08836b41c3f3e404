// What the benchmarks that load the plug-in under the window system share:
// a clock, their own folder, a window of the viewer's, and the plug-in's
// exports.
#ifndef ZELQ_BENCH_WIN32_BENCH_HOST_H
#define ZELQ_BENCH_WIN32_BENCH_HOST_H

#include <windows.h>

#include <string>

// Microseconds on the performance counter.
double NowMicroseconds();

// The folder of the running program, where the plug-in lies.
std::string ProgramDirectory();

// A plain top-level window standing for the viewer's.
HWND MakeHostWindow();

template <typename Function>
Function Export(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

#endif  // ZELQ_BENCH_WIN32_BENCH_HOST_H
