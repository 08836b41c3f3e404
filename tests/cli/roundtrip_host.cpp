// A small stand-in viewer for the round trip between the plug-in and
// zelq-list. Its name begins with "Vistrox", so the plug-in asks it for the
// satellite position, which it answers with the channel's own.
//
//   VistroxRoundTrip.exe add NAME IDENT POSITION TUNE [NAME IDENT POSITION TUNE]...
//       starts the plug-in beside this program and adds each channel with the
//       add button, printing the status line after each
//   VistroxRoundTrip.exe rows
//       starts the plug-in and prints the rows it shows: name, satellite and
//       check mark (1 or 0), tab-separated
//
// Names are UTF-8 on the command line and in the output, Windows-1256 for the
// plug-in.
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "shared/host_api.h"
#include "tests/win32/host_stub.h"

namespace {

constexpr UINT kArabicCodePage = 1256;
std::string Convert(const std::wstring& wide, UINT codePage) {
    if (wide.empty()) return std::string();
    const int size = WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string text(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), &text[0], size, nullptr, nullptr);
    return text;
}

std::wstring Wide(const std::string& text, UINT codePage) {
    if (text.empty()) return std::wstring();
    const int size = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &wide[0], size);
    return wide;
}

std::string ArabicToUtf8(const std::string& text) { return Convert(Wide(text, kArabicCodePage), CP_UTF8); }

void PrintRows(HWND editor) {
    for (const StubRow& row : ReadEditorRows(editor)) {
        std::printf("%s\t%s\t%d\n", ArabicToUtf8(row.Name).c_str(), row.Satellite.c_str(), row.Checked ? 1 : 0);
    }
}

}  // namespace

int main() {
    _setmode(_fileno(stdout), _O_BINARY);
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::wstring> arguments(wide, wide + count);
    LocalFree(wide);
    const bool add = count >= 6 && (count - 2) % 4 == 0 && arguments[1] == L"add";
    if (!add && !(count == 2 && arguments[1] == L"rows")) {
        std::fprintf(stderr, "usage: VistroxRoundTrip.exe add NAME IDENT POSITION TUNE... | rows\n");
        return 2;
    }

    // The plug-in beside this program.
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    folder = folder.substr(0, folder.find_last_of(L'\\'));
    StubPlugin plugin;
    if (!LoadStubPlugin(folder, &plugin)) return 3;
    HWND editor = StartStubPlugin(plugin, MakeStubHostWindow());
    if (!editor) {
        std::fprintf(stderr, "On_Start made no editor window\n");
        return 3;
    }

    if (add) {
        for (int i = 2; i < count; i += 4) {
            ChannelRecord record;
            std::memset(&record, 0, sizeof record);
            const std::string name = Convert(arguments[i], kArabicCodePage);
            std::memcpy(record.ChannelName, name.data(), name.size() < 91 ? name.size() : 91);
            record.ChannelIdent = static_cast<std::uint16_t>(std::wcstoul(arguments[i + 1].c_str(), nullptr, 10));
            g_StubPosition = static_cast<std::uint32_t>(std::wcstoul(arguments[i + 2].c_str(), nullptr, 10));
            record.RecPosition = g_StubPosition;
            record.TuneValue = static_cast<std::uint32_t>(std::wcstoul(arguments[i + 3].c_str(), nullptr, 10));
            record.ValidWord = 1;
            plugin.ChannelChange(record);
            PumpStubMessages();
            SendMessageA(editor, WM_COMMAND, MAKEWPARAM(IDC_ADD, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(editor, IDC_ADD)));
            PumpStubMessages();
            std::printf("%s\n", ArabicToUtf8(StubControlText(editor, IDC_STATUS)).c_str());
        }
    } else {
        PrintRows(editor);
    }
    std::fflush(stdout);
    // The plug-in's windows live until the process ends.
    ExitProcess(0);
}
