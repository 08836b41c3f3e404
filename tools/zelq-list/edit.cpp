#include "edit.h"

#include <ostream>

#include "channel_list/list_content.h"
#include "errors.h"
#include "row_text.h"
#include "utf8_text.h"

std::uint32_t EditPlan::AddLine(std::string line) {
    Lines.push_back(std::move(line));
    return static_cast<std::uint32_t>(Lines.size() - 1);
}

int OpenEdit(const ListOptions& options, bool createsList, EditSession* session, std::ostream& err) {
    session->Options = options;
    session->Locked = false;
    session->Lock = ListLock{nullptr};
    session->Model = ListModel{FileBytes{nullptr, 0}, {}, {}};
    std::string error;
    if (!LoadCodePage(options.CodePage, &session->Page, &error)) {
        err << "zelq-list: " << error << '\n';
        return kExitError;
    }
    const std::string& path = options.ListPath;
    // What the path names, before any lock file is made beside it.
    PathKind kind = kPathFile;
    const bool known = g_ListFileOps.Probe(path.c_str(), &kind);
    if (!known || kind == kPathFolder || (kind == kPathMissing && !createsList)) {
        if (known) SetFileError(kind == kPathFolder ? kFileErrorIsFolder : kFileErrorNotFound);
        err << "zelq-list: " << CannotReadMessage(path) << '\n';
        return kExitError;
    }
    if (!options.DryRun) {
        if (!LockList(path.c_str(), &session->Lock)) {
            if (g_LastFileError.Kind == kFileErrorLockBusy) {
                err << "zelq-list: " << LockBusyMessage(path) << '\n';
            } else {
                std::string lockPath(path.size() + 16, '\0');
                if (ListLockPath(path.c_str(), &lockPath[0], lockPath.size())) lockPath.resize(lockPath.find('\0'));
                err << "zelq-list: cannot make or open the lock file " << lockPath << ": " << LastFileErrorReason()
                    << "; nothing was changed\n";
            }
            return kExitError;
        }
        session->Locked = true;
    }
    if (!ReadListModel(path, createsList, &session->Model, &error)) {
        CloseEdit(session);
        err << "zelq-list: " << error << '\n';
        return kExitError;
    }
    return kExitOk;
}

void CloseEdit(EditSession* session) {
    FreeListModel(&session->Model);
    if (session->Locked) UnlockList(&session->Lock);
    session->Locked = false;
}

EditPlan KeepAllRows(const ListModel& model) {
    EditPlan plan;
    plan.AtPlace.resize(model.RowCount());
    for (std::size_t row = 0; row < model.RowCount(); ++row) plan.AtPlace[row].OldRow = static_cast<std::uint32_t>(row);
    plan.Describe = [](std::ostream&) {};
    return plan;
}

void WriteEditedContent(const EditSession& session, const EditPlan& plan, ListRewrite* out,
                        std::vector<std::uint32_t>* removed) {
    const ListModel& model = session.Model;
    ListContent content;
    BeginListContent(&content, out, model.File);

    std::vector<bool> rowWritten(model.RowCount(), false);
    const auto writeRow = [&](const PlannedRow& planned) {
        if (planned.NewLine != kNoLine) {
            const std::string& line = plan.Lines[planned.NewLine];
            WriteNewLine(&content, line.data(), line.size());
        } else if (planned.OldRow != kNoRow) {
            WriteKeptLine(&content, RowLine(model, planned.OldRow));
        }
        if (planned.OldRow != kNoRow) rowWritten[planned.OldRow] = true;
    };

    const char* data = model.File.Data;
    const char* gap = ContentStart(model);
    for (std::size_t index = 0; index < model.Items.size(); ++index) {
        const ListItem& item = model.Items[index];
        WriteListGap(&content, gap, data + item.Start);
        gap = data + item.End;
        switch (item.Kind) {
        case kItemUnreadable:
            WriteKeptLine(&content, ItemLine(model, index));
            break;
        case kItemRow:
            writeRow(plan.AtPlace[item.Row]);
            break;
        case kItemDuplicate:
            if (rowWritten[item.Row]) {
                WriteKeptLine(&content, ItemLine(model, index));
            } else {
                removed->push_back(static_cast<std::uint32_t>(index));
            }
            break;
        }
    }
    for (const PlannedRow& planned : plan.Added) writeRow(planned);
    WriteListGap(&content, gap, data + model.File.Size);
}

int ReportRewrite(const EditSession& session, RewriteResult result, std::size_t rows, std::ostream& out,
                  std::ostream& err) {
    const std::string& path = session.Options.ListPath;
    switch (result) {
    case kRewriteWritten:
        out << path << ": wrote " << rows << " row" << Plural(rows) << '\n';
        return kExitOk;
    case kRewriteUnchanged:
        out << path << ": nothing to change\n";
        return kExitOk;
    case kRewriteListChanged:
        err << "zelq-list: " << path
            << " changed while it was being edited (or is gone); nothing was written, run the command again\n";
        return kExitError;
    case kRewriteFailed:
        break;
    }
    err << "zelq-list: cannot write " << path << ": " << LastFileErrorReason() << "; it is left as it was\n";
    return kExitError;
}

