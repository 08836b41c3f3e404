#include "bench_files.h"

#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "shared/plugin_state.h"

namespace {

std::string g_Directory;

void RemoveDirectory() {
    if (DIR* dir = ::opendir(g_Directory.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") std::remove((g_Directory + "/" + name).c_str());
        }
        ::closedir(dir);
    }
    ::rmdir(g_Directory.c_str());
}

}  // namespace

const std::string& BenchDirectory() {
    if (g_Directory.empty()) {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/zelq-bench-XXXXXX";
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back('\0');
        if (!::mkdtemp(buffer.data())) {
            std::perror("zelq bench: cannot make a temporary directory");
            std::exit(2);
        }
        g_Directory = buffer.data();
        std::atexit(RemoveDirectory);
    }
    return g_Directory;
}

bool UseListPath(const std::string& path) {
    if (path.size() >= sizeof g_State.ListPath) return false;
    std::memcpy(g_State.ListPath, path.c_str(), path.size() + 1);
    return true;
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}
