// Why a file operation failed, in words, for zelq-list's one-line errors.
#ifndef ZELQ_TOOLS_ZELQ_LIST_ERRORS_H
#define ZELQ_TOOLS_ZELQ_LIST_ERRORS_H

#include <string>

#include "channel_list/file_ops.h"

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
