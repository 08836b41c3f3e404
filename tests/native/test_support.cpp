#include "test_support.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

#include "channel_list/file_ops.h"

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

bool FileExists(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
}

std::vector<std::string> ListDirectory(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* handle = ::opendir(dir.c_str())) {
        while (const dirent* entry = ::readdir(handle)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") names.push_back(name);
        }
        ::closedir(handle);
    }
    std::sort(names.begin(), names.end());
    return names;
}

ChannelRecord MakeChannel(const std::string& name, std::uint16_t ident, std::uint32_t position,
                          std::uint32_t tuneValue) {
    ChannelRecord record;
    std::memset(&record, 0, sizeof record);
    std::memcpy(record.ChannelName, name.data(), std::min(name.size(), sizeof record.ChannelName));
    record.TuneValue = tuneValue;
    record.ChannelIdent = ident;
    record.ValidWord = 1;
    record.RecPosition = position;
    return record;
}

namespace {

void RemoveTree(const std::string& path) {
    struct stat info;
    if (::lstat(path.c_str(), &info) != 0) return;
    if (S_ISDIR(info.st_mode)) {
        ::chmod(path.c_str(), 0700);
        for (const std::string& name : ListDirectory(path)) RemoveTree(path + "/" + name);
        ::rmdir(path.c_str());
    } else {
        ::unlink(path.c_str());
    }
}

}  // namespace

void ListFileTest::SetUp() {
    std::memset(&g_State, 0, sizeof g_State);
    ResetFakeWindow();
    g_ListFileOps = DefaultListFileOps();
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/zelq-test-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    ASSERT_NE(::mkdtemp(buffer.data()), nullptr);
    dir_ = buffer.data();
    const std::string path = ListPath();
    ASSERT_LT(path.size(), sizeof g_State.ListPath);
    std::memcpy(g_State.ListPath, path.c_str(), path.size() + 1);
}

void ListFileTest::TearDown() {
    g_ListFileOps = DefaultListFileOps();
    RemoveTree(dir_);
}
