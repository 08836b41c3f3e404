// What zelq-list needs of the system it runs on, beyond files: its arguments
// as UTF-8, the terminal's width, its standard streams set up, and its
// temporary file removed when it is stopped. Each platform's folder
// implements these (unix/console_posix.cpp, windows/console_win32.cpp).
#ifndef ZELQ_TOOLS_ZELQ_LIST_CONSOLE_H
#define ZELQ_TOOLS_ZELQ_LIST_CONSOLE_H

#include <cstddef>
#include <string>
#include <vector>

// The program's arguments in UTF-8, argv[0] first.
std::vector<std::string> ProgramArguments(int argc, char** argv);

// Columns the terminal has for the output, or 0 when the output is no
// terminal (no limit).
std::size_t TerminalColumns();

// Sets the standard streams up for the program's output: its own line
// breaks, the same bytes on every system.
void SetUpStandardStreams();

// A program stopped in the middle of an edit (Ctrl-C, a closed console or
// terminal, a request to end) removes its temporary file first: a large
// list's copy would otherwise stay beside it until the next edit.
void RemoveTempWhenStopped();

#endif  // ZELQ_TOOLS_ZELQ_LIST_CONSOLE_H
