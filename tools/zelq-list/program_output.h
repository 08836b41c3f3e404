// The program's standard output and error as C++ streams over the
// platform's writes (console.h), and the check that what a command wrote
// reached its reader.
#ifndef ZELQ_TOOLS_ZELQ_LIST_PROGRAM_OUTPUT_H
#define ZELQ_TOOLS_ZELQ_LIST_PROGRAM_OUTPUT_H

#include <cstddef>
#include <iosfwd>
#include <streambuf>
#include <string>

#include "shared/console.h"

// A stream buffer that hands the platform whole lines: when it is full, it
// writes up to its last line break (a line longer than the buffer goes out
// in pieces of whole UTF-8 characters); a flush writes the whole lines held
// and keeps a line not yet ended. So a console never gets a character split
// across two writes, and a line written to standard error in several parts
// reaches it in one piece. The first write that fails ends the output: what
// is held is dropped, the stream goes bad, and Failure tells why.
class StandardStreamBuffer : public std::streambuf {
public:
    explicit StandardStreamBuffer(StandardStream stream);
    ~StandardStreamBuffer() override;
    StandardStreamBuffer(const StandardStreamBuffer&) = delete;
    StandardStreamBuffer& operator=(const StandardStreamBuffer&) = delete;

    // Writes everything held, a last line without its line break included.
    // False when this or an earlier write failed.
    bool WriteAll();

    bool Failed() const { return failed_; }
    const OutputError& Failure() const { return failure_; }

protected:
    int_type overflow(int_type c) override;
    int sync() override;

private:
    // Writes the first `size` bytes held and keeps the rest.
    bool WriteHeld(std::size_t size);

    static constexpr std::size_t kSize = 64 * 1024;
    StandardStream stream_;
    OutputError failure_ = {OutputError::kOther, 0};
    bool failed_ = false;
    char buffer_[kSize];
};

// Whether everything written to `out` has reached its reader: flushes it
// whole. False with the reason in words ("the disk is full", "the pipe is
// closed ...", or the system's own; "an unknown error" for a stream that
// keeps none) when a write failed.
// `pipeClosed` tells whether the reader of a pipe had left.
bool OutputWritten(std::ostream& out, std::string* reason, bool* pipeClosed = nullptr);

// A command's last line after it changed the list (LINE says what it did).
// Returns kExitOk once the output is written; when it cannot be, says on
// `err` that the change was made all the same and returns
// kExitChangedUnreported, so that a script does not run the command again.
int ReportChangeMade(std::ostream& out, std::ostream& err, const std::string& line);

// Says on `err` that the list was changed all the same (LINE tells how)
// although the program could not tell it, and why; returns
// kExitChangedUnreported.
int ReportChangeUntold(std::ostream& err, const std::string& why, const std::string& line);

#endif  // ZELQ_TOOLS_ZELQ_LIST_PROGRAM_OUTPUT_H
