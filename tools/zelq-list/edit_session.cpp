#include "edit_session.h"

#include <cstdlib>
#include <new>
#include <ostream>

#include "channel_list/list_content.h"
#include "channel_list/list_open.h"
#include "channel_list/side_paths.h"
#include "errors.h"
#include "program_output.h"
#include "read_list.h"
#include "row_text.h"
#include "utf8_text.h"

std::uint32_t EditPlan::AddLine(const std::string& line) {
    LineStarts.push_back(static_cast<std::uint32_t>(LineBytes.size()));
    LineBytes += line;
    return static_cast<std::uint32_t>(LineStarts.size() - 1);
}

std::string_view EditPlan::Line(std::uint32_t index) const {
    const std::uint32_t end =
        index + 1 < LineStarts.size() ? LineStarts[index + 1] : static_cast<std::uint32_t>(LineBytes.size());
    return std::string_view(LineBytes).substr(LineStarts[index], end - LineStarts[index]);
}

std::uint32_t EditPlan::AddSource(std::uint32_t file, std::uint32_t line) {
    Sources.push_back(RowSource{file, line});
    return static_cast<std::uint32_t>(Sources.size() - 1);
}

int OpenEdit(const ListOptions& options, bool createsList, EditSession* session, std::ostream& err) {
    session->Options = options;
    session->Locked = false;
    session->Lock = ListLock{nullptr};
    EmptyListIndex(&session->Index);
    std::string error;
    if (!LoadCodePage(options.CodePage, &session->Page, &error)) {
        ReportError(err, error);
        return kExitError;
    }
    const std::string& path = options.ListPath;
    if (options.DryRun) {
        // A dry run reads the list as it is, and takes no lock.
        PathKind kind = kPathFile;
        const bool known = g_ListFileOps.Probe(path.c_str(), &kind);
        if (!known || kind == kPathFolder || (kind == kPathMissing && !createsList)) {
            if (known) SetFileError(kind == kPathFolder ? kFileErrorIsFolder : kFileErrorNotFound);
            ReportError(err, CannotReadMessage(path));
            return kExitError;
        }
        if (!ReadList(path, createsList, &session->Index, &error)) {
            ReportError(err, error);
            return kExitError;
        }
        session->LineNumbers = LineNumbers(session->Index);
        return kExitOk;
    }
    // The one way in of every writer: the lock, a list a writer before left
    // under the backup name put back, what it left beside the list removed,
    // and the list read.
    OpenedList list;
    const ListOpenResult opened = OpenListToChange(path.c_str(), kWriterOther, createsList, MaxListSize(), &list);
    switch (opened) {
    case kListOpened:
        if (list.SideFileLeft) {
            error = LeftFileMessage(list.SideFileLeft, list.SideError);
            break;
        }
        session->Index = list.Index;
        EmptyListIndex(&list.Index);
        session->Lock = list.Lock;
        list.Lock = ListLock{nullptr};
        session->Locked = true;
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
    if (!session->Locked) {
        ReportError(err, error);
        return kExitError;
    }
    session->LineNumbers = LineNumbers(session->Index);
    return kExitOk;
}

void CloseEdit(EditSession* session) {
    FreeListIndex(&session->Index);
    if (session->Locked) UnlockList(&session->Lock);
    session->Locked = false;
}

namespace {

// A plan that keeps every row in its place.
EditPlan KeepAllRows(const ListIndex& index) {
    EditPlan plan;
    plan.AtPlace.resize(index.RowCount);
    for (std::size_t row = 0; row < index.RowCount; ++row) plan.AtPlace[row].OldRow = static_cast<std::uint32_t>(row);
    return plan;
}

void WriteEntry(ListContent* content, const ListIndex& index, std::size_t line) {
    WriteKeptLine(content, EntryStart(index, line), EntryEnd(index, line), GapBefore(index, line));
}

// What writing the edited content needs, made before a rewrite begins: once
// it has, nothing may stop it half way (running out of memory would leave
// its temporary file behind).
struct EditedContent {
    std::vector<bool> RowWritten;        // one for each row of the list
    std::vector<std::uint32_t> Removed;  // the later lines of a channel the edit had to remove
};

void PrepareEditedContent(const ListIndex& index, EditedContent* edited) {
    edited->RowWritten.assign(index.RowCount, false);
    std::size_t laterLines = 0;
    for (std::size_t line = 0; line < index.LineCount; ++line) laterLines += EntryKind(index, line) == kIndexLaterLine;
    edited->Removed.reserve(laterLines);
}

// Writes the list as the plan changes it into `out` (a rewrite, or a
// comparison for a dry run). Allocates nothing.
void WriteEditedContent(const EditSession& session, const EditPlan& plan, ListRewrite* out, EditedContent* edited) {
    const ListIndex& index = session.Index;
    ListContent content;
    BeginListContent(&content, out, index.File);

    std::vector<bool>& rowWritten = edited->RowWritten;
    std::vector<std::uint32_t>* const removed = &edited->Removed;
    const auto writeRow = [&](const PlannedRow& planned) {
        if (planned.NewLine != kNoLine) {
            const std::string_view line = plan.Line(planned.NewLine);
            WriteNewLine(&content, line.data(), line.size());
        } else if (planned.OldRow != kNoRow) {
            WriteEntry(&content, index, RowEntry(index, planned.OldRow));
        }
        if (planned.OldRow != kNoRow) rowWritten[planned.OldRow] = true;
    };

    for (std::size_t line = 0; line < index.LineCount; ++line) {
        switch (EntryKind(index, line)) {
        case kIndexBlank:
            WriteListGap(&content, EntryStart(index, line), EntryEnd(index, line));
            break;
        case kIndexUnreadable:
            WriteEntry(&content, index, line);
            break;
        case kIndexRow:
            writeRow(plan.AtPlace[EntryRow(index, line)]);
            break;
        case kIndexLaterLine:
            if (rowWritten[EntryRow(index, line)]) {
                WriteEntry(&content, index, line);
            } else {
                removed->push_back(static_cast<std::uint32_t>(line));
            }
            break;
        }
    }
    for (const PlannedRow& planned : plan.Added) writeRow(planned);
}

// The later lines of a channel the edit removed, one message each.
void DescribeRemoved(const EditSession& session, const std::vector<std::uint32_t>& removed, std::ostream& out) {
    const ListIndex& index = session.Index;
    for (const std::uint32_t line : removed) {
        out << At(session.Options.ListPath, session.LineNumbers[line]) << "remove a later line of row "
            << EntryRow(index, line) + 1 << "'s channel, which would otherwise take its place: "
            << ShownLine(session.Page, EntryStart(index, line), EntryEnd(index, line)) << '\n';
    }
}

// Writes the edited list (a dry run writes nothing) and tells what the plan
// does; returns the exit code.
int FinishEdit(EditSession* session, const EditPlan& plan, const EditCommand& command, std::ostream& out,
               std::ostream& err) {
    const std::string& path = session->Options.ListPath;
    const FileBytes& original = session->Index.File;
    std::size_t rows = 0;
    for (const PlannedRow& planned : plan.AtPlace) rows += planned.Empty() ? 0 : 1;
    for (const PlannedRow& planned : plan.Added) rows += planned.Empty() ? 0 : 1;

    EditedContent edited;
    PrepareEditedContent(session->Index, &edited);
    const std::vector<std::uint32_t>& removed = edited.Removed;
    ListRewrite rewrite;
    if (session->Options.DryRun) {
        BeginListComparison(&rewrite, original);
        WriteEditedContent(*session, plan, &rewrite, &edited);
        if (!ListRewriteDiffers(&rewrite)) {
            out << path << ": nothing to change\n";
            return kExitOk;
        }
        command.Describe(*session, plan, command.Input, out);
        DescribeRemoved(*session, removed, out);
        out << path << ": would write " << rows << " row" << Plural(rows) << "; dry run, nothing written\n";
        return kExitOk;
    }
    if (!BeginListRewrite(&rewrite, path.c_str(), original)) {
        ReportError(err, "cannot write " + path + ": " + LastFileErrorReason());
        return kExitError;
    }
    WriteEditedContent(*session, plan, &rewrite, &edited);
    const RewriteResult result = FinishListRewrite(&rewrite);
    struct Done {
        const EditSession& Session;
        const EditPlan& Plan;
        const EditCommand& Command;
        const std::vector<std::uint32_t>& Removed;
    } done{*session, plan, command, removed};
    const auto describe = [](const void* context, std::ostream& to) {
        const Done& edit = *static_cast<const Done*>(context);
        edit.Command.Describe(edit.Session, edit.Plan, edit.Command.Input, to);
        DescribeRemoved(edit.Session, edit.Removed, to);
    };
    return ReportRewrite(*session, result, rows, describe, &done, out, err);
}

}  // namespace

int RunEdit(const ListOptions& options, bool createsList, const EditCommand& command, std::ostream& out,
            std::ostream& err) {
    EditSession session;
    int status = OpenEdit(options, createsList, &session, err);
    if (status != kExitOk) return status;
    EditPlan plan = KeepAllRows(session.Index);
    std::string error;
    if (!command.Plan(session, command.Input, &plan, &error)) {
        ReportError(err, error);
        status = kExitError;
    } else {
        status = FinishEdit(&session, plan, command, out, err);
    }
    CloseEdit(&session);
    return status;
}

int ReportRewrite(const EditSession& session, RewriteResult result, std::size_t rows,
                  void (*describe)(const void* context, std::ostream& out), const void* context, std::ostream& out,
                  std::ostream& err) {
    const std::string& path = session.Options.ListPath;
    switch (result) {
    case kRewriteWritten: {
        const auto written = [&] { return path + ": wrote " + std::to_string(rows) + " row" + Plural(rows); };
        try {
            if (describe) describe(context, out);
            return ReportChangeMade(out, err, written());
        } catch (const std::bad_alloc&) {
            return ReportChangeUntold(err, "not enough memory to tell all that was done", written());
        }
    }
    case kRewriteUnchanged:
        out << path << ": nothing to change\n";
        return kExitOk;
    case kRewriteListChanged:
        ReportError(err, path + " changed while it was being edited (or is gone); nothing was written, run the command again");
        return kExitError;
    case kRewriteLeftInBackup:
        ReportError(err, "cannot write " + path + ": " + LastFileErrorReason() + "; " + ListInBackupMessage(path));
        return kExitError;
    case kRewriteFailed:
        break;
    }
    ReportError(err, "cannot write " + path + ": " + LastFileErrorReason() + "; it is left as it was");
    return kExitError;
}

void DescribeRewrittenRows(const EditSession& session, const EditPlan& plan, const std::string& verb,
                           const std::string& after, std::ostream& out) {
    for (std::size_t row = 0; row < plan.AtPlace.size(); ++row) {
        const std::uint32_t line = plan.AtPlace[row].NewLine;
        if (line == kNoLine) continue;
        out << RowAt(session, row) << verb << " row " << row + 1 << after << ": " << ShownRowLine(session, row)
            << " -> " << ShownText(session.Page, plan.Line(line)) << '\n';
    }
}

std::string At(const std::string& path, std::size_t line) { return path + ":" + std::to_string(line) + ": "; }

std::size_t RowLineNumber(const EditSession& session, std::size_t row) {
    return session.LineNumbers[RowEntry(session.Index, row)];
}

std::string RowAt(const EditSession& session, std::size_t row) {
    return At(session.Options.ListPath, RowLineNumber(session, row));
}

std::string ShownRowLine(const EditSession& session, std::size_t row) {
    const std::size_t line = RowEntry(session.Index, row);
    return ShownLine(session.Page, EntryStart(session.Index, line), EntryEnd(session.Index, line));
}

std::string WholeRowName(const ListIndex& index, std::size_t row) {
    return std::string(RowName(index, row), RowNameLength(index, row));
}

namespace {

std::string NoSuchRow(const std::string& text, std::size_t rowCount) {
    return "there is no row " + text + ": the list has " + std::to_string(rowCount) + " row" + Plural(rowCount);
}

}  // namespace

bool ParseRow(const std::string& text, std::size_t rowCount, std::size_t* row, std::string* error) {
    // Digits only; a number too large to count is larger than any row.
    unsigned long value = 0;
    const bool digits = !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
    if (!digits) {
        *error = "\"" + EscapeControls(text) + "\" is not a row number";
        return false;
    }
    if (!ParseWholeNumber(text, 10, 1, rowCount, &value)) {
        *error = NoSuchRow(text, rowCount);
        return false;
    }
    *row = value - 1;
    return true;
}

bool ParseRows(const std::string& text, std::size_t rowCount, std::vector<bool>* rows, std::string* error) {
    rows->assign(rowCount, false);
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        const std::string part = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        const std::size_t dash = part.find('-');
        const std::string from = part.substr(0, dash);
        const std::string to = dash == std::string::npos ? from : part.substr(dash + 1);
        const auto digits = [](const std::string& number) {
            return !number.empty() && number.find_first_not_of("0123456789") == std::string::npos;
        };
        if (!digits(from) || !digits(to)) {
            *error = "\"" + EscapeControls(part) + "\" is not a row number or a range of rows";
            return false;
        }
        std::size_t first = 0;
        std::size_t last = 0;
        if (!ParseRow(from, rowCount, &first, error) || !ParseRow(to, rowCount, &last, error)) return false;
        if (first > last) {
            *error = "the range " + part + " runs backwards";
            return false;
        }
        for (std::size_t row = first; row <= last; ++row) (*rows)[row] = true;
        if (comma == std::string::npos) return true;
        start = comma + 1;
    }
}

