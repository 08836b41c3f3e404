// CSV as show writes it and import reads it back (RFC 4180, with guards for
// spreadsheets).
#ifndef ZELQ_TOOLS_ZELQ_LIST_CSV_H
#define ZELQ_TOOLS_ZELQ_LIST_CSV_H

#include <cstddef>
#include <string>
#include <vector>

// A field, quoted (its quotes doubled) when a spreadsheet could split or trim
// it: when it holds a quote, a line break or any separator a spreadsheet
// offers (comma, semicolon, tab, "|"), or begins or ends with a blank.
std::string CsvField(const std::string& text);

// The text in quotes, its quotes doubled.
std::string CsvQuoted(const std::string& text);

// Reads the byte at data[*at] (before `size`) of a quoted text and moves
// past it: a doubled quote is one quote. False at the quote that closes the
// text, which it moves past.
bool NextQuotedByte(const char* data, std::size_t size, std::size_t* at, char* byte);

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

// Whether a spreadsheet in some language could read the UTF-8 text as a
// value rather than as text (spreadsheet_values.cpp).
bool ReadsAsSpreadsheetValue(const std::string& utf8);

// The most rows a spreadsheet holds below its header (Excel's and
// LibreOffice's sheets have 1,048,576 rows): a CSV of more loses the rest
// when a spreadsheet saves it.
constexpr std::size_t kSpreadsheetRows = 1048575;

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

#endif  // ZELQ_TOOLS_ZELQ_LIST_CSV_H
