// The stack protector's guard, the plug-in's own.
//
// The compiler's stack protector puts __stack_chk_guard below the return
// address of every function with a buffer on its stack and checks it before
// the function returns; __chk_fail is what the checked string and memory
// functions of _FORTIFY_SOURCE call on an overflow. GCC's own library for
// them, libssp, seeds the guard in a constructor through the crypto API
// (CryptAcquireContext, CryptGenRandom), which loads the cryptographic
// provider's DLLs: in a DLL that constructor runs at attach, under the
// loader lock, where loading a library can deadlock the viewer. Defining
// these three symbols here keeps libssp's part that holds them out of the
// DLL (its checked functions are still linked, and call __chk_fail below).
//
// The guard is seeded at attach from what the system can tell without
// loading anything and without a lock: the time to 100 ns, the performance
// counter, the processor's time stamp counter, the process and thread ids,
// the milliseconds since boot, and the addresses at which ASLR placed the
// stack and this module. They are mixed into one 32-bit value whose lowest
// byte is zero, so that a string overflow, which stops at a zero byte, can
// neither copy the guard out nor write past it and rebuild it.
//
// A smashed stack or a checked overflow ends the viewer's process at once
// (as the Windows compilers' own checks do), with the status of a stack
// buffer overrun: nothing of the corrupted thread runs on, and no handler
// of the viewer's is given an exception to swallow.
#include <windows.h>

#include <cstdint>

// The checked functions of _FORTIFY_SOURCE (CMakeLists.txt) leave a mark in
// the DLL only where a copy's bounds are not provable: the build makes sure
// they are on.
#if defined(__OPTIMIZE__) && !(defined(__MINGW_FORTIFY_LEVEL) && __MINGW_FORTIFY_LEVEL >= 2)
#error "an optimised build of the plug-in needs -D_FORTIFY_SOURCE=2"
#endif

extern "C" {

// The value until the seed replaces it, never zero (the guard of a thread
// that somehow ran before the seed still checks something).
std::uintptr_t __stack_chk_guard = 0x2F5A9C00u;

[[noreturn]] void __stack_chk_fail(void);
[[noreturn]] void __chk_fail(void);
}

namespace {

constexpr DWORD kStackBufferOverrun = 0xC0000409u;  // STATUS_STACK_BUFFER_OVERRUN
constexpr DWORD kFastFailAvailable = 23;            // PF_FASTFAIL_AVAILABLE (Windows 8)
constexpr unsigned kFastFailStackCookie = 2;        // FAST_FAIL_STACK_COOKIE_CHECK_FAILURE
constexpr unsigned kFastFailRangeCheck = 8;         // FAST_FAIL_RANGE_CHECK_FAILURE

// One step of a 64-bit mixer (SplitMix64's finaliser): every bit of the
// input reaches every bit of the output.
__attribute__((no_stack_protector)) std::uint64_t Mix(std::uint64_t state, std::uint64_t value) {
    std::uint64_t z = state + value + 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

[[noreturn]] void EndProcess(unsigned fastFailCode) {
    if (IsProcessorFeaturePresent(kFastFailAvailable)) {
        // __fastfail: the process ends in the kernel, reported as a stack
        // buffer overrun, whatever handlers the viewer installed.
        __asm__ volatile("int $0x29" : : "c"(fastFailCode) : "memory");
    }
    TerminateProcess(GetCurrentProcess(), kStackBufferOverrun);
    for (;;) {
    }
}

// Runs at attach, from the C runtime's start of the DLL, before DllMain and
// before any function the protector checks: no function on the stack while
// the guard changes was built with it, so none finds it changed on return.
// It has no buffer of its own, and is kept out of the protector all the
// same.
__attribute__((constructor(101), no_stack_protector)) void SeedStackGuard() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    LARGE_INTEGER counter;
    if (!QueryPerformanceCounter(&counter)) counter.QuadPart = 0;
    std::uint64_t state = 0;
    state = Mix(state, (static_cast<std::uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime);
    state = Mix(state, static_cast<std::uint64_t>(counter.QuadPart));
    state = Mix(state, __builtin_ia32_rdtsc());
    state = Mix(state, (static_cast<std::uint64_t>(GetCurrentProcessId()) << 32) | GetCurrentThreadId());
    state = Mix(state, GetTickCount());
    state = Mix(state, reinterpret_cast<std::uintptr_t>(&now));                // the stack's place
    state = Mix(state, reinterpret_cast<std::uintptr_t>(&__stack_chk_guard));  // the module's place
    std::uint32_t guard = static_cast<std::uint32_t>(state ^ (state >> 32)) & ~0xFFu;
    if (guard == 0) guard = 0x2F5A9C00u;
    __stack_chk_guard = guard;
}

}  // namespace

extern "C" void __stack_chk_fail(void) { EndProcess(kFastFailStackCookie); }

extern "C" void __chk_fail(void) { EndProcess(kFastFailRangeCheck); }
