// zelq-list: the command-line program that shows, checks and edits the
// plug-in's ChannelList.ini, on the same core as the plug-in.
//
// The commands are free functions that write their results to `out` and their
// one-line errors to `err`, and return the program's exit code, so that the
// benchmark and the tests can call them without starting a process.
#ifndef ZELQ_TOOLS_ZELQ_LIST_ZELQ_LIST_H
#define ZELQ_TOOLS_ZELQ_LIST_ZELQ_LIST_H

#include <cstddef>
#include <iosfwd>
#include <string>
#include <vector>

// Exit codes.
constexpr int kExitOk = 0;
constexpr int kExitFindings = 1;  // check: the plug-in's next start would change the list
constexpr int kExitError = 2;     // a usage error, or a file that cannot be read or written

// What every command needs to know.
struct ListOptions {
    std::string ListPath = "ChannelList.ini";  // UTF-8
    unsigned CodePage = 1256;                  // the single-byte code page of the names in the list
    std::size_t TerminalWidth = 0;             // columns the table may take; 0: as wide as it needs
};

enum ShowFormat { kShowTable, kShowCsv, kShowJson };

// One record per row the plug-in shows, in its order.
int ShowList(const ListOptions& options, ShowFormat format, std::ostream& out, std::ostream& err);

// Every line the plug-in ignores, drops or changes at its next start, and a
// summary. kExitFindings when its next start would write the list differently.
int CheckList(const ListOptions& options, std::ostream& out, std::ostream& err);

// The satellite table, position and name.
int ShowSatellites(std::ostream& out);

// The commands that change the list. Each takes the list's lock, reads it,
// and writes the new content through the core's safe rewrite; with `dryRun`
// it prints what it would do and writes nothing. Rows count from 1, as show
// numbers them.
int RemoveRows(const ListOptions& options, bool dryRun, const std::vector<std::string>& rows, std::ostream& out,
               std::ostream& err);
int MoveRow(const ListOptions& options, bool dryRun, const std::string& row, const std::string& to,
            std::ostream& out, std::ostream& err);
// The name is UTF-8; it is stored in the options' code page.
int RenameRow(const ListOptions& options, bool dryRun, const std::string& row, const std::string& name,
              std::ostream& out, std::ostream& err);
int FlagRow(const ListOptions& options, bool dryRun, const std::string& row, bool on, std::ostream& out,
            std::ostream& err);

enum SortKey { kSortByName, kSortBySatellite, kSortByPosition, kSortByIdent };
int SortRows(const ListOptions& options, bool dryRun, SortKey key, std::ostream& out, std::ostream& err);

// Adds the channels of the other lists that the list does not show, in their
// order; for a channel in several, the first list's line wins.
int MergeLists(const ListOptions& options, bool dryRun, const std::vector<std::string>& files, std::ostream& out,
               std::ostream& err);

// Writes the list as the plug-in's start does.
int NormaliseListFile(const ListOptions& options, bool dryRun, std::ostream& out, std::ostream& err);

// The whole program: parses the arguments (UTF-8, argv[0] the program's name)
// and runs the command.
int RunZelqList(int argc, const char* const* argv, std::ostream& out, std::ostream& err,
                std::size_t terminalWidth);

#endif  // ZELQ_TOOLS_ZELQ_LIST_ZELQ_LIST_H
