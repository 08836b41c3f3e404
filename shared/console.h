// What a command-line program (zelq-list) needs of the system it runs on,
// beyond files: its arguments as UTF-8, the terminal's width, writing to its
// standard streams, and its temporary file removed when it is stopped. Each
// platform's folder implements these (unix/console_posix.cpp,
// windows/console_win32.cpp).
#ifndef ZELQ_SHARED_CONSOLE_H
#define ZELQ_SHARED_CONSOLE_H

#include <cstddef>
#include <string>
#include <vector>

// The program's arguments in UTF-8, argv[0] first.
std::vector<std::string> ProgramArguments(int argc, char** argv);

// Columns the terminal has for the output, or 0 when the output is no
// terminal (no limit).
std::size_t TerminalColumns();

enum StandardStream { kStandardOutput, kStandardError };

// Why a write to standard output or error failed.
struct OutputError {
    enum Reason {
        kOther,       // see SystemCode
        kDiskFull,    // a full disk, or a file that may grow no more
        kPipeClosed,  // a pipe whose reader has ended
    } Kind;
    long SystemCode;  // errno, or Windows' GetLastError()
};

// Writes UTF-8 text to standard output or error, all of it: to a Windows
// console as UTF-16 (the one form in which a console takes every character,
// whatever its code pages, which stay as they are), and anywhere else (a
// file, a pipe, a terminal) as the bytes they are. The caller hands over
// whole lines, or at least whole characters. Returns false, with why in
// *error, when not all of it was written.
bool WriteStandardStream(StandardStream stream, const char* text, std::size_t size, OutputError* error);

// Sets the standard streams up for the program's writes. On POSIX systems a
// pipe whose reader has left no longer ends the program (SIGPIPE): its
// write fails instead, so that a command that changed the list can still
// say so.
void SetUpStandardStreams();

// Ends the program as the system ends one that writes to a pipe whose reader
// has left: quietly, by SIGPIPE, on POSIX systems, where `show | head` is
// no error. Returns on Windows, where it is an error like any other.
void EndForClosedPipe();

// A program stopped in the middle of an edit (Ctrl-C, a closed console or
// terminal, a request to end) removes its temporary file first: a large
// list's copy would otherwise stay beside it until the next edit.
void RemoveTempWhenStopped();

#endif  // ZELQ_SHARED_CONSOLE_H
