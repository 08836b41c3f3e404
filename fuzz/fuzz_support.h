// Helpers shared by the fuzz targets: property checks that abort with a clear
// message, a private directory for the list file, and whole-file access.
#ifndef ZELQ_FUZZ_FUZZ_SUPPORT_H
#define ZELQ_FUZZ_FUZZ_SUPPORT_H

#include <cstdint>
#include <string>
#include <vector>

#include "fake_window.h"

// Aborts, so libFuzzer saves the input, when a property does not hold.
[[noreturn]] void PropertyViolated(const char* what, const std::string& detail);

inline void Require(bool holds, const char* what, const std::string& detail = std::string()) {
    if (!holds) PropertyViolated(what, detail);
}

// Compares two byte strings and shows both, escaped, when they differ.
void RequireSameBytes(const std::string& got, const std::string& expected, const char* what);

// Compares the window calls the code issued with the expected ones.
void RequireSameCalls(const std::vector<WindowCall>& got, const std::vector<WindowCall>& expected,
                      const char* what);

// A directory of this process's own, made on first use and removed at exit.
const std::string& FuzzDirectory();

// The list file inside it; also put into g_State.ListPath.
const std::string& FuzzListPath();

// Fresh plug-in state (ListPath set), fresh fake window, default file
// operations, and no list file.
void ResetForInput();

// Reads a whole file; false when it does not exist.
bool ReadFileBytes(const std::string& path, std::string* bytes);
void WriteFileBytes(const std::string& path, const std::string& bytes);

// Every name in the fuzz directory, sorted.
std::vector<std::string> FuzzDirectoryEntries();

// A row of a list as the reference reading sees it.
struct ListRow {
    std::uint8_t Flag;
    std::uint32_t Key;
    std::string Code;  // all six bytes
    std::string Name;  // as the row shows it: at most 30 bytes
    bool operator==(const ListRow& other) const {
        return Flag == other.Flag && Code == other.Code && Name == other.Name;
    }
};

struct ListReading {
    std::vector<ListRow> Rows;
    std::vector<std::string> Unreadable;  // the lines that do not read, without their line breaks
};

// The rows of a list and its lines that do not read, by the reference
// reading of the format.
ListReading ReadRowsAndUnreadable(const std::string& text);

#endif  // ZELQ_FUZZ_FUZZ_SUPPORT_H
