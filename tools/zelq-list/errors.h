// zelq-list's errors: one line each, "zelq-list: " and what went wrong, with
// the reason of a failed file operation in words.
#ifndef ZELQ_TOOLS_ZELQ_LIST_ERRORS_H
#define ZELQ_TOOLS_ZELQ_LIST_ERRORS_H

#include <iosfwd>
#include <string>

#include "channel_list/file_ops.h"

// Writes "zelq-list: MESSAGE" and a line break.
void ReportError(std::ostream& err, const std::string& message);

// The message for a file that cannot be read: "cannot read PATH: why".
std::string CannotReadMessage(const std::string& path);

// What a path names that is neither a file nor a folder ("a device", "a
// pipe", "a socket"); empty for anything else, or when that cannot be told.
std::string NotAFileKind(const std::string& path);

// "no such file", "the folder does not exist", "it is a folder", "permission
// denied", ...; the system's own words for anything else.
std::string FileErrorReason(const FileError& error);

// The reason of the last failed file operation.
std::string LastFileErrorReason();

// What a writer is told when another held the list's lock too long.
std::string LockBusyMessage(const std::string& listPath);

// "1.5 MiB", "300 MiB", "2 GiB".
std::string SizeText(unsigned long long bytes);

#endif  // ZELQ_TOOLS_ZELQ_LIST_ERRORS_H
