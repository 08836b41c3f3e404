#include <sys/utsname.h>

#include "platform_info.h"

std::string RunningSystem() {
    utsname name;
    if (uname(&name) != 0) return "unknown";
    return std::string(name.sysname) + " " + name.release + " " + name.machine;
}

std::string MachineLoad() { return LoadAverageFrom("/proc/loadavg"); }
