#include "csv_view.h"

#include <cstdio>

#include "channel_list/satellite_names.h"
#include "channel_list/whole_number.h"
#include "csv.h"
#include "name_text.h"
#include "row_text.h"
#include "utf8_text.h"

namespace {

const char kViewPrefix[] = "view:";
// What the record of a CSV of every row says in place of a filter.
const char kEveryRow[] = "every row";

}  // namespace

CsvView MakeCsvView(const ListIndex& index, const ShowFilter& filter, const std::vector<bool>& shown) {
    CsvView view;
    view.Filter = filter;
    view.Marked = true;
    // A sum of the channels' keys, each mixed, so that the order of the rows
    // does not count, and any other set of channels is told apart.
    for (std::size_t row = 0; row < index.RowCount; ++row) {
        if (!shown[row]) continue;
        view.Mark += MixChannelKey(RowKey(index, row));
        ++view.Rows;
    }
    return view;
}

std::string ViewText(const ShowFilter& filter) {
    std::string text;
    if (!filter.Satellite.empty()) text += "satellite " + CsvQuoted(filter.Satellite);
    if (!filter.Find.empty()) text += (text.empty() ? "find " : ", find ") + CsvQuoted(filter.Find);
    return text.empty() ? kEveryRow : text;
}

std::string ViewRecord(const CsvView& view) {
    const std::string text = ViewText(view.Filter);
    char mark[48];
    std::snprintf(mark, sizeof mark, " (%zu row%s, %08X)", view.Rows, view.Rows == 1 ? "" : "s",
                  static_cast<unsigned>(view.Mark));
    return std::string(kViewPrefix) + " " + text + (view.Marked ? mark : "");
}

bool IsViewRecord(const std::string& cell) {
    const std::size_t start = cell.find_first_not_of(' ');
    return start != std::string::npos && LowerAscii(cell.substr(start, sizeof kViewPrefix - 1)) == kViewPrefix;
}

bool ParseViewRecord(const std::string& cell, CsvView* view) {
    if (!IsViewRecord(cell)) return false;
    *view = CsvView();
    ShowFilter* const filter = &view->Filter;
    std::size_t at = cell.find(':') + 1;
    bool any = false;
    while (at < cell.size() && cell[at] == ' ') ++at;
    if (LowerAscii(cell.substr(at, sizeof kEveryRow - 1)) == kEveryRow) {
        // A CSV of every row: its count and mark may follow.
        at += sizeof kEveryRow - 1;
        any = true;
    }
    for (;;) {
        while (at < cell.size() && cell[at] == ' ') ++at;
        if (at == cell.size()) return any;
        if (any && cell[at] == '(') {
            // The count and the mark, last: "(12 rows, 5F3A9C21)".
            const std::size_t close = cell.find(')', at);
            if (close == std::string::npos || cell.find_first_not_of(' ', close + 1) != std::string::npos) return false;
            const std::string inside = cell.substr(at + 1, close - at - 1);
            const std::size_t space = inside.find(' ');
            const std::size_t comma = inside.find(", ");
            if (space == std::string::npos || comma == std::string::npos || comma < space) return false;
            const std::string word = inside.substr(space + 1, comma - space - 1);
            unsigned long rows;
            unsigned long mark;
            if ((word != "row" && word != "rows") ||
                !ParseWholeNumber(inside.substr(0, space), 10, 0, 0xFFFFFFFFul, &rows) ||
                !ParseWholeNumber(inside.substr(comma + 2), 16, 0, 0xFFFFFFFFul, &mark)) {
                return false;
            }
            view->Marked = true;
            view->Rows = rows;
            view->Mark = static_cast<std::uint32_t>(mark);
            return true;
        }
        if (any) {
            if (cell[at] != ',' || (filter->Satellite.empty() && filter->Find.empty())) return false;
            ++at;
            while (at < cell.size() && cell[at] == ' ') ++at;
        }
        const std::size_t quote = cell.find('"', at);
        if (quote == std::string::npos) return false;
        std::string key = cell.substr(at, quote - at);
        while (!key.empty() && key.back() == ' ') key.pop_back();
        key = LowerAscii(key);
        // Each at most once: a value read is never empty.
        std::string* const value = key == "satellite" ? &filter->Satellite : key == "find" ? &filter->Find : nullptr;
        if (!value || !value->empty()) return false;
        // The quoted text, its quotes doubled.
        at = quote + 1;
        char byte;
        bool open = true;
        while (at < cell.size() && (open = NextQuotedByte(cell.data(), cell.size(), &at, &byte))) *value += byte;
        if (open || value->empty()) return false;
        any = true;
    }
}

std::vector<bool> RowsInView(const ListIndex& index, const CodePage& page, const ShowFilter& filter) {
    std::vector<bool> shown(index.RowCount);
    const std::string find = FoldName(filter.Find);
    const std::string satellite = FoldName(filter.Satellite);
    for (std::size_t row = 0; row < index.RowCount; ++row) {
        shown[row] =
            (satellite.empty() || FoldName(SatelliteNameFor(RowChannel(index, row).SatPosition)) == satellite) &&
            (find.empty() || FoldName(RowNameText(index, page, row)).find(find) != std::string::npos);
    }
    return shown;
}
