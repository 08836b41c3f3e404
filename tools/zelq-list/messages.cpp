#include "messages.h"

#include <ostream>

#include "channel_list/list_lock.h"

void ReportError(std::ostream& err, const std::string& message) { err << "zelq-list: " << message << '\n'; }

std::string CannotReadMessage(const std::string& path, const FileError& error) {
    // Reading refuses what is not a file as access denied: say what it is.
    const std::string kind = error.Kind == kFileErrorDenied ? NotAFileKind(path) : std::string();
    if (!kind.empty()) return "cannot read " + path + ": it is " + kind + ", not a file";
    return "cannot read " + path + ": " + FileErrorReason(error);
}

std::string NotAFileKind(const std::string& path) {
    static const char* const kKinds[] = {"", "", "", "a device", "a pipe", "a socket"};
    PathKind kind = kPathMissing;
    return !g_ListFileOps.Probe(path.c_str(), &kind) ? kKinds[kind] : "";
}

std::string FileErrorReason(const FileError& error) {
    // In the order of FileErrorKind; none for kFileErrorNone and kFileErrorOther.
    static const char* const kReasons[] = {
        nullptr,
        "no such file",
        "the folder does not exist",
        "it is a folder",
        "permission denied (a read-only file, or one this user may not change)",
        "another program has it open",
        "another program held its lock too long",
        "it has other names (hard links), which writing it anew would part from it",
        "it is missing, and its last content waits under the backup name",
        "the disk is full",
        "the path is too long",
        "it is too large",
        "not enough memory",
        "the file system does not support it",
        nullptr,
    };
    static_assert(sizeof kReasons / sizeof kReasons[0] == kFileErrorOther + 1, "a reason for each kind");
    if (kReasons[error.Kind]) return kReasons[error.Kind];
    if (error.SystemCode == 0) return "an unknown error";
    char text[256];
    DescribeSystemError(error.SystemCode, text, sizeof text);
    return text;
}

std::string LockFileMessage(const ListFiles& files) {
    // The path fits where the list's does but for the four bytes a short
    // extension gives it.
    const std::string hint = files.Error.Kind != kFileErrorPathTooLong
                                 ? ""
                                 : " (the files kept beside a list are named after it: give it a shorter name, or "
                                   "the extension .ini)";
    return "cannot make or open the lock file " + std::string(files.Paths.Lock) + ": " + FileErrorReason(files.Error) +
           hint + "; nothing was changed";
}

std::string LockBusyMessage(const std::string& listPath) {
    return listPath + " is being written by another program (the viewer or another zelq-list), which held its lock "
                      "for over " + std::to_string(kListLockWaitMs / 1000) + " seconds; nothing was changed";
}

std::string ListInBackupMessage(const std::string& listPath, const OpenedList& list) {
    const ListPaths& paths = list.Files.Paths;
    return listPath + (list.Damage == kNotDamaged ? " is missing" : " is damaged") + ", and its last content waits in " +
           (list.Source == kFromTemp ? paths.Temp : paths.Backup) +
           ", which cannot be put back now (another program holds it, or this user may not rename it); nothing "
           "was changed, run the command again";
}

std::string LeftFileMessage(const std::string& sidePath, const FileError& error) {
    const std::string reason =
        error.Kind == kFileErrorDenied
            ? "this user may not delete files in its folder (the permission to delete is missing, though making "
              "files is allowed)"
            : FileErrorReason(error);
    return "cannot remove " + sidePath + ", which an earlier change of the list left: " + reason +
           "; nothing was changed";
}

std::string UnconfirmedNote(const ListFiles& files) {
    if (!files.Unconfirmed) return std::string();
    const std::string note = "; the file system did not confirm that this reached its disk";
    if (!ListFiles().Is(files.Paths.Backup, kPathFile)) return note;
    return note + ", so the list before stays in " + files.Paths.Backup +
           " until the next start or command finds this one whole";
}

std::string FoundCopyMessage(const std::string& listPath, const OpenedList& list, bool putBack) {
    static const char* const kFound[] = {"is missing", "is empty", "holds a run of NUL bytes",
                                         "ends in a line cut short"};
    if (list.Source == kFromList) return std::string();
    const ListPaths& paths = list.Files.Paths;
    const std::string copy =
        list.Source == kFromBackup ? std::string(paths.Backup) + ", the list before a change that did not finish"
                                   : std::string(paths.Temp) + ", the new list of a change that could not name it";
    const bool damaged = list.Damage != kNotDamaged;
    const std::string found =
        listPath + " " + kFound[list.Damage] + (damaged ? " (what a power cut leaves of data not yet on the disk)" : "");
    const std::string aside = damaged ? std::string("the damaged list ") + (putBack ? "is" : "will be") +
                                            " kept as " + paths.Aside
                                      : std::string();
    if (putBack) return found + ": " + copy + ", was put back in its place" + (damaged ? "; " + aside : "");
    return found + ": until the next start or change puts it back in its place, the list is " + copy +
           (damaged ? "; " + aside : "");
}

const char* Plural(std::size_t count) { return count == 1 ? "" : "s"; }

std::string At(const std::string& path, std::size_t line) { return path + ":" + std::to_string(line) + ": "; }
