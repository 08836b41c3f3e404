#include "edit_session.h"

#include <cstdlib>

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
    const std::string& path = options.ListPath;
    OpenedList& list = session->List;
    const ListOpenResult opened =
        options.DryRun ? OpenListToLook(path.c_str(), createsList, MaxListSize(), &list)
                       : OpenListToChange(path.c_str(), kWriterOther, createsList, MaxListSize(), &list);
    switch (opened) {
    case kListOpened:
        if (!list.SideFileLeft) {
            session->RowLines = RowLineNumbers(list.Index);
            return kExitOk;
        }
        error = LeftFileMessage(list.SideFileLeft, list.SideError);
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
    CloseOpenedList(&list);
    ReportError(err, error);
    return kExitError;
}

std::string RowAt(const EditSession& session, std::size_t row) {
    return At(session.Options.ListPath, session.RowLines[row]);
}

std::string ShownRowLine(const EditSession& session, std::size_t row) {
    const std::size_t line = RowEntry(session.List.Index, row);
    return ShownLine(session.Page, EntryStart(session.List.Index, line), EntryEnd(session.List.Index, line));
}
