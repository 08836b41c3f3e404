#include "plugin_harness.h"

#include "host_stub.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

std::uint32_t g_HostAnswer = 130;
std::vector<PositionQuery> g_HostQueries;
std::function<void()> g_HostDuringQuery;

namespace {

// The program's own full file name, however deep its folder.
std::wstring ProgramPath() {
    std::vector<wchar_t> path(32768);
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    return std::wstring(path.data(), length < path.size() ? length : 0);
}

std::wstring Wide(const std::string& text) {
    const int units = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    std::vector<wchar_t> wide(units > 0 ? units : 1);
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), units);
    return wide.data();
}

// Resolves an export; the cast goes through a plain pointer because the
// generic procedure type does not match the exports' own.
template <typename Function>
Function Export(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_USER && wParam == kPositionQueryWParam) {
        static int s_Answering = 0;
        PositionQuery* query = reinterpret_cast<PositionQuery*>(lParam);
        g_HostQueries.push_back(*query);
        const std::uint32_t answer = g_HostAnswer;
        if (g_HostDuringQuery && s_Answering == 0) {
            ++s_Answering;
            g_HostDuringQuery();
            --s_Answering;
        }
        query->SatPosition = answer;
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// Ends the program on a crash, naming the test that was running. Wine would
// otherwise start its debugger, which waits for a person under a display.
LONG WINAPI EndOnCrash(EXCEPTION_POINTERS* pointers) {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    // The module the address lies in, and where in it: none when the code
    // there was unloaded.
    HMODULE module = nullptr;
    char name[MAX_PATH] = "no module";
    if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           static_cast<LPCSTR>(pointers->ExceptionRecord->ExceptionAddress), &module)) {
        GetModuleFileNameA(module, name, sizeof name);
    }
    std::fprintf(stderr, "\nCRASH: exception 0x%08lx at %p (%s + 0x%lx) in %s.%s\n",
                 static_cast<unsigned long>(pointers->ExceptionRecord->ExceptionCode),
                 pointers->ExceptionRecord->ExceptionAddress, name,
                 static_cast<unsigned long>(static_cast<const char*>(pointers->ExceptionRecord->ExceptionAddress) -
                                            reinterpret_cast<const char*>(module)),
                 test ? test->test_suite_name() : "(no test)", test ? test->name() : "");
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_EXECUTE_HANDLER;
}

const bool g_CrashesEndTheProgram = (SetUnhandledExceptionFilter(EndOnCrash), true);

}  // namespace

std::string MakeTestDirectory() {
    static int counter = 0;
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    for (;;) {
        const std::string path = std::string(temp) + "zelq-test-" +
                                 std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter);
        if (CreateDirectoryA(path.c_str(), nullptr)) return path;
        if (GetLastError() != ERROR_ALREADY_EXISTS) {
            ADD_FAILURE() << "cannot create " << path;
            return path;
        }
    }
}

bool LoadPluginCopy(Plugin* plugin, const std::string* listFile, const std::string& directory) {
    plugin->Directory = directory.empty() ? MakeTestDirectory() : directory;
    const std::wstring program = ProgramPath();
    const std::wstring source = program.substr(0, program.find_last_of(L'\\')) + L"\\ZelqEditor.dll";
    const std::string copy = plugin->Directory + "\\ZelqEditor.dll";
    if (!CopyFileW(source.c_str(), Wide(copy).c_str(), FALSE)) {
        ADD_FAILURE() << "cannot copy the DLL beside the program to " << copy << ": " << GetLastError();
        return false;
    }
    if (listFile) WriteFileBytes(plugin->ListPath(), *listFile);
    return LoadPluginModule(plugin);
}

bool LoadPluginModule(Plugin* plugin) {
    const std::string path = plugin->DllPath();
    plugin->Module = LoadLibraryA(path.c_str());
    if (!plugin->Module) {
        ADD_FAILURE() << "cannot load " << path << ": " << GetLastError();
        return false;
    }
    plugin->Start = Export<OnStartFn>(plugin->Module, "On_Start");
    plugin->Exit = Export<OnExitFn>(plugin->Module, "On_Exit");
    plugin->SendName = Export<OnSendDllIdNameFn>(plugin->Module, "On_Send_Dll_ID_Name");
    plugin->MenuSelect = Export<OnMenuSelectFn>(plugin->Module, "On_Menu_Select");
    plugin->ChannelChange = Export<OnChannelChangeFn>(plugin->Module, "On_Channel_Change");
    const bool all = plugin->Start && plugin->Exit && plugin->SendName && plugin->MenuSelect && plugin->ChannelChange;
    if (!all) ADD_FAILURE() << "an export is missing";
    return all;
}