namespace {

// The later lines of a channel the edit removed, one message each.
void DescribeRemoved(const EditSession& session, const std::vector<std::uint32_t>& removed, std::ostream& out) {
    for (const std::uint32_t index : removed) {
        const ListItem& item = session.Model.Items[index];
        const char* data = session.Model.File.Data;
        out << At(session.Options.ListPath, item.Line) << "remove a later line of row " << item.Row + 1
            << "'s channel, which would otherwise take its place: "
            << ShownLine(session.Page, data + item.Start, data + item.End) << '\n';
    }
}

}  // namespace

int FinishEdit(EditSession* session, const EditPlan& plan, std::ostream& out, std::ostream& err) {
    const std::string& path = session->Options.ListPath;
    const FileBytes& original = session->Model.File;
    std::size_t rows = 0;
    for (const PlannedRow& planned : plan.AtPlace) rows += planned.Empty() ? 0 : 1;
    for (const PlannedRow& planned : plan.Added) rows += planned.Empty() ? 0 : 1;

    std::vector<std::uint32_t> removed;
    ListRewrite rewrite;
    if (session->Options.DryRun) {
        BeginListComparison(&rewrite, original);
        WriteEditedContent(*session, plan, &rewrite, &removed);
        if (!ListRewriteDiffers(&rewrite)) {
            out << path << ": nothing to change\n";
            return kExitOk;
        }
        plan.Describe(out);
        DescribeRemoved(*session, removed, out);
        out << path << ": would write " << rows << " row" << Plural(rows) << "; dry run, nothing written\n";
        return kExitOk;
    }
    if (!BeginListRewrite(&rewrite, path.c_str(), original)) {
        err << "zelq-list: cannot write " << path << ": " << LastFileErrorReason() << '\n';
        return kExitError;
    }
    WriteEditedContent(*session, plan, &rewrite, &removed);
    const RewriteResult result = FinishListRewrite(&rewrite);
    if (result == kRewriteWritten) {
        plan.Describe(out);
        DescribeRemoved(*session, removed, out);
    }
    return ReportRewrite(*session, result, rows, out, err);
}

int RunEdit(const ListOptions& options, bool createsList, std::ostream& out, std::ostream& err,
            const std::function<bool(const EditSession&, EditPlan*, std::string*)>& plan) {
    EditSession session;
    int status = OpenEdit(options, createsList, &session, err);
    if (status != kExitOk) return status;
    EditPlan edit = KeepAllRows(session.Model);
    std::string error;
    if (!plan(session, &edit, &error)) {
        err << "zelq-list: " << error << '\n';
        status = kExitError;
    } else {
        status = FinishEdit(&session, edit, out, err);
    }
    CloseEdit(&session);
    return status;
}

std::string At(const std::string& path, std::size_t line) { return path + ":" + std::to_string(line) + ": "; }

std::string RowAt(const EditSession& session, std::size_t row) {
    return At(session.Options.ListPath, session.Model.Items[session.Model.RowItem[row]].Line);
}

std::string ShownRowLine(const EditSession& session, std::size_t row) {
    const ListLine line = RowLine(session.Model, row);
    return ShownLine(session.Page, line.Start, line.End);
}

namespace {

// Reads a row number at text[*at], moving past it; false when there is none.
// A number too large to count is larger than any row.
bool ReadNumber(const std::string& text, std::size_t* at, std::size_t limit, std::size_t* value) {
    const std::size_t start = *at;
    *value = 0;
    for (; *at < text.size() && text[*at] >= '0' && text[*at] <= '9'; ++*at) {
        if (*value <= limit) *value = *value * 10 + static_cast<std::size_t>(text[*at] - '0');
    }
    return *at > start;
}

std::string NoSuchRow(const std::string& text, std::size_t rowCount) {
    return "there is no row " + text + ": the list has " + std::to_string(rowCount) + " row" + Plural(rowCount);
}

}  // namespace

bool ParseRow(const std::string& text, std::size_t rowCount, std::size_t* row, std::string* error) {
    std::size_t at = 0;
    std::size_t value = 0;
    if (!ReadNumber(text, &at, rowCount, &value) || at != text.size()) {
        *error = "\"" + EscapeControls(text) + "\" is not a row number";
        return false;
    }
    if (value == 0 || value > rowCount) {
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

bool ListName(const std::string& typed, const CodePage& page, std::string* name, std::string* error) {
    std::string why;
    if (!NameIsPrintable(typed, &why) || !NameFromUtf8(page, typed, name, &why) || !NameReadsBack(*name, page, &why)) {
        *error = "the name \"" + EscapeControls(typed) + "\" " + why;
        return false;
    }
    return true;
}
