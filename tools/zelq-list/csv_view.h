// The views show writes: every row, or the rows of a filter, and the record
// of the view a CSV holds.
#ifndef ZELQ_TOOLS_ZELQ_LIST_CSV_VIEW_H
#define ZELQ_TOOLS_ZELQ_LIST_CSV_VIEW_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "channel_list/list_index.h"
#include "code_page.h"
#include "zelq_list.h"

// The view a CSV records, so that import can tell a CSV of some of the rows
// from a CSV of them all, and can tell whether the list's rows of that view
// are still those the CSV was made from: the header's cell after "name"
// reads `view: satellite "Nile Sat", find "mbc" (12 rows, 5F3A9C21)`, or
// `view: every row (40 rows, 0E0C5A31)` (quotes inside doubled; the last
// number marks the set of the view's channels). Only a CSV that holds this
// record removes the rows it does not hold.
struct CsvView {
    ShowFilter Filter;       // empty: no view, every row
    bool Marked = false;     // whether the record holds its rows' count and mark
    std::size_t Rows = 0;
    std::uint32_t Mark = 0;
};

// The view's rows' count and mark, of the rows `shown` picks.
CsvView MakeCsvView(const ListIndex& index, const ShowFilter& filter, const std::vector<bool>& shown);

// The filter as the record names it: `satellite "Nile Sat", find "mbc"`, or
// `every row`.
std::string ViewText(const ShowFilter& filter);

// The header cell of a view.
std::string ViewRecord(const CsvView& view);

// Whether a header cell is a view record (it begins with "view:", in any
// case, spaces before it aside).
bool IsViewRecord(const std::string& cell);

// Reads a view record back (with or without its count and mark); false
// when it is not one ViewRecord writes.
bool ParseViewRecord(const std::string& cell, CsvView* view);

// The rows a view shows: true for each row the filter picks.
std::vector<bool> RowsInView(const ListIndex& index, const CodePage& page, const ShowFilter& filter);

#endif  // ZELQ_TOOLS_ZELQ_LIST_CSV_VIEW_H
