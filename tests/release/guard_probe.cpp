// Loads the plug-in as a viewer does and looks at its stack protector from
// outside, at addresses taken from its symbol file:
//
//   guard_probe DLL GUARD_RVA           prints the guard the DLL holds after
//                                       attaching, in hexadecimal
//   guard_probe DLL GUARD_RVA FAIL_RVA  runs itself with the failure function's
//                                       address, which calls it, and prints
//                                       the child's exit code in hexadecimal
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cwchar>

namespace {

HMODULE Load(const wchar_t* path) {
    HMODULE module = LoadLibraryW(path);
    if (!module) {
        std::fprintf(stderr, "cannot load the DLL (error %lu)\n", GetLastError());
        std::exit(2);
    }
    return module;
}

std::uintptr_t At(HMODULE module, const wchar_t* rva) {
    return reinterpret_cast<std::uintptr_t>(module) + std::wcstoul(rva, nullptr, 16);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 3) {
        const HMODULE module = Load(argv[1]);
        std::printf("%08lX\n", static_cast<unsigned long>(*reinterpret_cast<const std::uint32_t*>(At(module, argv[2]))));
        return 0;
    }
    if (argc == 5) {  // the child: calls the failure function
        const HMODULE module = Load(argv[1]);
        reinterpret_cast<void (*)()>(At(module, argv[3]))();
        return 0;  // not reached
    }
    if (argc != 4) {
        std::fprintf(stderr, "usage: guard_probe DLL GUARD_RVA [FAIL_RVA]\n");
        return 2;
    }
    wchar_t command[4096];
    std::swprintf(command, sizeof command / sizeof command[0], L"\"%ls\" \"%ls\" %ls %ls child", argv[0], argv[1],
                  argv[2], argv[3]);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    if (!CreateProcessW(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        std::fprintf(stderr, "cannot start the child (error %lu)\n", GetLastError());
        return 2;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    std::printf("%08lX\n", static_cast<unsigned long>(code));
    return 0;
}