void UnloadPlugin(Plugin* plugin) {
    if (plugin->Module) FreeLibrary(plugin->Module);
    const std::string directory = plugin->Directory;
    *plugin = Plugin();
    plugin->Directory = directory;
}

bool IsDllLoaded(const std::string& dllPath) { return GetModuleHandleA(dllPath.c_str()) != nullptr; }

HWND HostWindow() {
    static HWND window = nullptr;
    if (!window) {
        WNDCLASSA windowClass;
        ZeroMemory(&windowClass, sizeof windowClass);
        windowClass.lpfnWndProc = HostProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "ZelqTestHost";
        RegisterClassA(&windowClass);
        window = CreateWindowA("ZelqTestHost", "Test host", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                               nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    }
    return window;
}

bool RunningAsViewer() {
    const std::wstring path = ProgramPath();
    return path.compare(path.find_last_of(L'\\') + 1, 7, L"Vistrox") == 0;
}

HWND StartPlugin(const Plugin& plugin) {
    unsigned char startByte = 0;
    int startValue = -1;
    const int result = plugin.Start(0, HostWindow(), 0, 0, &startByte, 0, &startValue);
    EXPECT_EQ(startByte, 'A');
    EXPECT_EQ(startValue, 0);
    PumpMessages();
    return reinterpret_cast<HWND>(static_cast<INT_PTR>(result));
}

ChannelRecord MakeChannel(const std::string& name, std::uint16_t ident, std::uint32_t position,
                          std::uint32_t tuneValue) {
    ChannelRecord record;
    std::memset(&record, 0, sizeof record);
    std::memcpy(record.ChannelName, name.data(), name.size() < 91 ? name.size() : 91);
    record.TuneValue = tuneValue;
    record.ChannelIdent = ident;
    record.ValidWord = 1;
    record.RecPosition = position;
    return record;
}

void PumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

bool WaitPumping(HANDLE handle, DWORD milliseconds) {
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD waited = GetTickCount() - start;
        if (waited >= milliseconds) return WaitForSingleObject(handle, 0) == WAIT_OBJECT_0;
        // Woken by any input already waiting, and at least every 50 ms, so
        // that messages sent from other threads are answered promptly.
        const DWORD slice = milliseconds - waited < 50 ? milliseconds - waited : 50;
        const DWORD result = MsgWaitForMultipleObjectsEx(1, &handle, slice, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (result == WAIT_OBJECT_0) return true;
        if (result == WAIT_FAILED) return false;
        PumpMessages();
    }
}

bool WaitAnsweringSent(HANDLE handle, DWORD milliseconds) {
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD waited = GetTickCount() - start;
        if (waited >= milliseconds) return WaitForSingleObject(handle, 0) == WAIT_OBJECT_0;
        const DWORD result = MsgWaitForMultipleObjectsEx(1, &handle, milliseconds - waited, QS_SENDMESSAGE, 0);
        if (result == WAIT_OBJECT_0) return true;
        if (result == WAIT_FAILED) return false;
        // Delivers the messages sent to this thread, and leaves the rest.
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

namespace {

// Thread messages a WindowThread understands (they carry no window).
constexpr UINT kRunMessage = WM_APP + 1;    // lParam: the Task to run
constexpr UINT kPauseMessage = WM_APP + 2;  // lParam: event to set once paused

struct Task {
    const std::function<void()>* Work;
    HANDLE Done;
    bool Owned;  // the thread deletes it once the work has ended
};

}  // namespace

WindowThread::WindowThread() {
    ready_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    resume_ = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    thread_ = CreateThread(nullptr, 0, &WindowThread::Main, this, 0, &id_);
    EXPECT_NE(thread_, nullptr);
    // Thread messages are kept only once the thread has its message queue.
    WaitForSingleObject(ready_, INFINITE);
}

WindowThread::~WindowThread() {
    Stop();
    CloseHandle(ready_);
    CloseHandle(resume_);
}

DWORD WINAPI WindowThread::Main(void* self) {
    WindowThread* thread = static_cast<WindowThread*>(self);
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
    SetEvent(thread->ready_);
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (message.hwnd == nullptr && message.message == kRunMessage) {
            Task* task = reinterpret_cast<Task*>(message.lParam);
            (*task->Work)();
            SetEvent(task->Done);
            if (task->Owned) delete task;
        } else if (message.hwnd == nullptr && message.message == kPauseMessage) {
            SetEvent(reinterpret_cast<HANDLE>(message.lParam));
            WaitForSingleObject(thread->resume_, INFINITE);
        } else {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return 0;
}

void WindowThread::Run(const std::function<void()>& work) {
    Task task{&work, CreateEventA(nullptr, TRUE, FALSE, nullptr), false};
    ASSERT_TRUE(PostThreadMessageA(id_, kRunMessage, 0, reinterpret_cast<LPARAM>(&task)));
    EXPECT_TRUE(WaitPumping(task.Done, 60000)) << "the thread did not finish its work";
    CloseHandle(task.Done);
}

HANDLE WindowThread::Begin(const std::function<void()>& work) {
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    Task* task = new Task{&work, done, true};
    if (!PostThreadMessageA(id_, kRunMessage, 0, reinterpret_cast<LPARAM>(task))) {
        ADD_FAILURE() << "cannot post work to the thread";
        delete task;
        SetEvent(done);
    }
    return done;
}

void WindowThread::Pause() {
    HANDLE paused = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ResetEvent(resume_);
    ASSERT_TRUE(PostThreadMessageA(id_, kPauseMessage, 0, reinterpret_cast<LPARAM>(paused)));
    EXPECT_TRUE(WaitPumping(paused, 60000));
    CloseHandle(paused);
}

void WindowThread::Resume() { SetEvent(resume_); }

void WindowThread::Stop() {
    if (!thread_) return;
    Resume();
    PostThreadMessageA(id_, WM_QUIT, 0, 0);
    EXPECT_TRUE(WaitPumping(thread_, 60000)) << "the thread did not end";
    CloseHandle(thread_);
    thread_ = nullptr;
}

std::string ControlText(HWND window, int control) {
    char text[512];
    const UINT length = GetDlgItemTextA(window, control, text, sizeof text);
    return std::string(text, length);
}

std::string WindowText(HWND window) {
    char text[512];
    const int length = GetWindowTextA(window, text, sizeof text);
    return std::string(text, length > 0 ? length : 0);
}

std::wstring ControlTextW(HWND window, int control) {
    wchar_t text[512];
    const UINT length = GetDlgItemTextW(window, control, text, sizeof text / sizeof text[0]);
    return std::wstring(text, length);
}

std::wstring ColumnHeaderW(HWND list, int column) {
    wchar_t text[128] = L"";
    LVCOLUMNW info;
    ZeroMemory(&info, sizeof info);
    info.mask = LVCF_TEXT;
    info.pszText = text;
    info.cchTextMax = sizeof text / sizeof text[0];
    if (!SendMessageW(list, LVM_GETCOLUMNW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&info))) {
        return std::wstring();
    }
    return text;
}

std::wstring ListItemTextW(HWND list, int row, int column) {
    wchar_t text[256] = L"";
    LVITEMW item;
    ZeroMemory(&item, sizeof item);
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = sizeof text / sizeof text[0];
    SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return text;
}

std::string ReadFileBytes(const std::string& path) {
    std::string bytes;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    ASSERT_EQ(written, bytes.size());
}

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::vector<ListRow> ListRows(HWND window) {
    std::vector<ListRow> rows;
    for (const StubRow& row : ReadEditorRows(window)) rows.push_back({row.Name, row.Satellite, row.Checked});
    return rows;
}

namespace {

struct CaptionSearch {
    HMODULE Module;
    std::string Caption;
    std::vector<HWND> Found;
};

BOOL CALLBACK CollectByCaption(HWND window, LPARAM parameter) {
    CaptionSearch* search = reinterpret_cast<CaptionSearch*>(parameter);
    // Another program's copy of the DLL may sit at the same address with
    // windows of the same caption on the same desktop.
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    const HMODULE owner = reinterpret_cast<HMODULE>(GetWindowLongPtrA(window, GWLP_HINSTANCE));
    if (process == GetCurrentProcessId() && owner == search->Module && WindowText(window) == search->Caption) {
        search->Found.push_back(window);
    }
    return TRUE;
}

}  // namespace

std::vector<HWND> WindowsWithCaption(const Plugin& plugin, const std::string& caption) {
    CaptionSearch search{plugin.Module, caption, {}};
    EnumWindows(CollectByCaption, reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

namespace {

struct ModuleSearch {
    HMODULE Module;
    std::vector<HWND> Found;
};

BOOL CALLBACK CollectByModule(HWND window, LPARAM parameter) {
    ModuleSearch* search = reinterpret_cast<ModuleSearch*>(parameter);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId() &&
        reinterpret_cast<HMODULE>(GetWindowLongPtrA(window, GWLP_HINSTANCE)) == search->Module) {
        search->Found.push_back(window);
    }
    return TRUE;
}

}  // namespace

std::vector<HWND> WindowsOfModule(HMODULE module) {
    ModuleSearch search{module, {}};
    EnumWindows(CollectByModule, reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

bool IsTopmost(HWND window) { return (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }
