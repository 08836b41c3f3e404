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
constexpr int kExitFindings = 1;  // check found something; add: the list shows the channel already
constexpr int kExitError = 2;     // a usage error, or a file that cannot be read or written
// The list was changed, but the output that tells so could not be written
// (a full disk, a closed pipe): running the command again would change it
// twice.
constexpr int kExitChangedUnreported = 3;

// What every command needs to know.
struct ListOptions {
    std::string ListPath = "ChannelList.ini";  // UTF-8
    unsigned CodePage = 1256;                  // the single-byte code page of the names in the list
    bool DryRun = false;                       // print what would change, and write nothing
    std::size_t TerminalWidth = 0;             // columns the table may take; 0: as wide as it needs
};

enum ShowFormat { kShowTable, kShowCsv, kShowJson };

// Which rows show prints.
struct ShowFilter {
    std::string Find;       // names holding this text (UTF-8); empty: every name
    std::string Satellite;  // rows of the satellite of this name; empty: every satellite
};

// One record per row the plug-in shows, in its order.
int ShowList(const ListOptions& options, ShowFormat format, const ShowFilter& filter, std::ostream& out,
             std::ostream& err);

// Every line the plug-in ignores, drops or changes at its next start, names
// stored as UTF-8, and a summary. kExitFindings when its next start would
// write the list differently or a name is in UTF-8.
int CheckList(const ListOptions& options, std::ostream& out, std::ostream& err);

// The satellite table, position and name.
int ShowSatellites(std::ostream& out);

// A channel as typed on the command line.
struct NewChannel {
    std::string Ident;      // 1 to 65535
    std::string Position;   // "13.0E", "13E", "7W", "0.8W" or "13.0°E"
    std::string Frequency;  // MHz, 1 to 65535
    std::string Name;       // UTF-8
    std::string Flag = "1";  // hex, 0 to FF
};

// Appends the channel's line as the plug-in's add does, with its refusal
// rule; kExitFindings when the list shows the channel already.
int AddChannel(const ListOptions& options, const NewChannel& channel, std::ostream& out, std::ostream& err);

// The commands that change the list. Each takes the list's lock, reads it,
// and writes the new content through the core's safe rewrite; with DryRun it
// prints what it would do and writes nothing. Rows count from 1, as show
// numbers them; ROWS may be numbers and ranges ("2-5,9").
int RemoveRows(const ListOptions& options, const std::vector<std::string>& rows, std::ostream& out,
               std::ostream& err);
int MoveRow(const ListOptions& options, const std::string& row, const std::string& to, std::ostream& out,
            std::ostream& err);
// The name is UTF-8; it is stored in the options' code page.
int RenameRow(const ListOptions& options, const std::string& row, const std::string& name, std::ostream& out,
              std::ostream& err);
int FlagRows(const ListOptions& options, const std::string& rows, bool on, std::ostream& out, std::ostream& err);

enum SortKey { kSortByName, kSortBySatellite, kSortByPosition, kSortByIdent };
int SortRows(const ListOptions& options, SortKey key, std::ostream& out, std::ostream& err);

// Adds the channels of the other lists that the list does not show, in their
// order; for a channel in several, the first list's line wins. A list that
// does not exist is made.
int MergeLists(const ListOptions& options, const std::vector<std::string>& files, std::ostream& out,
               std::ostream& err);

// Makes the list's rows exactly the rows of a CSV file as show writes it.
int ImportCsv(const ListOptions& options, const std::string& file, std::ostream& out, std::ostream& err);

// Stores the names written in another encoding (only "utf-8") in the list's
// code page.
int RecodeNames(const ListOptions& options, const std::string& from, std::ostream& out, std::ostream& err);

// Writes the list as the plug-in's start does.
int NormaliseListFile(const ListOptions& options, std::ostream& out, std::ostream& err);

// The whole program: parses the arguments (UTF-8, argv[0] the program's name)
// and runs the command.
int RunZelqList(int argc, const char* const* argv, std::ostream& out, std::ostream& err,
                std::size_t terminalWidth);

#endif  // ZELQ_TOOLS_ZELQ_LIST_ZELQ_LIST_H
