// What zelq-list tells its user: errors, one line each, "zelq-list: " and
// what went wrong, with the reason of a failed file operation in words; and
// the pieces its other lines are made of.
#ifndef ZELQ_TOOLS_ZELQ_LIST_MESSAGES_H
#define ZELQ_TOOLS_ZELQ_LIST_MESSAGES_H

#include <cstddef>
#include <iosfwd>
#include <string>

#include "channel_list/list_open.h"

// Writes "zelq-list: MESSAGE" and a line break.
void ReportError(std::ostream& err, const std::string& message);

// The message for a file that cannot be read: "cannot read PATH: why".
std::string CannotReadMessage(const std::string& path, const FileError& error);

// What a path names that is neither a file nor a folder ("a device", "a
// pipe", "a socket"); empty for anything else, or when that cannot be told.
std::string NotAFileKind(const std::string& path);

// "no such file", "the folder does not exist", "it is a folder", "permission
// denied", ...; the system's own words for anything else.
std::string FileErrorReason(const FileError& error);

// What a writer is told when the list's lock file cannot be made or opened
// (files->Error says why).
std::string LockFileMessage(const ListFiles& files);

// What a writer is told when another held the list's lock too long.
std::string LockBusyMessage(const std::string& listPath);

// What a writer is told when the list is missing or damaged and its last
// content waits under another name, which cannot be put back now.
std::string ListInBackupMessage(const std::string& listPath, const OpenedList& list);

// What a writer that would write the list anew is told when a file an
// earlier change left beside the list cannot be removed: which permission is
// missing, or the system's reason.
std::string LeftFileMessage(const std::string& sidePath, const FileError& error);

// What the line that tells a write adds where the file system did not
// confirm that the write reached its disk (ListFiles::Unconfirmed); empty
// where it did.
std::string UnconfirmedNote(const ListFiles& files);

// What a command is told of a list found missing or damaged (list_open.h),
// whose copy it read, or a writer put back; empty for a list found whole.
std::string FoundCopyMessage(const std::string& listPath, const OpenedList& list, bool putBack);

// "s" when the count is not one.
const char* Plural(std::size_t count);

// The prefix of a message about a line of a file: "PATH:LINE: ".
std::string At(const std::string& path, std::size_t line);

#endif  // ZELQ_TOOLS_ZELQ_LIST_MESSAGES_H
