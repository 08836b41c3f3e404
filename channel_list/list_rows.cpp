#include "list_rows.h"

#include <cstdlib>

#include "channel_key_set.h"
#include "entry_code.h"
#include "list_content.h"
#include "list_line.h"

namespace {

bool AddRow(ShownRows* rows, const ListLine& line) {
    if (rows->Count == rows->Capacity) {
        const std::size_t grown = rows->Capacity ? rows->Capacity + rows->Capacity / 2 : 256;
        ShownRow* larger = static_cast<ShownRow*>(std::realloc(rows->Rows, grown * sizeof(ShownRow)));
        if (!larger) return false;
        rows->Rows = larger;
        rows->Capacity = grown;
    }
    ShownRow& row = rows->Rows[rows->Count++];
    row.Name = line.Name;
    row.NameLength = static_cast<std::uint8_t>(line.NameLength < kMaxNameLength ? line.NameLength : kMaxNameLength);
    row.Flag = line.Entry.Flag;
    for (int i = 0; i < 6; ++i) row.Code[i] = line.Entry.Code[i];
    row.LineNumber = static_cast<std::uint32_t>(line.LineNumber);
    return true;
}

struct Normalising {
    ListContent Content;
    bool Rewriting;
    ShownRows* Rows;
};

bool NormaliseLine(void* context, const ListLine& line, LineRole role) {
    Normalising& state = *static_cast<Normalising*>(context);
    if (role == kRoleLaterLine) return true;
    if (role == kRoleRow && state.Rows && !AddRow(state.Rows, line)) return false;
    if (!state.Rewriting) return true;
    if (line.Kind == kLineReads && !line.Canonical) {
        char text[kMaxLineLength + 1];
        const std::size_t length = FormatLine(text, line.Entry.Flag, line.Entry.Code, line.Entry.Name);
        WriteNewLine(&state.Content, text, length);
    } else {
        // A canonical line is already what the rewrite writes; long names
        // and unreadable lines are kept as they are.
        WriteKeptLine(&state.Content, line);
    }
    return true;
}

}  // namespace

bool ReadListLines(const FileBytes& file, ListLineVisitor visit, void* context) {
    ChannelKeySet seen;
    if (!CreateChannelKeySet(&seen)) return false;
    LineReader reader = MakeLineReader(file.Data, file.Size);
    ListLine line;
    bool ok = true;
    while (ok && NextListLine(&reader, &line)) {
        LineRole role = kRoleUnreadable;
        if (line.Kind != kLineUnreadable) {
            bool added = false;
            ok = InsertChannelKey(&seen, ChannelKey(line.Entry.Code), &added);
            role = added ? kRoleRow : kRoleLaterLine;
        }
        ok = ok && visit(context, line, role);
    }
    DestroyChannelKeySet(&seen);
    return ok;
}

bool NormaliseList(const FileBytes& file, ListRewrite* rewrite, ShownRows* rows) {
    if (rows) *rows = ShownRows{nullptr, 0, 0};
    Normalising state;
    state.Rewriting = rewrite != nullptr;
    state.Rows = rows;
    if (rewrite) BeginListContent(&state.Content, rewrite, file);
    const bool ok = ReadListLines(file, &NormaliseLine, &state);
    if (!ok && rows) FreeShownRows(rows);
    return ok;
}

void FreeShownRows(ShownRows* rows) {
    std::free(rows->Rows);
    rows->Rows = nullptr;
    rows->Count = 0;
    rows->Capacity = 0;
}

bool NextLoadWouldRewrite(const FileBytes& file) {
    ListRewrite comparison;
    BeginListComparison(&comparison, file);
    if (!NormaliseList(file, &comparison, nullptr)) return false;
    // A file in which no line reads is never written.
    return ListRewriteDiffers(&comparison) && ListShowsAnyRow(file);
}

bool ListShowsAnyRow(const FileBytes& file) {
    LineReader reader = MakeLineReader(file.Data, file.Size);
    ListLine line;
    while (NextListLine(&reader, &line)) {
        if (line.Kind != kLineUnreadable) return true;
    }
    return false;
}

bool ListShowsChannel(const FileBytes& file, std::uint32_t channelKey) {
    // The first line of a channel is always shown, so any line of it that
    // reads means a row.
    LineReader reader = MakeLineReader(file.Data, file.Size);
    ListLine line;
    while (NextListLine(&reader, &line)) {
        if (line.Kind != kLineUnreadable && ChannelKey(line.Entry.Code) == channelKey) return true;
    }
    return false;
}
