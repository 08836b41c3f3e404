// Every text of the editor and About windows must show whole at the sizes the
// dialog templates give. For each text control, the text's extent in the
// control's own font (DrawTextW with DT_CALCRECT at the control's width and
// with the flags the control itself draws with) must lie within the area the
// control draws it in: the client rectangle, less the frame a button or
// group box draws inside it, or a header item less its margins.
//
// The texts are read and measured as the controls hold them, in UTF-16, so the
// same tests serve under any ANSI code page: they run under 1256 with the
// rest of the end-to-end tests and again under 1252.
//
// This depends on the fonts the Wine prefix maps the templates' faces to
// ("MS Shell Dlg", "Microsoft Sans Serif"); scripts/wine-run sets them up.
#include <windows.h>
#include <commctrl.h>
#include <usp10.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "plugin_harness.h"
#include "resources/resource.h"
#include "shared/arabic_texts.h"

namespace {

const char kAboutCaption[] = "Yoxa Zelq ~ Channel Editor";

// Channel names of a common length for the current-channel field, one Latin
// and one Arabic ("Al Jazeera Documentary"). The field is 70 dialog units
// wide, about 18 characters: longer names are cut whatever the font.
const char kLongLatinName[] = "Al Jazeera English";
const char kLongArabicName[] = "\xc7\xe1\xcc\xd2\xed\xd1\xc9\x20\xc7\xe1\xe6\xcb\xc7\xc6\xde\xed\xc9";

struct Fit {
    std::string What;  // which text, in which control
    std::string Face;  // the face the text is drawn in
    int Width = 0;     // extent of the text, laid out as the control does
    int Height = 0;
    int LineWidth = 0;  // its width on one line
    int ShapedWidth = 0;  // on one line with its Arabic letters joined, as drawn
    int AreaWidth = 0;  // room the control gives it
    int AreaHeight = 0;
    int LineHeight = 0;  // its height on one line

    int Overflow() const {
        // A text laid out on one line is drawn shaped; the layout itself
        // measures its letters unjoined, which may be narrower.
        const int drawnWidth = Height <= LineHeight && ShapedWidth > Width ? ShapedWidth : Width;
        const int across = drawnWidth - AreaWidth;
        const int down = Height - AreaHeight;
        return across > down ? (across > 0 ? across : 0) : (down > 0 ? down : 0);
    }
};

// The DrawText flags a static control paints its text with, from its styles.
UINT StaticFormat(HWND control) {
    const LONG style = GetWindowLongA(control, GWL_STYLE);
    const LONG exStyle = GetWindowLongA(control, GWL_EXSTYLE);
    UINT format = DT_EXPANDTABS | DT_WORDBREAK;
    switch (style & SS_TYPEMASK) {
    case SS_CENTER:
        format |= DT_CENTER;
        break;
    case SS_RIGHT:
        format |= DT_RIGHT;
        break;
    case SS_SIMPLE:
        format = DT_LEFT | DT_SINGLELINE;
        break;
    case SS_LEFTNOWORDWRAP:
        format = DT_LEFT | DT_EXPANDTABS;
        break;
    default:
        format |= DT_LEFT;
        break;
    }
    if (style & SS_NOPREFIX) format |= DT_NOPREFIX;
    if (style & SS_CENTERIMAGE) format |= DT_SINGLELINE | DT_VCENTER;
    if (style & SS_ENDELLIPSIS) format |= DT_SINGLELINE | DT_END_ELLIPSIS;
    if (exStyle & WS_EX_RTLREADING) format |= DT_RTLREADING;
    return format;
}

std::string ClassOf(HWND window) {
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

// The family of the font selected into dc: the font a substituted face name
// really stands for.
std::string FontFamily(HDC dc) {
    const UINT size = GetOutlineTextMetricsA(dc, 0, nullptr);
    if (size == 0) {
        char face[LF_FACESIZE] = "";
        GetTextFaceA(dc, sizeof face, face);
        return face;
    }
    std::vector<char> buffer(size);
    OUTLINETEXTMETRICA* metrics = reinterpret_cast<OUTLINETEXTMETRICA*>(buffer.data());
    GetOutlineTextMetricsA(dc, size, metrics);
    return buffer.data() + reinterpret_cast<UINT_PTR>(metrics->otmpFamilyName);
}

bool HasArabic(const std::wstring& text) {
    for (wchar_t c : text) {
        if (c >= 0x0600 && c <= 0x06FF) return true;
    }
    return false;
}

// Width of a text with Arabic letters as drawing it lays it out: joined into
// their contextual forms by the script engine, in the font selected into dc.
int ShapedWidth(HDC dc, const std::wstring& text) {
    const int length = static_cast<int>(text.size());
    if (length == 0) return 0;
    SCRIPT_STRING_ANALYSIS analysis = nullptr;
    if (FAILED(ScriptStringAnalyse(dc, text.c_str(), length, length * 3 / 2 + 16, -1, SSA_GLYPHS, 0, nullptr,
                                   nullptr, nullptr, nullptr, nullptr, &analysis))) {
        ADD_FAILURE() << "cannot shape a text";
        return 0;
    }
    const SIZE* size = ScriptString_pSize(analysis);
    const int width = size ? size->cx : 0;
    ScriptStringFree(&analysis);
    return width;
}

// Measures text in the font the control draws with, laid out in a rectangle
// as wide as the area.
Fit Measure(HWND control, const std::string& what, const std::wstring& text, UINT format, const RECT& area) {
    Fit fit;
    fit.What = what;
    fit.AreaWidth = area.right - area.left;
    fit.AreaHeight = area.bottom - area.top;
    HDC dc = GetDC(control);
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
    HGDIOBJ previous = SelectObject(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(SYSTEM_FONT));
    fit.Face = FontFamily(dc);
    RECT extent = {0, 0, fit.AreaWidth, fit.AreaHeight};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &extent, format | DT_CALCRECT);
    fit.Width = extent.right - extent.left;
    fit.Height = extent.bottom - extent.top;
    RECT line = {0, 0, fit.AreaWidth, fit.AreaHeight};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &line,
              (format & ~DT_WORDBREAK) | DT_SINGLELINE | DT_CALCRECT);
    fit.LineWidth = line.right - line.left;
    fit.LineHeight = line.bottom - line.top;
    if (HasArabic(text)) fit.ShapedWidth = ShapedWidth(dc, text);
    SelectObject(dc, previous);
    ReleaseDC(control, dc);
    return fit;
}

