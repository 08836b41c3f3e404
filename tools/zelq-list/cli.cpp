// The command line: global options, one subcommand per command, help and
// version, and errors as one line.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <new>
#include <ostream>
#include <string>
#include <vector>

#include "channel_list/file_bytes.h"
#include "channel_list/file_ops.h"
#include "messages.h"
#include "program_output.h"
#include "read_list.h"
#include "shared/code_page_table.h"
#include "shared/console.h"
#include "utf8_text.h"
#include "zelq_list.h"

namespace {

// One line, whatever the parser's message holds.
std::string OneLine(std::string text) {
    std::replace_if(text.begin(), text.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

// The arguments as the parser is to read them, in its reversed order. A
// command's values may begin with "-" (a name such as "-HD"): after the
// command, an argument that is no option of the command is one of its
// values, and the values follow the options, in their order (after a "--"
// when one of them begins with "-"). A value given to an option as the next
// argument is joined to it ("--name=-HD"), so it is taken whatever it begins
// with. Throws the parser's ExtrasError for values beyond those the command
// takes.
std::vector<std::string> ArgumentsToParse(CLI::App& app, const std::vector<std::string>& argv) {
    std::vector<std::string> arguments;
    std::vector<std::string> values;
    CLI::App* command = nullptr;
    for (std::size_t i = 1; i < argv.size(); ++i) {
        const std::string argument = argv[i];
        if (argument == "--" && command) {
            values.insert(values.end(), argv.begin() + static_cast<std::ptrdiff_t>(i) + 1, argv.end());
            break;
        }
        if (argument.size() > 1 && argument[0] == '-' && argument != "--") {
            const CLI::App* scope = command ? command : &app;
            const CLI::Option* option = scope->get_option_no_throw(argument.substr(0, argument.find('=')));
            if (option) {
                if (option->get_items_expected_min() > 0 && argument.find('=') == std::string::npos &&
                    i + 1 < argv.size()) {
                    const bool longName = argument.compare(0, 2, "--") == 0;
                    arguments.push_back(argument + (longName ? "=" : "") + argv[++i]);
                } else {
                    arguments.push_back(argument);
                }
                continue;
            }
        }
        if (command) {
            values.push_back(argument);
            continue;
        }
        // Before the command: the command itself, or what the parser refuses.
        const std::vector<CLI::App*> named =
            app.get_subcommands([&](CLI::App* sub) { return sub->check_name(argument); });
        if (!named.empty()) command = named.front();
        arguments.push_back(argument);
    }
    if (!values.empty()) {
        // More values than the command takes are refused here, in their
        // order (the parser, given a "--", would list it among them).
        long long takes = 0;
        for (const CLI::Option* positional : command->get_options([](CLI::Option* o) { return o->get_positional(); })) {
            takes += positional->get_items_expected_max();
        }
        if (static_cast<long long>(values.size()) > takes) {
            throw CLI::ExtrasError(std::vector<std::string>(values.rbegin(), values.rend() - takes));
        }
    }
    // The parser takes a value that begins with "-" only after a "--", and
    // a "--" only while it still lacks a value: so before them all.
    if (std::any_of(values.begin(), values.end(), [](const std::string& v) { return v.size() > 1 && v[0] == '-'; })) {
        arguments.push_back("--");
    }
    arguments.insert(arguments.end(), values.begin(), values.end());
    return std::vector<std::string>(arguments.rbegin(), arguments.rend());
}

// Windows habits: "/?" and "-?" ask for help, as does "help" where the
// command stands ("help import" for the command's own).
std::vector<std::string> WindowsHabits(CLI::App& app, int argc, const char* const* argv) {
    std::vector<std::string> arguments(argv, argv + argc);
    bool command = false;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        std::string& argument = arguments[i];
        if (argument == "--") break;
        if (argument == "/?" || argument == "-?") {
            argument = "--help";
        } else if (!command && argument.size() > 0 && argument[0] != '-') {
            // The first argument that is no option's is the command.
            const CLI::Option* option = i > 1 ? app.get_option_no_throw(arguments[i - 1]) : nullptr;
            if (option && option->get_items_expected_min() > 0) continue;
            command = true;
            if (CLI::detail::to_lower(argument) == "help") {
                argument = "--help";
                if (i + 1 < arguments.size()) std::swap(argument, arguments[i + 1]);
                break;
            }
        }
    }
    return arguments;
}

// A path given in cmd as "C:\folder\" keeps its closing quote, and the
// arguments after it join it: false with a message for such a path. Every
// path the program takes names a file (`example`, in a folder with a
// blank), and so ends in no backslash.
bool PathHoldsQuote(const char* what, const char* example, const std::string& path, std::string* error) {
    if (path.find('"') == std::string::npos) return false;
    PathKind kind;
    if (!g_ListFileOps.Probe(path.c_str(), &kind) && kind != kPathMissing) return false;
    *error = std::string(what) + ": the path " + EscapeControls(path) +
             " holds a quote: on the Windows command line a backslash just before a closing quote keeps the quote "
             "(and what follows joins the path); name the file itself, as \"C:\\my lists\\" + example + "\"";
    return true;
}

// Warns of a list larger than the plug-in reads: the command still works on
// it, and can make it smaller (one larger than the program reads is refused
// by the command, which says so).
void WarnOfPluginLimit(const std::string& path, std::ostream& err) {
    ListFile* file = nullptr;
    std::uint64_t size = 0;
    if (g_ListFileOps.Open(path.c_str(), kOpenRead, &file)) return;
    const bool sized = !g_ListFileOps.Size(file, &size);
    g_ListFileOps.Close(file);
    if (!sized || size <= kMaxPluginListSize || size > MaxListSize()) return;
    char mebibytes[32];
    std::snprintf(mebibytes, sizeof mebibytes, "%.1f", static_cast<double>(size) / (1 << 20));
    err << "zelq-list: warning: " << path << " is " << mebibytes << " MiB, more than the "
        << (kMaxPluginListSize >> 20) << " MiB the plug-in reads: it leaves the list as it is and shows none of it; "
        << "zelq-list works on it all the same, so that it can be made smaller\n";
}

}  // namespace

int RunZelqList(int argc, const char* const* argv, std::ostream& out, std::ostream& err,
                std::size_t terminalWidth) {
    CLI::App app("Shows, checks and edits ChannelList.ini, the channel list of the ZelqEditor plug-in.",
                 "zelq-list");
    app.footer(
        "Rows count from 1 in the order the plug-in shows them (see show); ROWS are numbers and ranges, as\n"
        "2-5,9. Commands that change the list take its lock, keep lines that do not read byte for byte in\n"
        "their places, and replace the list in one step; with --dry-run they print what they would do and\n"
        "write nothing.\n"
        "A value may begin with \"-\" (rename 1 -HD); after \"--\" every argument is a value, also one that\n"
        "is an option's name (rename 1 -- --dry-run).\n"
        "Exit status: 0 done; 1 check found something the plug-in's next start changes, or add found the\n"
        "channel in the list; 2 usage error, or a list that cannot be read or written (nothing was changed);\n"
        "3 the list was changed, but the output could not be written (do not run the command again).");
    app.get_formatter()->label("SUBCOMMAND", "COMMAND");
    app.set_version_flag("--version", "zelq-list " ZELQ_VERSION);
    app.require_subcommand(0, 1);
    // Command names in any case, as Windows users type them; the commands
    // made below take this from the program.
    app.ignore_case();

    ListOptions options;
    options.TerminalWidth = terminalWidth;
    options.CodePage = DefaultCodePage();
    // The global options, accepted before the command and after it, and
    // listed in every command's help.
    const auto addGlobalOptions = [&](CLI::App* command) {
        command->add_option("--list", options.ListPath, "the list file")->type_name("FILE")->capture_default_str();
        command->add_option("--codepage", options.CodePage, "the single-byte code page of the names in the list")
            ->type_name("N")
            ->capture_default_str();
        command->add_flag("--dry-run", options.DryRun, "print what would change, and write nothing");
    };
    addGlobalOptions(&app);
    // Each command, with what it runs once the arguments are read.
    std::vector<std::pair<CLI::App*, std::function<int()>>> commands;
    const auto command = [&](const char* name, const char* description, std::function<int()> run) {
        CLI::App* sub = app.add_subcommand(name, description);
        addGlobalOptions(sub);
        sub->group("Commands");
        commands.emplace_back(sub, std::move(run));
        return sub;
    };

    std::string format = "table";
    ShowFilter filter;
    CLI::App* show = command("show", "the rows the plug-in shows, in its order", [&] {
        return ShowList(options, format == "csv" ? kShowCsv : format == "json" ? kShowJson : kShowTable, filter, out,
                        err);
    });
    show->add_option("--format", format, "table, csv (RFC 4180) or json")
        ->transform(CLI::IsMember({"table", "csv", "json"}, CLI::ignore_case))
        ->capture_default_str();
    show->add_option("--find", filter.Find, "only names holding TEXT (Latin case and the forms of alif ignored)")
        ->type_name("TEXT");
    show->add_option("--satellite", filter.Satellite, "only rows of the satellite of this name (case ignored)")
        ->type_name("NAME");

    command("check", "the lines the plug-in ignores, drops or changes at its next start, and why",
            [&] { return CheckList(options, out, err); });

    NewChannel channel;
    CLI::App* add = command("add", "add a channel as the plug-in's add button does",
                            [&] { return AddChannel(options, channel, out, err); });
    add->add_option("--ident", channel.Ident, "the channel's ident, 1 to 65535")->type_name("N")->required();
    add->add_option("--position", channel.Position, "the satellite's position: 13.0E, 13E, 7W, 0.8W")
        ->type_name("POS")
        ->required();
    add->add_option("--frequency", channel.Frequency, "the transponder's frequency in MHz, 1 to 65535")
        ->type_name("MHZ")
        ->required();
    add->add_option("--name", channel.Name, "the channel's name (UTF-8, stored in the list's code page)")
        ->type_name("NAME")
        ->required();
    add->add_option("--flag", channel.Flag, "the check mark's flag, hexadecimal 0 to FF")
        ->type_name("F")
        ->capture_default_str();

    // A command's own value, named in its usage line.
    const auto value = [](CLI::App* sub, const char* name, auto& into, const char* description) {
        return sub->add_option(name, into, description)->type_name("")->required();
    };

    std::vector<std::string> removeRows;
    CLI::App* remove = command("remove", "remove rows, with the later lines of their channels",
                               [&] { return RemoveRows(options, removeRows, out, err); });
    value(remove, "ROWS", removeRows, "the rows to remove");

    std::string moveRow;
    std::string moveTo;
    CLI::App* move = command("move", "move a row so that it becomes row TO",
                             [&] { return MoveRow(options, moveRow, moveTo, out, err); });
    value(move, "ROW", moveRow, "the row to move");
    value(move, "TO", moveTo, "the row it becomes");

    std::string renameRow;
    std::string renameName;
    CLI::App* rename = command("rename", "give a row a new name (UTF-8, stored in the list's code page)",
                               [&] { return RenameRow(options, renameRow, renameName, out, err); });
    value(rename, "ROW", renameRow, "the row to rename");
    value(rename, "NAME", renameName, "its new name, 1 to 30 bytes in the code page, without \"]\"");

    std::string flagRows;
    std::string flagState;
    CLI::App* flag = command("flag", "set or clear the check marks of rows",
                             [&] { return FlagRows(options, flagRows, flagState == "on", out, err); });
    value(flag, "ROWS", flagRows, "the rows");
    value(flag, "STATE", flagState, "on or off")->transform(CLI::IsMember({"on", "off"}, CLI::ignore_case));

    std::string sortBy;
    CLI::App* sort = command("sort", "sort the rows (stable: rows that compare equal keep their order)", [&] {
        const SortKey key = sortBy == "satellite" ? kSortBySatellite
                            : sortBy == "position" ? kSortByPosition
                            : sortBy == "ident"    ? kSortByIdent
                                                   : kSortByName;
        return SortRows(options, key, out, err);
    });
    sort->add_option("--by", sortBy,
                     "name (numbers by value, Latin letters ignoring case, the forms of alif as one), satellite "
                     "(its name), position (west to east) or ident (then west to east)")
        ->required()
        ->transform(CLI::IsMember({"name", "satellite", "position", "ident"}, CLI::ignore_case));

    std::vector<std::string> mergeFiles;
    CLI::App* merge = command("merge", "add the channels of other lists that this one does not show",
                              [&] { return MergeLists(options, mergeFiles, out, err); });
    value(merge, "FILE", mergeFiles, "the other lists, in the same code page");

    std::string importFile;
    CLI::App* import = command("import", "make the rows those of a CSV file as show --format csv writes it",
                               [&] { return ImportCsv(options, importFile, out, err); });
    value(import, "FILE", importFile, "the CSV file (UTF-8; comma or semicolon separators)");

    std::string recodeFrom;
    CLI::App* recode = command("recode", "store names saved in another encoding in the list's code page",
                               [&] { return RecodeNames(options, recodeFrom, out, err); });
    value(recode, "ENCODING", recodeFrom, "the encoding the names are in: utf-8");

    command("normalise", "write the list as the plug-in's start does", [&] {
        return NormaliseListFile(options, out, err);
    })->alias("normalize");

    command("satellites", "the satellite table, position and name", [&] { return ShowSatellites(out); });

    // Help and the version are output like any other: checked at the end.
    int status = -1;
    try {
        app.parse(ArgumentsToParse(app, WindowsHabits(app, argc, argv)));
    } catch (const CLI::Success& e) {  // help, or the version
        status = app.exit(e, out, err);
    } catch (const CLI::ParseError& e) {
        ReportError(err, OneLine(e.what()) + " (see zelq-list --help)");
        return kExitError;
    }

    if (status < 0) {
        std::string error;
        bool quote = PathHoldsQuote("--list", "ChannelList.ini", options.ListPath, &error) ||
                     PathHoldsQuote("import", "rows.csv", importFile, &error);
        for (const std::string& file : mergeFiles) quote = quote || PathHoldsQuote("merge", "other.ini", file, &error);
        if (quote) {
            ReportError(err, error);
            return kExitError;
        }
    }

    // The commands raise nothing of their own; running out of memory in the
    // standard library is the one exception left. It ends the command, and
    // the list is then either written whole (the core's rewrite raises
    // nothing) or not at all.
    try {
        // Help or the version are written above.
        for (const auto& given : commands) {
            if (status >= 0 || !*given.first) continue;
            if (given.first->get_name() != "satellites") WarnOfPluginLimit(options.ListPath, err);
            status = given.second();
        }
    } catch (const std::bad_alloc&) {
        ReportError(err, "not enough memory");
        return kExitError;
    }
    if (status < 0) {
        ReportError(err, "a command is needed: show, check, add, remove, move, rename, flag, sort, merge, import, "
                         "recode, normalise or satellites (see zelq-list --help)");
        return kExitError;
    }
    // What the command wrote must have reached its reader (a full disk, a
    // file that cannot grow, on Windows a pipe whose reader left; elsewhere
    // that ends the program quietly). A command that changed the list has
    // checked its output itself, and says that it did change it.
    std::string reason;
    bool pipeClosed = false;
    if (status != kExitChangedUnreported && !OutputWritten(out, &reason, &pipeClosed)) {
        if (pipeClosed) EndForClosedPipe();
        ReportError(err, "cannot write the output: " + reason);
        return kExitError;
    }
    return status;
}