std::string FormattedLine(std::uint8_t flag, const std::uint8_t code[6], const std::string& name) {
    std::string text(kMaxLineLength + name.size(), '\0');
    text.resize(FormatLineWithName(&text[0], text.size(), flag, code, name.data(), name.size()));
    return text;
}

namespace {

// Whether a name, as the list stores it, reads back as itself; false with a
// message saying why not.
bool NameReadsBack(const std::string& name, const CodePage& page, std::string* error) {
    if (name.empty()) {
        *error = "is empty, and a name in the list cannot be";
        return false;
    }
    if (name.find(']') != std::string::npos) {
        *error = "holds \"]\", which ends a name in the list";
        return false;
    }
    if (name.size() > kMaxNameLength) {
        *error = "takes " + std::to_string(name.size()) + " bytes in code page " + std::to_string(page.Number) +
                 ", and a name in the list holds at most 30";
        return false;
    }
    // The last word: the reader itself.
    const std::uint8_t code[6] = {0, 0, 0, 0, 0, 0};
    const std::string line = FormattedLine(1, code, name);
    LineReader reader = MakeLineReader(line.data(), line.size());
    ListLine read;
    if (!NextListLine(&reader, &read) || read.Kind != kLineReads || std::string(read.Name, read.NameLength) != name) {
        *error = "would not read back from the list";
        return false;
    }
    return true;
}

// Control characters (C0, DEL, C1) and names of white space alone are no
// names a user means.
bool NameIsPrintable(const std::string& typed, std::string* error) {
    std::vector<std::uint32_t> characters;
    if (!DecodeUtf8(typed, &characters)) return true;  // said by the conversion
    bool blank = true;
    for (const std::uint32_t c : characters) {
        if (c == '\r' || c == '\n') {
            *error = "holds a line break";
            return false;
        }
        if (c < 0x20 || c == 0x7F || (c >= 0x80 && c <= 0x9F)) {
            *error = "holds a control character, which a name in the list cannot";
            return false;
        }
        const bool space = c == ' ' || c == 0xA0 || (c >= 0x2000 && c <= 0x200B) || c == 0x202F || c == 0x205F ||
                           c == 0x3000 || c == 0xFEFF;
        if (!space) blank = false;
    }
    if (blank && !characters.empty()) {
        *error = "is blank, and a name in the list cannot be";
        return false;
    }
    return true;
}

}  // namespace

bool CheckListName(const std::string& typed, const CodePage& page, std::string* name, std::string* why) {
    return NameIsPrintable(typed, why) && NameFromUtf8(page, typed, name, why) && NameReadsBack(*name, page, why);
}

bool ListName(const std::string& typed, const CodePage& page, std::string* name, std::string* error) {
    std::string why;
    if (!CheckListName(typed, page, name, &why)) {
        *error = "the name \"" + EscapeControls(typed) + "\" " + why;
        return false;
    }
    return true;
}