RECT ClientArea(HWND control) {
    RECT area;
    GetClientRect(control, &area);
    return area;
}

// A text of a control, measured the way that kind of control draws it.
Fit MeasureControl(HWND control, const std::string& what, const std::wstring& text) {
    const std::string type = ClassOf(control);
    const LONG style = GetWindowLongA(control, GWL_STYLE);
    RECT area = ClientArea(control);
    if (type == "Button") {
        if ((style & BS_TYPEMASK) == BS_GROUPBOX) {
            // The label sits on the frame's top line, inset from both ends by
            // about a character; it is one line high.
            InflateRect(&area, -7, 0);
            return Measure(control, what, text, DT_LEFT | DT_SINGLELINE, area);
        }
        // A push button paints its text inside its 3-D frame.
        InflateRect(&area, -GetSystemMetrics(SM_CXEDGE), -GetSystemMetrics(SM_CYEDGE));
        const UINT lines = (style & BS_MULTILINE) ? DT_WORDBREAK : DT_SINGLELINE | DT_VCENTER;
        return Measure(control, what, text, DT_CENTER | lines, area);
    }
    if (type == "SysLink") return Measure(control, what, text, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX, area);
    return Measure(control, what, text, StaticFormat(control), area);
}

// The column headers of the list view: each header item less the margins the
// header keeps on both sides of its text.
void MeasureHeaders(HWND list, std::vector<Fit>* fits) {
    HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
    ASSERT_NE(header, nullptr);
    const int count = static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
    const int margin = 3 * GetSystemMetrics(SM_CXEDGE);
    for (int column = 0; column < count; ++column) {
        wchar_t text[128] = L"";
        HDITEMW item;
        ZeroMemory(&item, sizeof item);
        item.mask = HDI_TEXT;
        item.pszText = text;
        item.cchTextMax = sizeof text / sizeof text[0];
        SendMessageW(header, HDM_GETITEMW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&item));
        RECT area;
        SendMessageA(header, HDM_GETITEMRECT, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&area));
        area.left += margin;
        area.right -= margin;
        fits->push_back(Measure(header, "editor column header " + std::to_string(column), text,
                                DT_CENTER | DT_SINGLELINE | DT_VCENTER, area));
    }
}

