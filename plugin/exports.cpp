// The five functions the host calls. All use the C calling convention and are
// exported by their plain names (see ZelqEditor.def).
#include <windows.h>
#include <commctrl.h>

#include <cstring>

#include "../shared/plugin_state.h"
#include "../ui/about_window.h"
#include "../ui/activation_context.h"
#include "../ui/editor_window.h"
#include "../resources/resource.h"

namespace {

// The name the host shows for the plug-in.
constexpr const char kDisplayName[] = "Yoxa's Channel Editor";
static_assert(sizeof kDisplayName == 22, "21 characters and a NUL");

}  // namespace

extern "C" {

int __cdecl On_Start(int, HWND hostWindow, int, int, unsigned char* startByte, int, int* startValue) {
    if (startByte) *startByte = 0x41;  // "A"
    if (startValue) *startValue = 0;
    g_State.HostWindow = hostWindow;

    // List view, tab, Internet, standard and link classes.
    INITCOMMONCONTROLSEX classes;
    classes.dwSize = 8;
    classes.dwICC = 0xC809;
    static_assert((ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES | ICC_INTERNET_CLASSES |
                   ICC_STANDARD_CLASSES | ICC_LINK_CLASS) == 0xC809,
                  "the classes the plug-in's windows use");
    const ULONG_PTR cookie = ActivatePluginContext();
    InitCommonControlsEx(&classes);
    DeactivatePluginContext(cookie);

    HWND window = CreateEditor();
    return static_cast<int>(reinterpret_cast<INT_PTR>(window));
}

void __cdecl On_Exit() {}

void __cdecl On_Send_Dll_ID_Name(char* buffer) {
    if (buffer) std::memcpy(buffer, kDisplayName, sizeof kDisplayName);
}

void __cdecl On_Menu_Select(int command) {
    if (command == IDM_CHANNEL_EDITOR) {
        ShowEditor();
    } else if (command == IDM_ABOUT) {
        OpenAbout();
    }
}

void __cdecl On_Channel_Change(ChannelRecord record) {
    std::memcpy(&g_State.CurrentChannel, &record, sizeof record);
    ShowChannel();
}

}  // extern "C"
