#include "fuzz_support.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <sstream>

#include "channel_list/file_ops.h"
#include "reference_grammar.h"
#include "shared/plugin_state.h"

void PropertyViolated(const char* what, const std::string& detail) {
    std::fprintf(stderr, "\n==== PROPERTY VIOLATED: %s\n%s\n", what, detail.c_str());
    std::fflush(stderr);
    std::abort();
}

void RequireSameBytes(const std::string& got, const std::string& expected, const char* what) {
    if (got == expected) return;
    std::size_t at = 0;
    while (at < got.size() && at < expected.size() && got[at] == expected[at]) ++at;
    const std::size_t from = at > 40 ? at - 40 : 0;
    std::ostringstream detail;
    detail << "first difference at byte " << at << " (got " << got.size() << " bytes, expected "
           << expected.size() << ")\n  got:      " << Printable(std::string_view(got).substr(from), 200)
           << "\n  expected: " << Printable(std::string_view(expected).substr(from), 200);
    PropertyViolated(what, detail.str());
}

void RequireSameCalls(const std::vector<WindowCall>& got, const std::vector<WindowCall>& expected,
                      const char* what) {
    if (got == expected) return;
    std::size_t at = 0;
    while (at < got.size() && at < expected.size() && got[at] == expected[at]) ++at;
    std::ostringstream detail;
    detail << "first difference at call " << at << " (got " << got.size() << " calls, expected "
           << expected.size() << ")";
    const auto show = [&](const char* label, const std::vector<WindowCall>& calls) {
        detail << "\n  " << label << ":";
        for (std::size_t i = at; i < calls.size() && i < at + 5; ++i) {
            const WindowCall& call = calls[i];
            detail << "\n    " << static_cast<int>(call.kind) << " " << call.target << " \""
                   << Printable(call.text, 80) << "\"";
        }
    };
    show("got", got);
    show("expected", expected);
    PropertyViolated(what, detail.str());
}

namespace {

std::string g_Directory;

void RemoveDirectory() {
    for (const std::string& name : FuzzDirectoryEntries()) {
        std::remove((g_Directory + "/" + name).c_str());
    }
    ::rmdir(g_Directory.c_str());
}

}  // namespace

const std::string& FuzzDirectory() {
    if (g_Directory.empty()) {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/zelq-fuzz-XXXXXX";
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back('\0');
        if (!::mkdtemp(buffer.data())) PropertyViolated("setup", "cannot make a temporary directory");
        g_Directory = buffer.data();
        std::atexit(RemoveDirectory);
    }
    return g_Directory;
}

const std::string& FuzzListPath() {
    static const std::string path = FuzzDirectory() + "/ChannelList.ini";
    return path;
}

void ResetForInput() {
    std::memset(&g_State, 0, sizeof g_State);
    const std::string& path = FuzzListPath();
    if (path.size() >= sizeof g_State.ListPath) PropertyViolated("setup", "temporary path too long");
    std::memcpy(g_State.ListPath, path.c_str(), path.size() + 1);
    ResetFakeWindow();
    g_ListFileOps = DefaultListFileOps();
    for (const std::string& name : FuzzDirectoryEntries()) {
        std::remove((FuzzDirectory() + "/" + name).c_str());
    }
}

bool ReadFileBytes(const std::string& path, std::string* bytes) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    bytes->clear();
    char buffer[65536];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes->append(buffer, got);
    std::fclose(file);
    return true;
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() ||
        std::fclose(file) != 0) {
        PropertyViolated("setup", "cannot write " + path);
    }
}

std::vector<std::string> FuzzDirectoryEntries() {
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(FuzzDirectory().c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") names.push_back(name);
        }
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

ListReading ReadRowsAndUnreadable(const std::string& text) {
    ListReading reading;
    std::set<std::uint32_t> seen;
    for (const RefItem& item : RefReadAll(text)) {
        if (item.Kind == RefKind::Unreadable) {
            std::string kept = text.substr(item.Start, item.End - item.Start);
            while (!kept.empty() && (kept.back() == '\n' || kept.back() == '\r')) kept.pop_back();
            reading.Unreadable.push_back(kept);
            continue;
        }
        const std::uint32_t key = RefKey(item.Code);
        if (!seen.insert(key).second) continue;
        reading.Rows.push_back(ListRow{item.Flag, key, std::string(reinterpret_cast<const char*>(item.Code), 6),
                                       item.Name.substr(0, 30)});
    }
    return reading;
}
