#include "bench_files.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "channel_list/file_bytes.h"
#include "channel_list/list_files.h"
#include "shared/plugin_state.h"

namespace fs = std::filesystem;

namespace {

fs::path g_Directory;
std::string g_DirectoryText;

void RemoveBenchDirectory() {
    std::error_code ignored;
    fs::remove_all(g_Directory, ignored);
}

std::string Utf8(const fs::path& path) {
    const auto text = path.u8string();
    return std::string(text.begin(), text.end());
}

}  // namespace

const std::string& BenchDirectory() {
    if (g_DirectoryText.empty()) {
        std::error_code error;
        const fs::path base = fs::temp_directory_path(error);
        if (error) {
            std::fprintf(stderr, "zelq bench: no temporary folder: %s\n", error.message().c_str());
            std::exit(2);
        }
        // A name no other run holds: the clock picks it, the create settles it.
        const auto seed = static_cast<unsigned long long>(
            std::chrono::steady_clock::now().time_since_epoch().count());
        for (unsigned attempt = 0; attempt < 100 && g_DirectoryText.empty(); ++attempt) {
            char name[48];
            std::snprintf(name, sizeof name, "zelq-bench-%08llx", (seed + attempt * 7919ULL) & 0xFFFFFFFFULL);
            const fs::path candidate = base / name;
            if (fs::create_directory(candidate, error) && !error) {
                g_Directory = candidate;
                g_DirectoryText = Utf8(candidate);
            }
        }
        if (g_DirectoryText.empty()) {
            std::fprintf(stderr, "zelq bench: cannot make a directory in %s\n", Utf8(base).c_str());
            std::exit(2);
        }
        std::atexit(RemoveBenchDirectory);
    }
    return g_DirectoryText;
}

std::string BenchFile(const char* name) {
    BenchDirectory();
    return Utf8(g_Directory / name);
}

bool UseListPath(const std::string& path) {
    if (path.size() >= sizeof g_State.ListPath) return false;
    std::memcpy(g_State.ListPath, path.c_str(), path.size() + 1);
    return true;
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
    ListFiles files;
    files.RemoveQuietly(path.c_str());
    ListFile* file = nullptr;
    if (!files.Did(g_ListFileOps.Create(path.c_str(), nullptr, &file))) return false;
    bool written = files.Did(g_ListFileOps.Write(file, bytes.data(), bytes.size())) && files.Sync(file);
    if (!files.Did(g_ListFileOps.Close(file))) written = false;
    return written;
}

std::string ReadWholeFile(const std::string& path) {
    std::string text;
    ListFiles files;
    FileBytes bytes;
    if (ReadListFile(&files, path.c_str(), kMaxListFileSize, &bytes)) {
        text.assign(bytes.Data, bytes.Size);
        FreeFileBytes(&bytes);
    }
    return text;
}
