// CSV as show writes it and import reads it back (RFC 4180, with a guard
// for spreadsheets).
#ifndef ZELQ_TOOLS_ZELQ_LIST_CSV_H
#define ZELQ_TOOLS_ZELQ_LIST_CSV_H

#include <cstddef>
#include <string>
#include <vector>

// A field, quoted when it holds the separator, a quote or a line break, with
// quotes doubled.
std::string CsvField(const std::string& text, char separator = ',');

// A name as a CSV cell: a spreadsheet runs a cell that begins with "=", "+",
// "-", "@", a tab or a CR as a formula, so such a name gets an apostrophe in
// front, which spreadsheets show as "text follows". A name that itself begins
// with an apostrophe gets one too, so that UnguardName undoes exactly what
// GuardName did.
std::string GuardName(const std::string& name);
std::string UnguardName(const std::string& cell);

// Reads CSV text record by record: comma or semicolon separators (whichever
// the first record uses), quoted fields, CR LF or LF, a UTF-8 byte-order
// mark at the start skipped.
class CsvReader {
public:
    explicit CsvReader(const std::string& text);
    // The next record's fields and the line it starts on; false at the end.
    // A quote left open is an error (false with `error` set).
    bool Next(std::vector<std::string>* fields, std::size_t* line, std::string* error);

private:
    const std::string& text_;
    std::size_t at_;
    std::size_t line_;
    char separator_;
};

#endif  // ZELQ_TOOLS_ZELQ_LIST_CSV_H
