#include "edit_report.h"

#include "messages.h"

std::string WrittenLine(const EditSession& session, const EditOutcome& outcome) {
    return session.Options.ListPath + ": wrote " + std::to_string(outcome.Rows) + " row" + Plural(outcome.Rows) +
           UnconfirmedNote(session.List.Files);
}

int ReportEditEnd(const EditSession& session, const EditOutcome& outcome, std::ostream& out, std::ostream& err) {
    const std::string& path = session.Options.ListPath;
    const FileError& failure = session.List.Files.Error;
    if (!outcome.Begun) {
        ReportError(err, "cannot write " + path + ": " + FileErrorReason(failure));
        return kExitError;
    }
    switch (outcome.Result) {
    case kRewriteWritten:
        if (!session.Options.DryRun) return ReportChangeMade(out, err, WrittenLine(session, outcome));
        out << path << ": would write " << outcome.Rows << " row" << Plural(outcome.Rows)
            << "; dry run, nothing written\n";
        return kExitOk;
    case kRewriteUnchanged:
        out << path << ": nothing to change\n";
        return kExitOk;
    case kRewriteListChanged:
        ReportError(err, path + " changed while it was being edited (or is gone); nothing was written, run the command again");
        return kExitError;
    case kRewriteLeftInBackup:
        ReportError(
            err, "cannot write " + path + ": " + FileErrorReason(failure) + "; " + ListInBackupMessage(path, session.List));
        return kExitError;
    case kRewriteUnfinished:
        ReportError(err, "cannot finish writing " + path + ": cannot remove " + session.List.Files.Paths.Backup +
                             ", the list before this change (" + FileErrorReason(failure) +
                             "); the next start or change of the list puts that list back");
        return kExitError;
    case kRewriteFailed:
        break;
    }
    ReportError(err, "cannot write " + path + ": " + FileErrorReason(failure) + "; it is left as it was");
    return kExitError;
}
