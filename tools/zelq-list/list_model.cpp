#include "list_model.h"

#include <cstring>

#include "channel_list/entry_code.h"
#include "channel_list/list_rows.h"
#include "errors.h"

namespace {

// The row of each channel, for the later lines that repeat it: open
// addressing over one array, the key in the high half of a slot and the row
// plus one in the low half (0: a free slot).
class RowOfChannel {
public:
    void Insert(std::uint32_t key, std::uint32_t row) {
        if ((count_ + 1) * 2 > slots_.size()) Grow();
        Place(key, row);
        ++count_;
    }
    std::uint32_t Find(std::uint32_t key) const {
        for (std::size_t slot = SlotFor(key);; slot = (slot + 1) & (slots_.size() - 1)) {
            const std::uint64_t entry = slots_[slot];
            if (entry == 0) return 0;
            if (static_cast<std::uint32_t>(entry >> 32) == key) return static_cast<std::uint32_t>(entry) - 1;
        }
    }

private:
    std::size_t SlotFor(std::uint32_t key) const {
        std::uint32_t hash = key * 0x9E3779B1u;
        hash ^= hash >> 16;
        return hash & (slots_.size() - 1);
    }
    void Place(std::uint32_t key, std::uint32_t row) {
        std::size_t slot = SlotFor(key);
        while (slots_[slot] != 0) slot = (slot + 1) & (slots_.size() - 1);
        slots_[slot] = (static_cast<std::uint64_t>(key) << 32) | (row + 1u);
    }
    void Grow() {
        std::vector<std::uint64_t> old(slots_.empty() ? 256 : slots_.size() * 2, 0);
        old.swap(slots_);
        for (const std::uint64_t entry : old) {
            if (entry != 0) Place(static_cast<std::uint32_t>(entry >> 32), static_cast<std::uint32_t>(entry) - 1);
        }
    }
    std::vector<std::uint64_t> slots_;
    std::size_t count_ = 0;
};

struct Building {
    ListModel* Model;
    RowOfChannel Rows;
};

bool AddItem(void* context, const ListLine& line, LineRole role) {
    Building& building = *static_cast<Building*>(context);
    ListModel& model = *building.Model;
    ListItem item;
    item.Start = static_cast<std::uint32_t>(line.Start - model.File.Data);
    item.End = static_cast<std::uint32_t>(line.End - model.File.Data);
    item.Line = static_cast<std::uint32_t>(line.LineNumber);
    item.Row = 0;
    switch (role) {
    case kRoleUnreadable:
        item.Kind = kItemUnreadable;
        break;
    case kRoleRow:
        item.Kind = kItemRow;
        item.Row = static_cast<std::uint32_t>(model.RowItem.size());
        building.Rows.Insert(ChannelKey(line.Entry.Code), item.Row);
        model.RowItem.push_back(static_cast<std::uint32_t>(model.Items.size()));
        break;
    case kRoleLaterLine:
        item.Kind = kItemDuplicate;
        item.Row = building.Rows.Find(ChannelKey(line.Entry.Code));
        break;
    }
    model.Items.push_back(item);
    return true;
}

}  // namespace

std::uint64_t MaxListSize() {
    // A 32-bit program holds the list, an index of its lines and the new
    // list's buffers in at most 2 to 4 GiB of address space.
    return sizeof(void*) < 8 ? std::uint64_t{512} << 20 : kMaxListFileSize;
}

bool MakeListModel(FileBytes file, ListModel* model, std::string* error) {
    model->File = file;
    model->Items.clear();
    model->RowItem.clear();
    // Room for about one item per line of text at once: a vector that grows
    // by doubling would hold its old and new blocks together.
    std::size_t lines = 1;
    for (const char* p = file.Data; p && (p = static_cast<const char*>(
                                              std::memchr(p, '\n', file.Size - static_cast<std::size_t>(p - file.Data))));
         ++p) {
        ++lines;
    }
    model->Items.reserve(lines);
    Building building{model, RowOfChannel()};
    if (!ReadListLines(model->File, &AddItem, &building)) {
        FreeListModel(model);
        *error = "not enough memory to read the list";
        return false;
    }
    return true;
}

bool ReadListModel(const std::string& path, bool mayBeMissing, ListModel* model, std::string* error) {
    model->File = FileBytes{nullptr, 0};
    model->Items.clear();
    model->RowItem.clear();
    PathKind kind;
    if (mayBeMissing && g_ListFileOps.Probe(path.c_str(), &kind) && kind == kPathMissing) return true;

    ListFile* file = nullptr;
    std::uint64_t size = 0;
    if (!g_ListFileOps.Open(path.c_str(), kOpenRead, &file)) {
        *error = CannotReadMessage(path);
        return false;
    }
    const bool sized = g_ListFileOps.Size(file, &size);
    g_ListFileOps.Close(file);
    if (sized && size > MaxListSize()) {
        *error = path + " is " + SizeText(size) + "; zelq-list reads lists of at most " + SizeText(MaxListSize());
        return false;
    }
    FileBytes bytes;
    if (!ReadListFile(path.c_str(), &bytes)) {
        *error = CannotReadMessage(path);
        return false;
    }
    if (!MakeListModel(bytes, model, error)) {
        *error = "not enough memory to read " + path;
        return false;
    }
    return true;
}

std::string CannotReadMessage(const std::string& path) { return "cannot read " + path + ": " + LastFileErrorReason(); }

void FreeListModel(ListModel* model) {
    FreeFileBytes(&model->File);
    std::vector<ListItem>().swap(model->Items);
    std::vector<std::uint32_t>().swap(model->RowItem);
}

ListLine ItemLine(const ListModel& model, std::size_t index) {
    const ListItem& item = model.Items[index];
    LineReader reader{model.File.Data + item.Start, model.File.Data + model.File.Size,
                      model.File.Data + item.Start, item.Line};
    ListLine line{};
    NextListLine(&reader, &line);
    line.GapStart = index == 0 ? ContentStart(model) : model.File.Data + model.Items[index - 1].End;
    return line;
}

ListLine RowLine(const ListModel& model, std::size_t row) { return ItemLine(model, model.RowItem[row]); }

std::size_t LineAfter(const ListModel& model, const ListItem& item) {
    return item.Line + (item.End > item.Start && EndsInLineBreak(model.File.Data + item.Start, item.End - item.Start) ? 1 : 0);
}

const char* ContentStart(const ListModel& model) {
    return model.File.Data + (StartsWithByteOrderMark(model.File.Data, model.File.Size) ? kByteOrderMarkSize : 0);
}
