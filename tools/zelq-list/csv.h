// CSV as show writes it and import reads it back (RFC 4180, with guards for
// spreadsheets), and the view a CSV of some of the rows records.
#ifndef ZELQ_TOOLS_ZELQ_LIST_CSV_H
#define ZELQ_TOOLS_ZELQ_LIST_CSV_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "channel_list/list_index.h"
#include "code_page.h"
#include "zelq_list.h"

// What a CSV file starts with: the UTF-8 byte-order mark, by which
// spreadsheets know the file is UTF-8 rather than in the system's code page.
constexpr char kCsvByteOrderMark[] = "\xEF\xBB\xBF";

// A field, quoted (its quotes doubled) when a spreadsheet could split or trim
// it: when it holds a quote, a line break or any separator a spreadsheet
// offers (comma, semicolon, tab, "|"), or begins or ends with a blank.
std::string CsvField(const std::string& text);

// A name (UTF-8) as a CSV cell. A spreadsheet runs a cell that begins with
// "=", "+", "-", "@", a tab or a CR as a formula, and turns a cell it can read
// as a number, date, time, percentage, amount or truth value into that value
// ("007" into 7, "1/2" into the 1st of February, "TRUE" into a truth value),
// so it would save the name back changed. Such a name gets an apostrophe in
// front, which spreadsheets show as "text follows" or keep as it is. A name
// that itself begins with an apostrophe gets one too. UnguardName takes the
// apostrophe away only from a cell that GuardName writes so: "''x" is the
// name "'x" guarded, while "'x" (a name typed with its apostrophe, or kept
// by a spreadsheet that took the first of two for "text follows") is "'x".
std::string GuardName(const std::string& name);
std::string UnguardName(const std::string& cell);

// Whether a spreadsheet in some language could read the text as a value
// rather than as text (see GuardName; the words are in
// spreadsheet_values.cpp).
bool ReadsAsSpreadsheetValue(const std::string& utf8);

// Blanks a spreadsheet may trim or read between the parts of a value:
// space, tab, and the Unicode spaces.
bool IsSpreadsheetBlank(std::uint32_t c);

// The most of a record a CsvReader keeps: its first fields, and of each its
// first bytes (more than any cell import reads can hold).
constexpr std::size_t kMaxCsvFields = 256;
constexpr std::size_t kMaxCsvCell = 4096;

// Reads CSV bytes record by record: comma or semicolon separators (whichever
// the first record uses), quoted fields, CR LF, LF or CR alone. The bytes
// stay the caller's; a byte-order mark is for the caller to skip.
class CsvReader {
public:
    CsvReader(const char* data, std::size_t size);
    // The next record's fields and the line it starts on; false at the end.
    // A quote left open is an error (false with `error` set, and `line`
    // the line the quote opened on). Fields beyond kMaxCsvFields are read
    // but not kept, and a field longer than kMaxCsvCell is kept cut.
    bool Next(std::vector<std::string>* fields, std::size_t* line, std::string* error);
    // Whether the last record's field was longer than kMaxCsvCell.
    bool Cut(std::size_t field) const;

private:
    const char* data_;
    std::size_t size_;
    std::size_t at_;
    std::size_t line_;
    char separator_;
    std::vector<bool> cut_;
};

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

// The rows show shows with the filter: true for each row it picks (show.cpp).
std::vector<bool> RowsInView(const ListIndex& index, const CodePage& page, const ShowFilter& filter);

#endif  // ZELQ_TOOLS_ZELQ_LIST_CSV_H
