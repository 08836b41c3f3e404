#include "list_model.h"

#include <cstdint>
#include <unordered_map>

#include "channel_list/entry_code.h"

bool ReadListModel(const std::string& path, ListModel* model, std::string* error) {
    model->File = FileBytes{nullptr, 0};
    model->Rows = ShownRows{nullptr, 0, 0};
    model->Items.clear();
    model->RowItem.clear();
    if (!ReadListFile(path.c_str(), &model->File)) {
        *error = CannotReadMessage(path);
        return false;
    }
    if (!NormaliseList(model->File, nullptr, &model->Rows)) {
        FreeFileBytes(&model->File);
        *error = "not enough memory to read " + path;
        return false;
    }

    // Pair the lines with the rows the plug-in shows: a line that reads is a
    // row exactly when it is the row's own line (the same name bytes).
    std::unordered_map<std::uint32_t, std::size_t> rowOfChannel;
    rowOfChannel.reserve(model->Rows.Count);
    model->RowItem.reserve(model->Rows.Count);
    LineReader reader = MakeLineReader(model->File.Data, model->File.Size);
    ListItem item;
    while (NextListLine(&reader, &item.Line)) {
        const ListLine& line = item.Line;
        if (line.Kind == kLineUnreadable) {
            item.Kind = kItemUnreadable;
            item.Row = 0;
        } else if (model->RowItem.size() < model->Rows.Count &&
                   model->Rows.Rows[model->RowItem.size()].Name == line.Name) {
            item.Kind = kItemRow;
            item.Row = model->RowItem.size();
            rowOfChannel.emplace(ChannelKey(line.Entry.Code), item.Row);
            model->RowItem.push_back(model->Items.size());
        } else {
            const auto found = rowOfChannel.find(ChannelKey(line.Entry.Code));
            if (found == rowOfChannel.end()) {
                // Cannot happen while the reader and the rows agree.
                FreeListModel(model);
                *error = "cannot make sense of " + path + " at line " + std::to_string(line.LineNumber);
                return false;
            }
            item.Kind = kItemDuplicate;
            item.Row = found->second;
        }
        model->Items.push_back(item);
    }
    if (model->RowItem.size() != model->Rows.Count) {
        FreeListModel(model);
        *error = "cannot make sense of " + path;
        return false;
    }
    return true;
}

std::string CannotReadMessage(const std::string& path) {
    PathKind kind;
    return "cannot read " + path + (g_ListFileOps.Probe(path.c_str(), &kind) && kind == kPathMissing ? ": no such file" : "");
}

void FreeListModel(ListModel* model) {
    FreeShownRows(&model->Rows);
    FreeFileBytes(&model->File);
    model->Items.clear();
    model->RowItem.clear();
}

std::size_t LineAfter(const ListItem& item) {
    const ListLine& line = item.Line;
    return line.LineNumber + (line.End > line.Start && line.End[-1] == '\n' ? 1 : 0);
}

const char* ContentStart(const ListModel& model) {
    return model.File.Data + (StartsWithByteOrderMark(model.File.Data, model.File.Size) ? kByteOrderMarkSize : 0);
}
