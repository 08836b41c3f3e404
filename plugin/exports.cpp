// The five functions the host calls. All use the C calling convention and are
// exported by their plain names (see ZelqEditor.def). They are declared in
// shared/host_api.h, which every caller of the plug-in uses too: a definition
// here that differs from it does not compile.
#include <windows.h>
#include <commctrl.h>

#include <cstring>

#include "../shared/host_api.h"
#include "../shared/plugin_state.h"
#include "../ui/about_window.h"
#include "../ui/activation_context.h"
#include "../ui/editor_window.h"
#include "../resources/resource.h"
#include "current_channel.h"
#include "lifecycle.h"

namespace {

// The name the host shows for the plug-in.
constexpr const char kDisplayName[] = "Yoxa's Channel Editor";
static_assert(sizeof kDisplayName == 22, "21 characters and a NUL");

}  // namespace

// Every export catches at its boundary: a C++ exception must never reach the
// viewer, whose frames it cannot pass (it would end the viewer's process
// through std::terminate). The plug-in raises none: it takes its memory with
// malloc, and a failed allocation ends an operation the way any other failure
// does, with nothing written. The catch keeps the viewer safe all the same.
namespace {

int Start(HWND hostWindow, unsigned char* startByte, int* startValue) {
    if (startByte) *startByte = 0x41;  // "A"
    if (startValue) *startValue = 0;

    // List view, tab, Internet, standard and link classes.
    INITCOMMONCONTROLSEX classes;
    classes.dwSize = sizeof classes;
    classes.dwICC = ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES | ICC_INTERNET_CLASSES | ICC_STANDARD_CLASSES |
                    ICC_LINK_CLASS;
    static_assert(sizeof classes == 8, "the record InitCommonControlsEx takes");
    static_assert((ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES | ICC_INTERNET_CLASSES | ICC_STANDARD_CLASSES |
                   ICC_LINK_CLASS) == 0xC809,
                  "the classes the plug-in's windows use");
    const ULONG_PTR cookie = ActivatePluginContext();
    InitCommonControlsEx(&classes);
    DeactivatePluginContext(cookie);

    HWND window = StartPlugin(hostWindow);
    return static_cast<int>(reinterpret_cast<INT_PTR>(window));
}

// Runs an export's work, and lets no exception out: work that fails returns
// zero (On_Start: no editor window, as when its creation fails).
template <typename Work>
auto Guarded(const Work& work) -> decltype(work()) {
    try {
        return work();
    } catch (...) {
        return decltype(work())();
    }
}

}  // namespace

extern "C" {

int ZELQ_EXPORT_CALL On_Start(int, HWND hostWindow, int, int, unsigned char* startByte, int, int* startValue) {
    return Guarded([&] { return Start(hostWindow, startByte, startValue); });
}

void ZELQ_EXPORT_CALL On_Exit() { Guarded([] { StopPlugin(); }); }

void ZELQ_EXPORT_CALL On_Send_Dll_ID_Name(char* buffer) {
    Guarded([&] {
        if (buffer) std::memcpy(buffer, kDisplayName, sizeof kDisplayName);
    });
}

void ZELQ_EXPORT_CALL On_Menu_Select(int command) {
    Guarded([&] {
        if (command == IDM_CHANNEL_EDITOR) {
            ShowEditor();
        } else if (command == IDM_ABOUT) {
            OpenAbout();
        }
    });
}

void ZELQ_EXPORT_CALL On_Channel_Change(ChannelRecord record) {
    // Any thread: the record is kept under a lock, and the editor shows it
    // without this call waiting for the editor's thread.
    Guarded([&] {
        StoreChannel(record);
        ShowChannelChange();
    });
}

}  // extern "C"
