#include "edit_session.h"

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
            const std::string found = FoundCopyMessage(path, list, !options.DryRun);
            if (!found.empty()) ReportError(err, found);
            session->RowLines = RowLineNumbers(list.Index);
            return kExitOk;
        }
        error = LeftFileMessage(list.SideFileLeft, list.SideError);
        break;
    case kListAbsent:
        error = CannotReadMessage(path, list.Files.Error);
        break;
    case kListNotLocked:
        error = list.Files.Error.Kind == kFileErrorLockBusy ? LockBusyMessage(path) : LockFileMessage(list.Files);
        break;
    case kListCopyWaits:
        error = ListInBackupMessage(path, list);
        break;
    case kListUnreadable:
        error = ReadFailure(path, list.Index.File.Size, list.Files.Error, "reads lists", MaxListSize());
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
