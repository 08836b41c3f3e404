#include "host/plugin_api.h"

#include <windows.h>

namespace {

constexpr char kPluginFileName[] = "ZelqEditor.dll";

// The full path of the plug-in: the directory of this executable, then the
// DLL's name. Loading by full path keeps the search order from picking up
// another copy elsewhere.
bool PluginPath(std::string* path, std::string* error) {
    char module[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, module, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        *error = "Vistrox cannot tell which folder it was started from, so it cannot find the plug-in.";
        return false;
    }
    std::string directory(module, length);
    const std::string::size_type slash = directory.find_last_of("\\/");
    directory.erase(slash == std::string::npos ? 0 : slash + 1);
    *path = directory + kPluginFileName;
    return true;
}

// The system's words for an error code.
std::string SystemMessage(DWORD code) {
    char text[256] = "";
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                                        text, sizeof(text), nullptr);
    std::string message(text, length);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' ' ||
                                message.back() == '.')) {
        message.pop_back();
    }
    return message.empty() ? "Windows gives no reason" : message;
}

// GetProcAddress gives a generic function pointer; going through void(*)()
// is the sanctioned way to turn it into the export's real type.
template <typename Function>
bool Resolve(HMODULE module, const char* name, Function* function, std::string* error) {
    FARPROC address = GetProcAddress(module, name);
    if (address == nullptr) {
        *error = std::string(kPluginFileName) +
                 " is not a plug-in Vistrox can use: a function every plug-in offers is missing from it.";
        return false;
    }
    *function = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
    return true;
}

}  // namespace

bool LoadPlugin(PluginApi* api, std::string* error) {
    std::string path;
    if (!PluginPath(&path, error)) return false;

    HMODULE module = LoadLibraryA(path.c_str());
    if (module == nullptr) {
        *error = "Vistrox cannot load the plug-in " + path + ": " + SystemMessage(GetLastError()) + ".";
        return false;
    }

    PluginApi loaded = {};
    loaded.module = module;
    if (!Resolve(module, "On_Start", &loaded.onStart, error) ||
        !Resolve(module, "On_Exit", &loaded.onExit, error) ||
        !Resolve(module, "On_Send_Dll_ID_Name", &loaded.onSendDllIdName, error) ||
        !Resolve(module, "On_Menu_Select", &loaded.onMenuSelect, error) ||
        !Resolve(module, "On_Channel_Change", &loaded.onChannelChange, error)) {
        FreeLibrary(module);
        return false;
    }
    *api = loaded;
    return true;
}
