#include "host_stub.h"

#include <commctrl.h>

#include <cstdio>

#include "resources/resource.h"

std::uint32_t g_StubPosition = 0;

namespace {

LRESULT CALLBACK StubHostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kPositionQueryMessage && wParam == kPositionQueryWParam) {
        PositionQuery* query = reinterpret_cast<PositionQuery*>(lParam);
        if (query->Size == kPositionQuerySize) query->SatPosition = g_StubPosition;
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

template <typename Function>
Function Export(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

HWND MakeStubHostWindow() {
    WNDCLASSW windowClass;
    ZeroMemory(&windowClass, sizeof windowClass);
    windowClass.lpfnWndProc = StubHostProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"ZelqStubHost";
    RegisterClassW(&windowClass);
    return CreateWindowW(L"ZelqStubHost", L"Stub host", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                         GetModuleHandleW(nullptr), nullptr);
}

bool LoadStubPlugin(const std::wstring& folder, StubPlugin* plugin) {
    plugin->Module = LoadLibraryW((folder + L"\\ZelqEditor.dll").c_str());
    if (!plugin->Module) {
        std::fprintf(stderr, "cannot load ZelqEditor.dll: %lu\n", GetLastError());
        return false;
    }
    plugin->Start = Export<OnStartFn>(plugin->Module, "On_Start");
    plugin->ChannelChange = Export<OnChannelChangeFn>(plugin->Module, "On_Channel_Change");
    if (!plugin->Start || !plugin->ChannelChange) {
        std::fprintf(stderr, "an export is missing\n");
        return false;
    }
    return true;
}

HWND StartStubPlugin(const StubPlugin& plugin, HWND host) {
    unsigned char startByte = 0;
    int startValue = 0;
    HWND editor = reinterpret_cast<HWND>(
        static_cast<INT_PTR>(plugin.Start(0, host, 0, 0, &startByte, 0, &startValue)));
    PumpStubMessages();
    return editor;
}

std::string StubControlText(HWND window, int control) {
    char text[512];
    const UINT length = GetDlgItemTextA(window, control, text, sizeof text);
    return std::string(text, length);
}

std::vector<StubRow> ReadEditorRows(HWND editor) {
    std::vector<StubRow> rows;
    HWND list = GetDlgItem(editor, IDC_CHANNEL_LIST);
    const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
        StubRow shown;
        for (int column = 0; column < 2; ++column) {
            char text[256] = "";
            LVITEMA item;
            ZeroMemory(&item, sizeof item);
            item.iSubItem = column;
            item.pszText = text;
            item.cchTextMax = sizeof text;
            SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
            (column == 0 ? shown.Name : shown.Satellite) = text;
        }
        const LRESULT state = SendMessageA(list, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_STATEIMAGEMASK);
        shown.Checked = (state & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
        rows.push_back(shown);
    }
    return rows;
}

void PumpStubMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}
