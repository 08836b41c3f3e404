// The list as users keep it, seen from the running plug-in: hand-edited lines
// that do not read, two viewers at once, folders named in any script, paths
// at the length limit.
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "plugin_harness.h"
#include "resources/resource.h"
#include "shared/arabic_texts.h"

namespace {

void PressAdd(HWND editor) { SendMessageA(editor, WM_COMMAND, MAKEWPARAM(IDC_ADD, BN_CLICKED), 0); }

std::vector<std::string> RowNames(HWND editor) {
    std::vector<std::string> names;
    for (const ListRow& row : ListRows(editor)) names.push_back(row.Name);
    return names;
}

TEST(ListSafety, AChannelAddedAfterABadLineIsThereAfterARestart) {
    const std::string list =
        "\xEF\xBB\xBF[ 1 0000000000FF ] [First]\r\n"
        "a line typed by hand\r\n"
        "[]\r\n"
        "[ 1 69E7DE5757E7 ] [Second]\r\n"
        "\x1a";
    Plugin plugin;
    ASSERT_TRUE(LoadPluginCopy(&plugin, &list));
    HWND editor = StartPlugin(plugin);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(RowNames(editor), (std::vector<std::string>{"First", "Second"}));
    EXPECT_EQ(ReadFileBytes(plugin.ListPath()), list);  // already in its form: not written

    plugin.ChannelChange(MakeChannel("Al Jazeera", 0x1234, 130));
    PressAdd(editor);
    EXPECT_EQ(ControlText(editor, IDC_STATUS), kTextAdded);
    EXPECT_EQ(ControlText(editor, IDC_COUNT), "3");

    // The next start: the row is there, the count matches, and the same
    // channel is refused.
    HWND again = StartPlugin(plugin);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(RowNames(again), (std::vector<std::string>{"First", "Second", "Al Jazeera"}));
    EXPECT_EQ(ControlText(again, IDC_COUNT), "3");
    plugin.ChannelChange(MakeChannel("Al Jazeera", 0x1234, 130));
    PressAdd(again);
    EXPECT_EQ(ControlText(again, IDC_STATUS), kTextAlreadyInList);
    EXPECT_EQ(ReadFileBytes(plugin.ListPath()), list + "\r\n[ 1 A271914BA85C ] [Al Jazeera]\r\n");
}

// Wide paths, for folders whose names lie outside the ANSI code page.
std::wstring Wide(const std::string& utf8) {
    std::wstring wide(utf8.size() + 1, L'\0');
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, &wide[0], static_cast<int>(wide.size()));
    wide.resize(length > 0 ? static_cast<std::size_t>(length - 1) : 0);
    return wide;
}

std::wstring WideTempFolder() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    return temp;
}

bool WriteWide(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                    written == bytes.size();
    CloseHandle(file);
    return ok;
}

std::string ReadWide(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<missing>";
    std::string bytes;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

std::vector<std::wstring> FolderEntries(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if (std::wcscmp(found.cFileName, L".") != 0 && std::wcscmp(found.cFileName, L"..") != 0) {
            names.push_back(found.cFileName);
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

template <typename Function>
Function Export(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// Copies the DLL into `folder` (wide) and loads that copy.
bool LoadWideCopy(const std::wstring& folder, Plugin* plugin) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring source = self;
    source = source.substr(0, source.find_last_of(L'\\')) + L"\\ZelqEditor.dll";
    const std::wstring copy = folder + L"\\ZelqEditor.dll";
    if (!CopyFileW(source.c_str(), copy.c_str(), FALSE)) {
        ADD_FAILURE() << "cannot copy the DLL: " << GetLastError();
        return false;
    }
    plugin->Module = LoadLibraryW(copy.c_str());
    if (!plugin->Module) {
        ADD_FAILURE() << "cannot load the DLL copy: " << GetLastError();
        return false;
    }
    plugin->Start = Export<OnStartFn>(plugin->Module, "On_Start");
    plugin->ChannelChange = Export<OnChannelChangeFn>(plugin->Module, "On_Channel_Change");
    return plugin->Start && plugin->ChannelChange;
}

// Loads, rewrites and adds to a list in the folder (made here), and checks
// every step byte for byte.
void LoadRewriteAndAdd(const std::wstring& folder) {
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    const std::wstring list = folder + L"\\ChannelList.ini";
    ASSERT_TRUE(WriteWide(list, "[ 1 a271914ba85c ] [One]\n[ 1 A271914BA85C ] [One again]\n"));
    Plugin plugin;
    ASSERT_TRUE(LoadWideCopy(folder, &plugin));
    HWND editor = StartPlugin(plugin);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(RowNames(editor), std::vector<std::string>{"One"});
    EXPECT_EQ(ReadWide(list), "[ 1 A271914BA85C ] [One]\r\n");
    plugin.ChannelChange(MakeChannel("Two", 0x5678, 130));
    PressAdd(editor);
    EXPECT_EQ(ControlText(editor, IDC_STATUS), kTextAdded);
    const std::string withTwo = ReadWide(list);
    EXPECT_EQ(withTwo.substr(0, 26), "[ 1 A271914BA85C ] [One]\r\n");
    EXPECT_EQ(withTwo.size(), 26u + 26u);
    EXPECT_EQ(withTwo.substr(withTwo.size() - 7), "[Two]\r\n");
    // Nothing but the DLL, the list and its lock file is left in the folder.
    EXPECT_EQ(FolderEntries(folder),
              (std::vector<std::wstring>{L"ChannelList.ini", L"ChannelList.lck", L"ZelqEditor.dll"}));
}

TEST(ListSafety, FoldersNamedOutsideTheAnsiCodePage) {
    // Wine reuses process ids, so a folder of an earlier run may be there.
    const std::wstring base = WideTempFolder() + L"zelq-test-names-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(GetTickCount());
    ASSERT_TRUE(CreateDirectoryW(base.c_str(), nullptr));
    const char* const names[] = {
        "\xD0\x9A\xD0\xB0\xD0\xBD\xD0\xB0\xD0\xBB\xD1\x8B",              // Cyrillic
        "\xE9\xA2\x91\xE9\x81\x93\xE5\x88\x97\xE8\xA1\xA8",              // Chinese
        "\xD9\x82\xD9\x86\xD9\x88\xD8\xA7\xD8\xAA \xD9\x85\xD9\x81\xD8\xB6\xD9\x84\xD8\xA9",  // Arabic
    };
    for (const char* name : names) {
        SCOPED_TRACE(name);
        LoadRewriteAndAdd(base + L"\\" + Wide(name));
    }
}

TEST(ListSafety, AListPathOfExactly259Characters) {
    // Folders nested until the list's path is 259 characters long, the most
    // Windows' classic limit allows.
    std::wstring folder =
        WideTempFolder() + L"zelq-test-deep-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
        std::to_wstring(GetTickCount());
    const std::size_t listName = std::wcslen(L"\\ChannelList.ini");
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    while (folder.size() + listName < 259) {
        // What is left, less the "\\"; never leave a single character for
        // the last folder, which needs one as well as its "\\".
        const std::size_t left = 259 - listName - folder.size() - 1;
        const std::size_t length = left <= 60 ? left : left - 60 >= 2 ? 60 : 50;
        folder += L"\\" + std::wstring(length, L'\x0434');  // Cyrillic letters
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr)) << folder.size();
    }
    ASSERT_EQ(folder.size() + listName, 259u);
    LoadRewriteAndAdd(folder);
}

TEST(ListSafety, AListAnotherProgramHoldsOpenStaysAsItIs) {
    // An editor that holds the list open for reading, sharing nothing else.
    const std::string list = "[ 1 a271914ba85c ] [One]\n[ 1 A271914BA85C ] [One again]\n";
    Plugin plugin;
    ASSERT_TRUE(LoadPluginCopy(&plugin, &list));
    HANDLE held = CreateFileA(plugin.ListPath().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    HWND editor = StartPlugin(plugin);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(RowNames(editor), std::vector<std::string>{"One"});  // shown, but not replaced
    plugin.ChannelChange(MakeChannel("Two", 0x5678, 130));
    PressAdd(editor);
    EXPECT_EQ(ControlText(editor, IDC_STATUS), kTextListInUse);  // nothing written, and why
    EXPECT_EQ(ControlText(editor, IDC_COUNT), "1");
    CloseHandle(held);
    EXPECT_EQ(ReadFileBytes(plugin.ListPath()), list);
    EXPECT_EQ(FolderEntries(Wide(plugin.Directory)),
              (std::vector<std::wstring>{L"ChannelList.ini", L"ChannelList.lck", L"ZelqEditor.dll"}));
}

// Runs ListDriver.exe with the arguments and returns its process; its output
// goes to `output`.
HANDLE RunDriver(const std::wstring& arguments, const std::wstring& output) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring driver = self;
    driver = driver.substr(0, driver.find_last_of(L'\\')) + L"\\ListDriver.exe";
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE out = CreateFileW(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    STARTUPINFOW startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out;
    startup.hStdError = out;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process;
    std::wstring commandLine = L"\"" + driver + L"\" " + arguments;
    const BOOL started = CreateProcessW(driver.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr,
                                        nullptr, &startup, &process);
    CloseHandle(out);
    if (!started) {
        ADD_FAILURE() << "cannot start ListDriver.exe: " << GetLastError();
        return nullptr;
    }
    CloseHandle(process.hThread);
    return process.hProcess;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size() - 1;
        lines.push_back(text.substr(start, end + 1 - start));
        start = end + 1;
    }
    return lines;
}

bool IsWholeLine(const std::string& line) {
    // "[ 1 " twelve upper-case hex digits " ] [" name "]" CR LF
    if (line.size() < 24 || line.compare(0, 4, "[ 1 ") != 0 || line.compare(16, 4, " ] [") != 0) return false;
    for (int i = 4; i < 16; ++i) {
        if (!std::strchr("0123456789ABCDEF", line[i])) return false;
    }
    return line.compare(line.size() - 3, 3, "]\r\n") == 0;
}

TEST(ListSafety, AnotherProcessHoldingTheLockKeepsTheAddOut) {
    if (!RunningAsViewer()) GTEST_SKIP() << "run once, under the viewer's name";
    const std::string list = "[ 1 0000000000FF ] [First]\r\n";
    Plugin plugin;
    ASSERT_TRUE(LoadPluginCopy(&plugin, &list));
    const std::wstring folder = Wide(plugin.Directory);
    // Another writer of the list holds its lock, as every instance of the
    // plug-in takes it.
    HANDLE lockFile = CreateFileW((folder + L"\\ChannelList.lck").c_str(), GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(lockFile, INVALID_HANDLE_VALUE);
    OVERLAPPED at;
    ZeroMemory(&at, sizeof at);
    ASSERT_TRUE(LockFileEx(lockFile, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at));
    const DWORD start = GetTickCount();
    HANDLE process = RunDriver(L"\"" + folder + L"\" add 0x1234 130 Blocked", folder + L"\\blocked.out");
    ASSERT_NE(process, nullptr);
    EXPECT_EQ(WaitForSingleObject(process, 60000), WAIT_OBJECT_0);
    CloseHandle(process);
    const DWORD waited = GetTickCount() - start;
    EXPECT_EQ(ReadWide(folder + L"\\blocked.out"), "nothing\r\n");
    EXPECT_EQ(ReadFileBytes(plugin.ListPath()), list);
    EXPECT_GE(waited, 1900u) << "the add waits about two seconds for the lock";
    // Once the lock is free, the same add goes through.
    UnlockFileEx(lockFile, 0, 1, 0, &at);
    CloseHandle(lockFile);
    process = RunDriver(L"\"" + folder + L"\" add 0x1234 130 Blocked", folder + L"\\free.out");
    ASSERT_NE(process, nullptr);
    EXPECT_EQ(WaitForSingleObject(process, 60000), WAIT_OBJECT_0);
    CloseHandle(process);
    EXPECT_EQ(ReadWide(folder + L"\\free.out"), "added\r\n");
}

TEST(ListSafety, ViewersStartingAndAddingAtOnceLoseNothing) {
    if (!RunningAsViewer()) GTEST_SKIP() << "run once, under the viewer's name";
    const std::string seed = "[ 1 A271914BA85C ] [Al Jazeera]\r\n";
    Plugin plugin;
    ASSERT_TRUE(LoadPluginCopy(&plugin, &seed));
    const std::wstring folder = Wide(plugin.Directory);  // the harness's folders are ASCII
    const int kRounds = 60;
    const struct {
        const wchar_t* arguments;
        const wchar_t* output;
    } drivers[] = {
        {L"stress A 8192 60", L"\\a.out"},
        {L"stress B 12288 60", L"\\b.out"},
        {L"churn 60", L"\\c.out"},
    };
    std::vector<HANDLE> processes;
    for (const auto& driver : drivers) {
        HANDLE process = RunDriver(L"\"" + folder + L"\" " + driver.arguments, folder + driver.output);
        ASSERT_NE(process, nullptr);
        processes.push_back(process);
    }
    for (HANDLE process : processes) {
        EXPECT_EQ(WaitForSingleObject(process, 240000), WAIT_OBJECT_0) << "a driver did not finish";
        DWORD code = 1;
        GetExitCodeProcess(process, &code);
        EXPECT_EQ(code, 0u);
        CloseHandle(process);
    }

    // Every add that reported success is in the list once, every line is
    // whole, and no temporary file is left.
    std::map<std::string, int> reported;
    for (const wchar_t* output : {L"\\a.out", L"\\b.out"}) {
        for (const std::string& line : Lines(ReadWide(folder + output))) {
            ASSERT_EQ(line.compare(0, 6, "added "), 0) << line;
            reported[line.substr(6, line.find_first_of("\r\n") - 6)] = 0;
        }
    }
    EXPECT_EQ(reported.size(), 2u * kRounds) << "every add in a free moment succeeds";
    const std::string list = ReadWide(folder + L"\\ChannelList.ini");
    for (const std::string& line : Lines(list)) {
        if (line == "[ 1 a271914ba85c ] [copy]\r\n") continue;  // the editor's copies not yet rewritten
        EXPECT_TRUE(IsWholeLine(line)) << line;
        const std::string name = line.substr(20, line.size() - 23);
        if (reported.count(name)) ++reported[name];
    }
    for (const auto& entry : reported) EXPECT_EQ(entry.second, 1) << entry.first;
    for (const std::wstring& name : FolderEntries(folder)) {
        EXPECT_TRUE(name == L"ChannelList.ini" || name == L"ChannelList.lck" || name == L"ZelqEditor.dll" ||
                    name.size() == 5)  // the drivers' outputs
            << std::string(name.begin(), name.end());
    }
}

}  // namespace
