// A lock for the plug-in's few pieces of state that more than one thread
// touches. Each is held only for a few loads and stores, so a spin that gives
// way to the holder is enough; it needs no setup and no teardown, so it works
// from the DLL's load to its unload.
#ifndef ZELQ_UI_SPIN_LOCK_H
#define ZELQ_UI_SPIN_LOCK_H

#include <windows.h>

class SpinLock {
public:
    explicit SpinLock(volatile LONG* word) : word_(word) {
        for (unsigned spins = 0; InterlockedCompareExchange(word_, 1, 0) != 0; ++spins) {
            // Sleep(0) gives way to a thread of the same priority; Sleep(1)
            // to any, a holder of lower priority included.
            Sleep(spins < 64 ? 0 : 1);
        }
    }
    ~SpinLock() { InterlockedExchange(word_, 0); }
    SpinLock(const SpinLock&) = delete;
    SpinLock& operator=(const SpinLock&) = delete;

private:
    volatile LONG* word_;
};

#endif  // ZELQ_UI_SPIN_LOCK_H
