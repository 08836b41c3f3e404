// The operations the benchmark times, each on the list at g_State.ListPath
// (and, for the floor, a temporary file beside it). Each returns true when it
// did what it must: a failure ends the benchmark, since its time would mean
// nothing.
//   load       the plug-in's start: LoadChannelList reads the list under its
//              lock, drops duplicates and rewrites it through the safe writer
//              (temporary file, flushed and synced, checked, renamed over).
//   reference  the plain fscanf load with its linear duplicate scan, which
//              rewrites the list in place with fprintf.
//   floor      the least a load that writes safely must do: the core's own
//              file operations read the list, write its bytes to a temporary
//              file beside it, flush and sync it, and put it in the list's
//              place.
//   add        AddCurrentChannel with a channel the list does not hold: reads
//              the whole list under the lock, appends one line, flushed and
//              synced.
//   read       the core's ReadListFile alone: open, size, read, close.
#ifndef ZELQ_BENCH_BENCH_OPERATIONS_H
#define ZELQ_BENCH_BENCH_OPERATIONS_H

#include <string>
#include <vector>

bool RunLoad();
bool RunReference();
bool RunFloor();
bool RunAdd();
bool RunRead();

// zelq-list's `show` (table) and `check` on the list, their output thrown
// away. *lines gets the number of lines each printed.
bool RunShow(long long* lines);
bool RunCheck(long long* lines);

// zelq-list's `sort --by name`, the edit that holds the most: every row's
// name as a key besides the list, and every line written anew in its place.
// It rewrites the list.
bool RunEdit(long long* lines);

// The CSV import and merge read: the list's own CSV (show --format csv of
// the list at g_State.ListPath, written beside it) and a second list.
const std::string& OwnCsvPath();
const std::string& OtherListPath();

// Writes the list's own CSV; false on any failure.
bool WriteOwnCsv();

// zelq-list's `import` of the list's own CSV: every row compared with its
// row, and nothing to change, so nothing written.
bool RunImport(long long* lines);

// A CSV whose one row holds a name cell of `size` bytes, and zelq-list's
// import of it: refused, naming the row; true when it was.
bool WriteVastCellCsv(long long size);
bool RunImportOfVastCell();

// zelq-list's `merge` of the second list into the list. It rewrites the list.
bool RunMerge(long long* lines);

// zelq-list run with the arguments, on the list: true when it ends with 0,
// or 1 where `findings` allows it, and wrote no error (but the warning of a
// list larger than the plug-in reads, where `overPluginLimit`).
bool RunListCommand(const std::vector<std::string>& arguments, bool findings, bool overPluginLimit);

#endif  // ZELQ_BENCH_BENCH_OPERATIONS_H
