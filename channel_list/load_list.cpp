#include "load_list.h"

#include <cstdio>
#include <cstring>

#include "../shared/plugin_state.h"
#include "../shared/window_ops.h"
#include "entry_code.h"
#include "list_file.h"
#include "list_line.h"
#include "list_rows.h"
#include "satellite_names.h"

namespace {

void ShowRow(int index, const ShownRow& row) {
    char name[kMaxNameLength + 1];
    std::memcpy(name, row.Name, row.NameLength);
    name[row.NameLength] = '\0';
    InsertListRow(index, name);
    const DecodedCode decoded = DecodeEntryCode(row.Code[0], row.Code[1], row.Code[2], row.Code[3]);
    SetListRowColumn1(index, SatelliteNameFor(decoded.SatPosition));
    if (row.Flag != 0) CheckListRow(index);
}

}  // namespace

int LoadChannelList() {
    // The list view starts empty, so the count starts from zero.
    g_State.RowCount = 0;
    SetControlText(IDC_COUNT, "0");

    // A path that did not fit is never used.
    const char* const path = g_State.ListPath;
    if (path[0] == '\0') return 0;

    // No list, nothing to show, and nothing made beside it. A path that cannot
    // be looked at now is still tried.
    PathKind kind;
    if (g_ListFileOps.Probe(path, &kind) && kind != kPathFile) return 0;

    // Without the lock (another writer kept it too long, or the folder takes
    // no new files) the list is still shown; it is only not rewritten.
    ListLock lock;
    const bool locked = LockList(path, &lock);
    FileBytes file;
    if (!ReadListFile(path, &file)) {
        UnlockList(&lock);
        return 0;
    }

    ListRewrite rewrite;
    const bool rewriting = locked && BeginListRewrite(&rewrite, path, file);
    ShownRows rows;
    const bool read = NormaliseList(file, rewriting ? &rewrite : nullptr, &rows);
    int result = 0;
    if (rewriting) {
        // A file in which no line reads is not the plug-in's to rewrite.
        if (read && rows.Count > 0) {
            const RewriteResult outcome = FinishListRewrite(&rewrite);
            result = outcome == kRewriteWritten || outcome == kRewriteUnchanged ? 1 : 0;
        } else {
            CancelListRewrite(&rewrite);
        }
    }
    UnlockList(&lock);

    // The rows go to the window after the lock is released: filling a long
    // list view takes far longer than reading the file.
    if (read) {
        for (std::size_t i = 0; i < rows.Count; ++i) ShowRow(static_cast<int>(i), rows.Rows[i]);
        g_State.RowCount = static_cast<std::int32_t>(rows.Count);
        FreeShownRows(&rows);
    }
    if (g_State.RowCount > 0) {
        std::snprintf(g_State.CountText, sizeof g_State.CountText, "%d", static_cast<int>(g_State.RowCount));
        SetControlText(IDC_COUNT, g_State.CountText);
    }
    FreeFileBytes(&file);
    return result;
}
