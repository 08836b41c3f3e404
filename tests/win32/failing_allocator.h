// Makes the memory allocations of one loaded copy of the plug-in fail, for a
// while, as a system out of memory does.
//
// The DLL takes all its memory (the C++ library's operator new included)
// from msvcrt.dll's malloc, calloc and realloc, through its import address
// table. While a FailingAllocator exists, those entries of the given module
// point to stand-ins that let the first `allowed` calls through and fail every
// later one (returning null, as the C runtime does when out of memory); the
// destructor puts the real functions back. Only that module is affected: the
// C runtime's own allocations and those of other modules go on as before.
// One at a time, on one thread.
#ifndef ZELQ_TESTS_WIN32_FAILING_ALLOCATOR_H
#define ZELQ_TESTS_WIN32_FAILING_ALLOCATOR_H

#include <windows.h>

class FailingAllocator {
public:
    FailingAllocator(HMODULE module, int allowed);
    ~FailingAllocator();
    FailingAllocator(const FailingAllocator&) = delete;
    FailingAllocator& operator=(const FailingAllocator&) = delete;

    // Whether all three imports were found and replaced.
    bool Installed() const { return installed_; }
    // Calls made so far, and how many of them failed.
    int Calls() const;
    int Failures() const;

private:
    HMODULE module_;
    bool installed_ = false;
};

#endif  // ZELQ_TESTS_WIN32_FAILING_ALLOCATOR_H