struct ChildSearch {
    std::vector<HWND> Children;
};

BOOL CALLBACK CollectChild(HWND window, LPARAM parameter) {
    reinterpret_cast<ChildSearch*>(parameter)->Children.push_back(window);
    return TRUE;
}

// A link control's text as it shows, without its markup.
std::wstring WithoutMarkup(const std::wstring& text) {
    std::wstring shown;
    bool inTag = false;
    for (wchar_t c : text) {
        if (c == L'<') inTag = true;
        if (!inTag) shown += c;
        if (c == L'>') inTag = false;
    }
    return shown;
}

// A window's text as it holds it.
std::wstring TextOf(HWND window) {
    wchar_t text[512];
    const int length = GetWindowTextW(window, text, 512);
    return std::wstring(text, length > 0 ? length : 0);
}

// UTF-16 text as UTF-8, for the messages.
std::string Utf8(const std::wstring& text) {
    char bytes[1024] = "";
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, bytes, sizeof bytes, nullptr, nullptr);
    return bytes;
}

// One of the editor's own texts, held as Windows-1256 bytes, as it reads.
std::wstring FromArabicBytes(const char* text) {
    wchar_t wide[128] = L"";
    MultiByteToWideChar(1256, 0, text, -1, wide, 128);
    return wide;
}

// Whether a child control shows a text: statics showing an icon or a bitmap
// carry the image's name as their text instead.
bool ShowsText(HWND control) {
    if (ClassOf(control) != "Static") return true;
    switch (GetWindowLongA(control, GWL_STYLE) & SS_TYPEMASK) {
    case SS_LEFT:
    case SS_CENTER:
    case SS_RIGHT:
    case SS_SIMPLE:
    case SS_LEFTNOWORDWRAP:
        return true;
    default:
        return false;
    }
}

// What a control is, for the messages: its role in the editor window, or the
// About window's own (English) text.
std::string Describe(const std::string& window, HWND control, const std::wstring& text) {
    static const std::map<int, std::string> kRoles = {
        {IDOK, "OK button"},
        {IDC_ADD, "add button"},
        {IDC_STATUS, "status line"},
        {IDC_COUNT, "count"},
        {IDC_CHANNEL, "channel field"},
        {IDC_COUNT_LABEL, "count label"},
        {IDC_CHANNEL_LABEL, "channel label"},
        {IDC_DATA_GROUP, "group box"},
        {IDC_ABOUT_LINK, "link"},
    };
    const auto role = kRoles.find(GetDlgCtrlID(control));
    if (role != kRoles.end()) return window + " " + role->second;
    return window + " \"" + Utf8(text) + "\"";
}

// Every direct child of a dialog that shows a text, measured with its text.
void MeasureAllTexts(HWND dialog, const std::string& window, std::vector<Fit>* fits) {
    ChildSearch search;
    EnumChildWindows(dialog, CollectChild, reinterpret_cast<LPARAM>(&search));
    for (HWND child : search.Children) {
        if (GetParent(child) != dialog || !ShowsText(child)) continue;
        std::wstring text = TextOf(child);
        if (ClassOf(child) == "SysLink") text = WithoutMarkup(text);
        if (text.empty()) continue;
        fits->push_back(MeasureControl(child, Describe(window, child, text), text));
    }
}

// A list of count distinct channels, as the plug-in writes it.
std::string LongList(int count) {
    std::string list;
    char line[64];
    for (int i = 0; i < count; ++i) {
        std::snprintf(line, sizeof line, "[ 1 %08X0000 ] [Channel %d]\r\n", 0x10000000u + static_cast<unsigned>(i), i);
        list += line;
    }
    return list;
}

void Print(const std::vector<Fit>& fits) {
    std::printf("%-44s %-12s %9s %9s %8s %7s %8s\n", "text", "face", "extent", "room", "one line", "shaped",
                "overflow");
    for (const Fit& fit : fits) {
        std::printf("%-44s %-12s %4d x %-3d %4d x %-3d %8d %7d %8d\n", fit.What.c_str(), fit.Face.c_str(), fit.Width,
                    fit.Height, fit.AreaWidth, fit.AreaHeight, fit.LineWidth, fit.ShapedWidth, fit.Overflow());
    }
}

