#include "edit_session.h"

#include <cstdlib>

#include "channel_list/list_open.h"
#include "channel_list/side_paths.h"
#include "messages.h"
#include "read_list.h"
#include "row_text.h"

int OpenEdit(const ListOptions& options, bool createsList, EditSession* session, std::ostream& err) {
    session->Options = options;
    std::string error;
    if (!LoadCodePage(options.CodePage, &session->Page, &error)) {
        ReportError(err, error);
        return kExitError;
    }
    // The one way in of every writer: the lock, a list a writer before left
    // under the backup name put back, what it left beside the list removed,
    // and the list read. A dry run reads the list as it is, and takes no
    // lock.
    const std::string& path = options.ListPath;
    OpenedList& list = session->List;
    const ListOpenResult opened =
        options.DryRun ? OpenListToLook(path.c_str(), createsList, MaxListSize(), &list)
                       : OpenListToChange(path.c_str(), kWriterOther, createsList, MaxListSize(), &list);
    switch (opened) {
    case kListOpened:
        if (list.SideFileLeft) error = LeftFileMessage(list.SideFileLeft, list.SideError);
        break;
    case kListAbsent:
        error = CannotReadMessage(path);
        break;
    case kListNotLocked:
        if (g_LastFileError.Kind == kFileErrorLockBusy) {
            error = LockBusyMessage(path);
        } else {
            const FileError failure = g_LastFileError;
            char* const lockPath = NewSidePath(path.c_str(), kSideLock);
            error = "cannot make or open the lock file " + std::string(lockPath ? lockPath : path.c_str()) + ": " +
                    FileErrorReason(failure) + "; nothing was changed";
            std::free(lockPath);
        }
        break;
    case kListCopyWaits:
        error = ListInBackupMessage(path);
        break;
    case kListUnreadable:
        error = ReadFailure(path, list.Index.File.Size, "reads lists", MaxListSize());
        break;
    }
    if (opened == kListOpened && !list.SideFileLeft) {
        session->LineNumbers = LineNumbers(list.Index);
        return kExitOk;
    }
    CloseOpenedList(&list);
    ReportError(err, error);
    return kExitError;
}

void CloseEdit(EditSession* session) { CloseOpenedList(&session->List); }

std::string RowAt(const EditSession& session, std::size_t row) {
    return At(session.Options.ListPath, RowLineNumber(session.List.Index, session.LineNumbers.data(), row));
}

std::string ShownRowLine(const EditSession& session, std::size_t row) {
    const std::size_t line = RowEntry(session.List.Index, row);
    return ShownLine(session.Page, EntryStart(session.List.Index, line), EntryEnd(session.List.Index, line));
}
