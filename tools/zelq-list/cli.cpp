// The command line: global options, one subcommand per command, help and
// version, and errors as one line.
#include <CLI/CLI.hpp>

#include <new>
#include <ostream>
#include <string>
#include <vector>

#include "zelq_list.h"

#ifndef ZELQ_VERSION
#define ZELQ_VERSION "unknown"
#endif

namespace {

// One line, whatever the parser's message holds.
std::string OneLine(std::string text) {
    for (char& c : text) {
        if (c == '\n' || c == '\r') c = ' ';
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

}  // namespace

int RunZelqList(int argc, const char* const* argv, std::ostream& out, std::ostream& err,
                std::size_t terminalWidth) {
    CLI::App app("Shows, checks and edits ChannelList.ini, the channel list of the ZelqEditor plug-in.",
                 "zelq-list");
    app.footer(
        "Rows count from 1 in the order the plug-in shows them (see show). Commands that change the list\n"
        "take its lock, keep lines that do not read byte for byte in their places, and replace the list\n"
        "in one step; with --dry-run they print what they would do and write nothing.\n"
        "Exit status: 0 done; 1 check found something the plug-in's next start changes; 2 usage error,\n"
        "or a list that cannot be read or written.");
    app.get_formatter()->label("SUBCOMMAND", "COMMAND");
    app.set_version_flag("--version", "zelq-list " ZELQ_VERSION);
    app.require_subcommand(0, 1);
    app.fallthrough();

    ListOptions options;
    options.TerminalWidth = terminalWidth;
    app.add_option("--list", options.ListPath, "the list file")->type_name("FILE")->capture_default_str();
    app.add_option("--codepage", options.CodePage, "the single-byte code page of the names in the list")
        ->type_name("N")
        ->capture_default_str();

    CLI::App* show = app.add_subcommand("show", "the rows the plug-in shows, in its order");
    std::string format = "table";
    show->add_option("--format", format, "table, csv (RFC 4180) or json")
        ->check(CLI::IsMember({"table", "csv", "json"}))
        ->capture_default_str();

    app.add_subcommand("check", "the lines the plug-in ignores, drops or changes at its next start, and why");

    bool dryRun = false;
    const auto editing = [&](const char* name, const char* description) {
        CLI::App* command = app.add_subcommand(name, description);
        command->add_flag("--dry-run", dryRun, "print what would change, and write nothing");
        return command;
    };

    CLI::App* remove = editing("remove", "remove rows, with the later lines of their channels");
    std::vector<std::string> removeRows;
    remove->add_option("ROW", removeRows, "the rows to remove")->type_name("")->required();

    CLI::App* move = editing("move", "move a row so that it becomes row TO");
    std::string moveRow;
    std::string moveTo;
    move->add_option("ROW", moveRow, "the row to move")->type_name("")->required();
    move->add_option("TO", moveTo, "the row it becomes")->type_name("")->required();

    CLI::App* rename = editing("rename", "give a row a new name (UTF-8, stored in the list's code page)");
    std::string renameRow;
    std::string renameName;
    rename->add_option("ROW", renameRow, "the row to rename")->type_name("")->required();
    rename->add_option("NAME", renameName, "its new name, 1 to 30 bytes in the code page, without \"]\"")
        ->type_name("")->required();

    CLI::App* flag = editing("flag", "set or clear a row's check mark");
    std::string flagRow;
    std::string flagState;
    flag->add_option("ROW", flagRow, "the row")->type_name("")->required();
    flag->add_option("STATE", flagState, "on or off")->type_name("")->required()->check(CLI::IsMember({"on", "off"}));

    CLI::App* sort = editing("sort", "sort the rows (stable: rows that compare equal keep their order)");
    std::string sortBy;
    sort->add_option("--by", sortBy,
                     "name (by character, ASCII letters ignoring case), satellite (its name), position (west "
                     "to east) or ident (then west to east)")
        ->required()
        ->check(CLI::IsMember({"name", "satellite", "position", "ident"}));

    CLI::App* merge = editing("merge", "add the channels of other lists that this one does not show");
    std::vector<std::string> mergeFiles;
    merge->add_option("FILE", mergeFiles, "the other lists, in the same code page")->type_name("")->required();

    CLI::App* normalise = editing("normalise", "write the list as the plug-in's start does");
    normalise->alias("normalize");

    CLI::App* satellites = app.add_subcommand("satellites", "the satellite table, position and name");

    for (CLI::App* command : app.get_subcommands({})) command->group("Commands");

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e, out, err);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e, out, err);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e, out, err);
    } catch (const CLI::ParseError& e) {
        err << "zelq-list: " << OneLine(e.what()) << " (see zelq-list --help)\n";
        return kExitError;
    }

    // The commands raise nothing of their own; running out of memory in the
    // standard library is the one exception left. It ends the command, and
    // the list is then either written whole (the core's rewrite raises
    // nothing) or not at all.
    try {
        if (*show) {
            const ShowFormat shown = format == "csv" ? kShowCsv : format == "json" ? kShowJson : kShowTable;
            return ShowList(options, shown, out, err);
        }
        if (app.got_subcommand("check")) return CheckList(options, out, err);
        if (*remove) return RemoveRows(options, dryRun, removeRows, out, err);
        if (*move) return MoveRow(options, dryRun, moveRow, moveTo, out, err);
        if (*rename) return RenameRow(options, dryRun, renameRow, renameName, out, err);
        if (*flag) return FlagRow(options, dryRun, flagRow, flagState == "on", out, err);
        if (*sort) {
            const SortKey key = sortBy == "satellite" ? kSortBySatellite
                                : sortBy == "position" ? kSortByPosition
                                : sortBy == "ident"    ? kSortByIdent
                                                       : kSortByName;
            return SortRows(options, dryRun, key, out, err);
        }
        if (*merge) return MergeLists(options, dryRun, mergeFiles, out, err);
        if (*normalise) return NormaliseListFile(options, dryRun, out, err);
        if (*satellites) return ShowSatellites(out);
    } catch (const std::bad_alloc&) {
        err << "zelq-list: not enough memory\n";
        return kExitError;
    }
    err << "zelq-list: a command is needed: show, check, remove, move, rename, flag, sort, merge, normalise or "
           "satellites (see zelq-list --help)\n";
    return kExitError;
}