// The one text that cannot fit whatever the font: the link's control is 7
// dialog units high, and a dialog unit is an eighth of the dialog font's line,
// so the bottom eighth of the link's line (the tail of its "q") is cut. It
// may overflow by that much downwards and not at all across.
int AllowedOverflow(const Fit& fit) {
    if (fit.What != "About link" || fit.Width > fit.AreaWidth) return 0;
    return (fit.Height + 7) / 8;
}

void ExpectAllFit(const std::vector<Fit>& fits) {
    Print(fits);
    for (const Fit& fit : fits) {
        EXPECT_LE(fit.Overflow(), AllowedOverflow(fit))
            << fit.What << " in " << fit.Face << ": the text needs " << fit.Width << " x " << fit.Height
            << " pixels (" << fit.LineWidth << " wide on one line, " << fit.ShapedWidth
            << " as drawn with joined letters), the control gives " << fit.AreaWidth << " x " << fit.AreaHeight;
    }
}

TEST(TextFit, EveryTextOfTheEditorWindowFits) {
    const std::string list = LongList(10000);
    Plugin plugin;
    ASSERT_TRUE(LoadPluginCopy(&plugin, &list));
    HWND editor = StartPlugin(plugin);
    ASSERT_NE(editor, nullptr);
    ASSERT_EQ(ControlText(editor, IDC_COUNT), "10000");

    std::vector<Fit> fits;
    MeasureAllTexts(editor, "editor", &fits);
    MeasureHeaders(GetDlgItem(editor, IDC_CHANNEL_LIST), &fits);

    // The outcomes of the add button in the status line, and the names of
    // channels in the current-channel field. A viewer gives names in the
    // system's code page: an Arabic one only where that is Arabic.
    plugin.ChannelChange(MakeChannel(kLongLatinName, 0x7001, 130));
    HWND channel = GetDlgItem(editor, IDC_CHANNEL);
    fits.push_back(MeasureControl(channel, "editor channel field, a Latin name", ControlTextW(editor, IDC_CHANNEL)));
    if (GetACP() == 1256) {
        plugin.ChannelChange(MakeChannel(kLongArabicName, 0x7002, 130));
        fits.push_back(
            MeasureControl(channel, "editor channel field, an Arabic name", ControlTextW(editor, IDC_CHANNEL)));
    }

    HWND status = GetDlgItem(editor, IDC_STATUS);
    SendMessageA(editor, WM_COMMAND, MAKEWPARAM(IDC_ADD, BN_CLICKED), 0);
    ASSERT_EQ(ControlTextW(editor, IDC_STATUS), FromArabicBytes(kTextAdded));
    fits.push_back(MeasureControl(status, "editor status line, added", ControlTextW(editor, IDC_STATUS)));
    SendMessageA(editor, WM_COMMAND, MAKEWPARAM(IDC_ADD, BN_CLICKED), 0);
    ASSERT_EQ(ControlTextW(editor, IDC_STATUS), FromArabicBytes(kTextAlreadyInList));
    fits.push_back(
        MeasureControl(status, "editor status line, already in the list", ControlTextW(editor, IDC_STATUS)));
    ASSERT_EQ(ControlText(editor, IDC_COUNT), "10001");
    // And every reason an add gives for writing nothing.
    const struct {
        const char* What;
        const char* Text;
    } reasons[] = {{"no channel", kTextNoChannel},
                   {"in use", kTextListInUse},
                   {"no position", kTextNoPosition},
                   {"viewer did not answer", kTextViewerNoAnswer},
                   {"cannot be written", kTextCannotWrite}};
    for (const auto& reason : reasons) {
        fits.push_back(MeasureControl(status, std::string("editor status line, ") + reason.What,
                                      FromArabicBytes(reason.Text)));
    }

    ExpectAllFit(fits);
}

TEST(TextFit, EveryTextOfTheAboutWindowFits) {
    Plugin plugin;
    ASSERT_TRUE(LoadPluginCopy(&plugin));
    plugin.MenuSelect(IDM_ABOUT);
    PumpMessages();
    const std::vector<HWND> about = WindowsWithCaption(plugin, kAboutCaption);
    ASSERT_EQ(about.size(), 1u);

    std::vector<Fit> fits;
    MeasureAllTexts(about[0], "About", &fits);
    EXPECT_GE(fits.size(), 7u);  // link, title, four credit lines, OK
    ExpectAllFit(fits);
    SendMessageA(about[0], WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    PumpMessages();
}

}  // namespace
