#include "load_list.h"

#include <cstdio>
#include <cstring>

#include "../shared/plugin_state.h"
#include "../shared/window_ops.h"
#include "entry_code.h"
#include "list_index.h"
#include "list_lock.h"
#include "list_rewrite.h"
#include "normalise_list.h"
#include "satellite_names.h"

namespace {

void ShowRow(const ListIndex& index, std::size_t row) {
    const IndexRow& fields = index.Rows[row];
    const std::size_t length = RowShownNameLength(index, row);
    char name[kMaxNameLength + 1];
    std::memcpy(name, RowName(index, row), length);
    name[length] = '\0';
    const int at = static_cast<int>(row);
    InsertListRow(at, name);
    const DecodedCode decoded = DecodeEntryCode(fields.Code[0], fields.Code[1], fields.Code[2], fields.Code[3]);
    SetListRowColumn1(at, SatelliteNameFor(decoded.SatPosition));
    if (fields.Flag != 0) CheckListRow(at);
}

}  // namespace

int LoadChannelList() {
    // The list view starts empty, so the count starts from zero.
    g_State.RowCount = 0;
    SetControlText(IDC_COUNT, "0");

    // A path that did not fit is never used.
    const char* const path = g_State.ListPath;
    if (path[0] == '\0') return 0;

    // No list, nothing to show, and nothing made beside it, unless a replace
    // left it under its temporary name. A path that cannot be looked at now
    // is still tried.
    PathKind kind;
    if (g_ListFileOps.Probe(path, &kind) && kind != kPathFile &&
        !(kind == kPathMissing && ListLeftUnderTempName(path))) {
        return 0;
    }

    // Without the lock (another writer kept it too long, or the folder takes
    // no new files) the list is still shown; it is only not rewritten.
    ListLock lock;
    const bool locked = LockList(path, &lock);
    if (locked && kind == kPathMissing) RestoreReplacedList(path);
    ListIndex index;
    if (!ReadListIndex(path, kMaxListFileSize, &index)) {
        UnlockList(&lock);
        return 0;
    }
    // A file in which no line reads is not the plug-in's to rewrite.
    int result = 0;
    if (locked && index.RowCount > 0) {
        const RewriteResult outcome = RewriteNormalisedList(path, index);
        result = outcome == kRewriteWritten || outcome == kRewriteUnchanged ? 1 : 0;
    }
    UnlockList(&lock);

    // The rows go to the window after the lock is released: filling a long
    // list view takes far longer than reading the file.
    for (std::size_t row = 0; row < index.RowCount; ++row) ShowRow(index, row);
    g_State.RowCount = static_cast<std::int32_t>(index.RowCount);
    if (g_State.RowCount > 0) {
        std::snprintf(g_State.CountText, sizeof g_State.CountText, "%d", static_cast<int>(g_State.RowCount));
        SetControlText(IDC_COUNT, g_State.CountText);
    }
    FreeListIndex(&index);
    return result;
}
