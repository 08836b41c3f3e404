// Rows as a user names them on the command line: numbers counting from 1,
// as show numbers them, and ranges ("2-5,9").
#ifndef ZELQ_TOOLS_ZELQ_LIST_ROW_NUMBERS_H
#define ZELQ_TOOLS_ZELQ_LIST_ROW_NUMBERS_H

#include <cstddef>
#include <string>
#include <vector>

// Parses a row number into a row index; false with a message when it is not
// a row of the list.
bool ParseRow(const std::string& text, std::size_t rowCount, std::size_t* row, std::string* error);

// Parses rows given as numbers and ranges into the set of row indexes (true
// in `rows`, which gets one entry per row of the list). Overlaps are fine; a
// backwards range or a row out of range is an error.
bool ParseRows(const std::string& text, std::size_t rowCount, std::vector<bool>* rows, std::string* error);

#endif  // ZELQ_TOOLS_ZELQ_LIST_ROW_NUMBERS_H
