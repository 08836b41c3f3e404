#include "row_numbers.h"

#include "channel_list/whole_number.h"
#include "messages.h"
#include "utf8_text.h"

bool ParseRow(const std::string& text, std::size_t rowCount, std::size_t* row, std::string* error) {
    // Digits only; a number too large to count is larger than any row.
    unsigned long value = 0;
    if (!IsWholeNumberText(text, 10)) {
        *error = "\"" + EscapeControls(text) + "\" is not a row number";
        return false;
    }
    if (!ParseWholeNumber(text, 10, 1, rowCount, &value)) {
        *error = "there is no row " + text + ": the list has " + std::to_string(rowCount) + " row" + Plural(rowCount);
        return false;
    }
    *row = value - 1;
    return true;
}

bool ParseRows(const std::string& text, std::size_t rowCount, std::vector<bool>* rows, std::string* error) {
    rows->assign(rowCount, false);
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        const std::string part = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        const std::size_t dash = part.find('-');
        const std::string from = part.substr(0, dash);
        const std::string to = dash == std::string::npos ? from : part.substr(dash + 1);
        if (!IsWholeNumberText(from, 10) || !IsWholeNumberText(to, 10)) {
            *error = "\"" + EscapeControls(part) + "\" is not a row number or a range of rows";
            return false;
        }
        std::size_t first = 0;
        std::size_t last = 0;
        if (!ParseRow(from, rowCount, &first, error) || !ParseRow(to, rowCount, &last, error)) return false;
        if (first > last) {
            *error = "the range " + part + " runs backwards";
            return false;
        }
        for (std::size_t row = first; row <= last; ++row) (*rows)[row] = true;
        if (comma == std::string::npos) return true;
        start = comma + 1;
    }
}
