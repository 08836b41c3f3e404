#include <windows.h>

#include <cstdio>

#include "platform_info.h"

namespace {

// Wine's version and its host system, from ntdll's own exports; false on
// Windows itself.
bool WineVersion(std::string* version, std::string* host) {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    if (!ntdll) return false;
    using VersionFn = const char* (*)();
    using HostFn = void (*)(const char**, const char**);
    auto getVersion = reinterpret_cast<VersionFn>(reinterpret_cast<void*>(GetProcAddress(ntdll, "wine_get_version")));
    auto getHost = reinterpret_cast<HostFn>(reinterpret_cast<void*>(GetProcAddress(ntdll, "wine_get_host_version")));
    if (!getVersion) return false;
    *version = getVersion();
    if (getHost) {
        const char* system = nullptr;
        const char* release = nullptr;
        getHost(&system, &release);
        if (system) *host = std::string(system) + (release ? std::string(" ") + release : "");
    }
    return true;
}

}  // namespace

std::string RunningSystem() {
    std::string version, host;
    if (WineVersion(&version, &host)) return "Windows API under Wine " + version + (host.empty() ? "" : " on " + host);
    OSVERSIONINFOA info;
    ZeroMemory(&info, sizeof info);
    info.dwOSVersionInfoSize = sizeof info;
    char text[64] = "Windows";
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (GetVersionExA(&info)) {
        std::snprintf(text, sizeof text, "Windows %lu.%lu.%lu", info.dwMajorVersion, info.dwMinorVersion,
                      info.dwBuildNumber);
    }
#pragma GCC diagnostic pop
    return text;
}

std::string MachineLoad() {
    std::string version, host;
    // Wine shows the host's files on drive Z:.
    if (!WineVersion(&version, &host)) return "unknown";
    return LoadAverageFrom("Z:\\proc\\loadavg");
}
