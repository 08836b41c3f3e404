#include "load_list.h"

#include <cstdio>
#include <cstring>

#include "../shared/arabic_texts.h"
#include "../shared/plugin_state.h"
#include "../shared/window_ops.h"
#include "list_index.h"
#include "list_lock.h"
#include "list_open.h"
#include "normalise_list.h"
#include "satellite_names.h"

namespace {

void ShowRow(const ListIndex& index, std::size_t row) {
    const std::size_t length = RowShownNameLength(index, row);
    char name[kMaxNameLength + 1];
    std::memcpy(name, RowName(index, row), length);
    name[length] = '\0';
    const int at = static_cast<int>(row);
    InsertListRow(at, name);
    SetListRowColumn1(at, SatelliteNameFor(RowChannel(index, row).SatPosition));
    if (index.Rows[row].Flag != 0) CheckListRow(at);
}

}  // namespace

int LoadChannelList() {
    // The list view starts empty, so the count starts from zero.
    g_State.RowCount = 0;
    SetControlText(IDC_COUNT, "0");

    // A path that did not fit is never used.
    const char* const path = g_State.ListPath;
    if (path[0] == '\0') return 0;

    // No list, nothing to show, and nothing made beside it. Within about a
    // second in all: the start runs inside the viewer's window creation.
    OpenedList list;
    const ListOpenResult opened = OpenListToChange(path, kWriterStart, false, kMaxListFileSize, &list);
    // Without the lock (another writer kept it too long, or the folder takes
    // no new files) the list is still shown as any reader finds it; it is
    // only not rewritten. So is a list a writer before left missing or
    // damaged whose copy cannot be put back now: the copy is shown, and
    // nothing is written.
    bool shown = opened == kListOpened && list.Exists;
    if (opened == kListNotLocked || opened == kListCopyWaits) {
        CloseOpenedList(&list);
        shown = OpenListToLook(path, false, kMaxListFileSize, &list) == kListOpened;
    }
    if (!shown) {
        CloseOpenedList(&list);
        return 0;
    }
    const ListIndex& index = list.Index;
    // A file in which no line reads is not the plug-in's to rewrite; nor is
    // a list beside which a file a writer before left stays (a folder where
    // this user may make files but not remove them): writing would leave
    // one more.
    int result = 0;
    if (opened == kListOpened && list.SideFileLeft) {
        result = index.RowCount > 0 && !NormalisedListDiffers(index) ? 1 : 0;
    } else if (opened == kListOpened && index.RowCount > 0) {
        const RewriteResult outcome = RewriteNormalisedList(&list.Files, index);
        result = outcome == kRewriteWritten || outcome == kRewriteUnchanged ? 1 : 0;
    }
    UnlockList(&list.Files);

    // The rows go to the window after the lock is released: filling a long
    // list view takes far longer than reading the file.
    for (std::size_t row = 0; row < index.RowCount; ++row) ShowRow(index, row);
    g_State.RowCount = static_cast<std::int32_t>(index.RowCount);
    if (g_State.RowCount > 0) {
        std::snprintf(g_State.CountText, sizeof g_State.CountText, "%d", static_cast<int>(g_State.RowCount));
        SetControlText(IDC_COUNT, g_State.CountText);
    }
    // A damaged list (what a power cut leaves of a write) was set aside and
    // its backup put back: the user is told, for the damaged list is kept.
    if (opened == kListOpened && list.Damage != kNotDamaged) SetArabicControlText(IDC_STATUS, kTextListRestored);
    CloseOpenedList(&list);
    return result;
}
