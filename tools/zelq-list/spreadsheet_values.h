// What a spreadsheet takes for a value rather than text, in the languages of
// the list's code pages (1252: Western Europe; 1256: Arabic, Persian, Urdu;
// 1251: Russian, Ukrainian, Bulgarian, Serbian), with the detection of
// special numbers (dates, times, percentages) switched on as well as off.
//
// (GuardName, csv.h, guards the names it would change.)
#ifndef ZELQ_TOOLS_ZELQ_LIST_SPREADSHEET_VALUES_H
#define ZELQ_TOOLS_ZELQ_LIST_SPREADSHEET_VALUES_H

#include <string>

// Whether a spreadsheet in some language could read the UTF-8 text as a
// value rather than as text.
bool ReadsAsSpreadsheetValue(const std::string& utf8);

#endif  // ZELQ_TOOLS_ZELQ_LIST_SPREADSHEET_VALUES_H
